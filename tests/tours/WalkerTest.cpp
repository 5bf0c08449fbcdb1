// Reading: block skipping, stop values, older layouts and damaged files.
#include <gtest/gtest.h>
#include <random>

#include "tests/tours/TourTestSupport.h"
#include "tours/TourRecorder.h"

namespace trek::test {
namespace {

using namespace tourfile;

constexpr int32_t kLat = 83980531;

// A tour over 20 cells along the equator-parallel line, 50 points per cell.
struct BlockFixture : ::testing::Test {
    ScratchDir dir;
    Tour tour{"b", dir.file("b.TUR")};
    void SetUp() override {
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
        for (int cell = 0; cell < 20; ++cell) {
            for (int i = 0; i < 50; ++i) {
                ASSERT_TRUE(rec.appendRecord(MakePoint(cell * kCellSize + i * 2000, kLat, 0, 0, uint32_t(cell)),
                                             false, 0, false));
            }
        }
    }
};

// Enters only the blocks that meet a view.
struct ViewWalker : RecordingWalker {
    TourBounds view;
    int onBlock(const TourBounds& box, uint32_t length) override {
        RecordingWalker::onBlock(box, length);
        return box.intersects(view) ? kEnterBlock : kSkipBlock;
    }
};

TEST_F(BlockFixture, SkippedBlocksAreNotReadAndTheOpenBlockIsReadThrough) {
    ViewWalker w;
    w.view = TourCell(3 * kCellSize + 1, kLat);
    ASSERT_TRUE(w.walk(&tour));
    const auto points = w.points();
    ASSERT_EQ(points.size(), 100u);  // cell 3, and the open last block that cannot be skipped
    for (size_t i = 0; i < 50; ++i) EXPECT_EQ(points[i].time, 3u);
    for (size_t i = 50; i < 100; ++i) EXPECT_EQ(points[i].time, 19u);
    EXPECT_EQ(w.pointCount(), 100u);
}

TEST_F(BlockFixture, SkippingSavesReads) {
    // A large file: the walk of a small view reads a fraction of it.
    {
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
        for (int cell = 20; cell < 40; ++cell) {
            for (int i = 0; i < 5000; ++i) {
                ASSERT_TRUE(rec.appendRecord(MakePoint(cell * kCellSize + i * 20, kLat), false, 0, false));
            }
        }
    }
    ViewWalker w;
    w.view = TourCell(30 * kCellSize + 1, kLat);
    ASSERT_TRUE(w.walk(&tour));
    const uint64_t size = ReadAll(tour.path()).size();
    // About one 40 KB read per skipped 180 KB block, and the last (open) block.
    EXPECT_LT(w.bytesRead(), size / 3);
    RecordingWalker all;
    ASSERT_TRUE(all.walk(&tour));
    EXPECT_EQ(all.pointCount(), 1000u + 100000u);
}

// Goes back to the block before the one of interest.
struct BackWalker : RecordingWalker {
    int target = 0;
    bool wentBack = false;
    int onBlock(const TourBounds& box, uint32_t length) override {
        RecordingWalker::onBlock(box, length);
        if (box.west == target * kCellSize) {
            if (!wentBack) {
                wentBack = true;
                return kBackToSkipped;
            }
            return kEnterBlock;
        }
        return kSkipBlock;
    }
};

TEST_F(BlockFixture, ResultTwoReadsThePreviouslySkippedBlock) {
    BackWalker w;
    w.target = 5;
    ASSERT_TRUE(w.walk(&tour));
    const auto points = w.points();
    ASSERT_EQ(points.size(), 150u);  // cells 4 and 5, then the open last block
    EXPECT_EQ(points[0].time, 4u);
    EXPECT_EQ(points[50].time, 5u);
}

TEST_F(BlockFixture, StopValueEndsAfterThatPoint) {
    RecordingWalker w;
    ASSERT_TRUE(w.walk(&tour, 75u));
    EXPECT_EQ(w.pointCount(), 75u);
    RecordingWalker byWord;
    ASSERT_TRUE(byWord.walk(&tour, 10u, true));  // first word 10: the eleventh point
    EXPECT_EQ(byWord.pointCount(), 11u);
    struct Stopper : RecordingWalker {
        void onPoint(const TourPoint& p) override {
            RecordingWalker::onPoint(p);
            if (pointCount() == 3) stop();
        }
    } stopper;
    ASSERT_TRUE(stopper.walk(&tour));
    EXPECT_EQ(stopper.pointCount(), 3u);
}

TEST(TourWalkerFailures, MissingTourFileOrWrongStart) {
    ScratchDir dir;
    RecordingWalker w;
    EXPECT_FALSE(w.walk(nullptr));
    Tour missing("m", dir.file("none.TUR"));
    EXPECT_FALSE(w.walk(&missing));
    WordFile f;
    f.ws({uint32_t(-5), 9});
    ASSERT_TRUE(f.save(dir.file("bad.TUR")));
    Tour bad("b", dir.file("bad.TUR"));
    EXPECT_FALSE(w.walk(&bad));
}

// Version 6: eight-word points in metres and km/h, no time; attached records
// with offset words; a removed record and an extra word.
TEST(TourWalkerVersions, VersionSixLayout) {
    ScratchDir dir;
    WordFile f;
    f.oldHeader(77).ws({uint32_t(-5), 6});
    f.ws({0, 1000, 2000, 100, 5, 0, 0, 32});                       // point 0, 100 m, 5 km/h
    f.ws({1 | kExtraWordBit, 1100, 2000, 130, 6, 0, 0, 32}).w(0xABCD);  // +30 m: ascent
    f.ws({2 | kAttachedBit, 1200, 2000, 120, 7, 0, 0, 32});
    f.ws({0xC0000000u | 526, 0, 0});                               // category Hotel with two offset words
    f.ws({3 | kAttachedBit, 1300, 2000, 120, 7, 0, 0, 32});
    f.ws({0xE0000000u | 4095, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});   // removed named POI
    f.ws({4, 1400, 2000, 90, 3, 0, 0, 32});
    ASSERT_TRUE(f.save(dir.file("v6.TUR")));
    Tour tour("v6", dir.file("v6.TUR"));
    RecordingWalker w;
    ASSERT_TRUE(w.walk(&tour));
    EXPECT_EQ(tour.version(), 6u);
    const auto points = w.points();
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(points[1].alt, 130);
    EXPECT_EQ(points[1].time, kNoTime);
    EXPECT_EQ(points[4].lon, 1400);
    std::vector<std::string> kinds;
    for (const Event& e : w.events) kinds.push_back(e.kind);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), "extra"), 1);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), "attached"), 1);
    EXPECT_EQ(w.statistics().ascent, 30);   // threshold 25 m before version 7
    EXPECT_EQ(w.statistics().descent, 40);  // 130 -> 90
    EXPECT_EQ(w.statistics().maxSpeed, 7u);
}

TEST(TourWalkerVersions, VersionFourFiveWordPointsAndShortAttachedRecords) {
    ScratchDir dir;
    WordFile f;
    f.oldHeader(1).ws({uint32_t(-5), 4});
    f.ws({0 | kAttachedBit, 10, 20, 30, 40});
    f.ws({0xC0000000u | 521, 7, 8});  // before version 6: code + payload only
    f.ws({1, 11, 21, 31, 41});
    ASSERT_TRUE(f.save(dir.file("v4.TUR")));
    Tour tour("v4", dir.file("v4.TUR"));
    RecordingWalker w;
    ASSERT_TRUE(w.walk(&tour));
    const auto points = w.points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[1].lon, 11);
    EXPECT_EQ(points[1].speed, 41);
}

// Damaged files: every prefix and random corruption walks without a crash,
// and a relocation offset that points at itself or past the end does not loop.
TEST(TourWalkerRobustness, PrefixesCorruptionAndBadOffsets) {
    ScratchDir dir;
    const std::string path = dir.file("r.TUR");
    {
        Tour tour("r", path);
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
        for (int i = 0; i < 40; ++i) {
            ASSERT_TRUE(rec.appendRecord(MakePoint(i * 9000, kLat), i % 7 == 0, 0, true));
            if (i % 7 == 0) {
                ASSERT_TRUE(rec.appendAttached("Hotel"));
            }
        }
        ASSERT_TRUE(TourRecorder::AttachPoiToPoint(tour, 120 + 24 + 36 + 48, "x"));
    }
    const auto original = ReadAll(path);
    Tour tour("r", path);
    for (size_t cut = 0; cut <= original.size(); cut += 3) {
        ASSERT_TRUE(WriteAll(path, std::vector<uint8_t>(original.begin(), original.begin() + cut)));
        RecordingWalker w;
        w.walk(&tour);
    }
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        auto bytes = original;
        for (int k = 0; k < 6; ++k) bytes[8 + rng() % (bytes.size() - 8)] = uint8_t(rng());
        ASSERT_TRUE(WriteAll(path, bytes));
        RecordingWalker w;
        EXPECT_TRUE(w.walk(&tour));
    }
    // A relocated point whose offset points at itself, and one far past the end.
    WordFile f;
    f.oldHeader(1).ws({uint32_t(-5), 9});
    f.ws({kRelocatedBit, 1, 2, 3, 4, 5, 6, 0, 8});
    f.ws({kRelocatedBit, 1, 2, 3, 4, 5, 6, 0x7FFFFFF0, 8});
    f.ws({uint32_t(-7), 0, 0xFFFFFFF0});  // data past the end
    ASSERT_TRUE(f.save(path));
    RecordingWalker w;
    ASSERT_TRUE(w.walk(&tour));
    EXPECT_EQ(w.pointCount(), 2u);
}

}  // namespace
}  // namespace trek::test
