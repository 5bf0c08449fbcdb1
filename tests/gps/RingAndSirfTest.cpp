// Cutting lines and SiRF frames out of the 4096-byte ring, and the SiRF messages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gps/GpsDecoder.h"
#include "gps/GpsMessages.h"
#include "gps/GpsRing.h"
#include "gps/Sirf.h"
#include "tests/gps/GpsTestSupport.h"

namespace trek {
namespace {

std::vector<std::string> Lines(GpsRing& ring) {
    std::vector<std::string> out;
    char line[kGpsLineBufferSize];
    while (ring.extractLine(line)) out.emplace_back(line);
    return out;
}

TEST(GpsRing, LinesComeOutWholeAfterTheirLineFeed) {
    GpsRing ring;
    ring.put("junk\x01\xff$GPGGA,1*00\r", 18);
    EXPECT_TRUE(Lines(ring).empty());
    ring.put("\n$GPRMC,2*00\n$GPG", 17);
    // Garbage before '$' goes with the first sentence; an LF-only line keeps its last character.
    EXPECT_EQ(Lines(ring), (std::vector<std::string>{"$GPGGA,1*00", "$GPRMC,2*00"}));
    ring.put("SA*11\r\n", 7);
    EXPECT_EQ(Lines(ring), (std::vector<std::string>{"$GPGSA*11"}));
    EXPECT_EQ(ring.fill(), 0u);
}

TEST(GpsRing, SentenceAcrossTheEndOfTheRing) {
    GpsRing ring;
    std::string pad(kGpsRingSize - 10, 'x');
    ring.put(pad.data(), pad.size());
    EXPECT_TRUE(Lines(ring).empty());  // nothing there can start a line
    std::string sentence = "$GPGGA,123519,4807.038,N*00\r\n";
    ring.put(sentence.data(), sentence.size());
    EXPECT_LT(ring.writePosition(), ring.readPosition()) << "the sentence wraps";
    EXPECT_EQ(Lines(ring), (std::vector<std::string>{"$GPGGA,123519,4807.038,N*00"}));
}

TEST(GpsRing, NeverOverwritesAndNeverStalls) {
    GpsRing ring;
    std::string noEnd = "$" + std::string(kGpsRingSize + 100, 'a');
    EXPECT_EQ(ring.put(noEnd.data(), noEnd.size()), kGpsRingSize) << "a full ring takes no more";
    EXPECT_TRUE(Lines(ring).empty());
    EXPECT_LT(ring.fill(), kGpsRingSize) << "a line longer than the ring is given up";
    ring.clear();
    std::string line = "$GPGGA*00\r\n";
    ring.put(line.data(), line.size());
    EXPECT_EQ(Lines(ring).size(), 1u);
}

TEST(Sirf, FramesOfTheCommands) {
    const uint8_t zero = 0, one = 1;
    EXPECT_EQ(BuildSirfFrame(kSirfMidPollNavigation, &zero, 1),
              (std::vector<uint8_t>{0xA0, 0xA2, 0x00, 0x02, 0x98, 0x00, 0x00, 0x98, 0xB0, 0xB3}));
    EXPECT_EQ(BuildSirfFrame(kSirfMidSetStaticNavigation, &zero, 1),
              (std::vector<uint8_t>{0xA0, 0xA2, 0x00, 0x02, 0x8F, 0x00, 0x00, 0x8F, 0xB0, 0xB3}));
    EXPECT_EQ(BuildSirfFrame(kSirfMidSetStaticNavigation, &one, 1),
              (std::vector<uint8_t>{0xA0, 0xA2, 0x00, 0x02, 0x8F, 0x01, 0x00, 0x90, 0xB0, 0xB3}));
    std::string sw = SirfBinarySwitchSentence(4800);
    EXPECT_EQ(sw.substr(0, 22), "$PSRF100,0,4800,8,1,0*");
    EXPECT_TRUE(NmeaChecksumOk(sw.substr(0, sw.size() - 2).c_str())) << sw;
    EXPECT_EQ(sw.substr(sw.size() - 2), "\r\n");
    std::vector<uint8_t> nmea = SirfNmeaModeData(4800);
    ASSERT_EQ(nmea.size(), 23u);
    EXPECT_EQ(nmea[21], 0x12);
    EXPECT_EQ(nmea[22], 0xC0);
}

// A MID 41 payload in the published layout.
std::vector<uint8_t> Geodetic(double lat, double lon, int32_t altMslCm, uint16_t speedCms, uint16_t course100,
                              uint8_t sats) {
    std::vector<uint8_t> p(91, 0);
    p[0] = kSirfMidGeodeticNavigation;
    auto be32 = [&](size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i) p[at + static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (24 - 8 * i));
    };
    auto be16 = [&](size_t at, uint16_t v) {
        p[at] = static_cast<uint8_t>(v >> 8);
        p[at + 1] = static_cast<uint8_t>(v);
    };
    be16(3, 4);  // more than 3 satellites
    be16(11, 2019);
    p[13] = 4;
    p[14] = 23;
    p[15] = 17;
    p[16] = 5;
    be16(17, 42500);
    be32(23, static_cast<int32_t>(std::lround(lat * 1e7)));
    be32(27, static_cast<int32_t>(std::lround(lon * 1e7)));
    be32(31, altMslCm + 2000);
    be32(35, altMslCm);
    be16(40, speedCms);
    be16(42, course100);
    p[88] = sats;
    return p;
}

std::vector<uint8_t> Frame(const std::vector<uint8_t>& payload) {
    return BuildSirfFrame(payload[0], payload.data() + 1, payload.size() - 1);
}

TEST(Sirf, GeodeticNavigationFromTheRingAcrossItsEnd) {
    GpsRing ring;
    std::string pad(kGpsRingSize - 30, '\x55');
    ring.put(pad.data(), pad.size());
    ring.consume(pad.size());
    auto frame = Frame(Geodetic(44.0612345, -121.3123456, 112345, 250, 9000, 7));
    std::vector<uint8_t> noise = {0x00, 0xA0, 0x11, 0xA2};
    ring.put(noise.data(), noise.size());
    ring.put(frame.data(), 20);
    uint8_t out[kGpsRingSize];
    size_t length = 0;
    EXPECT_FALSE(ring.extractSirfFrame(out, &length)) << "incomplete";
    ring.put(frame.data() + 20, frame.size() - 20);
    ASSERT_TRUE(ring.extractSirfFrame(out, &length));
    ASSERT_EQ(length, frame.size());
    EXPECT_EQ(std::memcmp(out, frame.data(), length), 0);

    test::RecordingEvents events;
    GpsRunState run;
    GpsDecoder d({}, &events, &run);
    ASSERT_TRUE(DecodeSirfFrame(d, out, length));
    EXPECT_EQ(d.position.lat, static_cast<int32_t>(std::lround(44.0612345 * geo::kUnitsPerDegree)));
    EXPECT_EQ(d.position.lon, static_cast<int32_t>(std::lround(-121.3123456 * geo::kUnitsPerDegree)));
    EXPECT_EQ(d.position.altitude, 112345);
    EXPECT_EQ(d.position.speed, 250u);
    EXPECT_EQ(d.position.course, 1570);
    EXPECT_EQ(d.position.satellitesUsed, 7);
    EXPECT_EQ(d.position.fixMode, kFixMode3D);
    EXPECT_EQ(d.position.year, 2019);
    EXPECT_EQ(d.position.second, 42);
    EXPECT_EQ(d.smoothed.lat, d.position.lat);
    EXPECT_EQ(d.smoothedSpeed, 250);
    EXPECT_EQ(events.count(UM_POSITION), 1);
    EXPECT_TRUE(d.dataReceived);
}

TEST(Sirf, NavigationParametersSetStaticNavigation) {
    std::vector<uint8_t> p(65, 0);
    p[0] = kSirfMidNavigationParameters;
    p[13] = 1;
    GpsDecoder d;
    auto frame = Frame(p);
    StaticNavigationState() = false;
    ASSERT_TRUE(DecodeSirfFrame(d, frame.data(), frame.size()));
    EXPECT_TRUE(StaticNavigationState());
    p[13] = 0;
    frame = Frame(p);
    DecodeSirfFrame(d, frame.data(), frame.size());
    EXPECT_FALSE(StaticNavigationState());
}

TEST(Sirf, DamagedAndShortFramesAreRefused) {
    GpsDecoder d;
    auto frame = Frame(Geodetic(10, 10, 0, 0, 0, 0));
    frame[30] ^= 0x01;
    EXPECT_FALSE(DecodeSirfFrame(d, frame.data(), frame.size())) << "checksum";
    std::vector<uint8_t> shortPayload(20, 0);
    shortPayload[0] = kSirfMidGeodeticNavigation;
    auto shortFrame = Frame(shortPayload);
    EXPECT_FALSE(DecodeSirfFrame(d, shortFrame.data(), shortFrame.size()));
    EXPECT_EQ(d.position, GpsPosition{});
}

TEST(Sirf, DeviceExceptions) {
    EXPECT_FALSE(SirfAllowedOnDevice("MITAC Mio P550"));
    EXPECT_FALSE(SirfAllowedOnDevice("m800v02"));
    EXPECT_FALSE(SirfAllowedOnDevice("Centrality Atlas"));
    EXPECT_TRUE(SirfAllowedOnDevice("HTC Touch"));
    EXPECT_TRUE(SirfAllowedOnDevice("Mit"));
}

}  // namespace
}  // namespace trek
