#include "ui/views/TourPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tours/PoiSymbols.h"
#include "tours/TourTime.h"
#include "ui/views/MapOverlays.h"
#include "ui/views/PoiSymbols.h"

namespace trek {

namespace {

// Screen coordinates far outside the view are cut to a range the rasteriser keeps exact.
platform::Point ToPixel(double x, double y) {
    constexpr double kLimit = 4000000.0;
    return {static_cast<int>(std::lround(std::clamp(x, -kLimit, kLimit))),
            static_cast<int>(std::lround(std::clamp(y, -kLimit, kLimit)))};
}

}  // namespace

TourPainter::TourPainter(platform::Canvas& canvas, const ViewProjection& projection, const TourDrawOptions& options,
                         const PoiSymbolLibrary* symbols)
    : canvas_(canvas), projection_(projection), options_(options), symbols_(symbols) {
    s_ = std::max(1, options.displayScale);
    lineWidth_ = LineWidth(projection.scale(), s_);
    // Blocks count as visible when they reach into the view or the margin of
    // symbols and arrows around it.
    viewBox_ = projection.extent(kArrowLength + PoiSymbolLibrary::kDrawnSize * s_);
    viewRect_ = {0, 0, projection.width(), projection.height()};
    arrowInterval_ = std::max(projection.width(), projection.height());
    origin_ = canvas.origin();
    deviceClip_ = canvas.clipRect().offset(origin_.x, origin_.y);
    const double r = lineWidth_ / 2.0;
    const int ri = lineWidth_ / 2;
    for (int dy = -ri; dy <= ri; ++dy) discHalf_.push_back(static_cast<int>(std::floor(std::sqrt(std::max(0.0, r * r - dy * dy)))));
}

int TourPainter::LineWidth(int32_t scale, int displayScale) {
    int w = 3;
    if (scale > 0 && scale <= 5000) w = std::min(15000 / scale, 6);
    return std::max(1, displayScale) * w;
}

int TourPainter::BlockDecision(bool previousVisible, bool visible) {
    if (!previousVisible && visible) return kBackToSkipped;
    if (previousVisible && !visible) return kEnterBlock;
    return visible ? kEnterBlock : kSkipBlock;
}

std::string TourPainter::TimeMarkLabel(uint32_t time, bool withTime, bool withDate) {
    const CalendarTime t = CalendarFromTourTime(time);
    char text[64];
    if (withTime && withDate)
        std::snprintf(text, sizeof text, "%d:%2.2d %d/%d/%d", t.hour, t.minute, t.day, t.month, t.year);
    else if (withTime)
        std::snprintf(text, sizeof text, "%d:%2.2d", t.hour, t.minute);
    else if (withDate)
        std::snprintf(text, sizeof text, "%d/%d/%d", t.day, t.month, t.year);
    else
        return {};
    return text;
}

std::string TourPainter::TimeStampLabel(uint32_t time, bool withTime, bool withDate) {
    const CalendarTime t = CalendarFromTourTime(time);
    char text[64];
    if (withTime && withDate)
        std::snprintf(text, sizeof text, "%d:%2.2d:%2.2d %d/%d/%d", t.hour, t.minute, t.second, t.day, t.month, t.year);
    else if (withDate)
        std::snprintf(text, sizeof text, "%d/%d/%d", t.day, t.month, t.year);
    else if (withTime)
        std::snprintf(text, sizeof text, "%d:%2.2d:%2.2d", t.hour, t.minute, t.second);
    else
        return {};
    return text;
}

bool TourPainter::paint(Tour& tour, const TourMarks& marks) {
    marks_ = marks;
    pen_ = {tour.colour().colorRef(), lineWidth_};
    pixel_ = platform::ColorRefToPixel(pen_.color);
    first_ = true;
    newLine_ = true;
    previousBlockVisible_ = false;
    arrowDistance_ = 0;
    arrowBase_.reset();
    pois_.clear();
    stats_ = {};
    const bool ok = walk(&tour);
    drawPois();
    return ok;
}

int TourPainter::onBlock(const TourBounds& box, uint32_t) {
    const bool visible = !(box.east < viewBox_.west || box.west > viewBox_.east || box.north < viewBox_.south ||
                           box.south > viewBox_.north);
    const int result = BlockDecision(previousBlockVisible_, visible);
    previousBlockVisible_ = visible;
    if (result == kSkipBlock) {
        newLine_ = true;
        ++stats_.blocksSkipped;
    } else {
        ++stats_.blocksRead;
    }
    return result;
}

bool TourPainter::nearView(platform::Point p, int margin) const {
    return p.x >= -margin && p.y >= -margin && p.x < viewRect_.right + margin && p.y < viewRect_.bottom + margin;
}

void TourPainter::rasterSpan(int x0, int x1, int y) {
    if (y < deviceClip_.top || y >= deviceClip_.bottom) return;
    x0 = std::max(x0, deviceClip_.left);
    x1 = std::min(x1, deviceClip_.right - 1);
    if (x0 > x1) return;
    uint32_t* row = canvas_.target().row(y);
    std::fill(row + x0, row + x1 + 1, pixel_);
}

void TourPainter::rasterDisc(int cx, int cy) {
    const int ri = static_cast<int>(discHalf_.size() / 2);
    for (int i = 0; i < static_cast<int>(discHalf_.size()); ++i) rasterSpan(cx - discHalf_[i], cx + discHalf_[i], cy + i - ri);
}

void TourPainter::rasterSegment(platform::Point a, platform::Point b) {
    // In bitmap pixels, cut to the clip widened by the line width (Liang-Barsky).
    double x0 = a.x + origin_.x, y0 = a.y + origin_.y, x1 = b.x + origin_.x, y1 = b.y + origin_.y;
    const double m = lineWidth_;
    const double lo[2] = {deviceClip_.left - m, deviceClip_.top - m}, hi[2] = {deviceClip_.right + m, deviceClip_.bottom + m};
    double t0 = 0, t1 = 1;
    const double d[2] = {x1 - x0, y1 - y0}, p0[2] = {x0, y0};
    for (int k = 0; k < 2; ++k) {
        if (d[k] == 0) {
            if (p0[k] < lo[k] || p0[k] > hi[k]) return;
            continue;
        }
        double ta = (lo[k] - p0[k]) / d[k], tb = (hi[k] - p0[k]) / d[k];
        if (ta > tb) std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1) return;
    }
    const int ax = static_cast<int>(std::lround(x0 + d[0] * t0)), ay = static_cast<int>(std::lround(y0 + d[1] * t0));
    const int bx = static_cast<int>(std::lround(x0 + d[0] * t1)), by = static_cast<int>(std::lround(y0 + d[1] * t1));
    // Bresenham with a cross-section of the line width at every step, round ends.
    const int dx = std::abs(bx - ax), dy = -std::abs(by - ay), sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    const bool xMajor = dx >= -dy;
    const int half = lineWidth_ / 2;
    int x = ax, y = ay, err = dx + dy;
    for (;;) {
        if (xMajor) {
            for (int k = -half; k < lineWidth_ - half; ++k) rasterSpan(x, x, y + k);
        } else {
            rasterSpan(x - half, x - half + lineWidth_ - 1, y);
        }
        if (x == bx && y == by) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    rasterDisc(bx, by);
}

void TourPainter::lineTo(platform::Point to) {
    // Pieces wholly outside the view are left out at once.
    const int m = lineWidth_ + 1;
    const bool outside = (prev_.x < -m && to.x < -m) || (prev_.y < -m && to.y < -m) ||
                         (prev_.x >= viewRect_.right + m && to.x >= viewRect_.right + m) ||
                         (prev_.y >= viewRect_.bottom + m && to.y >= viewRect_.bottom + m);
    if (outside || to == prev_) return;
    ++stats_.segments;
    rasterSegment(prev_, to);
}

void TourPainter::onPoint(const TourPoint& point) {
    ++stats_.points;
    double x, y;
    projection_.toScreenFast(point.lon, point.lat, x, y);
    const platform::Point p = ToPixel(x, y);
    const bool relocated = point.isRelocatedCopy();
    if (point.isWaypoint() && !relocated) {
        // Waypoints stand apart from the line, marked with the second pen.
        if (nearView(p, 8 * s_)) {
            canvas_.setPen({kWaypointColour, 2 * s_});
            canvas_.setBrush(platform::Brush::hollow());
            const int r = 4 * s_;
            DrawEllipse(canvas_, {p.x - r, p.y - r, p.x + r + 1, p.y + r + 1});
        }
        cur_ = p;
        return;
    }
    cur_ = p;
    const bool starts = first_ || newLine_ || (point.isSegmentStart() && !relocated);
    first_ = false;
    newLine_ = false;
    if (starts) {
        if (nearView(p, lineWidth_)) rasterDisc(p.x + origin_.x, p.y + origin_.y);
        prev_ = p;
    } else {
        lineTo(p);
        if (options_.arrows) {
            arrowDistance_ += std::abs(int64_t(p.x) - prev_.x) + std::abs(int64_t(p.y) - prev_.y);
            if (!arrowBase_ && arrowDistance_ >= arrowInterval_ - arrowInterval_ / 10) arrowBase_ = p;
            if (arrowDistance_ >= arrowInterval_) {
                if (arrowBase_ && *arrowBase_ != p) drawArrow(*arrowBase_, p);
                arrowDistance_ = 0;
                arrowBase_.reset();
            }
        }
        prev_ = p;
    }
    if (options_.dots && nearView(p, 16 * s_)) {
        const bool chosen = marks_.chosen && marks_.chosen->first == point.easting && marks_.chosen->second == point.northing;
        if (chosen) {
            drawChosenMarker(p);
        } else {
            canvas_.setPen({pen_.color, 1});
            canvas_.setBrush(platform::Brush::hollow());
            DrawEllipse(canvas_, {p.x - 3, p.y - 3, p.x + 4, p.y + 4});
        }
    }
    if (marks_.cursor && marks_.cursor->lon == point.lon && marks_.cursor->lat == point.lat) {
        canvas_.setPen({0x000000, 3 * s_});
        canvas_.setBrush(platform::Brush::hollow());
        canvas_.rectangle({p.x - 6, p.y - 6, p.x + 6, p.y + 6});
    }
}

void TourPainter::drawArrow(platform::Point from, platform::Point to) {
    if (!nearView(to, kArrowLength)) return;
    ++stats_.arrows;
    const double angle = std::atan2(double(to.y) - from.y, double(to.x) - from.x);
    canvas_.setPen(pen_);
    for (double side : {kArrowAngle, -kArrowAngle}) {
        const int x = to.x + static_cast<int>(std::lround(kArrowLength * std::cos(angle + side)));
        const int y = to.y + static_cast<int>(std::lround(kArrowLength * std::sin(angle + side)));
        canvas_.line(to.x, to.y, x, y);
    }
}

void TourPainter::drawChosenMarker(platform::Point at) {
    // A bull's eye: the same kind of marker the point menu shows.
    const int r = 7 * s_;
    canvas_.setPen({0x000000, s_});
    canvas_.setBrush({0x00FFFF});
    DrawEllipse(canvas_, {at.x - r, at.y - r, at.x + r + 1, at.y + r + 1});
    canvas_.setBrush({0x0000FF});
    const int r2 = 3 * s_;
    DrawEllipse(canvas_, {at.x - r2, at.y - r2, at.x + r2 + 1, at.y + r2 + 1});
}

void TourPainter::onTimeMark(uint32_t time) {
    if (!options_.timeMarks || first_ || !nearView(cur_, 64 * s_)) return;
    ++stats_.timeMarks;
    const platform::Point p = cur_;
    canvas_.setPen({kMarkColour, 3 * s_});
    canvas_.line(p.x, p.y - 6, p.x, p.y + 6);
    canvas_.line(p.x - 6, p.y - 6, p.x + 6, p.y - 6);
    const std::string label = TimeMarkLabel(time, options_.timeMarkTime, options_.timeMarkDate);
    if (label.empty()) return;
    platform::Font font;
    font.height = -11 * s_;
    canvas_.setFont(font);
    canvas_.setTextColor(kMarkColour);
    canvas_.setBackgroundMode(platform::BackgroundMode::Transparent);
    const int w = canvas_.textExtent(label).width;
    canvas_.textOut(p.x - w / 2, p.y + 9, label);
}

void TourPainter::onAttachedRecord(const AttachedRecord& record) {
    if (!options_.pois || record.removed() || pois_.size() >= kMaxPois) return;
    if (!nearView(cur_, PoiSymbolLibrary::kDrawnSize * 2 * s_)) return;
    PendingPoi poi{cur_, {}, {}};
    if (record.isNamedPoi()) {
        auto named = NamedPoiRecord::From(record);
        if (!named) return;
        poi.symbol = named->symbol;
        if (options_.poiNames && named->nameOffset != 0 && tour()) {
            if (auto text = tour()->readText(pointOffset() + named->nameOffset)) poi.label = *text;
        }
    } else if (record.isTimeStamp()) {
        if (!options_.timeMarks) return;
        auto stamp = TimeStampRecord::From(record);
        poi.symbol = tourfile::kTimeStampName;
        if (stamp) poi.label = TimeStampLabel(stamp->time, options_.timeMarkTime, options_.timeMarkDate);
    } else {
        poi.symbol = std::string(NameForCode(record.code()));
    }
    ++stats_.pois;
    pois_.push_back(std::move(poi));
}

void TourPainter::drawPois() {
    if (pois_.empty()) return;
    platform::Font font;
    font.height = -11 * s_;
    font.weight = 700;
    for (const PendingPoi& poi : pois_) {
        if (options_.poiSymbols && symbols_) {
            symbols_->draw(canvas_, poi.symbol, poi.at, {1, -1}, s_);
        } else {
            canvas_.setPen({kMarkColour, 2});
            canvas_.setBrush({0x00FFFF});
            DrawEllipse(canvas_, {poi.at.x - 5, poi.at.y - 5, poi.at.x + 6, poi.at.y + 6});
        }
        if (!poi.label.empty()) {
            canvas_.setFont(font);
            canvas_.setTextColor(kMarkColour);
            canvas_.setBackgroundMode(platform::BackgroundMode::Opaque);
            canvas_.setBackgroundColor(0xFFFFFF);
            canvas_.textOut(poi.at.x + 6 * s_, poi.at.y + 4 * s_, poi.label);
        }
    }
}

}  // namespace trek
