#include "tours/TourWalker.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "geo/GeoDistance.h"
#include "tours/TourMessages.h"

namespace trek {

using namespace tourfile;

std::atomic<bool> TourWalker::walksAllowed_{true};

void TourWalker::SetWalksAllowed(bool allowed) { walksAllowed_ = allowed; }
bool TourWalker::WalksAllowed() { return walksAllowed_; }

// A window of 40 960 bytes over the file with a cursor. Records are taken from
// the window; a record that does not fit is made to fit by moving the rest to
// the front and reading on. Seeks within the window move the cursor, others
// drop it.
class TourWalker::Reader {
public:
    explicit Reader(TourFile& file) : file_(file) { fileSize_ = uint64_t(std::max<int64_t>(0, file.size())); }

    uint64_t offset() const { return start_ + pos_; }
    uint64_t fileSize() const { return fileSize_; }
    uint64_t bytesRead() const { return bytesRead_; }

    // True when `words` whole words are available at the cursor.
    bool need(size_t words) {
        const size_t bytes = words * 4;
        if (fill_ - pos_ >= bytes) return true;
        if (start_ + fill_ >= fileSize_) return false;
        std::memmove(buffer_, buffer_ + pos_, fill_ - pos_);
        start_ += pos_;
        fill_ -= pos_;
        pos_ = 0;
        while (fill_ < kChunkBytes) {
            const long n = file_.readAt(start_ + fill_, buffer_ + fill_, kChunkBytes - fill_);
            if (n <= 0) break;
            fill_ += size_t(n);
            bytesRead_ += uint64_t(n);
        }
        return fill_ - pos_ >= bytes;
    }
    uint32_t word(size_t i) const { return LoadLE32(buffer_ + pos_ + 4 * i); }
    const uint8_t* bytes() const { return buffer_ + pos_; }
    size_t available() const { return fill_ - pos_; }
    void advance(size_t words) { pos_ += words * 4; }

    // Moves the cursor to an absolute offset; false at or past the end.
    bool seek(uint64_t target) {
        if (target >= start_ && target <= start_ + fill_) {
            pos_ = size_t(target - start_);
        } else {
            start_ = target;
            pos_ = fill_ = 0;
        }
        return target < fileSize_;
    }

    // Reads at an absolute offset without moving the window.
    long readAt(uint64_t at, void* out, size_t size) {
        const long n = file_.readAt(at, out, size);
        if (n > 0) bytesRead_ += uint64_t(n);
        return n;
    }

private:
    TourFile& file_;
    uint8_t buffer_[kChunkBytes];
    uint64_t start_ = 0;  // file offset of buffer_[0]
    size_t pos_ = 0;
    size_t fill_ = 0;
    uint64_t fileSize_ = 0;
    uint64_t bytesRead_ = 0;
};

bool TourWalker::walk(Tour* tour, std::optional<uint32_t> stopValue, bool stopOnFirstWord) {
    if (!tour) {
        ShowTourMessage("tourmap==NULL", "Error");
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(tour->mutex());
    tour->flushPending();
    TourFile file;
    if (!file.open(tour->path(), TourFile::Mode::Read) && !file.open(tour->path(), TourFile::Mode::Read)) {
        return false;
    }
    tour_ = tour;
    stats_ = WalkStatistics{};
    version_ = 5;
    bytesRead_ = 0;
    continue_ = true;
    handedPoints_ = 0;
    auto reader = std::make_unique<Reader>(file);
    Reader& in = *reader;
    if (!in.need(kRunStartWords) || int32_t(in.word(0)) != kRunStart) {
        bytesRead_ = in.bytesRead();
        return false;
    }
    completeEnd_ = kRunStartWords * 4;
    uint64_t skippedBlock = 0;  // offset of the last skipped block, 0 = none
    uint64_t lastBack = 0;
    while (continue_ && walksAllowed_ && in.need(1)) {
        recordOffset_ = uint32_t(in.offset());
        const uint32_t w0 = in.word(0);
        const int32_t tag = int32_t(w0);
        bool ok = true;
        if (tag == kBlock) {
            if (!in.need(kBlockWords)) break;
            const TourBounds box{int32_t(in.word(1)), int32_t(in.word(2)), int32_t(in.word(3)), int32_t(in.word(4))};
            const uint32_t length = in.word(5);
            const uint64_t blockAt = in.offset();
            in.advance(kBlockWords);
            const int result = onBlock(box, length);
            if (result == kSkipBlock && length != 0) {
                skippedBlock = blockAt;
                in.seek(blockAt + kBlockBytes + length);
            } else if (result == kBackToSkipped && skippedBlock != 0 && skippedBlock > lastBack) {
                lastBack = skippedBlock;
                in.seek(skippedBlock + kBlockBytes);
                skippedBlock = 0;
            }
        } else {
            const uint32_t before = handedPoints_;
            ok = dispatch(in);
            if (ok && stopValue && handedPoints_ != before) {
                const uint32_t probe = stopOnFirstWord ? lastHead_ : handedPoints_;
                if (probe == *stopValue) break;
            }
        }
        if (!ok) break;  // the file ended inside a record: all before it is delivered
        completeEnd_ = uint32_t(std::min<uint64_t>(in.offset(), in.fileSize()));
    }
    bytesRead_ = in.bytesRead();
    return true;
}

// One record other than a block. False when the file ends inside it.
bool TourWalker::dispatch(Reader& in) {
    const uint32_t w0 = in.word(0);
    switch (int32_t(w0)) {
    case kRunEnd:
        if (!in.need(kRunEndWords)) return false;
        onRunEnd(in.word(1), in.word(2), in.word(3));
        in.advance(kRunEndWords);
        return true;
    case kTimeMark:
        if (!in.need(2)) return false;
        onTimeMark(in.word(1));
        in.advance(2);
        return true;
    case kRunStart:
        if (!in.need(2)) return false;
        onRunStart(in.word(1));
        in.advance(2);
        return true;
    case kFixInfo:
        if (!in.need(2)) return false;
        onFixInfo(in.word(1));
        in.advance(2);
        return true;
    case kVersion:
        if (!in.need(2)) return false;
        onVersion(in.word(1));
        in.advance(2);
        return true;
    case kPrimaryData:
    case kSecondaryData: return handleData(in, int32_t(w0));
    case kRelocatedCopy: {
        // Met in sequence it was already handed out through its original.
        const size_t words = PointWordsForVersion(version_);
        if (!in.need(words)) return false;
        in.advance(words);
        return skipAttached(in);
    }
    default: break;
    }
    if (IsDeletedMarker(w0)) {
        const size_t words = PointWordsForVersion(version_);
        if (!in.need(words)) return false;
        in.advance(words);
        if (w0 & kExtraWordBit) {
            if (!in.need(1)) return false;
            in.advance(1);
        }
        return (w0 & kAttachedBit) ? skipAttached(in) : true;
    }
    return handlePoint(in, w0);
}

bool TourWalker::handleData(Reader& in, int32_t tag) {
    if (!in.need(kDataHeadWords)) return false;
    DataRecord record;
    record.offset = uint32_t(in.offset());
    record.backRef = in.word(1);
    const uint64_t n = in.word(2);
    const uint64_t start = in.offset() + kDataHeadWords * 4;
    const uint64_t next = start + ((n + 3) & ~uint64_t(3));
    const uint64_t present = start < in.fileSize() ? std::min<uint64_t>(n, in.fileSize() - start) : 0;
    in.advance(kDataHeadWords);
    if (present <= in.available()) {
        record.data = in.bytes();
        record.size = size_t(present);
    } else {
        dataBuffer_.resize(size_t(present));
        const long got = in.readAt(start, dataBuffer_.data(), size_t(present));
        record.data = dataBuffer_.data();
        record.size = got > 0 ? size_t(got) : 0;
    }
    if (tag == kPrimaryData) {
        onPrimaryData(record);
    } else {
        onSecondaryData(record);
    }
    // A record cut short by the end of the file is incomplete.
    in.seek(next);
    return next <= in.fileSize();
}

bool TourWalker::readAttached(Reader& in, AttachedRecord& record) {
    if (!in.need(1)) return false;
    record.codeWord = in.word(0);
    record.length = AttachedRecordWords(record.codeWord, version_);
    if (!in.need(record.length)) return false;
    for (size_t i = 0; i < record.length && i < kNamedPoiWords; ++i) record.words[i] = in.word(i);
    in.advance(record.length);
    return true;
}

bool TourWalker::skipAttached(Reader& in) {
    AttachedRecord record;
    return readAttached(in, record);
}

bool TourWalker::handlePoint(Reader& in, uint32_t w0) {
    const size_t words = PointWordsForVersion(version_);
    if (!in.need(words)) return false;
    uint32_t raw[kPointWords];
    for (size_t i = 0; i < words; ++i) raw[i] = in.word(i);
    const uint32_t originalOffset = uint32_t(in.offset());
    TourPoint point = TourPoint::FromWords(raw, words);
    in.advance(words);
    uint32_t extra = 0;
    const bool hasExtra = w0 & kExtraWordBit;
    if (hasExtra) {
        if (!in.need(1)) return false;
        extra = in.word(0);
        in.advance(1);
    }
    AttachedRecord attached;
    const bool hasAttached = w0 & kAttachedBit;
    if (hasAttached && !readAttached(in, attached)) return false;

    pointOffset_ = originalOffset;
    if (w0 & kRelocatedBit) {
        // The valid record is the copy; its own attached record replaces the one here.
        const uint64_t copyAt = uint64_t(originalOffset) + point.word7;
        uint8_t copy[(kPointWords + kNamedPoiWords) * 4];
        const long got = copyAt + words * 4 <= in.fileSize() ? in.readAt(copyAt, copy, sizeof copy) : -1;
        if (got >= long(words * 4)) {
            uint32_t cw[kPointWords + kNamedPoiWords] = {};
            const size_t have = size_t(got) / 4;
            for (size_t i = 0; i < have; ++i) cw[i] = LoadLE32(copy + 4 * i);
            if (IsDeletedMarker(cw[0])) return true;
            pointOffset_ = uint32_t(copyAt);
            lastHead_ = w0;
            ++handedPoints_;
            onPoint(TourPoint::FromWords(cw, words));
            if (have > words) {
                AttachedRecord reloc;
                reloc.codeWord = cw[words];
                reloc.length = AttachedRecordWords(reloc.codeWord, version_);
                if (have >= words + reloc.length) {
                    for (size_t i = 0; i < reloc.length; ++i) reloc.words[i] = cw[words + i];
                    if (!reloc.removed()) onAttachedRecord(reloc);
                }
            }
            return true;
        }
        // An unreadable copy: the original record is still a valid track point.
    }
    lastHead_ = w0;
    ++handedPoints_;
    onPoint(point);
    if (hasExtra) onExtraWord(extra);
    if (hasAttached && !attached.removed()) onAttachedRecord(attached);
    return true;
}

// ---- base handlers

void TourWalker::onPoint(const TourPoint& p) {
    WalkStatistics& s = stats_;
    if (!s.havePrevious) {
        s.previous = p;
        s.referenceAltitude = p.alt;
        s.havePrevious = true;
    }
    if (p.isRelocatedCopy() || !p.isSegmentStart()) {
        const double step = GeoDistance(GeoPoint{s.previous.lon, s.previous.lat}, GeoPoint{p.lon, p.lat});
        s.distance += step;
        s.lastStep = step;
    }
    s.previous = p;
    const int32_t threshold = version_ < 7 ? 25 : 2500;
    if (p.alt > s.referenceAltitude + threshold) {
        s.ascent += p.alt - s.referenceAltitude;
        s.referenceAltitude = p.alt;
    } else if (p.alt < s.referenceAltitude - threshold) {
        s.descent += s.referenceAltitude - p.alt;
        s.referenceAltitude = p.alt;
    }
    s.minAltitude = std::min(s.minAltitude, p.alt);
    s.maxAltitude = std::max(s.maxAltitude, p.alt);
    s.minSpeed = std::min<uint32_t>(s.minSpeed, p.speed);
    s.maxSpeed = std::max<uint32_t>(s.maxSpeed, p.speed);
    ++s.points;
}

void TourWalker::onTimeMark(uint32_t) {}
void TourWalker::onRunStart(uint32_t) {}
void TourWalker::onRunEnd(uint32_t, uint32_t, uint32_t) {}
void TourWalker::onVersion(uint32_t version) {
    version_ = version;
    if (tour_) tour_->setVersion(version);
}
void TourWalker::onFixInfo(uint32_t) {}
void TourWalker::onAttachedRecord(const AttachedRecord&) {}
void TourWalker::onExtraWord(uint32_t) {}
void TourWalker::onPrimaryData(const DataRecord&) {}
void TourWalker::onSecondaryData(const DataRecord&) {}
int TourWalker::onBlock(const TourBounds&, uint32_t) { return kEnterBlock; }

}  // namespace trek
