#pragma once
// The appending writer of tour files: points (live from the GPS fix or
// ready-made by importers), blocks and the bounding box, time marks, fix info,
// attached records and POI texts; and the in-place edits of an existing file.
//
// Points go through a 4096-byte buffer. A write that fails keeps the buffered
// points and is tried again at the next append (the user is told once), so a
// full or briefly unavailable card costs no points. Live recording writes and
// flushes every forced point to storage; imports write when the buffer is full
// and flush every 25 points.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gps/GpsFix.h"
#include "tours/Tour.h"

namespace trek {

// The recording state kept in the registry across restarts ("CurTour",
// "TourPoint", "Duration", "Distance").
struct TourStats {
    uint32_t active = 0;     // 1 while a tour is recorded
    uint32_t startTime = 0;  // tour time at which the recording started ("Duration")
    uint32_t distance = 0;   // metres
    uint32_t points = 0;     // points written
    std::string path;        // the tour file

    // Through Settings::saveRecordedTour / loadRecordedTour. A record with a
    // path loads as active.
    void save() const;
    static TourStats Load();
};

class TourRecorder {
public:
    static constexpr size_t kBufferBytes = 4096;
    static constexpr uint32_t kTimeMarkInterval = 600;  // seconds
    static constexpr uint32_t kSyncEvery = 25;           // points

    struct Options {
        // The GPS fix of a live recording (the process-wide fix), or nullptr for
        // imports. Live points take fix dimension and satellites from it.
        const GpsFix* fix = nullptr;
        // Time marks every 600 s on live track points (imports turn them off).
        bool timeMarks = true;
        // Colour index for a new file (0..6); other values keep the tour's colour.
        int colour = -1;
        int kind = Tour::kTour;
        // Save TourStats to the settings every 25 points and when the run closes.
        bool saveStats = false;
        // Push the file to storage every 25 points. A recording wants this; an
        // import into a temporary file syncs once before renaming it instead.
        bool periodicSync = true;
    };

    TourRecorder(Tour& tour, Options options);
    // Writes out what is buffered (retrying once) and releases the file handle.
    ~TourRecorder();
    TourRecorder(const TourRecorder&) = delete;
    TourRecorder& operator=(const TourRecorder&) = delete;

    // Opens or creates the file. Empty: run start, full header, version record.
    // Not empty (a tour being continued): reads the header back, appends a run
    // start and a version record, and finds the last block so that the next
    // point continues it. On failure the display name becomes "&error" and
    // "Error while writing file %s!" is shown ("Tour file").
    bool start();
    bool isOpen() const;

    // A live point: position, altitude (cm) and speed (0.1 km/h) from the caller,
    // fix dimension and satellites from the fix, time = now. A point at 0/0 is
    // dropped unless it carries a POI. `extraBits`: kWaypointBit, kSegmentStartBit.
    bool appendPoint(int32_t lon, int32_t lat, int32_t alt, uint16_t speed, bool attach, uint32_t extraBits,
                     bool force);
    // A ready-made point (imports): position, altitude, speed, satellites and time
    // from the record; fix dimension 3; UTM computed.
    bool appendRecord(const TourPoint& point, bool attach, uint32_t extraBits, bool force);
    // The attached record of the point just appended (append it with force): a
    // timestamp mark for " TimeStamp", else a named POI with the symbol name cut
    // to 31 characters. Offsets are relative to the owning point record.
    bool appendAttached(const std::string& symbol, uint32_t nameOffset = 0, uint32_t descOffset = 0,
                        uint32_t link = 0);
    // A live POI at the fix's position (speed = fix speed x 36 / 100), forced,
    // with its named record. Returns the point's offset.
    std::optional<uint32_t> addLivePoi(const std::string& symbol);
    // Appends a -7 or -8 text record; returns its absolute offset.
    std::optional<uint32_t> appendText(int32_t tag, const std::string& utf8, uint32_t backRef = 0);
    // Appends a time mark (-2, now).
    bool appendTimeMark();
    // For converters: a complete point record as given (word 0 and UTM words
    // included), opening blocks as for any point; and records copied word by word.
    bool appendRawPoint(const TourPoint& point);
    bool appendWords(const uint32_t* words, size_t count);

    // Writes out the buffer. False when the write failed (the points stay buffered).
    bool flush();
    // Closes the run: writes out the buffer; for a live run that is not paused
    // one last point from the fix (forced); then the run end (-1, distance,
    // duration, now). TourStats become inactive with distance 0 and are saved.
    bool closeRun(bool paused);

    // Offset of the last point record appended, and the logical end of the file
    // (buffered bytes included).
    uint32_t lastPointOffset() const { return lastPointOffset_; }
    uint32_t endOffset() const { return fileEnd_ + bufferFill_; }
    // Points appended in this run.
    uint32_t runPoints() const { return runCounter_; }
    // True while buffered points wait for a write that failed.
    bool writePending() const { return writeFailed_; }
    TourStats& stats() { return stats_; }
    const TourStats& stats() const { return stats_; }
    Tour& tour() { return tour_; }
    // Distance of the run in metres, kept by the caller (the recording filter).
    void setRunDistance(uint32_t metres) { stats_.distance = metres; }

    // The last time mark of the program (one value for all recorders).
    static uint32_t LastTimeMark();
    static void ResetLastTimeMark();

    // ---- In-place edits of a tour file (each under the tour's lock; buffered
    // points of a recorder on the same tour are written out first).

    // Marks the point at `offset` deleted (its words stay; readers skip it).
    static bool DeletePoint(Tour& tour, uint32_t offset);
    // Relocates the track point at `offset` to a copy at the end of the file and
    // attaches a named POI with `symbol` to the copy.
    static bool AttachPoiToPoint(Tour& tour, uint32_t offset, const std::string& symbol);
    // Sets or replaces the name and description texts of the POI whose point
    // record is at `offset` (nullopt: no text). The old texts are orphaned.
    static bool SetPoiTexts(Tour& tour, uint32_t offset, const std::optional<std::string>& name,
                            const std::optional<std::string>& description);
    // Moves the file to folder + newName + ".TUR" and updates path and display
    // name. On failure "Error while renaming %s!" ("Error") and nothing changes.
    // The caller updates the tour list.
    static bool Rename(Tour& tour, const std::string& newName);
    // Rewrites a file of an older version as version 9 (the old file is kept as
    // path + "_old"). Returns the number of points converted.
    static std::optional<uint32_t> Convert(const std::string& path);
    // Creates dataFolder/POIs/<name>.TUR holding one POI (a timestamp mark when
    // the symbol is " TimeStamp"). Returns its path; on failure "Error creating
    // POI %s!" ("Error").
    static std::optional<std::string> CreateSinglePoi(const std::string& dataFolder, const std::string& name,
                                                      const std::string& symbol, const std::string& description,
                                                      const TourPoint& position);

private:
    bool appendBuilt(TourPoint point, bool attach, uint32_t extraBits, bool force, bool live);
    void enterCell(int32_t lon, int32_t lat);
    void put(const uint32_t* words, size_t count);
    void putBytes(const void* data, size_t size);
    bool writeBuffer();
    void patchWord(uint32_t offset, uint32_t value);
    void syncEnd();
    bool continueFile();
    bool createFile();
    void failStart();

    Tour& tour_;
    Options options_;
    TourFile* file_ = nullptr;
    // Usually at most kBufferBytes; grows only while writes fail, so that no
    // point is dropped.
    std::vector<uint8_t> buffer_;
    size_t bufferFill_ = 0;
    // Block length to write once the new block record is in the file.
    std::optional<std::pair<uint32_t, uint32_t>> pendingPatch_;
    uint32_t fileEnd_ = 0;
    TourBounds cell_;
    bool haveCell_ = false;
    uint32_t blockOffset_ = 0;
    bool blockInRun_ = false;
    uint32_t runCounter_ = 0;
    uint32_t lastPointOffset_ = 0;
    uint32_t runStartTime_ = 0;
    bool writeFailed_ = false;
    bool failureReported_ = false;
    TourStats stats_;
};

}  // namespace trek
