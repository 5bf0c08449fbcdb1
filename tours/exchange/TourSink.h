#pragma once
// The import sink that writes into a tour file through the TourRecorder.
#include <vector>

#include "tours/Tour.h"
#include "tours/TourRecorder.h"
#include "tours/exchange/ImportSink.h"

namespace trek {

class TourSink : public ImportSink {
public:
    TourSink(TourRecorder& recorder, Tour& tour) : recorder_(recorder), tour_(tour) {}

    void trackPoint(const ImportPoint& point, bool segmentStart) override;
    void poi(const ImportPoint& point, const ImportPoi& poi) override;
    // The texts go into the file at once; only the point, the symbol and the
    // text offsets wait, so memory grows by a few words per placemark.
    void deferPoi(const ImportPoint& point, const ImportPoi& poi) override;
    void flushDeferred() override;
    // Kept until the import ends: the header then points at it (see description()).
    void tourDescription(std::string_view text) override;
    const std::string& description() const { return description_; }

private:
    struct Deferred {
        ImportPoint point;
        std::string symbol;  // 8-bit
        uint32_t nameOffset = 0;
        uint32_t descOffset = 0;
        bool waypoint = true;
    };
    static TourPoint ToRecord(const ImportPoint& p);

    TourRecorder& recorder_;
    Tour& tour_;
    std::vector<Deferred> deferred_;
    std::string description_;
};

}  // namespace trek
