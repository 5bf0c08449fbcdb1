#pragma once
// The marks the map view draws over the map and the tours: start and
// destination markers, the marked-point dot, the GPS arrow (both save-under
// sprites), the destination circle, zoom buttons, the selector, the north
// arrow and the reference-point markers of a raster map.
#include <array>
#include <cstdint>
#include <string>

#include "platform/core/Bitmap.h"
#include "platform/gui/Canvas.h"

namespace trek {

// An ellipse that never joins the path a text left behind: text output
// leaves the drawing position at its end, and an arc would start from there.
void DrawEllipse(platform::Canvas& canvas, const platform::Rect& r);

// A sprite with save-under: the pixels below it are kept so that it can move
// without a full repaint.
class SaveUnderSprite {
public:
    // Puts the kept pixels back (nothing when none are kept).
    void restore(platform::Bitmap& target);
    // Keeps the pixels of rect (cut to the target) before the sprite is drawn there.
    void save(const platform::Bitmap& target, const platform::Rect& rect);
    void forget() { kept_ = false; }
    bool kept() const { return kept_; }
    const platform::Rect& rect() const { return rect_; }

private:
    platform::Bitmap under_;
    platform::Rect rect_;
    bool kept_ = false;
};

// sin and cos x 10000 for 720 half-degree steps.
int32_t SineHalfDegree(int index);
int32_t CosineHalfDegree(int index);

// The eight corners of the GPS arrow around `at`, turned to the course (mrad,
// clockwise from north), `size` pixels from tip to tail.
std::array<platform::Point, 8> GpsArrowOutline(platform::Point at, int32_t courseMrad, int size);
// The drawn arrow size: x 3/4 below 120 dpi on a view narrower than 400
// pixels, x 6/4 above 120 dpi.
int GpsArrowSize(int configured, int dpi, int viewWidth);
// The bounding box of an outline with room for its outline pen.
platform::Rect OutlineBounds(const std::array<platform::Point, 8>& outline);
void DrawGpsArrow(platform::Canvas& canvas, const std::array<platform::Point, 8>& outline);

// The marked point: a red dot of radius 4 units with a dark rim; its tap
// target is the square of +-4 pixels around it.
platform::Rect MarkedDotRect(platform::Point at, int displayScale);
void DrawMarkedDot(platform::Canvas& canvas, platform::Point at, int displayScale);

// Start ('S') and destination ('Z') markers: 24 x 24, centred.
void DrawRouteMarker(platform::Canvas& canvas, platform::Point at, char letter);
// The red arrow (32 x 32) pointing at a marked point.
void DrawRedArrow(platform::Canvas& canvas, platform::Point at);
// The destination: a green circle of radius 8 units with a cross.
void DrawDestinationMarker(platform::Canvas& canvas, platform::Point at, int displayScale);

// Zoom buttons: 48 x 48 up to 120 dpi, 96 x 96 above; '+' above '-' at the right edge.
struct ZoomButtons {
    platform::Rect zoomIn;
    platform::Rect zoomOut;
};
ZoomButtons ZoomButtonRects(const platform::Rect& view, int dpi);
void DrawZoomButtons(platform::Canvas& canvas, const ZoomButtons& buttons);

// The selector of a list the view steps through: arrows and "%d/%d".
void DrawSelector(platform::Canvas& canvas, const platform::Rect& view, int entry, int entries, int displayScale);

// North arrow at the top left, pointing along the screen direction (dx, dy) of north.
void DrawNorthArrow(platform::Canvas& canvas, const platform::Rect& view, double dx, double dy, int displayScale);
// A reference point of the map: a cross in a circle with its number.
void DrawReferenceMarker(platform::Canvas& canvas, platform::Point at, int number, int displayScale);

}  // namespace trek
