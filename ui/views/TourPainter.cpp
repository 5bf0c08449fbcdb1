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
    batch_.reserve(kBatchPoints);
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
    first_ = true;
    newLine_ = true;
    previousBlockVisible_ = false;
    arrowDistance_ = 0;
    arrowBase_.reset();
    pois_.clear();
    stats_ = {};
    const bool ok = walk(&tour);
    flush();
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

void TourPainter::flush() {
    if (batch_.size() >= 2) {
        canvas_.setPen(pen_);
        canvas_.polyline(batch_);
    }
    batch_.clear();
}

void TourPainter::lineTo(platform::Point to) {
    // Pieces wholly outside the view end the batch instead of being stroked.
    const int m = lineWidth_ + 1;
    const bool outside = (prev_.x < -m && to.x < -m) || (prev_.y < -m && to.y < -m) ||
                         (prev_.x >= viewRect_.right + m && to.x >= viewRect_.right + m) ||
                         (prev_.y >= viewRect_.bottom + m && to.y >= viewRect_.bottom + m);
    if (outside) {
        flush();
        return;
    }
    ++stats_.segments;
    if (batch_.empty()) batch_.push_back(prev_);
    if (batch_.back() == to) return;
    batch_.push_back(to);
    if (batch_.size() >= kBatchPoints) {
        flush();
        batch_.push_back(to);
    }
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
            flush();
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
        flush();
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
        flush();
        if (chosen) {
            drawChosenMarker(p);
        } else {
            canvas_.setPen({pen_.color, 1});
            canvas_.setBrush(platform::Brush::hollow());
            DrawEllipse(canvas_, {p.x - 3, p.y - 3, p.x + 4, p.y + 4});
        }
    }
    if (marks_.cursor && marks_.cursor->lon == point.lon && marks_.cursor->lat == point.lat) {
        flush();
        canvas_.setPen({0x000000, 3 * s_});
        canvas_.setBrush(platform::Brush::hollow());
        canvas_.rectangle({p.x - 6, p.y - 6, p.x + 6, p.y + 6});
    }
}

void TourPainter::drawArrow(platform::Point from, platform::Point to) {
    if (!nearView(to, kArrowLength)) return;
    flush();
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
    flush();
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
