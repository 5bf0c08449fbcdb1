#pragma once
// The scale bar of the map view: a ground length rounded up to a readable
// value (1, 2, 2.5, 4, 5, 7.5 or 10 times a power of ten) in the unit system
// of the settings, with its label.
#include <string>

#include "platform/gui/Canvas.h"
#include "settings/FlagWords.h"

namespace trek {

// The smallest of 1, 2, 2.5, 4, 5, 7.5, 10 times 10^floor(log10 x) that is >= x.
double RoundScaleValue(double x);

struct ScaleBarValue {
    double metres = 0;  // ground length of the rounded value
    std::string label;  // "400m", "2.5km", "500ft", "1mi", "2nm", ...
};

// Rounds a target ground length in the unit system's own unit and labels it.
ScaleBarValue ScaleBarFor(double targetMetres, UnitSystem units);

// The bar aims at this many pixels (times the display scale).
constexpr int kScaleBarTargetPixels = 80;

// Draws the bar at the view's bottom left for the ground length of one pixel.
void DrawScaleBar(platform::Canvas& canvas, const platform::Rect& view, double metresPerPixel, UnitSystem units,
                  int displayScale);

}  // namespace trek
