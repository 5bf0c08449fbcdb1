// Real logs recorded from receivers, decoded here and by gpsd (the .chk
// files hold gpsd's fixes as JSON lines). Skips when the corpus is absent.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gps/GpsDecoder.h"
#include "gps/GpsMessages.h"
#include "gps/GpsRing.h"
#include "gps/Sirf.h"

namespace trek {
namespace {
namespace fs = std::filesystem;

fs::path CorpusDir() { return fs::path(TREK_SOURCE_DIR) / "../shared/corpus"; }

struct Tpv {
    double lat = NAN, lon = NAN, alt = NAN, speed = NAN, track = NAN;
};

double Field(const std::string& line, const char* name) {
    std::string key = std::string("\"") + name + "\":";
    size_t at = line.find(key);
    return at == std::string::npos ? NAN : std::strtod(line.c_str() + at + key.size(), nullptr);
}

std::vector<Tpv> ReadChk(const fs::path& path) {
    std::vector<Tpv> out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("\"class\":\"TPV\"") == std::string::npos) continue;
        Tpv t{Field(line, "lat"), Field(line, "lon"), Field(line, "altMSL"), Field(line, "speed"),
              Field(line, "track")};
        if (std::isnan(t.alt)) t.alt = Field(line, "alt");
        if (!std::isnan(t.lat)) out.push_back(t);
    }
    return out;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every UM_POSITION with the records at that moment; NMEA positions only
// when their GGA reports a fix, as gpsd reports only those.
struct Collector : GpsDecoderEvents {
    GpsDecoder* decoder = nullptr;
    bool fix = true;
    std::vector<GpsPosition> positions;
    void post(uint32_t message) override {
        if (message == UM_POSITION && fix) positions.push_back(decoder->position);
    }
};

// GGA field 6, the fix quality: 0 is no fix.
bool GgaHasFix(const char* line) {
    const char* p = line;
    for (int commas = 0; *p && commas < 6; ++p) commas += *p == ',';
    return *p >= '1' && *p <= '9';
}

// Runs a log through the ring and the parsers the way the reader thread does.
std::vector<GpsPosition> Decode(const std::string& bytes, bool binary) {
    Collector c;
    GpsRunState run;
    GpsDecoder d({}, &c, &run);
    c.decoder = &d;
    GpsRing ring;
    std::vector<char> line(kGpsLineBufferSize);
    std::vector<uint8_t> frame(kGpsRingSize);
    size_t at = 0;
    while (at < bytes.size() || ring.fill() > 0) {
        at += ring.put(bytes.data() + at, std::min<size_t>(16, bytes.size() - at));
        if (binary) {
            size_t length;
            while (ring.extractSirfFrame(frame.data(), &length)) DecodeSirfFrame(d, frame.data(), length);
        } else {
            while (ring.extractLine(line.data())) {
                c.fix = GgaHasFix(line.data());
                d.parseLine(line.data());
            }
        }
        if (at >= bytes.size()) break;
    }
    return c.positions;
}

bool Near(double ours, double theirs, double tolerance) { return std::fabs(ours - theirs) <= tolerance; }

struct Match {
    size_t positions = 0, matched = 0;
};

// Our positions that gpsd also reported: position within `units` geo units
// (3 are about 2 cm) and, when asked, the altitude within a centimetre.
Match Compare(const std::vector<GpsPosition>& ours, const std::vector<Tpv>& chk, int units = 3,
              bool altitude = true) {
    Match m;
    const double tol = units * geo::kDegreesPerUnit;
    for (const GpsPosition& p : ours) {
        if (p.lat == 0 && p.lon == 0) continue;
        ++m.positions;
        for (const Tpv& t : chk) {
            if (Near(GeoToDegrees(p.lat), t.lat, tol) && Near(GeoToDegrees(p.lon), t.lon, tol) &&
                (!altitude || std::isnan(t.alt) || Near(p.altitude, t.alt * 100, 1.01))) {
                ++m.matched;
                break;
            }
        }
    }
    return m;
}

class Corpus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(CorpusDir() / "gpsd")) GTEST_SKIP() << "no corpus at " << CorpusDir();
    }
};

TEST_F(Corpus, NmeaLogsGiveThePositionsGpsdDecoded) {
    size_t logs = 0;
    for (const auto& entry : fs::directory_iterator(CorpusDir() / "gpsd")) {
        fs::path log = entry.path();
        if (log.extension() != ".log" || !fs::exists(log.string() + ".chk")) continue;
        std::string bytes = ReadAll(log);
        if (bytes.find("$G") == std::string::npos && bytes.find("$B") == std::string::npos) continue;
        std::vector<GpsPosition> ours = Decode(bytes, false);
        if (ours.empty()) continue;  // logs without GGA
        Match m = Compare(ours, ReadChk(log.string() + ".chk"));
        SCOPED_TRACE(log.filename().string());
        std::printf("%-32s %zu positions, %zu as gpsd\n", log.filename().c_str(), m.positions, m.matched);
        EXPECT_GE(m.matched * 10, m.positions * 9);
        ++logs;
    }
    EXPECT_GT(logs, 5u);
}

TEST_F(Corpus, SirfBinaryLogsGiveThePositionsGpsdDecoded) {
    size_t logs = 0;
    for (const char* name : {"bu303-climbing.log", "bu303-moving.log", "sirfstarv.log"}) {
        fs::path log = CorpusDir() / "gpsd" / name;
        if (!fs::exists(log)) continue;
        std::vector<GpsPosition> ours = Decode(ReadAll(log), true);
        // gpsd takes its fixes from the ECEF message (MID 2) where both are
        // sent; the two differ by up to a metre or so on older firmware.
        Match m = Compare(ours, ReadChk(log.string() + ".chk"), 20, false);
        SCOPED_TRACE(name);
        std::printf("%-32s %zu positions, %zu as gpsd\n", name, m.positions, m.matched);
        EXPECT_GT(m.positions, 5u);
        EXPECT_GE(m.matched * 10, m.positions * 9);
        ++logs;
    }
    EXPECT_GT(logs, 0u);
}

}  // namespace
}  // namespace trek
