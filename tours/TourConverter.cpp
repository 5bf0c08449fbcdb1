// Rewriting tour files of older versions as version 9.
#include <cstdio>
#include <map>
#include <unistd.h>
#include <vector>

#include "tours/TourRecorder.h"
#include "tours/TourWalker.h"

namespace trek {

using namespace tourfile;

namespace {

// Synthetic times for points that had none: one program-wide counter.
uint32_t gSyntheticTime = 841320537;  // 2006-08-29 12:08:57

// Walks the old file and appends everything to the new one. Offsets that point
// from one record to another (text offsets, back references) are collected and
// re-based once the whole file has been written and every new offset is known.
class ConvertingWalker : public TourWalker {
public:
    explicit ConvertingWalker(TourRecorder& out) : out_(out) {}

    uint32_t converted() const { return converted_; }

    void finish() { flushPoint(); }

    // Writes the re-based offsets into the new file.
    bool applyFixups(TourFile& file) {
        for (const Fixup& f : fixups_) {
            uint32_t value = 0;
            const auto owner = map_.find(f.oldOwner);
            const auto target = map_.find(f.oldTarget);
            if (owner != map_.end() && target != map_.end() && target->second > owner->second) {
                value = target->second - owner->second;
            }
            if (!file.writeWord(f.at, value)) return false;
        }
        return true;
    }
    std::optional<uint32_t> newOffset(uint32_t oldOffset) const {
        const auto it = map_.find(oldOffset);
        return it == map_.end() ? std::nullopt : std::optional<uint32_t>(it->second);
    }
    uint32_t firstRunStart() const { return firstRunStart_; }

    void onPoint(const TourPoint& in) override {
        flushPoint();
        TourPoint p = in;
        const uint32_t v = version();
        const uint32_t flags = (in.isRelocatedCopy() ? pointHead() : in.head) &
                               ~(kRelocatedBit | kAttachedBit | kExtraWordBit | kPointNumberMask);
        const uint32_t number = in.isRelocatedCopy() ? converted_ : in.number();
        p.head = flags | (number & kPointNumberMask);
        if (v < 5) p.computeUtm();
        if (v < 7) {
            p.alt = in.alt * 100;
            p.speed = uint16_t(std::min<uint32_t>(uint32_t(in.speed) * 10, 0xFFFF));
            p.time = gSyntheticTime;
            gSyntheticTime += 3;
        }
        if (in.isRelocatedCopy()) p.word7 = in.word7;
        pending_ = p;
        pendingOld_ = pointOffset();
        ++converted_;
        if (converted_ % 100 == 0) std::printf(".");
    }
    void onExtraWord(uint32_t word) override {
        if (pending_) {
            pending_->head |= kExtraWordBit;
            trailer_.push_back(word);
        }
    }
    void onAttachedRecord(const AttachedRecord& r) override {
        if (!pending_) return;
        pending_->head |= kAttachedBit;
        // Always written in the current form: code word with both offset words.
        const bool withOffsets = version() >= 6;
        const bool hasB = withOffsets && (r.codeWord & kAttachedOffsetB);
        const bool hasA = withOffsets && (r.codeWord & kAttachedOffsetA);
        const size_t base = trailer_.size();
        trailer_.push_back(r.code() | kAttachedOffsetA | kAttachedOffsetB);
        size_t next = 1;
        const uint32_t first = hasB ? r.words[next++] : 0;
        const uint32_t second = hasA ? r.words[next++] : 0;
        trailer_.push_back(first);
        trailer_.push_back(second);
        for (; next < r.length; ++next) trailer_.push_back(r.words[next]);
        if (r.isNamedPoi() && trailer_.size() > base + 3) trailer_[base + 3] = 0;  // no relocation any more
        for (int k = 0; k < 2; ++k) {
            const uint32_t rel = k == 0 ? first : second;
            if (rel != 0) pendingFixups_.push_back({base + 1 + size_t(k), pendingOld_ + rel});
        }
    }
    void onTimeMark(uint32_t t) override { copy({uint32_t(kTimeMark), t}); }
    void onRunStart(uint32_t t) override {
        if (recordOffset() == 0) {
            firstRunStart_ = t;
            return;  // the new file has its own
        }
        copy({uint32_t(kRunStart), t});
    }
    void onRunEnd(uint32_t d, uint32_t s, uint32_t t) override { copy({uint32_t(kRunEnd), d, s, t}); }
    void onFixInfo(uint32_t v) override { copy({uint32_t(kFixInfo), v}); }
    void onVersion(uint32_t v) override {
        TourWalker::onVersion(v);  // decoding goes on with the old version
        if (recordOffset() > kNewTourBytes - 8) copy({uint32_t(kVersion), kCurrentVersion});
        else flushPoint();
    }
    void onPrimaryData(const DataRecord& r) override { copyData(kPrimaryData, r); }
    void onSecondaryData(const DataRecord& r) override { copyData(kSecondaryData, r); }
    int onBlock(const TourBounds&, uint32_t) override {
        flushPoint();
        return kEnterBlock;  // blocks are rebuilt by the recorder
    }

private:
    struct Fixup {
        uint32_t at;        // new file offset of the word
        uint32_t oldOwner;  // old offsets: the word = target - owner
        uint32_t oldTarget;
    };
    struct PendingFixup {
        size_t word;  // index into trailer_
        uint32_t oldTarget;
    };

    void copy(std::initializer_list<uint32_t> words) {
        flushPoint();
        out_.appendWords(words.begin(), words.size());
    }

    void copyData(int32_t tag, const DataRecord& r) {
        flushPoint();
        if (r.offset < kNewTourBytes - 8) return;  // the old header: the new file has its own
        const uint32_t at = out_.endOffset();
        map_[r.offset] = at;
        if (r.backRef != 0 && r.backRef <= r.offset) fixups_.push_back({at + 4, r.offset - r.backRef, r.offset});
        std::vector<uint32_t> words = {uint32_t(tag), 0, uint32_t((r.size + 3) & ~size_t(3))};
        for (size_t i = 0; i < r.size; i += 4) {
            uint8_t b[4] = {};
            for (size_t k = 0; k < 4 && i + k < r.size; ++k) b[k] = r.data[i + k];
            words.push_back(LoadLE32(b));
        }
        out_.appendWords(words.data(), words.size());
    }

    void flushPoint() {
        if (!pending_) return;
        out_.appendRawPoint(*pending_);
        const uint32_t at = out_.lastPointOffset();
        map_[pendingOld_] = at;
        const uint32_t trailerAt = at + uint32_t(kPointBytes);
        for (const PendingFixup& f : pendingFixups_) {
            fixups_.push_back({trailerAt + uint32_t(4 * f.word), pendingOld_, f.oldTarget});
        }
        if (!trailer_.empty()) out_.appendWords(trailer_.data(), trailer_.size());
        pending_.reset();
        trailer_.clear();
        pendingFixups_.clear();
    }

    TourRecorder& out_;
    std::optional<TourPoint> pending_;
    uint32_t pendingOld_ = 0;
    std::vector<uint32_t> trailer_;
    std::vector<PendingFixup> pendingFixups_;
    std::vector<Fixup> fixups_;
    std::map<uint32_t, uint32_t> map_;
    uint32_t converted_ = 0;
    uint32_t firstRunStart_ = 0;
};

}  // namespace

std::optional<uint32_t> TourRecorder::Convert(const std::string& path) {
    const std::string oldPath = path + "_old";
    if (::access(oldPath.c_str(), F_OK) == 0) return std::nullopt;  // never overwrite an earlier original
    if (::rename(path.c_str(), oldPath.c_str()) != 0) return std::nullopt;
    Tour oldTour("old", oldPath);
    const bool haveHeader = oldTour.readHeader();
    const size_t slash = path.find_last_of('/');
    const std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    Tour tour(base.substr(0, base.rfind('.')), path);
    if (haveHeader) {
        tour.setColour(oldTour.colour());
        tour.setDateText(oldTour.dateText());
        tour.setVisible(oldTour.visible());
    }
    auto restore = [&] {
        ::unlink(path.c_str());
        ::rename(oldPath.c_str(), path.c_str());
    };
    std::printf("Converting");
    std::optional<uint32_t> result;
    {
        Options options;
        options.timeMarks = false;
        options.kind = haveHeader ? oldTour.kind() : Tour::kTour;
        TourRecorder out(tour, options);
        ConvertingWalker walker(out);
        const bool started = out.start();
        if (started && haveHeader) {
            // The file keeps the date it had, not the day of the conversion.
            tour.setDateText(oldTour.dateText());
            tour.writeHeader(false);
        }
        if (!started || !walker.walk(&oldTour)) {
            std::printf("\r\n");
            restore();
            return std::nullopt;
        }
        walker.finish();
        bool ok = out.flush();
        TourFile* file = tour.handle();
        ok = ok && file && walker.applyFixups(*file);
        if (ok && walker.firstRunStart()) ok = file->writeWord(4, walker.firstRunStart());
        if (ok && haveHeader && oldTour.descriptionOffset()) {
            if (const auto desc = walker.newOffset(oldTour.descriptionOffset())) {
                ok = file->writeWord(kHeaderDescOffset, *desc);
            }
        }
        ok = ok && file->sync();
        if (!ok) {
            std::printf("\r\n");
            restore();
            return std::nullopt;
        }
        result = walker.converted();
    }
    std::printf("\r\n%ld points converted.\r\n", long(*result));
    return result;
}

}  // namespace trek
