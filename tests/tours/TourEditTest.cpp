// In-place edits and the recorder's behaviour when writes fail.
#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "tests/tours/TourTestSupport.h"
#include "tours/TourMessages.h"
#include "tours/TourRecorder.h"

namespace trek::test {
namespace {

using namespace tourfile;

constexpr int32_t kLon = 20100374;
constexpr int32_t kLat = 83980531;

struct EditFixture : ::testing::Test {
    ScratchDir dir;
    std::string path = dir.file("e.TUR");
    std::unique_ptr<Tour> tour = std::make_unique<Tour>("e", path);
    std::vector<uint32_t> offsets;

    // Five track points; the middle one has an extra word and a POI.
    void SetUp() override {
        TourRecorder rec(*tour, {});
        ASSERT_TRUE(rec.start());
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(rec.appendRecord(MakePoint(kLon + 1000 * i, kLat, 100 * i), i == 2, 0, true));
            offsets.push_back(rec.lastPointOffset());
            if (i == 2) {
                ASSERT_TRUE(rec.appendAttached("Hotel"));
            }
        }
    }
    std::vector<TourPoint> walkPoints() {
        RecordingWalker w;
        EXPECT_TRUE(w.walk(tour.get()));
        return w.points();
    }
};

TEST_F(EditFixture, DeletedPointsAreSkippedWithTheirAttachedRecords) {
    ASSERT_TRUE(TourRecorder::DeletePoint(*tour, offsets[2]));
    ASSERT_TRUE(TourRecorder::DeletePoint(*tour, offsets[0]));
    const auto bytes = ReadAll(path);
    EXPECT_EQ(WordAt(bytes, offsets[0]), 0x9FFFFFF6u);
    EXPECT_EQ(WordAt(bytes, offsets[2]), 0x9FFFFFF6u | kAttachedBit);  // bit 30 kept
    const auto points = walkPoints();
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].lon, kLon + 1000);
    EXPECT_EQ(points[1].lon, kLon + 3000);
    // Deleting again, or deleting something that is not a point, is refused.
    EXPECT_FALSE(TourRecorder::DeletePoint(*tour, offsets[0]));
    EXPECT_FALSE(TourRecorder::DeletePoint(*tour, 112));  // the version record
    EXPECT_FALSE(TourRecorder::DeletePoint(*tour, offsets[1] + 2));
}

TEST_F(EditFixture, AttachedPoiRelocatesThePoint) {
    ASSERT_TRUE(TourRecorder::AttachPoiToPoint(*tour, offsets[1], "Summit"));
    RecordingWalker w;
    ASSERT_TRUE(w.walk(tour.get()));
    const auto points = w.points();
    ASSERT_EQ(points.size(), 5u);  // the copy in sequence is not handed out twice
    EXPECT_TRUE(points[1].isRelocatedCopy());
    EXPECT_EQ(points[1].lon, kLon + 1000);
    EXPECT_EQ(points[1].zone(), 32);  // word 7 of the copy is the original's
    std::vector<Event> attached;
    uint32_t copyOffset = 0;
    for (const Event& e : w.events) {
        if (e.kind == "attached") attached.push_back(e);
        if (e.kind == "point" && e.point.isRelocatedCopy()) copyOffset = e.offset;
    }
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_EQ(attached[0].offset, copyOffset);
    const auto named = NamedPoiRecord::From(attached[0].attached);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->symbol, "Summit");
    EXPECT_EQ(named->link, copyOffset - offsets[1]);
    // The distance is the same as before the edit (a copy counts even though bit 27 is set).
    EXPECT_NEAR(w.statistics().distance, 4 * 1000 * 0.06378137 * std::cos(kLat * 1e-8), 0.5);
    // Texts of the relocated POI live relative to the copy.
    ASSERT_TRUE(TourRecorder::SetPoiTexts(*tour, copyOffset, std::string("Top"), std::nullopt));
    const auto bytes = ReadAll(path);
    EXPECT_EQ(tour->readText(copyOffset + WordAt(bytes, copyOffset + 40)), "Top");
    // A point that already has a POI, or the copy itself, cannot take another.
    EXPECT_FALSE(TourRecorder::AttachPoiToPoint(*tour, offsets[2], "x"));
    EXPECT_FALSE(TourRecorder::AttachPoiToPoint(*tour, copyOffset, "x"));
    EXPECT_FALSE(TourRecorder::AttachPoiToPoint(*tour, offsets[1], "x"));
    // Deleting the copy removes the point.
    ASSERT_TRUE(TourRecorder::DeletePoint(*tour, copyOffset));
    EXPECT_EQ(WordAt(ReadAll(path), copyOffset), 0xDFFFFFF6u);
    EXPECT_EQ(walkPoints().size(), 4u);
}

TEST_F(EditFixture, RenameMovesTheFileAndKeepsAnExistingTarget) {
    ASSERT_TRUE(TourRecorder::Rename(*tour, "Alps"));
    EXPECT_EQ(tour->path(), dir.file("Alps.TUR"));
    EXPECT_EQ(tour->displayName(), "Alps");
    EXPECT_EQ(walkPoints().size(), 5u);
    ASSERT_TRUE(WriteAll(dir.file("Taken.TUR"), {1, 2, 3, 4}));
    std::string shown;
    SetTourMessageSink([&](const std::string& text, const std::string&) { shown = text; });
    EXPECT_FALSE(TourRecorder::Rename(*tour, "Taken"));
    SetTourMessageSink(nullptr);
    EXPECT_EQ(shown, "Error while renaming " + dir.file("Alps.TUR") + "!");
    EXPECT_EQ(tour->path(), dir.file("Alps.TUR"));
    EXPECT_EQ(ReadAll(dir.file("Taken.TUR")).size(), 4u);
}

TEST_F(EditFixture, RecorderWritesBeforeAnEditAppends) {
    // An import with buffered points, then a text appended by an edit: the
    // buffered points must land before the text, not be overwritten by it.
    TourRecorder rec(*tour, {});
    ASSERT_TRUE(rec.start());
    ASSERT_TRUE(rec.appendRecord(MakePoint(kLon, kLat + 1), true, kWaypointBit, true));
    const uint32_t poi = rec.lastPointOffset();
    ASSERT_TRUE(rec.appendAttached("Hotel"));
    ASSERT_TRUE(rec.appendRecord(MakePoint(kLon, kLat + 2), false, 0, false));
    ASSERT_TRUE(TourRecorder::SetPoiTexts(*tour, poi, std::string("Name"), std::nullopt));
    ASSERT_TRUE(rec.appendRecord(MakePoint(kLon, kLat + 3), false, 0, false));
    ASSERT_TRUE(rec.flush());
    const auto points = walkPoints();
    ASSERT_EQ(points.size(), 8u);
    EXPECT_EQ(points[6].lat, kLat + 2);
    EXPECT_EQ(points[7].lat, kLat + 3);
}

// Writes fail while the file size limit is low; the points stay buffered and
// reach the file at the next append after the limit is lifted.
TEST(TourRecorderFailures, FailedWritesKeepThePointsAndTellOnce) {
    ScratchDir dir;
    const std::string path = dir.file("full.TUR");
    Tour tour("full", path);
    TourRecorder rec(tour, {});
    ASSERT_TRUE(rec.start());
    int messages = 0;
    SetTourMessageSink([&](const std::string&, const std::string& caption) {
        EXPECT_EQ(caption, "Tour file");
        ++messages;
    });
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit low = old;
    low.rlim_cur = 300;  // room for the header and a few points, no more
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &low));
    for (int i = 0; i < 40; ++i) EXPECT_TRUE(rec.appendRecord(MakePoint(kLon + i, kLat), false, 0, true));
    EXPECT_TRUE(rec.writePending());
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &old));
    EXPECT_TRUE(rec.appendRecord(MakePoint(kLon + 40, kLat), false, 0, true));
    EXPECT_FALSE(rec.writePending());
    SetTourMessageSink(nullptr);
    EXPECT_EQ(messages, 1);
    RecordingWalker w;
    ASSERT_TRUE(w.walk(&tour));
    const auto points = w.points();
    ASSERT_EQ(points.size(), 41u);
    for (int i = 0; i <= 40; ++i) EXPECT_EQ(points[i].lon, kLon + i);
}

TEST(TourRecorderFailures, UnwritableFileGivesErrorName) {
    ScratchDir dir;
    Tour tour("x", dir.file("missing/x.TUR"));
    std::string text;
    SetTourMessageSink([&](const std::string& t, const std::string&) { text = t; });
    TourRecorder rec(tour, {});
    EXPECT_FALSE(rec.start());
    SetTourMessageSink(nullptr);
    EXPECT_EQ(tour.displayName(), "&error");
    EXPECT_EQ(text, "Error while writing file " + dir.file("missing/x.TUR") + "!");
    EXPECT_FALSE(rec.appendRecord(MakePoint(kLon, kLat), false, 0, true));
}

}  // namespace
}  // namespace trek::test

namespace trek::test {
namespace {

// A version-6 file: eight-word points in metres and km/h, a POI whose name text
// follows later in the file, and an extra word.
TEST(TourConvert, VersionSixBecomesNineWithTimesAndTexts) {
    using namespace tourfile;
    ScratchDir dir;
    const std::string path = dir.file("old.TUR");
    WordFile f;
    f.oldHeader(4242).ws({uint32_t(-5), 6});
    const std::string date = EncodeTourText("2006/05/04");
    std::copy(date.begin(), date.end(), f.bytes().begin() + 26);
    const uint32_t p0 = uint32_t(f.size());
    f.ws({0, kLon, kLat, 100, 5, 690000, 5330000, 32 | ('U' << 16)});
    const uint32_t p1 = uint32_t(f.size());
    const uint32_t textAt = p1 + 32 + 48 + 36;
    f.ws({1 | kAttachedBit, kLon + 1000, kLat, 130, 6, 690100, 5330000, 32 | ('U' << 16)});
    f.ws({kNamedPoiCodeWord, textAt - p1, 0, 0});
    f.ws({0x656E6F53, 0x0073, 0, 0, 0, 0, 0, 0});  // symbol "Sones"
    f.ws({2 | kExtraWordBit, kLon + 2000, kLat, 90, 7, 690200, 5330000, 32 | ('U' << 16)}).w(0x1234);
    ASSERT_EQ(f.size(), textAt);
    f.text(kPrimaryData, textAt - p1, "Gipfel");
    f.ws({uint32_t(-1), 120, 60, 5000});
    ASSERT_TRUE(f.save(path));
    (void)p0;

    const auto converted = TourRecorder::Convert(path);
    ASSERT_TRUE(converted);
    EXPECT_EQ(*converted, 3u);
    EXPECT_EQ(ReadAll(path + "_old").size(), f.size());
    // Converting again keeps the first original.
    EXPECT_FALSE(TourRecorder::Convert(path));
    EXPECT_FALSE(ReadAll(path).empty());

    Tour tour("old", path);
    ASSERT_TRUE(tour.readHeader());
    RecordingWalker w;
    ASSERT_TRUE(w.walk(&tour));
    EXPECT_EQ(tour.version(), 9u);
    EXPECT_EQ(tour.dateText(), "2006/05/04");
    EXPECT_EQ(tour.colour().index, 0);
    EXPECT_EQ(WordAt(ReadAll(path), 4), 4242u);
    const auto points = w.points();
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].alt, 10000);
    EXPECT_EQ(points[1].speed, 60);
    EXPECT_EQ(points[1].time, points[0].time + 3);
    EXPECT_EQ(points[2].time, points[1].time + 3);
    EXPECT_EQ(w.statistics().ascent, 3000);
    std::vector<std::string> kinds;
    const Event* poi = nullptr;
    for (const Event& e : w.events) {
        kinds.push_back(e.kind);
        if (e.kind == "attached") poi = &e;
        if (e.kind == "extra") {
            EXPECT_EQ(e.values[0], 0x1234u);
        }
        if (e.kind == "end") {
            EXPECT_EQ(e.values, (std::vector<uint32_t>{120, 60, 5000}));
        }
    }
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), "block"), 1);
    ASSERT_TRUE(poi);
    const auto named = NamedPoiRecord::From(poi->attached);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->symbol, "Sones");
    EXPECT_EQ(tour.readText(poi->offset + named->nameOffset), "Gipfel");
    // The text's back reference points at its new owner.
    const auto bytes = ReadAll(path);
    EXPECT_EQ(WordAt(bytes, poi->offset + named->nameOffset + 4), named->nameOffset);
}

TEST(TourConvert, AFileThatIsNoTourStaysAsItWas) {
    ScratchDir dir;
    const std::string path = dir.file("junk.TUR");
    ASSERT_TRUE(WriteAll(path, {1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_FALSE(TourRecorder::Convert(path));
    EXPECT_EQ(ReadAll(path).size(), 8u);
    EXPECT_TRUE(ReadAll(path + "_old").empty());
}

}  // namespace
}  // namespace trek::test
