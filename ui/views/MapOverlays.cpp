#include "ui/views/MapOverlays.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace trek {

namespace {

constexpr uint32_t kDark = 0x000007;
constexpr uint32_t kRouteKey = 0xC0C0C0;  // light grey: transparent
constexpr uint32_t kWhiteKey = 0xFFFFFF;

using platform::Bitmap;
using platform::Canvas;
using platform::Point;
using platform::Rect;

platform::Font BoldFont(int height) {
    platform::Font f;
    f.height = -height;
    f.weight = 700;
    return f;
}

Bitmap MakeRouteMarker(char letter) {
    Bitmap bmp(24, 24, platform::ColorRefToPixel(kRouteKey));
    Canvas c(bmp);
    c.setAntialias(false);
    c.setPen({0x000000, 2});
    c.setBrush({letter == 'S' ? 0x00C000u : 0x0000E0u});
    DrawEllipse(c, {1, 1, 23, 23});
    c.setFont(BoldFont(15));
    c.setTextColor(0xFFFFFF);
    c.setBackgroundMode(platform::BackgroundMode::Transparent);
    c.drawText(std::string(1, letter), Rect{0, 0, 24, 24}, platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE);
    return bmp;
}

Bitmap MakeRedArrow() {
    Bitmap bmp(32, 32, platform::ColorRefToPixel(kRouteKey));
    Canvas c(bmp);
    c.setAntialias(false);
    c.setPen({0x000080, 1});
    c.setBrush({0x0000FF});
    // Pointing down at the bottom-centre pixel.
    const Point pts[] = {{16, 31}, {4, 17}, {11, 17}, {11, 1}, {21, 1}, {21, 17}, {28, 17}};
    c.polygon(pts);
    return bmp;
}

Bitmap MakeMagnifier(int size, bool zoomIn) {
    Bitmap bmp(size, size, platform::ColorRefToPixel(kWhiteKey));
    Canvas c(bmp);
    const double u = size / 48.0;
    const auto px = [u](double v) { return static_cast<int>(std::lround(v * u)); };
    c.setPen({0x303030, std::max(1, px(6))});
    c.line(px(29), px(29), px(43), px(43));
    c.setPen({0x303030, std::max(1, px(3))});
    c.setBrush({0xF0E8D8});
    DrawEllipse(c, {px(3), px(3), px(35), px(35)});
    c.setPen({0x000000, std::max(1, px(4))});
    c.line(px(11), px(19), px(27), px(19));
    if (zoomIn) c.line(px(19), px(11), px(19), px(27));
    return bmp;
}

void Blit(Canvas& canvas, const Bitmap& bmp, Point topLeft, uint32_t key) {
    canvas.transparentFrom(bmp, {0, 0, bmp.width(), bmp.height()},
                           Rect::fromSize(topLeft.x, topLeft.y, bmp.width(), bmp.height()), key);
}

}  // namespace

// ---------------------------------------------------------------------------

void DrawEllipse(Canvas& canvas, const Rect& r) {
    // A zero-length line far outside starts a fresh path.
    const platform::Pen pen = canvas.pen();
    canvas.setPen({0, 1});
    canvas.line(-1000000, -1000000, -1000000, -1000000);
    canvas.setPen(pen);
    canvas.ellipse(r);
}

void SaveUnderSprite::restore(Bitmap& target) {
    if (!kept_) return;
    target.blit(under_, rect_.left, rect_.top);
    kept_ = false;
}

void SaveUnderSprite::save(const Bitmap& target, const Rect& rect) {
    rect_ = rect.intersect({0, 0, target.width(), target.height()});
    kept_ = !rect_.empty();
    if (!kept_) return;
    under_.reset(rect_.width(), rect_.height());
    for (int y = 0; y < rect_.height(); ++y)
        std::copy_n(target.row(rect_.top + y) + rect_.left, rect_.width(), under_.row(y));
}

// ---------------------------------------------------------------------------

namespace {
const std::array<int32_t, 720>& SineTable() {
    static const std::array<int32_t, 720> table = [] {
        std::array<int32_t, 720> t{};
        for (int i = 0; i < 720; ++i) t[i] = static_cast<int32_t>(std::lround(std::sin(i * M_PI / 360) * 10000));
        return t;
    }();
    return table;
}
int Wrap720(int i) { return ((i % 720) + 720) % 720; }
}  // namespace

int32_t SineHalfDegree(int index) { return SineTable()[Wrap720(index)]; }
int32_t CosineHalfDegree(int index) { return SineTable()[Wrap720(index + 180)]; }

std::array<Point, 8> GpsArrowOutline(Point at, int32_t courseMrad, int size) {
    // Tip, right shoulder, right barb, right notch, tail, left notch, left barb,
    // left shoulder, in thousandths of the size, y pointing backward.
    static const int shape[8][2] = {{0, -600}, {180, -60}, {420, 400}, {90, 250},
                                    {0, 330},  {-90, 250}, {-420, 400}, {-180, -60}};
    const int32_t mrad = ((courseMrad % 6283) + 6283) % 6283;
    const int index = static_cast<int>(int64_t(mrad) * 720 / 6283);
    const int64_t sn = SineHalfDegree(index), cs = CosineHalfDegree(index);
    std::array<Point, 8> out;
    for (int i = 0; i < 8; ++i) {
        const int64_t x = int64_t(shape[i][0]) * size, y = int64_t(shape[i][1]) * size;  // x 1000
        out[i] = {at.x + static_cast<int>((x * cs - y * sn) / 10000000),
                  at.y + static_cast<int>((x * sn + y * cs) / 10000000)};
    }
    return out;
}

int GpsArrowSize(int configured, int dpi, int viewWidth) {
    if (dpi < 120 && viewWidth < 400) return configured * 3 / 4;
    if (dpi > 120) return configured * 6 / 4;
    return configured;
}

Rect OutlineBounds(const std::array<Point, 8>& outline) {
    Rect r{outline[0].x, outline[0].y, outline[0].x, outline[0].y};
    for (const Point& p : outline) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    return r.inflate(3, 3);
}

void DrawGpsArrow(Canvas& canvas, const std::array<Point, 8>& outline) {
    canvas.setPen({0x000000, 2});
    canvas.setBrush({0x0000FF});
    canvas.polygon(outline);
}

// ---------------------------------------------------------------------------

Rect MarkedDotRect(Point at, int s) {
    const int r = 4 * s + 1;
    return {at.x - r, at.y - r, at.x + r + 1, at.y + r + 1};
}

void DrawMarkedDot(Canvas& canvas, Point at, int s) {
    const int r = 4 * s;
    canvas.setPen({kDark, 1});
    canvas.setBrush({0x0000FF});
    DrawEllipse(canvas, {at.x - r, at.y - r, at.x + r + 1, at.y + r + 1});
}

void DrawRouteMarker(Canvas& canvas, Point at, char letter) {
    static const Bitmap start = MakeRouteMarker('S'), destination = MakeRouteMarker('Z');
    Blit(canvas, letter == 'S' ? start : destination, {at.x - 12, at.y - 12}, kRouteKey);
}

void DrawRedArrow(Canvas& canvas, Point at) {
    static const Bitmap arrow = MakeRedArrow();
    Blit(canvas, arrow, {at.x - 16, at.y - 31}, kRouteKey);
}

void DrawDestinationMarker(Canvas& canvas, Point at, int s) {
    const int r = 8 * s;
    canvas.setPen({platform::Rgb(0, 128, 0), 3 * s});
    canvas.setBrush(platform::Brush::hollow());
    DrawEllipse(canvas, {at.x - r, at.y - r, at.x + r + 1, at.y + r + 1});
    const int c = r * 7 / 10;
    canvas.line(at.x - c, at.y - c, at.x + c, at.y + c);
    canvas.line(at.x - c, at.y + c, at.x + c, at.y - c);
}

ZoomButtons ZoomButtonRects(const Rect& view, int dpi) {
    const int size = dpi < 121 ? 48 : 96;
    const int margin = size / 8;
    const int x = view.right - size - margin, mid = view.top + view.height() / 2;
    return {Rect::fromSize(x, mid - size - margin / 2, size, size), Rect::fromSize(x, mid + margin / 2, size, size)};
}

void DrawZoomButtons(Canvas& canvas, const ZoomButtons& b) {
    static const Bitmap in48 = MakeMagnifier(48, true), out48 = MakeMagnifier(48, false);
    static const Bitmap in96 = MakeMagnifier(96, true), out96 = MakeMagnifier(96, false);
    const bool large = b.zoomIn.width() > 48;
    Blit(canvas, large ? in96 : in48, {b.zoomIn.left, b.zoomIn.top}, kWhiteKey);
    Blit(canvas, large ? out96 : out48, {b.zoomOut.left, b.zoomOut.top}, kWhiteKey);
}

void DrawSelector(Canvas& canvas, const Rect& view, int entry, int entries, int s) {
    const int w = 48 * s, h = 16 * s;
    const Rect box = Rect::fromSize(view.left + (view.width() - w) / 2, view.bottom - h - 30 * s, w, h);
    canvas.fillRect(box, 0xFFFFFF);
    canvas.frameRect(box, 0x000000, 1);
    canvas.setPen({0x000000, 1});
    canvas.setBrush({0x000000});
    const int cy = box.top + h / 2, a = h / 3;
    const Point left[] = {{box.left + 3 * s, cy}, {box.left + 3 * s + a, cy - a}, {box.left + 3 * s + a, cy + a}};
    const Point right[] = {{box.right - 4 * s, cy}, {box.right - 4 * s - a, cy - a}, {box.right - 4 * s - a, cy + a}};
    canvas.polygon(left);
    canvas.polygon(right);
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d", entry, entries);
    canvas.setFont(BoldFont(12 * s));
    canvas.setTextColor(0x000000);
    canvas.setBackgroundMode(platform::BackgroundMode::Transparent);
    canvas.drawText(text, Rect{box.left, box.bottom + 1, box.right, box.bottom + 16 * s},
                    platform::DT_CENTER | platform::DT_SINGLELINE | platform::DT_NOCLIP);
}

void DrawNorthArrow(Canvas& canvas, const Rect& view, double dx, double dy, int s) {
    const double len = std::hypot(dx, dy);
    if (!(len > 0)) return;
    const double ux = dx / len, uy = dy / len;
    const int r = 14 * s;
    const Point c{view.right - r - 10 * s, view.top + r + 20 * s};
    canvas.setPen({0x000000, 1});
    canvas.setBrush({0xFFFFFF});
    DrawEllipse(canvas, {c.x - r, c.y - r, c.x + r + 1, c.y + r + 1});
    const auto at = [&](double along, double across) {
        return Point{c.x + static_cast<int>(std::lround(ux * along - uy * across)),
                     c.y + static_cast<int>(std::lround(uy * along + ux * across))};
    };
    const double l = r - 3 * s, b = 5 * s;
    const Point northHalf[] = {at(l, 0), at(0, b), at(0, -b)};
    const Point southHalf[] = {at(-l, 0), at(0, b), at(0, -b)};
    canvas.setBrush({0x0000D0});
    canvas.polygon(northHalf);
    canvas.setBrush({0xFFFFFF});
    canvas.polygon(southHalf);
    canvas.setFont(BoldFont(10 * s));
    canvas.setTextColor(0x000000);
    canvas.setBackgroundMode(platform::BackgroundMode::Transparent);
    const Point n = at(r + 7 * s, 0);
    canvas.drawText("N", Rect{n.x - 8 * s, n.y - 8 * s, n.x + 8 * s, n.y + 8 * s},
                    platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE | platform::DT_NOCLIP);
}

void DrawReferenceMarker(Canvas& canvas, Point at, int number, int s) {
    const int r = 7 * s;
    canvas.setPen({0x0000FF, 2 * s});
    canvas.setBrush(platform::Brush::hollow());
    DrawEllipse(canvas, {at.x - r, at.y - r, at.x + r + 1, at.y + r + 1});
    canvas.line(at.x - r - 3 * s, at.y, at.x + r + 3 * s, at.y);
    canvas.line(at.x, at.y - r - 3 * s, at.x, at.y + r + 3 * s);
    char text[16];
    std::snprintf(text, sizeof text, "%d", number);
    canvas.setFont(BoldFont(11 * s));
    canvas.setTextColor(0x0000FF);
    canvas.setBackgroundMode(platform::BackgroundMode::Transparent);
    canvas.textOut(at.x + r + 2 * s, at.y - r - 12 * s, text);
}

}  // namespace trek
