#pragma once
// The sequential reader of tour files. A consumer derives from TourWalker and
// overrides the handlers for the records it cares about; the base point handler
// accumulates the statistics every consumer gets for free.
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "tours/Tour.h"

namespace trek {

// Statistics of one walk, reset at its start. Ascent, descent and altitudes are
// in the file's altitude unit (cm from version 7, m before); speeds likewise.
struct WalkStatistics {
    uint32_t points = 0;  // every point handed to the point handler
    double distance = 0;  // metres
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t referenceAltitude = 0;
    int32_t minAltitude = 2147483647;
    int32_t maxAltitude = -100000;
    uint32_t minSpeed = 2147483647;
    uint32_t maxSpeed = 0;
    TourPoint previous;
    bool havePrevious = false;
    double lastStep = 0;  // metres
};

// A data record (-7 or -8) as handed to its handler.
struct DataRecord {
    uint32_t offset = 0;   // of the tag word
    uint32_t backRef = 0;  // 0 in the header; else distance from the owning point
    const uint8_t* data = nullptr;
    size_t size = 0;       // bytes actually available (the stored n, cut at the file end)
};

class TourWalker {
public:
    enum BlockResult : int { kSkipBlock = 0, kEnterBlock = 1, kBackToSkipped = 2 };
    static constexpr size_t kChunkBytes = 40960;

    virtual ~TourWalker() = default;

    // Walks the whole file, or up to and including the record whose point count
    // (with stopOnFirstWord: whose first word) equals stopValue. Holds the tour's
    // lock throughout. False without a tour ("tourmap==NULL"), when the file
    // cannot be opened or does not start with -3. A truncated last record ends
    // the walk normally: everything before it has been handed out.
    bool walk(Tour* tour, std::optional<uint32_t> stopValue = std::nullopt, bool stopOnFirstWord = false);

    // Handlers, in the order of the record table. Defaults do nothing unless said.
    virtual void onPoint(const TourPoint& point);  // base: statistics
    virtual void onTimeMark(uint32_t time);
    virtual void onRunStart(uint32_t time);
    virtual void onRunEnd(uint32_t distance, uint32_t duration, uint32_t time);
    virtual void onVersion(uint32_t version);  // base: stores it here and in the tour
    virtual void onFixInfo(uint32_t value);
    virtual void onAttachedRecord(const AttachedRecord& record);
    virtual void onExtraWord(uint32_t word);
    virtual void onPrimaryData(const DataRecord& record);
    virtual void onSecondaryData(const DataRecord& record);
    // 0 skip the block, 1 enter it, 2 go back to the last skipped block.
    virtual int onBlock(const TourBounds& box, uint32_t length);

    // During a walk: byte offset of the current record and of the last point
    // record (for a relocated point, the offset of the original record, where
    // deletion and POI edits apply).
    uint32_t recordOffset() const { return recordOffset_; }
    uint32_t pointOffset() const { return pointOffset_; }
    // The offset of the point record an attached record belongs to.
    uint32_t ownerOffset() const { return pointOffset_; }
    // Word 0 of the current point as stored in sequence (for a relocated point
    // the original's flags, while the point handler gets the copy).
    uint32_t pointHead() const { return lastHead_; }
    // The version the records are decoded with (5 until a version record).
    uint32_t version() const { return version_; }
    // Point records handed to the point handler so far.
    uint32_t pointCount() const { return handedPoints_; }
    const WalkStatistics& statistics() const { return stats_; }
    Tour* tour() const { return tour_; }
    // Bytes read from the file during the last walk.
    uint64_t bytesRead() const { return bytesRead_; }
    // Offset just past the last complete record the walk handled: the file
    // size for an intact file, less when the file ends inside a record.
    uint32_t completeEnd() const { return completeEnd_; }
    // Ends the walk after the current record.
    void stop() { continue_ = false; }

    // The program-wide switch that allows walks (cleared while shutting down).
    static void SetWalksAllowed(bool allowed);
    static bool WalksAllowed();

protected:
    WalkStatistics stats_;

private:
    class Reader;
    bool dispatch(Reader& in);
    bool handlePoint(Reader& in, uint32_t word0);
    bool handleData(Reader& in, int32_t tag);
    bool readAttached(Reader& in, AttachedRecord& record);
    bool skipAttached(Reader& in);

    Tour* tour_ = nullptr;
    uint32_t version_ = 5;
    uint32_t recordOffset_ = 0;
    uint32_t pointOffset_ = 0;
    uint64_t bytesRead_ = 0;
    uint32_t handedPoints_ = 0;
    uint32_t completeEnd_ = 0;
    uint32_t lastHead_ = 0;
    bool continue_ = true;
    std::vector<uint8_t> dataBuffer_;
    static std::atomic<bool> walksAllowed_;
};

}  // namespace trek
