// The fix record and the four sentence parsers with their filters.
#include <gtest/gtest.h>

#include "gps/GpsDecoder.h"
#include "gps/GpsMessages.h"
#include "gps/GpsTime.h"
#include "gps/MovingAverage.h"
#include "tests/gps/GpsTestSupport.h"

namespace trek {
namespace {

using test::Nmea;

struct DecoderFixture : ::testing::Test {
    test::RecordingEvents events;
    GpsRunState run;  // a fresh RMC run count per test
    GpsFilterSettings settings;
    std::unique_ptr<GpsDecoder> decoder;
    void SetUp() override { make(); }
    void make() { decoder = std::make_unique<GpsDecoder>(settings, &events, &run); }
    bool feed(const std::string& line) { return decoder->parseLine(line.c_str()); }
    GpsDecoder& d() { return *decoder; }
};

const std::string kGga = Nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");

TEST_F(DecoderFixture, GgaGivesPositionInGeoUnitsAndAltitudeInCentimetres) {
    ASSERT_TRUE(feed(kGga));
    EXPECT_EQ(d().position.lat, 83980531);
    EXPECT_EQ(d().position.lon, 20100374);
    EXPECT_EQ(d().position.satellitesUsed, 8);
    EXPECT_EQ(d().position.altitude, 54540);
    EXPECT_EQ(events.count(UM_POSITION), 1);
    EXPECT_TRUE(d().dataReceived);
    EXPECT_EQ(events.receivedCount, 1);
}

TEST_F(DecoderFixture, SouthAndWestNegate) {
    feed(Nmea("GPGGA,030719.000,3747.0873,S,17518.8938,W,1,08,1.1,59.9,M,23.7,M,,0000"));
    EXPECT_EQ(d().position.lat, -(DegreesToGeo(37) + static_cast<int32_t>(47.0873 * geo::kUnitsPerMinute)));
    EXPECT_EQ(d().position.lon, -(DegreesToGeo(175) + static_cast<int32_t>(18.8938 * geo::kUnitsPerMinute)));
}

TEST_F(DecoderFixture, DamagedOrForeignSentencesChangeNothing) {
    std::string damaged = kGga;
    damaged[20] = '9';  // same checksum, other text
    std::string noStar = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
    const std::string rejected[] = {
        damaged,
        noStar,
        Nmea("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K"),
        Nmea("XXGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
        Nmea("PGRME,15.0,M,45.0,M,25.0,M"),
        "",
        "$",
    };
    for (const auto& line : rejected) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(feed(line));
    }
    EXPECT_EQ(d().position, GpsPosition{});
    EXPECT_TRUE(events.posted.empty());
    EXPECT_FALSE(d().dataReceived);
}

TEST_F(DecoderFixture, EveryModernTalkerGivesPositionsTimesAndFixMode) {
    for (const char* talker : {"GP", "GN", "GL", "GA", "GB", "BD"}) {
        SCOPED_TRACE(talker);
        make();
        std::string t = talker;
        EXPECT_TRUE(feed(Nmea(t + "GGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,")));
        EXPECT_TRUE(feed(Nmea(t + "RMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")));
        EXPECT_TRUE(feed(Nmea(t + "GSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1")));
        EXPECT_EQ(d().position.lat, 83980531);
        EXPECT_EQ(d().position.speed, 1152u);
        EXPECT_EQ(d().position.fixMode, 3);
    }
}

TEST_F(DecoderFixture, EmptyQualityMarksFixModeUntilNextGsa) {
    feed(Nmea("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"));
    feed(Nmea("GPGGA,123519,4807.038,N,01131.000,E,,08,0.9,545.4,M,46.9,M,,"));
    EXPECT_EQ(d().position.fixMode, kFixModeNoQuality);
    feed(Nmea("GPGSA,A,2,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"));
    EXPECT_EQ(d().position.fixMode, 2);
}

TEST_F(DecoderFixture, EmptyFieldsKeepPositionAndAltitude) {
    feed(kGga);
    feed(Nmea("GPGGA,123520,,,,,1,,0.9,,M,46.9,M,,"));
    EXPECT_EQ(d().position.lat, 83980531);
    EXPECT_EQ(d().position.lon, 20100374);
    EXPECT_EQ(d().position.altitude, 54540);
    EXPECT_EQ(d().position.satellitesUsed, 0);
    EXPECT_EQ(events.count(UM_POSITION), 2);
}

TEST_F(DecoderFixture, GsaFillsChannelsAndDops) {
    feed(Nmea("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,"));
    const GpsChannel* ch = d().channels.channel;
    EXPECT_EQ(ch[0].status, kChannelUsed);
    EXPECT_EQ(ch[0].prn, 4);
    EXPECT_EQ(ch[2].status, kChannelEmpty);
    EXPECT_EQ(ch[7].prn, 24);
    EXPECT_EQ(ch[11].status, kChannelEmpty);
    EXPECT_EQ(d().sky.pdop, 25);
    EXPECT_EQ(d().sky.hdop, 13);
    EXPECT_EQ(d().sky.vdop, 0);  // '*' right after the comma
    EXPECT_TRUE(d().gsaSeen);
}

TEST_F(DecoderFixture, RmcSpeedCourseDateAndValidTime) {
    // 10 knots = 514.44 cm/s; 90 degrees = 1570 mrad.
    std::string rmc = Nmea("GPRMC,081836,A,3751.65,S,14507.36,E,10.0,90.0,010107,11.3,E");
    for (int i = 1; i <= 10; ++i) {
        feed(rmc);
        EXPECT_EQ(d().gpsTime, 0u) << "sentence " << i;
    }
    feed(rmc);
    EXPECT_EQ(d().position.speed, 514u);
    EXPECT_EQ(d().position.course, 1570);
    EXPECT_EQ(d().position.year, 2007);
    EXPECT_EQ(d().position.month, 1);
    EXPECT_EQ(d().position.day, 1);
    EXPECT_EQ(d().position.hour, 8);
    EXPECT_EQ(d().position.minute, 18);
    EXPECT_EQ(d().position.second, 36);
    EXPECT_EQ(d().gpsTime, GpsSecondsSince1980(2007, 1, 1, 8, 18, 36));
    EXPECT_TRUE(events.posted.empty()) << "RMC posts nothing";

    // One 'V' starts the count again; an empty status neither counts nor validates.
    feed(Nmea("GPRMC,081837,V,3751.65,S,14507.36,E,10.0,90.0,010107,11.3,E"));
    EXPECT_EQ(d().gpsTime, 0u);
    feed(Nmea("GPRMC,081837,,3751.65,S,14507.36,E,10.0,90.0,010107,11.3,E"));
    for (int i = 1; i <= 10; ++i) feed(rmc);
    EXPECT_EQ(d().gpsTime, 0u);
    feed(rmc);
    EXPECT_NE(d().gpsTime, 0u);
}

TEST_F(DecoderFixture, RmcRunCountOutlivesTheReceiver) {
    std::string rmc = Nmea("GPRMC,081836,A,3751.65,S,14507.36,E,0.0,0.0,010107,11.3,E");
    for (int i = 0; i < 10; ++i) feed(rmc);
    make();  // a new receiver, same process
    feed(rmc);
    EXPECT_NE(d().gpsTime, 0u);
}

TEST_F(DecoderFixture, GsvCycleRecordsOnlySatellitesWithSignal) {
    feed(Nmea("GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,,13,06,292,00"));
    feed(Nmea("GPGSV,3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,"));
    EXPECT_EQ(events.count(UM_SATELLITES), 0) << "nothing before the cycle completes";
    feed(Nmea("GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00"));
    EXPECT_EQ(d().sky.satellitesInView, 9);  // 11 announced, 2 without SNR
    EXPECT_EQ(events.count(UM_SATELLITES), 1);
    const GpsSatellite& first = d().sky.satellites[0];
    EXPECT_EQ(first.prn, 3);
    EXPECT_EQ(first.elevation, static_cast<int16_t>(3 * 174.532925199));
    EXPECT_EQ(first.azimuth, static_cast<int16_t>(111 * 174.532925199));
    EXPECT_EQ(d().sky.satellites[2].prn, 13);                                       // 06 skipped
    EXPECT_EQ(d().sky.satellites[1].azimuth, static_cast<int16_t>(-90 * 174.532925199));  // 270 -> -90

    // The same cycle again changes nothing and posts nothing.
    events.posted.clear();
    feed(Nmea("GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,,13,06,292,00"));
    feed(Nmea("GPGSV,3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,"));
    feed(Nmea("GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00"));
    EXPECT_EQ(events.count(UM_SATELLITES), 0);
}

TEST_F(DecoderFixture, GsvCyclesOfTalkersStayApartAndListGpsFirst) {
    // A GLONASS cycle interleaved in the middle of a GPS cycle.
    feed(Nmea("GPGSV,2,1,05,01,10,100,30,02,20,200,31,03,30,300,32,04,40,040,33"));
    feed(Nmea("GLGSV,1,1,02,65,50,050,40,66,60,060,41"));
    EXPECT_EQ(d().sky.satellitesInView, 2);
    EXPECT_EQ(d().sky.satellites[0].prn, 65);
    feed(Nmea("GPGSV,2,2,05,05,50,150,34"));
    ASSERT_EQ(d().sky.satellitesInView, 7);
    const int expected[] = {1, 2, 3, 4, 5, 65, 66};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(d().sky.satellites[i].prn, expected[i]) << i;
}

TEST_F(DecoderFixture, SilentTalkerDropsOutOfTheSkyView) {
    feed(Nmea("GLGSV,1,1,01,65,50,050,40"));
    std::string gps = Nmea("GPGSV,1,1,01,01,10,100,30");
    for (int i = 0; i < kGsvStaleCycles; ++i) feed(gps);
    EXPECT_EQ(d().sky.satellitesInView, 2);
    feed(gps);
    EXPECT_EQ(d().sky.satellitesInView, 1);
    EXPECT_EQ(d().sky.satellites[0].prn, 1);
}

TEST_F(DecoderFixture, TwelveSatellitesAtMost) {
    feed(Nmea("GPGSV,4,1,16,01,10,100,30,02,10,100,30,03,10,100,30,04,10,100,30"));
    feed(Nmea("GPGSV,4,2,16,05,10,100,30,06,10,100,30,07,10,100,30,08,10,100,30"));
    feed(Nmea("GPGSV,4,3,16,09,10,100,30,10,10,100,30,11,10,100,30,12,10,100,30"));
    feed(Nmea("GPGSV,4,4,16,13,10,100,30,14,10,100,30,15,10,100,30,16,10,100,30"));
    EXPECT_EQ(d().sky.satellitesInView, 12);
    EXPECT_EQ(d().sky.satellites[11].prn, 12);
}

// A GGA at a fixed place with the speed and course of a preceding RMC.
std::string Gga(double minutes) {
    char body[128];
    std::snprintf(body, sizeof body, "GPGGA,120000,4807.%06.0f,N,01131.000,E,1,08,0.9,%.1f,M,46.9,M,,",
                  minutes * 1e6, 500.0 + minutes);
    return Nmea(body);
}
std::string Rmc(double knots, double course) {
    char body[128];
    std::snprintf(body, sizeof body, "GPRMC,120000,A,4807.038,N,01131.000,E,%.3f,%.2f,010107,,", knots, course);
    return Nmea(body);
}

TEST_F(DecoderFixture, StandingStillSmoothsOverTheWindowAndSpeedUsesRawValues) {
    std::vector<int32_t> lats;
    for (int i = 0; i < 8; ++i) {
        feed(Rmc(0, 0));
        feed(Gga(0.01 * i));
        lats.push_back(d().position.lat);
    }
    int64_t sum = 0;
    for (int i = 3; i < 8; ++i) sum += lats[static_cast<size_t>(i)];
    EXPECT_EQ(d().smoothed.lat, static_cast<int32_t>(sum / 5));
    EXPECT_EQ(d().smoothed.lon, d().position.lon);
    EXPECT_NE(d().smoothed.lat, d().position.lat);

    // 2 km/h (56 cm/s = 1.09 knots): raw values at once...
    feed(Rmc(1.09, 0));
    feed(Gga(0.5));
    EXPECT_EQ(d().smoothed.lat, d().position.lat);
    EXPECT_EQ(d().smoothedAltitude, d().position.altitude);
    // ...and the next fix starts from cleared filters, even when slow again.
    feed(Rmc(0, 0));
    feed(Gga(0.6));
    EXPECT_EQ(d().smoothed.lat, d().position.lat);
    EXPECT_EQ(d().latFilter.count(), 1u);
}

TEST_F(DecoderFixture, AveragingOffGivesRawValues) {
    settings.positionOn = false;
    make();
    feed(Gga(0.1));
    feed(Gga(0.2));
    EXPECT_EQ(d().smoothed.lat, d().position.lat);
}

TEST_F(DecoderFixture, CourseAcrossNorthStaysNearNorth) {
    // 20 knots: fast enough for every course to count, below the clearing speed.
    const double degrees[] = {355.2, 356.0, 357.0, 358.5, 5.7, 7.0};
    for (double c : degrees) {
        feed(Rmc(10, c));
        feed(Gga(0.1));
    }
    int32_t avg = d().courseAverage();
    int32_t normalised = ((avg % 6283) + 6283) % 6283;
    EXPECT_TRUE(normalised < 200 || normalised > 6083) << avg;
}

TEST_F(DecoderFixture, SlowCourseOnlyFillsAnEmptyFilter) {
    feed(Rmc(0.5, 90));  // 0.9 km/h
    feed(Gga(0.1));
    feed(Rmc(0.5, 180));
    feed(Gga(0.1));
    EXPECT_EQ(d().courseFilter.count(), 1u);
    EXPECT_EQ(d().courseAverage(), 1570);
}

TEST_F(DecoderFixture, ParsersSurviveShortAndOddSentences) {
    const char* bodies[] = {
        "GPGGA", "GPGGA,", "GPGGA,1,4", "GPGGA,1,4,N,", "GPGSV,", "GPGSV,9,9", "GPGSV,1,1,1,2,3",
        "GPGSA,A", "GPRMC,1", "GPRMC,123456,A,,,,,-5,-90,99", "GPGGA,1,99999999999999999999,N,1e308,E,1,-4,,1e400,M",
        "GPGSV,1,1,04,-1,-99999,99999,1", "GPGGA,1,nan,N,inf,E,1,1,1,nan,M",
    };
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        EXPECT_TRUE(feed(Nmea(body)));
    }
}

TEST(MovingAverage, OperationsTable) {
    MovingAverage32 m(3);
    EXPECT_EQ(m.average(), 0);
    m.push(-1);
    m.push(-2);
    EXPECT_EQ(m.average(), -1) << "truncated toward zero";
    m.push(6);
    m.push(9);  // -1 leaves the window
    EXPECT_EQ(m.average(), 13 / 3);
    m.shift(6283);
    EXPECT_EQ(m.average(), (13 + 3 * 6283) / 3);
    m.clear();
    EXPECT_TRUE(m.empty());
    EXPECT_EQ(MovingAverage64(0).window(), 1u);
    MovingAverage64 big(2);
    big.push(2000000000);
    big.push(2000000000);
    EXPECT_EQ(big.average(), 2000000000);
}

TEST(GpsTime, SecondsSince1980) {
    struct Row {
        unsigned y, mo, d, h, mi, s;
        uint32_t expected;
    };
    const Row rows[] = {
        {1980, 1, 1, 0, 0, 1, 1},
        {1980, 3, 1, 0, 0, 0, 60 * 86400},  // 1980 is a leap year
        {2014, 12, 31, 3, 7, 29, 1104462449},
        {2000, 3, 1, 0, 0, 0, 636336000},
        {1979, 12, 31, 0, 0, 0, 0},
        {2007, 13, 1, 0, 0, 0, 0},
    };
    for (const Row& r : rows) EXPECT_EQ(GpsSecondsSince1980(r.y, r.mo, r.d, r.h, r.mi, r.s), r.expected) << r.y;
}

}  // namespace
}  // namespace trek
