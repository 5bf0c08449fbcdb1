// The file format: header, blocks, points and texts written by the recorder
// read back exactly.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/tours/TourTestSupport.h"
#include "tours/TourRecorder.h"
#include "tours/TourTime.h"

namespace trek::test {
namespace {

using namespace tourfile;

constexpr int32_t kMunichLon = 20100374;  // 11.5167 E
constexpr int32_t kMunichLat = 83980531;  // 48.117 N

TEST(TourTime, CalendarRoundTripsAndLeapYears) {
    struct Row {
        CalendarTime t;
        uint32_t seconds;
    };
    const Row rows[] = {
        {{1980, 1, 1, 0, 0, 0}, 0},
        {{1980, 3, 1, 0, 0, 0}, 60 * 86400},          // 1980 is a leap year
        {{2006, 8, 29, 12, 8, 57}, 841320537},        // the converter's first synthetic time
        {{2000, 3, 1, 0, 0, 0}, TourTimeFromCalendar({2000, 2, 29, 0, 0, 0}) + 86400},
        {{2100, 3, 1, 0, 0, 0}, TourTimeFromCalendar({2100, 2, 28, 0, 0, 0}) + 86400},  // 2100 is not
    };
    for (const Row& r : rows) {
        EXPECT_EQ(TourTimeFromCalendar(r.t), r.seconds) << r.t.year << "-" << r.t.month;
        EXPECT_EQ(CalendarFromTourTime(r.seconds), r.t);
    }
}

TEST(TourCell, FloorsNegativeCoordinates) {
    struct Row {
        int32_t value, west;
    };
    const Row rows[] = {{0, 0}, {116355, 0}, {116356, 116356}, {-1, -116356}, {-116356, -116356},
                        {-116357, -232712}};
    for (const Row& r : rows) {
        const TourBounds b = TourCell(r.value, r.value);
        EXPECT_EQ(b.west, r.west) << r.value;
        EXPECT_EQ(b.east, r.west + 116355) << r.value;
        EXPECT_EQ(b.south, r.west);
        EXPECT_EQ(b.north, r.west + 116355);
    }
}

TEST(TourColour, TableLookupWrapAndCustom) {
    EXPECT_EQ(TourColour::FromColorRef(0x0000FF), (TourColour{0, 0}));
    EXPECT_EQ(TourColour::FromColorRef(0xFF0000), (TourColour{6, 0}));
    EXPECT_EQ(TourColour::FromColorRef(0x123456), (TourColour{TourColour::kCustom, 0x123456}));
    TourColour c{6, 0};
    c.advance();
    EXPECT_EQ(c.index, 0);
    TourColour custom{TourColour::kCustom, 0x123456};
    custom.advance();
    EXPECT_EQ(custom.colorRef(), 0x123456u);
}

TEST(TourText, LengthIsTextPlusNulInWholeWords) {
    struct Row {
        std::string text;
        size_t bytes;
    };
    const Row rows[] = {{"", 4}, {"a", 4}, {"ab", 8}, {"abc", 8}, {"äöü€", 12}, {"\xF0\x9F\x98\x80", 8}};
    for (const Row& r : rows) {
        const std::string enc = EncodeTourText(r.text);
        EXPECT_EQ(enc.size(), r.bytes) << r.text;
        EXPECT_EQ(DecodeTourText(reinterpret_cast<const uint8_t*>(enc.data()), enc.size()), r.text);
    }
    // Unpaired surrogates and malformed UTF-8 do not break anything.
    const uint8_t lone[] = {0x00, 0xD8, 0x41, 0x00};
    EXPECT_EQ(DecodeTourText(lone, 4), "\xEF\xBF\xBD" "A");
    EXPECT_EQ(EncodeTourText("\xFF").size(), 4u);
}

TEST(TourFile, NewTourIs120BytesAndHeaderReadsBack) {
    ScratchDir dir;
    FakeClock clock(TourTimeFromCalendar({2024, 5, 17, 9, 30, 0}));
    const std::string path = dir.file("T.TUR");
    {
        Tour tour("T", path);
        TourRecorder::Options options;
        options.colour = 3;
        TourRecorder rec(tour, options);
        ASSERT_TRUE(rec.start());
        EXPECT_EQ(tour.dateText(), "2024/05/17");
    }
    const auto bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 120u);
    EXPECT_EQ(int32_t(WordAt(bytes, 0)), -3);
    EXPECT_EQ(WordAt(bytes, 4), clock.now);
    EXPECT_EQ(int32_t(WordAt(bytes, 8)), -7);
    EXPECT_EQ(WordAt(bytes, 16), 48u);
    EXPECT_EQ(WordAt(bytes, 20), 0x00FF00u);  // green
    EXPECT_EQ(int32_t(WordAt(bytes, 68)), -7);
    EXPECT_EQ(WordAt(bytes, 76), 16u);
    EXPECT_EQ(int32_t(WordAt(bytes, 80)), 523598775);
    EXPECT_EQ(int32_t(WordAt(bytes, 84)), -523598775);
    EXPECT_EQ(int32_t(WordAt(bytes, 96)), -8);
    EXPECT_EQ(int32_t(WordAt(bytes, 112)), -5);
    EXPECT_EQ(WordAt(bytes, 116), 9u);

    Tour back("x", path);
    ASSERT_TRUE(back.readHeader());
    EXPECT_EQ(back.colour().index, 3);
    EXPECT_EQ(back.dateText(), "2024/05/17");
    EXPECT_EQ(back.kind(), Tour::kTour);
    EXPECT_EQ(back.visible(), 1);
    EXPECT_TRUE(back.bounds().empty());
    EXPECT_EQ(back.descriptionOffset(), 0u);
}

TEST(TourFile, HeaderWithoutPrimaryRecordIsRefusedOldHeaderAccepted) {
    ScratchDir dir;
    WordFile bad;
    bad.ws({uint32_t(-3), 0, 0, 0, 0});
    ASSERT_TRUE(bad.save(dir.file("bad.TUR")));
    Tour badTour("bad", dir.file("bad.TUR"));
    EXPECT_FALSE(badTour.readHeader());

    WordFile old;
    old.oldHeader(5).ws({uint32_t(-5), 6});
    ASSERT_TRUE(old.save(dir.file("old.TUR")));
    Tour oldTour("old", dir.file("old.TUR"));
    ASSERT_TRUE(oldTour.readHeader());
    EXPECT_TRUE(oldTour.bounds().empty());
    EXPECT_EQ(oldTour.colour().index, 0);
}

TEST(TourFile, ImportedPointsReadBackExactlyWithBlocksAndBox) {
    ScratchDir dir;
    FakeClock clock(1000);
    const std::string path = dir.file("import.TUR");
    std::vector<TourPoint> written;
    {
        Tour tour("import", path);
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
        // 300 points walking east across several cells, including negative ones.
        for (int i = 0; i < 300; ++i) {
            TourPoint p = MakePoint(-200000 + i * 1500, kMunichLat + i * 7, 50000 + i, uint16_t(i * 3), 5000 + i);
            p.sats = uint8_t(i % 13);
            ASSERT_TRUE(rec.appendRecord(p, false, i == 150 ? kSegmentStartBit : 0, false));
            written.push_back(p);
        }
    }
    Tour tour("import", path);
    ASSERT_TRUE(tour.readHeader());
    RecordingWalker walker;
    ASSERT_TRUE(walker.walk(&tour));
    const auto points = walker.points();
    ASSERT_EQ(points.size(), written.size());
    for (size_t i = 0; i < points.size(); ++i) {
        const TourPoint& p = points[i];
        EXPECT_EQ(p.number(), i);
        EXPECT_EQ(p.lon, written[i].lon);
        EXPECT_EQ(p.lat, written[i].lat);
        EXPECT_EQ(p.alt, written[i].alt);
        EXPECT_EQ(p.speed, written[i].speed);
        EXPECT_EQ(p.sats, written[i].sats);
        EXPECT_EQ(p.fix, 3);
        EXPECT_EQ(p.time, written[i].time);
        EXPECT_EQ(p.isSegmentStart(), i == 150);
        EXPECT_EQ(p.zone(), p.lon < 0 ? 30 : 31);
        EXPECT_EQ(p.band(), 'U');
    }
    // Blocks: each cell once, all but the last closed with the exact length.
    std::vector<Event> blocks;
    for (const Event& e : walker.events) {
        if (e.kind == "block") blocks.push_back(e);
    }
    ASSERT_GE(blocks.size(), 4u);
    for (size_t i = 0; i + 1 < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].values[4], blocks[i + 1].offset - blocks[i].offset - 24);
    }
    EXPECT_EQ(blocks.back().values[4], 0u);
    EXPECT_EQ(tour.bounds().west, TourCell(-200000, 0).west);
    EXPECT_EQ(tour.bounds().east, TourCell(-200000 + 299 * 1500, 0).east);
    EXPECT_EQ(tour.bounds().south, TourCell(0, kMunichLat).south);
}

TEST(TourFile, UtmWordsMatchTheConversion) {
    ScratchDir dir;
    Tour tour("u", dir.file("u.TUR"));
    TourRecorder rec(tour, {});
    ASSERT_TRUE(rec.start());
    // 48.0 N 11.0 E: zone 32, band U, 649 188 / 5 318 236.
    ASSERT_TRUE(rec.appendRecord(MakePoint(DegreesToGeoRounded(11.0), DegreesToGeoRounded(48.0) + 1), false, 0, true));
    RecordingWalker walker;
    ASSERT_TRUE(walker.walk(&tour));
    ASSERT_EQ(walker.points().size(), 1u);
    const TourPoint p = walker.points()[0];
    EXPECT_EQ(p.zone(), 32);
    EXPECT_EQ(p.band(), 'U');
    EXPECT_NEAR(p.easting, 649188, 1);
    EXPECT_NEAR(p.northing, 5318236, 1);
}

TEST(TourFile, PointAtZeroIsDroppedUnlessItCarriesAPoi) {
    ScratchDir dir;
    Tour tour("z", dir.file("z.TUR"));
    TourRecorder rec(tour, {});
    ASSERT_TRUE(rec.start());
    EXPECT_FALSE(rec.appendRecord(MakePoint(0, 0), false, 0, true));
    EXPECT_TRUE(rec.appendRecord(MakePoint(0, 0), true, kWaypointBit, true));
    EXPECT_TRUE(rec.appendAttached("Hotel"));
    RecordingWalker walker;
    ASSERT_TRUE(walker.walk(&tour));
    EXPECT_EQ(walker.points().size(), 1u);
}

TEST(TourFile, PoiRecordsTextsAndDescription) {
    ScratchDir dir;
    const std::string path = dir.file("poi.TUR");
    Tour tour("poi", path);
    TourRecorder rec(tour, {});
    ASSERT_TRUE(rec.start());
    ASSERT_TRUE(rec.appendRecord(MakePoint(kMunichLon, kMunichLat), false, 0, false));
    ASSERT_TRUE(rec.appendRecord(MakePoint(kMunichLon + 10, kMunichLat), true, kWaypointBit, true));
    const uint32_t poiAt = rec.lastPointOffset();
    const std::string longSymbol(40, 'S');
    ASSERT_TRUE(rec.appendAttached(longSymbol));
    ASSERT_TRUE(rec.appendRecord(MakePoint(kMunichLon + 20, kMunichLat), true, 0, true));
    ASSERT_TRUE(rec.appendAttached(kTimeStampName));
    ASSERT_TRUE(TourRecorder::SetPoiTexts(tour, poiAt, std::string("Gasthof \"Zur Post\" – Café"),
                                          std::string("Line 1\r\nLine 2")));
    ASSERT_TRUE(tour.setDescription("A day out"));

    RecordingWalker walker;
    ASSERT_TRUE(walker.walk(&tour));
    std::vector<Event> attached;
    for (const Event& e : walker.events) {
        if (e.kind == "attached") attached.push_back(e);
    }
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_EQ(attached[0].offset, poiAt);
    const auto named = NamedPoiRecord::From(attached[0].attached);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->symbol, std::string(31, 'S'));
    EXPECT_EQ(tour.readText(poiAt + named->nameOffset), "Gasthof \"Zur Post\" – Café");
    EXPECT_EQ(tour.readText(poiAt + named->descOffset), "Line 1\r\nLine 2");
    const auto stamp = TimeStampRecord::From(attached[1].attached);
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->value, 0u);

    Tour back("poi", path);
    ASSERT_TRUE(back.readHeader());
    EXPECT_EQ(back.description(), "A day out");

    // Replacing the name orphans the old text record.
    const uint32_t oldName = poiAt + named->nameOffset;
    ASSERT_TRUE(TourRecorder::SetPoiTexts(tour, poiAt, std::string("Neu"), std::nullopt));
    const auto bytes = ReadAll(path);
    EXPECT_EQ(WordAt(bytes, oldName + 4), 0u);
    EXPECT_EQ(WordAt(bytes, poiAt + 44), 0u);  // no description any more
    EXPECT_EQ(tour.readText(poiAt + WordAt(bytes, poiAt + 40)), "Neu");
}

TEST(TourFile, SinglePoiFile) {
    ScratchDir dir;
    ASSERT_EQ(0, ::mkdir(dir.file("POIs").c_str(), 0755));
    const auto path =
        TourRecorder::CreateSinglePoi(dir.path(), "Hut/../x", "Hut", "Open in summer", MakePoint(kMunichLon, kMunichLat, 120000));
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, dir.file("POIs/Hut___x.TUR"));
    Tour tour("Hut", *path);
    ASSERT_TRUE(tour.readHeader());
    EXPECT_EQ(tour.kind(), Tour::kSinglePoi);
    EXPECT_TRUE(tour.bounds().contains(kMunichLon, kMunichLat));
    RecordingWalker walker;
    ASSERT_TRUE(walker.walk(&tour));
    const auto points = walker.points();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].head & 0x44000000u, 0x44000000u);
    EXPECT_EQ(points[0].alt, 120000);
    const Event* att = nullptr;
    for (const Event& e : walker.events) {
        if (e.kind == "attached") att = &e;
    }
    ASSERT_TRUE(att);
    const auto named = NamedPoiRecord::From(att->attached);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->symbol, "Hut");
    EXPECT_EQ(tour.readText(att->offset + named->nameOffset), "Hut/../x");
    EXPECT_EQ(tour.readText(att->offset + named->descOffset), "Open in summer");
    // A second POI of the same name does not overwrite the first.
    EXPECT_FALSE(TourRecorder::CreateSinglePoi(dir.path(), "Hut/../x", "Hut", "", MakePoint(1, 1)));
    // No folder: an error, nothing written.
    EXPECT_FALSE(TourRecorder::CreateSinglePoi(dir.file("missing"), "x", "Hut", "", MakePoint(1, 1)));
}

TEST(TourFile, ContinuedTourAddsRunStartAndKeepsTheBlock) {
    ScratchDir dir;
    const std::string path = dir.file("c.TUR");
    {
        Tour tour("c", path);
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
        ASSERT_TRUE(rec.appendRecord(MakePoint(kMunichLon, kMunichLat), false, 0, false));
    }
    {
        Tour tour("c", path);
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
        ASSERT_TRUE(rec.appendRecord(MakePoint(kMunichLon + 5, kMunichLat), false, 0, false));
        ASSERT_TRUE(rec.appendRecord(MakePoint(kMunichLon + 200000, kMunichLat), false, 0, false));
    }
    Tour tour("c", path);
    RecordingWalker walker;
    ASSERT_TRUE(walker.walk(&tour));
    std::vector<std::string> kinds;
    for (const Event& e : walker.events) {
        if (e.kind != "data7" && e.kind != "data8") kinds.push_back(e.kind);
    }
    const std::vector<std::string> expected = {"start", "version", "block", "point", "start",
                                               "version", "point", "block", "point"};
    EXPECT_EQ(kinds, expected);
    // The first block was closed by the second run.
    for (const Event& e : walker.events) {
        if (e.kind == "block" && e.offset == 120) {
            EXPECT_GT(e.values[4], 0u);
        }
    }
}

TEST(TourFile, TruncatedTailIsDroppedWhenContinuing) {
    ScratchDir dir;
    const std::string path = dir.file("t.TUR");
    {
        Tour tour("t", path);
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(rec.appendRecord(MakePoint(kMunichLon + i, kMunichLat), false, 0, false));
    }
    auto bytes = ReadAll(path);
    bytes.resize(bytes.size() - 13);  // half of the last point
    ASSERT_TRUE(WriteAll(path, bytes));
    {
        Tour tour("t", path);
        RecordingWalker walker;
        ASSERT_TRUE(walker.walk(&tour));
        EXPECT_EQ(walker.points().size(), 2u);
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
        ASSERT_TRUE(rec.appendRecord(MakePoint(kMunichLon + 9, kMunichLat), false, 0, false));
    }
    Tour tour("t", path);
    RecordingWalker walker;
    ASSERT_TRUE(walker.walk(&tour));
    const auto points = walker.points();
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[2].lon, kMunichLon + 9);
}

}  // namespace
}  // namespace trek::test
