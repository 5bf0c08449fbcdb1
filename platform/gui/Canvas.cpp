#include "platform/gui/Canvas.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/core/Text.h"

namespace trek::platform {
namespace {

// Font height as LOGFONT gives it -> cairo em size.
double EmSize(cairo_t* cr, const Font& font) {
    if (font.height < 0) return -font.height;
    if (font.height == 0) return 13;
    cairo_set_font_size(cr, 1.0);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    double cell = fe.ascent + fe.descent;
    return cell > 0 ? font.height / cell : font.height;
}

// '&' marks the following character as the access key; "&&" is a literal '&'.
std::string StripPrefix(const std::string& text, int* underline) {
    std::string out;
    *underline = -1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != '&' && *underline < 0) *underline = static_cast<int>(out.size());
        }
        out += text[i];
    }
    return out;
}

std::string ExpandTabs(const std::string& text) {
    std::string out;
    size_t column = 0;
    for (char c : text) {
        if (c == '\t') {
            do out += ' ';
            while (++column % 8);
        } else {
            out += c;
            column = c == '\n' ? 0 : column + 1;
        }
    }
    return out;
}

// Byte offsets where a UTF-8 string may be cut (after each code point).
std::vector<size_t> CutPoints(const std::string& s) {
    std::vector<size_t> cuts;
    for (size_t pos = 0; pos < s.size();) {
        NextCodePoint(s, pos);
        cuts.push_back(pos);
    }
    return cuts;
}

}  // namespace

Canvas::Canvas(Bitmap& target) : Canvas(target, Rect{0, 0, target.width(), target.height()}) {}

Canvas::Canvas(Bitmap& target, const Rect& viewport) : Canvas(target, viewport, viewport) {}

Canvas::Canvas(Bitmap& target, const Rect& viewport, const Rect& deviceClip) : target_(target) {
    viewport_ = viewport.intersect({0, 0, target.width(), target.height()}).intersect(deviceClip);
    clip_ = viewport_;
    origin_ = {viewport.left, viewport.top};
    if (target.empty()) return;
    surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(target.data()), CAIRO_FORMAT_ARGB32,
                                                   target.width(), target.height(), target.stride());
    cr_ = cairo_create(surface_);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
    applyClip();
}

Canvas::~Canvas() {
    if (cr_) cairo_destroy(cr_);
    if (surface_) {
        cairo_surface_flush(surface_);
        cairo_surface_destroy(surface_);
    }
}

void Canvas::applyClip() {
    if (!cr_) return;
    cairo_reset_clip(cr_);
    cairo_identity_matrix(cr_);
    cairo_rectangle(cr_, clip_.left, clip_.top, clip_.width(), clip_.height());
    cairo_clip(cr_);
    cairo_translate(cr_, origin_.x, origin_.y);
}

void Canvas::intersectClip(const Rect& r) {
    clip_ = clip_.intersect(toDevice(r));
    applyClip();
}

void Canvas::resetClip() {
    clip_ = viewport_;
    applyClip();
}

void Canvas::setFont(const Font& font) {
    if (font == font_) return;
    font_ = font;
    fontDirty_ = true;
}

void Canvas::setSource(uint32_t c) {
    cairo_set_source_rgb(cr_, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}

void Canvas::applyPen() {
    setSource(pen_.color);
    double w = std::max(1, pen_.width);
    cairo_set_line_width(cr_, w);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr_, pen_.width > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    static const double kDash[] = {6, 3};
    static const double kDot[] = {1, 2};
    static const double kDashDot[] = {6, 2, 1, 2};
    switch (pen_.style) {
        case PenStyle::Dash: cairo_set_dash(cr_, kDash, 2, 0); break;
        case PenStyle::Dot: cairo_set_dash(cr_, kDot, 2, 0); break;
        case PenStyle::DashDot: cairo_set_dash(cr_, kDashDot, 4, 0); break;
        default: cairo_set_dash(cr_, nullptr, 0, 0); break;
    }
    cairo_set_antialias(cr_, antialias_ ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void Canvas::strokeAndFill(bool closed) {
    if (closed && !brush_.null) {
        setSource(brush_.color);
        cairo_set_antialias(cr_, antialias_ ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
        cairo_fill_preserve(cr_);
    }
    if (pen_.style != PenStyle::Null) {
        applyPen();
        cairo_stroke(cr_);
    }
    cairo_new_path(cr_);
}

// Odd pen widths sit on pixel centres so that thin lines stay one pixel wide.
static double PixelCentre(int v, int width) { return v + ((std::max(1, width) % 2) ? 0.5 : 0.0); }

void Canvas::lineTo(int x, int y) {
    line(cursor_.x, cursor_.y, x, y);
    cursor_ = {x, y};
}

void Canvas::line(int x0, int y0, int x1, int y1) {
    Point pts[] = {{x0, y0}, {x1, y1}};
    polyline(pts);
}

void Canvas::polyline(std::span<const Point> points) {
    if (!cr_ || points.size() < 2) return;
    for (size_t i = 0; i < points.size(); ++i) {
        double x = PixelCentre(points[i].x, pen_.width), y = PixelCentre(points[i].y, pen_.width);
        i == 0 ? cairo_move_to(cr_, x, y) : cairo_line_to(cr_, x, y);
    }
    strokeAndFill(false);
}

void Canvas::polygon(std::span<const Point> points) {
    if (!cr_ || points.size() < 2) return;
    for (size_t i = 0; i < points.size(); ++i) {
        double x = PixelCentre(points[i].x, pen_.width), y = PixelCentre(points[i].y, pen_.width);
        i == 0 ? cairo_move_to(cr_, x, y) : cairo_line_to(cr_, x, y);
    }
    cairo_close_path(cr_);
    strokeAndFill(true);
}

void Canvas::fillRect(const Rect& r, uint32_t color) {
    if (!cr_ || r.empty()) return;
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    setSource(color);
    cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    cairo_fill(cr_);
}

void Canvas::frameRect(const Rect& r, uint32_t color, int width) {
    if (r.empty() || width <= 0) return;
    width = std::min({width, (r.width() + 1) / 2, (r.height() + 1) / 2});
    fillRect({r.left, r.top, r.right, r.top + width}, color);
    fillRect({r.left, r.bottom - width, r.right, r.bottom}, color);
    fillRect({r.left, r.top + width, r.left + width, r.bottom - width}, color);
    fillRect({r.right - width, r.top + width, r.right, r.bottom - width}, color);
}

void Canvas::rectangle(const Rect& r) {
    if (!cr_ || r.empty()) return;
    int w = pen_.style == PenStyle::Null ? 0 : std::max(1, pen_.width);
    if (!brush_.null) fillRect(r.inflate(-w, -w), brush_.color);
    if (w == 0) return;
    if (pen_.style == PenStyle::Solid) {
        frameRect(r, pen_.color, w);
        return;
    }
    bool aa = antialias_;
    antialias_ = false;
    cairo_rectangle(cr_, r.left + w / 2.0, r.top + w / 2.0, r.width() - w, r.height() - w);
    Brush saved = brush_;
    brush_ = Brush::hollow();
    strokeAndFill(true);
    brush_ = saved;
    antialias_ = aa;
}

void Canvas::roundRect(const Rect& r, int radius) {
    if (!cr_ || r.empty()) return;
    double w = pen_.style == PenStyle::Null ? 0 : std::max(1, pen_.width);
    double x0 = r.left + w / 2, y0 = r.top + w / 2, x1 = r.right - w / 2, y1 = r.bottom - w / 2;
    double rad = std::min<double>({static_cast<double>(radius), (x1 - x0) / 2, (y1 - y0) / 2});
    cairo_new_path(cr_);
    cairo_arc(cr_, x1 - rad, y0 + rad, rad, -M_PI / 2, 0);
    cairo_arc(cr_, x1 - rad, y1 - rad, rad, 0, M_PI / 2);
    cairo_arc(cr_, x0 + rad, y1 - rad, rad, M_PI / 2, M_PI);
    cairo_arc(cr_, x0 + rad, y0 + rad, rad, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr_);
    strokeAndFill(true);
}

void Canvas::ellipse(const Rect& r) {
    if (!cr_ || r.empty()) return;
    double w = pen_.style == PenStyle::Null ? 0 : std::max(1, pen_.width);
    double rx = (r.width() - w) / 2.0, ry = (r.height() - w) / 2.0;
    if (rx <= 0 || ry <= 0) return;
    // Text output leaves a current point; an arc would otherwise be joined to it.
    cairo_new_path(cr_);
    cairo_save(cr_);
    cairo_translate(cr_, r.left + r.width() / 2.0, r.top + r.height() / 2.0);
    cairo_scale(cr_, rx, ry);
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr_);
    strokeAndFill(true);
}

void Canvas::setPixel(int x, int y, uint32_t color) {
    int dx = x + origin_.x, dy = y + origin_.y;
    if (!clip_.contains({dx, dy})) return;
    cairo_surface_flush(surface_);
    target_.setPixel(dx, dy, ColorRefToPixel(color));
    cairo_surface_mark_dirty(surface_);
}

uint32_t Canvas::getPixel(int x, int y) const {
    int dx = x + origin_.x, dy = y + origin_.y;
    if (!clip_.contains({dx, dy})) return 0xFFFFFFFF;
    cairo_surface_flush(surface_);
    return PixelToColorRef(target_.pixel(dx, dy));
}

void Canvas::prepareFont() {
    if (!fontDirty_ || !cr_) return;
    cairo_set_font_face(cr_, CairoFontFace(font_));
    cairo_set_font_size(cr_, EmSize(cr_, font_));
    fontDirty_ = false;
}

double Canvas::textWidth(const std::string& text) {
    if (!cr_ || text.empty()) return 0;
    prepareFont();
    cairo_text_extents_t te;
    cairo_text_extents(cr_, text.c_str(), &te);
    return te.x_advance;
}

int Canvas::lineHeight() {
    if (!cr_) return 0;
    prepareFont();
    cairo_font_extents_t fe;
    cairo_font_extents(cr_, &fe);
    return static_cast<int>(std::ceil(fe.ascent + fe.descent));
}

int Canvas::ascent() {
    if (!cr_) return 0;
    prepareFont();
    cairo_font_extents_t fe;
    cairo_font_extents(cr_, &fe);
    return static_cast<int>(std::lround(fe.ascent));
}

Size Canvas::textExtent(const std::string& text) {
    return {static_cast<int>(std::ceil(textWidth(text))), lineHeight()};
}

// Draws one line with its top-left at (x, y); underlineIndex marks an access key.
void Canvas::showLine(double x, double y, const std::string& text, int underlineIndex) {
    if (text.empty()) return;
    prepareFont();
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    if (backMode_ == BackgroundMode::Opaque) {
        Size ext = textExtent(text);
        setSource(backColor_);
        cairo_rectangle(cr_, std::floor(x), std::floor(y), ext.width, ext.height);
        cairo_fill(cr_);
    }
    setSource(textColor_);
    double baseline = std::round(y) + ascent();
    cairo_move_to(cr_, std::round(x), baseline);
    cairo_show_text(cr_, text.c_str());
    auto underline = [&](double from, double width) {
        cairo_rectangle(cr_, std::round(from), baseline + 1, std::max(1.0, std::round(width)), std::max(1, lineHeight() / 14));
        cairo_fill(cr_);
    };
    if (font_.underline) underline(x, textWidth(text));
    if (underlineIndex >= 0 && underlineIndex < static_cast<int>(text.size())) {
        size_t pos = underlineIndex;
        NextCodePoint(text, pos);
        double from = x + textWidth(text.substr(0, underlineIndex));
        underline(from, textWidth(text.substr(underlineIndex, pos - underlineIndex)));
    }
}

void Canvas::textOut(int x, int y, const std::string& text) {
    if (!cr_) return;
    showLine(x, y, text, -1);
}

namespace {

struct TextLine {
    std::string text;
    int underline = -1;  // byte index of the access key in this line
};

}  // namespace

int Canvas::drawText(const std::string& input, Rect& rect, uint32_t flags) {
    if (!cr_) return 0;
    prepareFont();
    std::string text = flags & DT_EXPANDTABS ? ExpandTabs(input) : input;
    int underline = -1;
    if (!(flags & DT_NOPREFIX)) text = StripPrefix(text, &underline);
    if (flags & DT_HIDEPREFIX) underline = -1;
    const int width = rect.width();
    const bool measureOnly = flags & DT_CALCRECT;

    // Split into paragraphs, then wrap at blanks when asked to.
    std::vector<TextLine> lines;
    auto addLine = [&](size_t begin, size_t end) {
        TextLine line{text.substr(begin, end - begin)};
        if (underline >= static_cast<int>(begin) && underline < static_cast<int>(end)) line.underline = underline - begin;
        lines.push_back(std::move(line));
    };
    auto wrap = [&](size_t begin, size_t end) {
        if (!(flags & DT_WORDBREAK) || textWidth(text.substr(begin, end - begin)) <= width) {
            addLine(begin, end);
            return;
        }
        size_t start = begin;
        while (start < end) {
            size_t lastFit = std::string::npos;
            for (size_t i = start; i <= end; ++i) {
                if (i != end && text[i] != ' ') continue;
                if (textWidth(text.substr(start, i - start)) > width) break;
                lastFit = i;
                if (i == end) break;
            }
            if (lastFit == std::string::npos) {
                // A word longer than the line: breaks inside it only for edit controls.
                size_t i = text.find(' ', start);
                lastFit = i == std::string::npos || i > end ? end : i;
                if (flags & DT_EDITCONTROL) {
                    for (size_t cut : CutPoints(text.substr(start, lastFit - start)))
                        if (textWidth(text.substr(start, cut)) <= width) lastFit = start + cut;
                    if (lastFit == start) lastFit = start + CutPoints(text.substr(start)).front();
                }
            }
            addLine(start, lastFit);
            start = lastFit;
            while (start < end && text[start] == ' ') ++start;
        }
    };
    if (flags & DT_SINGLELINE) {
        for (auto& c : text)
            if (c == '\n' || c == '\r') c = ' ';
        addLine(0, text.size());
    } else {
        size_t begin = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != '\n') continue;
            size_t end = i;
            if (end > begin && text[end - 1] == '\r') --end;
            wrap(begin, end);
            begin = i + 1;
        }
    }

    // Ellipses shorten lines that do not fit.
    if (flags & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) {
        for (auto& line : lines) {
            if (textWidth(line.text) <= width) continue;
            std::string& s = line.text;
            line.underline = -1;
            if (flags & DT_PATH_ELLIPSIS) {
                size_t slash = s.find_last_of("\\/");
                std::string tail = slash == std::string::npos ? s : s.substr(slash);
                std::string head = slash == std::string::npos ? "" : s.substr(0, slash);
                auto cuts = CutPoints(head);
                std::string best = "..." + tail;
                for (size_t cut : cuts)
                    if (textWidth(head.substr(0, cut) + "..." + tail) <= width) best = head.substr(0, cut) + "..." + tail;
                s = best;
                if (textWidth(s) <= width) continue;
            }
            auto cuts = CutPoints(s);
            std::string best = "...";
            for (size_t cut : cuts) {
                if ((flags & DT_WORD_ELLIPSIS) && cut < s.size() && s[cut] != ' ') continue;
                std::string candidate = s.substr(0, cut) + "...";
                if (textWidth(candidate) <= width) best = candidate;
            }
            s = best;
        }
    }

    const int lh = lineHeight();
    const int height = lh * static_cast<int>(lines.size());
    if (measureOnly) {
        int maxWidth = 0;
        for (auto& line : lines) maxWidth = std::max(maxWidth, static_cast<int>(std::ceil(textWidth(line.text))));
        if (!(flags & DT_WORDBREAK) || lines.size() <= 1) rect.right = rect.left + maxWidth;
        rect.bottom = rect.top + height;
        return height;
    }

    int y = rect.top;
    if (flags & DT_VCENTER) y = rect.top + (rect.height() - height) / 2;
    else if (flags & DT_BOTTOM) y = rect.bottom - height;

    cairo_save(cr_);
    if (!(flags & DT_NOCLIP)) {
        cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
        cairo_clip(cr_);
    }
    for (auto& line : lines) {
        double w = textWidth(line.text);
        double x = rect.left;
        if (flags & DT_CENTER) x = rect.left + (width - w) / 2;
        else if (flags & DT_RIGHT) x = rect.right - w;
        showLine(x, y, line.text, line.underline);
        y += lh;
    }
    cairo_restore(cr_);
    return height;
}

void Canvas::copyFrom(const Bitmap& src, const Rect& srcRect, Point dst) {
    stretchFrom(src, srcRect, Rect::fromSize(dst.x, dst.y, srcRect.width(), srcRect.height()));
}

namespace {

// Nearest-neighbour transfer (the platform's default stretch mode) through the clip.
template <typename Keep>
void Transfer(Bitmap& dstBmp, const Rect& clip, const Bitmap& src, Rect s, Rect d, Keep keep) {
    if (s.empty() || d.empty()) return;
    Rect visible = d.intersect(clip);
    for (int y = visible.top; y < visible.bottom; ++y) {
        int sy = s.top + static_cast<int>((static_cast<int64_t>(y - d.top) * s.height()) / d.height());
        if (sy < 0 || sy >= src.height()) continue;
        const uint32_t* srow = src.row(sy);
        uint32_t* drow = dstBmp.row(y);
        for (int x = visible.left; x < visible.right; ++x) {
            int sx = s.left + static_cast<int>((static_cast<int64_t>(x - d.left) * s.width()) / d.width());
            if (sx < 0 || sx >= src.width()) continue;
            uint32_t p = srow[sx];
            if (keep(p)) drow[x] = p | 0xFF000000u;
        }
    }
}

}  // namespace

void Canvas::stretchFrom(const Bitmap& src, const Rect& srcRect, const Rect& dstRect) {
    if (!cr_) return;
    if (&src == &target_) {  // scrolling within one bitmap: read from a copy
        Bitmap copy = src;
        stretchFrom(copy, srcRect, dstRect);
        return;
    }
    cairo_surface_flush(surface_);
    Transfer(target_, clip_, src, srcRect, toDevice(dstRect), [](uint32_t) { return true; });
    cairo_surface_mark_dirty(surface_);
}

void Canvas::transparentFrom(const Bitmap& src, const Rect& srcRect, const Rect& dstRect, uint32_t colorKey) {
    if (!cr_) return;
    if (&src == &target_) {
        Bitmap copy = src;
        transparentFrom(copy, srcRect, dstRect, colorKey);
        return;
    }
    const uint32_t key = ColorRefToPixel(colorKey) & 0xFFFFFF;
    cairo_surface_flush(surface_);
    Transfer(target_, clip_, src, srcRect, toDevice(dstRect), [key](uint32_t p) { return (p & 0xFFFFFF) != key; });
    cairo_surface_mark_dirty(surface_);
}

}  // namespace trek::platform
