#include "tests/tours/TourTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "tours/TourTime.h"

namespace trek::test {

namespace {
// Settings and the registry must never touch the user's own files.
struct IsolatedEnvironment {
    IsolatedEnvironment() {
        char pattern[] = "/tmp/trek-tours-env-XXXXXX";
        const char* dir = mkdtemp(pattern);
        if (dir) {
            setenv("XDG_CONFIG_HOME", dir, 1);
            setenv("XDG_DATA_HOME", dir, 1);
            setenv("TREKVANE_ROOT", dir, 1);
        }
    }
} gIsolated;
}  // namespace

ScratchDir::ScratchDir() {
    // Memory-backed when possible: imports flush to storage every 25 points.
    char shm[] = "/dev/shm/trek-tours-XXXXXX";
    char pattern[] = "/tmp/trek-tours-XXXXXX";
    const char* dir = mkdtemp(shm);
    if (!dir) dir = mkdtemp(pattern);
    path_ = dir ? dir : "/tmp";
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    if (path_ != "/tmp" && !path_.empty()) std::filesystem::remove_all(path_, ec);
}

FakeClock::FakeClock(uint32_t start) : now(start) {
    SetTourClock([this] { return now; });
}
FakeClock::~FakeClock() { SetTourClock(nullptr); }

WordFile& WordFile::w(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(uint8_t(v >> (8 * i)));
    return *this;
}
WordFile& WordFile::ws(std::initializer_list<uint32_t> v) {
    for (uint32_t x : v) w(x);
    return *this;
}
WordFile& WordFile::text(int32_t tag, uint32_t backRef, const std::string& utf8) {
    const std::string payload = EncodeTourText(utf8);
    ws({uint32_t(tag), backRef, uint32_t(payload.size())});
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    return *this;
}
WordFile& WordFile::oldHeader(uint32_t time) {
    ws({uint32_t(-3), time, uint32_t(-7), 0, 48});
    w(0x0000FF);                              // red
    for (int i = 0; i < 11; ++i) w(0);        // flags, date, padding
    bytes_[24] = 1;                           // visible
    return *this;
}
bool WordFile::save(const std::string& path) const { return WriteAll(path, bytes_); }

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}
uint32_t WordAt(const std::vector<uint8_t>& b, size_t o) {
    return uint32_t(b.at(o)) | uint32_t(b.at(o + 1)) << 8 | uint32_t(b.at(o + 2)) << 16 | uint32_t(b.at(o + 3)) << 24;
}

std::vector<TourPoint> RecordingWalker::points() const {
    std::vector<TourPoint> out;
    for (const Event& e : events) {
        if (e.kind == "point") out.push_back(e.point);
    }
    return out;
}
void RecordingWalker::onPoint(const TourPoint& p) {
    TourWalker::onPoint(p);
    Event e{"point", pointOffset(), {}, {}, {}, {}};
    e.point = p;
    events.push_back(e);
}
void RecordingWalker::onTimeMark(uint32_t t) { events.push_back({"mark", recordOffset(), {}, {}, {t}, {}}); }
void RecordingWalker::onRunStart(uint32_t t) { events.push_back({"start", recordOffset(), {}, {}, {t}, {}}); }
void RecordingWalker::onRunEnd(uint32_t d, uint32_t s, uint32_t t) {
    events.push_back({"end", recordOffset(), {}, {}, {d, s, t}, {}});
}
void RecordingWalker::onVersion(uint32_t v) {
    TourWalker::onVersion(v);
    events.push_back({"version", recordOffset(), {}, {}, {v}, {}});
}
void RecordingWalker::onFixInfo(uint32_t v) { events.push_back({"fix", recordOffset(), {}, {}, {v}, {}}); }
void RecordingWalker::onAttachedRecord(const AttachedRecord& r) {
    Event e{"attached", ownerOffset(), {}, {}, {}, {}};
    e.attached = r;
    events.push_back(e);
}
void RecordingWalker::onExtraWord(uint32_t w) { events.push_back({"extra", recordOffset(), {}, {}, {w}, {}}); }
void RecordingWalker::onPrimaryData(const DataRecord& r) {
    events.push_back({"data7", r.offset, {}, {}, {r.backRef, uint32_t(r.size)}, DecodeTourText(r.data, r.size)});
}
void RecordingWalker::onSecondaryData(const DataRecord& r) {
    events.push_back({"data8", r.offset, {}, {}, {r.backRef, uint32_t(r.size)}, DecodeTourText(r.data, r.size)});
}
int RecordingWalker::onBlock(const TourBounds& b, uint32_t length) {
    events.push_back({"block", recordOffset(), {}, {}, {uint32_t(b.west), uint32_t(b.north), uint32_t(b.east),
                                                       uint32_t(b.south), length}, {}});
    return blockResult;
}

TourPoint MakePoint(int32_t lon, int32_t lat, int32_t alt, uint16_t speed, uint32_t time) {
    TourPoint p;
    p.lon = lon;
    p.lat = lat;
    p.alt = alt;
    p.speed = speed;
    p.time = time;
    return p;
}

}  // namespace trek::test
