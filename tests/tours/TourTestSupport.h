#pragma once
// Shared fixtures of the tour tests: a scratch folder, hand-built files, a
// walker that keeps everything it is handed, and a settable clock.
#include <cstdint>
#include <string>
#include <vector>

#include "tours/Tour.h"
#include "tours/TourWalker.h"

namespace trek::test {

// A fresh folder below the test's temporary directory, removed at destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The program clock follows `now` while the object lives.
class FakeClock {
public:
    explicit FakeClock(uint32_t start);
    ~FakeClock();
    uint32_t now = 0;
};

// Builds a file word by word (little-endian).
class WordFile {
public:
    WordFile& w(uint32_t v);
    WordFile& ws(std::initializer_list<uint32_t> v);
    WordFile& text(int32_t tag, uint32_t backRef, const std::string& utf8);
    // A header without the bounding box (before version 8): -3, time, -7/48 record.
    WordFile& oldHeader(uint32_t time);
    size_t size() const { return bytes_.size(); }
    bool save(const std::string& path) const;
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> ReadAll(const std::string& path);
bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);
uint32_t WordAt(const std::vector<uint8_t>& bytes, size_t offset);

// Everything a walk hands out, in order.
struct Event {
    std::string kind;  // "point", "mark", "start", "end", "version", "fix", "attached", "extra", "data7", "data8", "block"
    uint32_t offset = 0;
    TourPoint point;
    AttachedRecord attached;
    std::vector<uint32_t> values;
    std::string text;
};

class RecordingWalker : public TourWalker {
public:
    std::vector<Event> events;
    int blockResult = kEnterBlock;

    std::vector<TourPoint> points() const;
    void onPoint(const TourPoint& p) override;
    void onTimeMark(uint32_t t) override;
    void onRunStart(uint32_t t) override;
    void onRunEnd(uint32_t d, uint32_t s, uint32_t t) override;
    void onVersion(uint32_t v) override;
    void onFixInfo(uint32_t v) override;
    void onAttachedRecord(const AttachedRecord& r) override;
    void onExtraWord(uint32_t w) override;
    void onPrimaryData(const DataRecord& r) override;
    void onSecondaryData(const DataRecord& r) override;
    int onBlock(const TourBounds& box, uint32_t length) override;
};

// A ready-made point for imports.
TourPoint MakePoint(int32_t lon, int32_t lat, int32_t alt = 0, uint16_t speed = 0, uint32_t time = 0);

}  // namespace trek::test
