#pragma once
// Drawing a tour on the map: a walk over the tour file whose handlers turn
// every point into screen coordinates and draw the track line, direction
// arrows, node dots, the chosen and the cursor point, the time marks, and the
// POIs with their symbols. Blocks that lie outside the view are skipped.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/Canvas.h"
#include "tours/TourWalker.h"
#include "ui/views/ViewGeometry.h"

namespace trek {

class PoiSymbolLibrary;

struct TourDrawOptions {
    int displayScale = 1;
    bool arrows = false;         // cfg_tour_dir
    bool dots = false;           // cfg_tour_dots
    bool timeMarks = false;      // cfg_tour_ts
    bool timeMarkTime = false;   // cfg_tour_tstime
    bool timeMarkDate = false;   // cfg_tour_tsdate
    bool pois = true;            // cfg_tour_poi
    bool poiSymbols = true;      // cfg_tour_poisym
    bool poiNames = false;       // cfg_tour_poiname
};

// Points of a tour marked by the point menu and the editor.
struct TourMarks {
    std::optional<std::pair<int32_t, int32_t>> chosen;  // UTM easting, northing
    std::optional<GeoPoint> cursor;
};

// What one pass drew (for the view's callers and the tests).
struct TourPaintStats {
    uint32_t points = 0;
    uint32_t segments = 0;
    uint32_t blocksRead = 0;
    uint32_t blocksSkipped = 0;
    uint32_t arrows = 0;
    uint32_t timeMarks = 0;
    uint32_t pois = 0;
};

class TourPainter : public TourWalker {
public:
    static constexpr uint32_t kWaypointColour = 0x008000;  // the second pen
    static constexpr uint32_t kMarkColour = 0x000007;
    static constexpr int kArrowLength = 20;
    static constexpr double kArrowAngle = 2.6179933333333336;  // 150 degrees
    static constexpr size_t kMaxPois = 2000;

    TourPainter(platform::Canvas& canvas, const ViewProjection& projection, const TourDrawOptions& options,
                const PoiSymbolLibrary* symbols);

    // Draws the tour in its colour; false when the file cannot be walked.
    bool paint(Tour& tour, const TourMarks& marks = {});
    const TourPaintStats& stats() const { return stats_; }

    // Track line width in pixels for a view scale.
    static int LineWidth(int32_t scale, int displayScale);
    // The block rule: 0 skip, 1 read, 2 go back to the skipped block first.
    static int BlockDecision(bool previousVisible, bool visible);
    // The time-mark label of a tour time ("%d:%2.2d %d/%d/%d", ...), empty without time and date.
    static std::string TimeMarkLabel(uint32_t time, bool withTime, bool withDate);
    // The label of a timestamp POI ("%d:%2.2d:%2.2d %d/%d/%d", ...).
    static std::string TimeStampLabel(uint32_t time, bool withTime, bool withDate);

    void onPoint(const TourPoint& point) override;
    void onTimeMark(uint32_t time) override;
    void onAttachedRecord(const AttachedRecord& record) override;
    int onBlock(const TourBounds& box, uint32_t length) override;

private:
    struct PendingPoi {
        platform::Point at;
        std::string symbol;
        std::string label;
    };
    void lineTo(platform::Point to);
    // The track line goes straight into the bitmap: thousands of short pieces
    // a redraw are too many for the path stroker.
    void rasterSegment(platform::Point a, platform::Point b);
    void rasterDisc(int cx, int cy);
    void rasterSpan(int x0, int x1, int y);
    void drawArrow(platform::Point from, platform::Point to);
    void drawChosenMarker(platform::Point at);
    void drawPois();
    bool nearView(platform::Point p, int margin) const;

    platform::Canvas& canvas_;
    const ViewProjection& projection_;
    TourDrawOptions options_;
    const PoiSymbolLibrary* symbols_;
    TourMarks marks_;
    GeoBox viewBox_;
    platform::Rect viewRect_;
    platform::Pen pen_;
    int lineWidth_ = 3;
    int s_ = 1;

    bool first_ = true;
    bool newLine_ = true;
    bool previousBlockVisible_ = false;
    platform::Point prev_{};
    platform::Point cur_{};
    platform::Rect deviceClip_;
    platform::Point origin_;
    uint32_t pixel_ = 0;
    std::vector<int> discHalf_;  // half width of each row of the line's round brush
    int64_t arrowDistance_ = 0;
    int64_t arrowInterval_ = 0;
    std::optional<platform::Point> arrowBase_;
    std::vector<PendingPoi> pois_;
    TourPaintStats stats_;
};

}  // namespace trek
