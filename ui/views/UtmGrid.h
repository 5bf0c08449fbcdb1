#pragma once
// The UTM grid over the map: lines every kilometre (every ten above
// 1:100 000) in the zone of the view centre, the zone boundaries, and the
// zone labels.
#include <cstdint>

#include "platform/gui/Canvas.h"

namespace trek {

class ViewProjection;

// Line spacing in metres for a scale, 0 when no grid is drawn (no map, or
// from 1:5 000 000 up).
int32_t UtmGridSpacing(int32_t scale, bool mapShown);

void DrawUtmGrid(platform::Canvas& canvas, const ViewProjection& projection, int32_t spacing, int displayScale);

}  // namespace trek
