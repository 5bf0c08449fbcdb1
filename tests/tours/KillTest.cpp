// A recording process killed at any moment leaves a file that walks without
// error and holds every point whose append had returned.
#include <gtest/gtest.h>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/tours/TourTestSupport.h"
#include "tours/TourRecorder.h"

namespace trek::test {
namespace {

constexpr int32_t kLon = 20100374;
constexpr int32_t kLat = 83980531;

int32_t LonOf(uint32_t i) { return kLon + int32_t(i) * 700; }  // crosses a cell every 166 points

// The child: records live points for ever, reporting each returned append.
[[noreturn]] void RecordUntilKilled(const std::string& path, int report) {
    GpsFix fix;
    fix.position.fixMode = 3;
    fix.position.satellitesUsed = 5;
    Tour tour("k", path);
    TourRecorder::Options options;
    options.fix = &fix;
    TourRecorder rec(tour, options);
    if (!rec.start()) _exit(3);
    for (uint32_t i = 0;; ++i) {
        if (!rec.appendPoint(LonOf(i), kLat, 1000, 50, false, 0, true)) _exit(4);
        if (i % 50 == 7) {
            rec.appendPoint(LonOf(i), kLat, 1000, 50, true, 0, true);
            rec.appendAttached(i % 100 == 7 ? " TimeStamp" : "Hut");
        }
        if (write(report, &i, sizeof i) != sizeof i) _exit(5);
    }
}

TEST(TourKill, EveryReturnedPointSurvivesSigkill) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 12; ++round) {
        ScratchDir dir;
        const std::string path = dir.file("kill.TUR");
        int fds[2];
        ASSERT_EQ(0, pipe(fds));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            RecordUntilKilled(path, fds[1]);
        }
        close(fds[1]);
        // Let it get some way, then kill it at a random moment.
        const uint32_t wanted = 20 + rng() % 400;
        uint32_t last = 0;
        uint32_t acknowledged = 0;
        while (acknowledged < wanted && read(fds[0], &last, sizeof last) == sizeof last) acknowledged = last + 1;
        usleep(rng() % 3000);
        ASSERT_EQ(0, kill(child, SIGKILL));
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself: " << WEXITSTATUS(status);
        // Reports written before the kill are still in the pipe.
        while (read(fds[0], &last, sizeof last) == sizeof last) acknowledged = last + 1;
        close(fds[0]);

        Tour tour("k", path);
        RecordingWalker walker;
        ASSERT_TRUE(walker.walk(&tour)) << "round " << round;
        std::vector<TourPoint> track;
        for (const TourPoint& p : walker.points()) {
            if (!p.hasAttached()) track.push_back(p);
        }
        ASSERT_GE(track.size(), acknowledged) << "round " << round;
        for (uint32_t i = 0; i < acknowledged; ++i) ASSERT_EQ(track[i].lon, LonOf(i)) << i;

        // The killed file can be continued and stays readable.
        {
            TourRecorder rec(tour, {});
            ASSERT_TRUE(rec.start());
            ASSERT_TRUE(rec.appendRecord(MakePoint(kLon, kLat + 5), false, 0, true));
        }
        RecordingWalker after;
        ASSERT_TRUE(after.walk(&tour));
        EXPECT_EQ(after.points().size(), walker.points().size() + 1);
        EXPECT_EQ(after.completeEnd(), ReadAll(path).size());
    }
}

}  // namespace
}  // namespace trek::test
