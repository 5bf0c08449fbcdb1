#include "tours/TourRecorder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "settings/Settings.h"
#include "tours/TourMessages.h"
#include "tours/TourTime.h"
#include "tours/TourWalker.h"

namespace trek {

using namespace tourfile;

namespace {

// The last time mark of the program: one value for all recorders.
std::atomic<uint32_t> gLastTimeMark{0};

// Grows the buffer no further: at this size a recorder whose writes keep failing
// refuses new points instead of eating the memory.
constexpr size_t kMaxPendingBytes = 64u << 20;

std::string Format(const char* pattern, const std::string& value) {
    char text[1200];
    std::snprintf(text, sizeof text, pattern, value.c_str());
    return text;
}

uint8_t FixDimension(uint16_t fixMode) { return fixMode <= 3 ? uint8_t(fixMode) : 0; }

}  // namespace

// ---- TourStats

void TourStats::save() const {
    RecordedTour r;
    if (active) {
        r.file = path;
        r.points = points;
        r.startTime = startTime;
        r.distance = distance;
    }
    Settings::instance().saveRecordedTour(r);
}

TourStats TourStats::Load() {
    const RecordedTour r = Settings::instance().loadRecordedTour();
    TourStats s;
    s.path = r.file;
    s.points = r.points;
    s.startTime = r.startTime;
    s.distance = r.distance;
    s.active = r.file.empty() ? 0 : 1;
    return s;
}

// ---- recorder

uint32_t TourRecorder::LastTimeMark() { return gLastTimeMark; }
void TourRecorder::ResetLastTimeMark() { gLastTimeMark = 0; }

TourRecorder::TourRecorder(Tour& tour, Options options) : tour_(tour), options_(options) {
    buffer_.resize(kBufferBytes);
    stats_.path = tour.path();
    tour_.setPendingFlush([this] { return flush(); });
}

TourRecorder::~TourRecorder() {
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    if (isOpen() && !writeBuffer()) writeBuffer();
    if (file_) file_->sync();
    tour_.setPendingFlush(nullptr);
    tour_.closeHandle();
}

bool TourRecorder::isOpen() const { return file_ && file_->isOpen(); }

void TourRecorder::failStart() {
    file_ = nullptr;
    tour_.closeHandle();
    tour_.setDisplayName("&error");
    ShowTourMessage(Format("Error while writing file %s!", tour_.path()), "Tour file");
}

bool TourRecorder::start() {
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    if (!tour_.openHandle(TourFile::Mode::Create)) {
        failStart();
        return false;
    }
    file_ = tour_.handle();
    const int64_t size = file_->size();
    const bool ok = size == 0 ? createFile() : size > 0 && continueFile();
    if (!ok) {
        failStart();
        return false;
    }
    file_->sync();
    return true;
}

bool TourRecorder::createFile() {
    if (options_.colour >= 0 && options_.colour < TourColour::kCount) tour_.setColour({options_.colour, 0});
    tour_.setKind(options_.kind);
    tour_.setVersion(kCurrentVersion);
    runStartTime_ = TourTimeNow();
    // A new file is dated by the clock that stamps its points.
    const CalendarTime today = CalendarFromTourTime(runStartTime_);
    char date[32];
    std::snprintf(date, sizeof date, "%4.4d/%2.2d/%2.2d", today.year, today.month, today.day);
    tour_.setDateText(date);
    const uint32_t start[2] = {uint32_t(kRunStart), runStartTime_};
    const uint32_t version[2] = {uint32_t(kVersion), kCurrentVersion};
    uint8_t bytes[8];
    StoreLE32(bytes, start[0]);
    StoreLE32(bytes + 4, start[1]);
    if (!file_->writeAt(0, bytes, 8) || !tour_.writeHeader(true)) return false;
    StoreLE32(bytes, version[0]);
    StoreLE32(bytes + 4, version[1]);
    if (!file_->writeAt(kNewTourBytes - 8, bytes, 8)) return false;
    fileEnd_ = kNewTourBytes;
    return true;
}

// A file being continued: take its header, drop a record that a crash cut
// short, find the last block so that the next point continues it, and open a
// new run.
bool TourRecorder::continueFile() {
    if (!tour_.readHeader()) return false;
    struct LastBlock : TourWalker {
        bool found = false;
        uint32_t offset = 0;
        TourBounds box;
        int onBlock(const TourBounds& b, uint32_t) override {
            found = true;
            offset = recordOffset();
            box = b;
            return kEnterBlock;
        }
        void onPoint(const TourPoint&) override {}
    } last;
    if (!last.walk(&tour_)) return false;
    const uint32_t end = last.completeEnd();
    if (int64_t(end) != file_->size() && !file_->truncate(end)) return false;
    fileEnd_ = end;
    if (last.found && last.offset + kBlockBytes <= end) {
        cell_ = last.box;
        haveCell_ = true;
        blockOffset_ = last.offset;
        blockInRun_ = true;
    }
    runStartTime_ = TourTimeNow();
    const uint32_t words[4] = {uint32_t(kRunStart), runStartTime_, uint32_t(kVersion), kCurrentVersion};
    put(words, 4);
    return writeBuffer();
}

void TourRecorder::syncEnd() {
    // Edits outside the recorder append to the file; they write out this
    // buffer first, so an empty buffer means the file's size is the end.
    if (bufferFill_ == 0 && file_) {
        const int64_t size = file_->size();
        if (size >= 0) fileEnd_ = uint32_t((size + 3) & ~int64_t(3));
    }
}

void TourRecorder::putBytes(const void* data, size_t size) {
    if (bufferFill_ + size > buffer_.size()) buffer_.resize(std::max(buffer_.size() * 2, bufferFill_ + size));
    std::memcpy(buffer_.data() + bufferFill_, data, size);
    bufferFill_ += size;
}

void TourRecorder::put(const uint32_t* words, size_t count) {
    uint8_t bytes[4 * kNamedPoiWords];
    while (count > 0) {
        const size_t n = std::min(count, kNamedPoiWords);
        for (size_t i = 0; i < n; ++i) StoreLE32(bytes + 4 * i, words[i]);
        putBytes(bytes, 4 * n);
        words += n;
        count -= n;
    }
    if (bufferFill_ >= kBufferBytes - kPointBytes) writeBuffer();
}

bool TourRecorder::writeBuffer() {
    if (!file_) return false;
    if (bufferFill_ == 0) return true;
    // Always at the logical end: bytes of an earlier partial write are overwritten.
    if (!file_->writeAt(fileEnd_, buffer_.data(), bufferFill_)) {
        if (!writeFailed_ && !failureReported_) {
            failureReported_ = true;
            ShowTourMessage(Format("Error while writing file %s!", tour_.path()), "Tour file");
        }
        writeFailed_ = true;
        return false;
    }
    fileEnd_ += uint32_t(bufferFill_);
    bufferFill_ = 0;
    writeFailed_ = false;
    if (buffer_.size() > kBufferBytes) {
        buffer_.resize(kBufferBytes);
        buffer_.shrink_to_fit();
    }
    if (pendingPatch_) {
        patchWord(pendingPatch_->first, pendingPatch_->second);
        pendingPatch_.reset();
    }
    return true;
}

void TourRecorder::patchWord(uint32_t offset, uint32_t value) {
    if (offset >= fileEnd_ && offset + 4 <= fileEnd_ + bufferFill_) {
        StoreLE32(buffer_.data() + (offset - fileEnd_), value);
    } else if (offset + 4 <= fileEnd_) {
        file_->writeWord(offset, value);  // on failure the block stays open (length 0), which readers accept
    }
}

bool TourRecorder::flush() {
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    return writeBuffer();
}

// A point outside the current cell opens a new block. The new block record is
// in the file before the previous block's length points at it.
void TourRecorder::enterCell(int32_t lon, int32_t lat) {
    const TourBounds cell = TourCell(lon, lat);
    const uint32_t offset = endOffset();
    const uint32_t block[kBlockWords] = {uint32_t(kBlock),      uint32_t(cell.west),  uint32_t(cell.north),
                                         uint32_t(cell.east),   uint32_t(cell.south), 0};
    put(block, kBlockWords);
    if (blockInRun_) {
        pendingPatch_ = std::make_pair(blockOffset_ + 20, offset - blockOffset_ - uint32_t(kBlockBytes));
    }
    writeBuffer();
    TourBounds box = tour_.bounds();
    box.widen(cell);
    tour_.setBounds(box);
    tour_.writeBounds();
    cell_ = cell;
    haveCell_ = true;
    blockOffset_ = offset;
    blockInRun_ = true;
}

bool TourRecorder::appendPoint(int32_t lon, int32_t lat, int32_t alt, uint16_t speed, bool attach,
                               uint32_t extraBits, bool force) {
    TourPoint p;
    p.lon = lon;
    p.lat = lat;
    p.alt = alt;
    p.speed = speed;
    if (options_.fix) {
        const GpsPosition& pos = options_.fix->position;
        p.fix = FixDimension(pos.fixMode);
        p.sats = uint8_t(std::min<uint16_t>(pos.satellitesUsed, 255));
        if (pos.satellitesUsed == 0) p.head |= kNoSatellitesBit;
    }
    p.time = TourTimeNow();
    return appendBuilt(p, attach, extraBits, force, options_.fix != nullptr);
}

bool TourRecorder::appendRecord(const TourPoint& point, bool attach, uint32_t extraBits, bool force) {
    TourPoint p = point;
    p.head = 0;
    p.fix = 3;
    return appendBuilt(p, attach, extraBits, force, false);
}

bool TourRecorder::appendBuilt(TourPoint p, bool attach, uint32_t extraBits, bool force, bool live) {
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    if (!isOpen()) return false;
    if (p.lon == 0 && p.lat == 0 && !attach) return false;
    if (bufferFill_ >= kMaxPendingBytes) return false;
    syncEnd();
    if (!haveCell_ || !cell_.contains(p.lon, p.lat)) enterCell(p.lon, p.lat);

    p.head = (runCounter_ & kPointNumberMask) | (attach ? kAttachedBit : 0) |
             (extraBits & (kWaypointBit | kSegmentStartBit)) | (p.head & kNoSatellitesBit);
    p.computeUtm();
    uint32_t words[kPointWords];
    p.toWords(words);
    lastPointOffset_ = endOffset();
    put(words, kPointWords);
    if (force) {
        writeBuffer();
        // A flat battery may cost the last point, no more.
        if (live) file_->sync();
    }

    const uint32_t now = TourTimeNow();
    if (!attach && live) {
        if (options_.timeMarks && now > gLastTimeMark + kTimeMarkInterval) {
            const uint32_t mark[2] = {uint32_t(kTimeMark), now};
            put(mark, 2);
            writeBuffer();
            gLastTimeMark = now;
        }
        if (runCounter_ == 0) {
            const uint32_t info[2] = {uint32_t(kFixInfo), options_.fix->position.fixMode};
            put(info, 2);
            writeBuffer();
        }
    }
    // The saved count includes this point, which is in the file by now.
    ++stats_.points;
    if (runCounter_ % kSyncEvery == 0) {
        if (options_.periodicSync) file_->sync();
        if (options_.saveStats) stats_.save();
    }
    ++runCounter_;
    return true;
}

bool TourRecorder::appendAttached(const std::string& symbol, uint32_t nameOffset, uint32_t descOffset,
                                  uint32_t link) {
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    if (!isOpen()) return false;
    syncEnd();
    if (symbol == kTimeStampName) {
        uint32_t words[kTimeStampWords];
        TimeStampRecord{0, TourTimeNow()}.toWords(words);
        put(words, kTimeStampWords);
    } else {
        uint32_t words[kNamedPoiWords];
        NamedPoiRecord{nameOffset, descOffset, link, symbol.substr(0, kSymbolFieldBytes - 1)}.toWords(words);
        put(words, kNamedPoiWords);
    }
    const bool written = writeBuffer();
    file_->sync();
    return written || bufferFill_ > 0;
}

std::optional<uint32_t> TourRecorder::addLivePoi(const std::string& symbol) {
    if (!options_.fix) return std::nullopt;
    const GpsPosition& pos = options_.fix->position;
    const uint16_t speed = uint16_t(std::min<uint32_t>(pos.speed * 36 / 100, 0xFFFF));
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    if (!appendPoint(pos.lon, pos.lat, pos.altitude, speed, true, 0, true)) return std::nullopt;
    const uint32_t offset = lastPointOffset_;
    if (!appendAttached(symbol)) return std::nullopt;
    return offset;
}

std::optional<uint32_t> TourRecorder::appendText(int32_t tag, const std::string& utf8, uint32_t backRef) {
    if (tag != kPrimaryData && tag != kSecondaryData) return std::nullopt;
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    if (!isOpen()) return std::nullopt;
    syncEnd();
    const std::string text = EncodeTourText(utf8);
    const uint32_t offset = endOffset();
    const uint32_t head[3] = {uint32_t(tag), backRef, uint32_t(text.size())};
    put(head, 3);
    putBytes(text.data(), text.size());
    if (bufferFill_ >= kBufferBytes - kPointBytes) writeBuffer();
    return offset;
}

bool TourRecorder::appendRawPoint(const TourPoint& p) {
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    if (!isOpen()) return false;
    syncEnd();
    if (!haveCell_ || !cell_.contains(p.lon, p.lat)) enterCell(p.lon, p.lat);
    uint32_t words[kPointWords];
    p.toWords(words);
    lastPointOffset_ = endOffset();
    put(words, kPointWords);
    ++runCounter_;
    return true;
}

bool TourRecorder::appendWords(const uint32_t* words, size_t count) {
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    if (!isOpen()) return false;
    syncEnd();
    put(words, count);
    return true;
}

bool TourRecorder::appendTimeMark() {
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    if (!isOpen()) return false;
    syncEnd();
    const uint32_t now = TourTimeNow();
    const uint32_t mark[2] = {uint32_t(kTimeMark), now};
    put(mark, 2);
    gLastTimeMark = now;
    return writeBuffer();
}

bool TourRecorder::closeRun(bool paused) {
    std::lock_guard<std::recursive_mutex> lock(tour_.mutex());
    if (!isOpen()) return false;
    syncEnd();
    writeBuffer();
    if (options_.fix && !paused) {
        const GpsPosition& pos = options_.fix->position;
        appendPoint(pos.lon, pos.lat, pos.altitude, uint16_t(std::min<uint32_t>(pos.speed * 36 / 100, 0xFFFF)),
                    false, 0, true);
    }
    const uint32_t now = TourTimeNow();
    const uint32_t start = stats_.startTime ? stats_.startTime : runStartTime_;
    const uint32_t end[kRunEndWords] = {uint32_t(kRunEnd), stats_.distance, now - start, now};
    put(end, kRunEndWords);
    const bool written = writeBuffer();
    file_->sync();
    stats_.active = 0;
    stats_.distance = 0;
    if (options_.saveStats) stats_.save();
    return written;
}

}  // namespace trek
