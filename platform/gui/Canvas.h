#pragma once
// Drawing in the manner of the platform's device contexts, over cairo on a
// Bitmap: a current pen, brush, font, text colour and background mode; all
// colours are COLORREF values (0x00BBGGRR). A canvas may address a part of
// its bitmap (a window's rectangle of the back buffer): coordinates are then
// relative to that part and drawing is clipped to it.
#include <cstdint>
#include <span>
#include <string>

#include "platform/core/Bitmap.h"
#include "platform/gui/Font.h"
#include "platform/gui/Geometry.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace trek::platform {

enum class PenStyle { Solid, Dash, Dot, DashDot, Null };

struct Pen {
    uint32_t color = 0;
    int width = 1;
    PenStyle style = PenStyle::Solid;
};

struct Brush {
    uint32_t color = 0xFFFFFF;
    bool null = false;  // hollow: shapes are outlined only
    static Brush hollow() { return Brush{0, true}; }
};

enum class BackgroundMode { Transparent, Opaque };

// DrawText flags with their Win32 values.
enum : uint32_t {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_EDITCONTROL = 0x2000,
    DT_PATH_ELLIPSIS = 0x4000,
    DT_END_ELLIPSIS = 0x8000,
    DT_WORD_ELLIPSIS = 0x40000,
    DT_HIDEPREFIX = 0x100000,
};

class Canvas {
public:
    explicit Canvas(Bitmap& target);
    // Origin at viewport's top-left; drawing clipped to viewport (in bitmap pixels).
    Canvas(Bitmap& target, const Rect& viewport);
    // As above, further clipped to deviceClip (bitmap pixels).
    Canvas(Bitmap& target, const Rect& viewport, const Rect& deviceClip);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    Bitmap& target() { return target_; }
    Point origin() const { return origin_; }
    // The area that may be drawn, in canvas coordinates.
    Rect clipRect() const { return clip_.offset(-origin_.x, -origin_.y); }
    bool ok() const { return cr_ != nullptr; }

    // Clipping is one rectangle: the intersection of the viewport and what is set here.
    void intersectClip(const Rect& r);
    void resetClip();

    void setPen(const Pen& pen) { pen_ = pen; }
    void setBrush(const Brush& brush) { brush_ = brush; }
    void setFont(const Font& font);
    void setTextColor(uint32_t color) { textColor_ = color; }
    void setBackgroundColor(uint32_t color) { backColor_ = color; }
    void setBackgroundMode(BackgroundMode mode) { backMode_ = mode; }
    // Smooth edges for lines, polygons and ellipses (on by default); rectangles are always crisp.
    void setAntialias(bool on) { antialias_ = on; }
    const Pen& pen() const { return pen_; }
    const Brush& brush() const { return brush_; }
    const Font& font() const { return font_; }
    uint32_t textColor() const { return textColor_; }

    // Shapes: filled with the brush, outlined with the pen.
    void moveTo(int x, int y) { cursor_ = {x, y}; }
    void lineTo(int x, int y);
    void line(int x0, int y0, int x1, int y1);
    void polyline(std::span<const Point> points);
    void polygon(std::span<const Point> points);
    void rectangle(const Rect& r);  // pen drawn inside the rectangle
    void roundRect(const Rect& r, int radius);
    void ellipse(const Rect& r);
    void fillRect(const Rect& r, uint32_t color);
    void frameRect(const Rect& r, uint32_t color, int width = 1);
    void setPixel(int x, int y, uint32_t color);
    uint32_t getPixel(int x, int y) const;  // COLORREF; 0xFFFFFFFF outside the clip

    // Text. (x, y) is the top-left of the text cell.
    void textOut(int x, int y, const std::string& text);
    Size textExtent(const std::string& text);
    int lineHeight();
    int ascent();
    // Returns the height of the text; DT_CALCRECT only measures and sets rect's right/bottom.
    int drawText(const std::string& text, Rect& rect, uint32_t flags);
    int drawText(const std::string& text, const Rect& rect, uint32_t flags) {
        Rect r = rect;
        return drawText(text, r, flags);
    }

    // Pixel transfers from another bitmap (src rectangle in src pixels).
    void copyFrom(const Bitmap& src, const Rect& srcRect, Point dst);
    void stretchFrom(const Bitmap& src, const Rect& srcRect, const Rect& dstRect);
    // Pixels of colour colorKey (COLORREF) are left out; stretches like stretchFrom.
    void transparentFrom(const Bitmap& src, const Rect& srcRect, const Rect& dstRect, uint32_t colorKey);

private:
    void applyClip();
    void setSource(uint32_t colorref);
    void applyPen();
    void strokeAndFill(bool closed);
    void prepareFont();
    double textWidth(const std::string& text);
    void showLine(double x, double y, const std::string& text, int underlineIndex);
    Rect toDevice(const Rect& r) const { return r.offset(origin_.x, origin_.y); }

    Bitmap& target_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    Rect viewport_;  // device pixels
    Rect clip_;      // device pixels, inside viewport_
    Point origin_;
    Point cursor_;
    Pen pen_;
    Brush brush_;
    Font font_;
    bool fontDirty_ = true;
    uint32_t textColor_ = 0;
    uint32_t backColor_ = 0xFFFFFF;
    BackgroundMode backMode_ = BackgroundMode::Opaque;
    bool antialias_ = true;
};

}  // namespace trek::platform
