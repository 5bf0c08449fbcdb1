#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/core/MessageLoop.h"
#include "platform/gui/GuiMessages.h"
#include "platform/gui/MountWatcher.h"

namespace trek::platform {
namespace {

TEST(MountWatcherTest, ParsesMountPointsWithEscapes) {
    auto points = MountWatcher::parseMountPoints(
        "proc /proc proc rw 0 0\n/dev/mmcblk0p1 /media/Storage\\040Card vfat rw 0 0\ngarbage\n\n");
    EXPECT_EQ(points, (std::set<std::string>{"/proc", "/media/Storage Card"}));
    auto changes = MountWatcher::diff({"/", "/media/a"}, {"/", "/media/b"});
    EXPECT_EQ(changes, (std::vector<MountWatcher::Change>{{"/media/a", false}, {"/media/b", true}}));
}

TEST(MountWatcherTest, PostsDeviceChangeForArrivalsAndRemovals) {
    auto file = std::filesystem::temp_directory_path() / ("trek_mounts_" + std::to_string(::getpid()));
    auto write = [&](const std::string& text) {
        std::ofstream(file) << text;
    };
    write("/dev/root / ext4 rw 0 0\n");
    MessageLoop loop;
    MountWatcher watcher;
    ASSERT_TRUE(watcher.start(loop, 5, file.string()));
    write("/dev/root / ext4 rw 0 0\n/dev/sda1 /media/card vfat rw 0 0\n");
    Message m;
    ASSERT_TRUE(loop.getFor(m, 3000));  // the thread notices within its 500 ms re-read
    EXPECT_EQ(m.message, static_cast<uint32_t>(WM_DEVICECHANGE));
    EXPECT_EQ(m.window, 5u);
    EXPECT_EQ(m.wParam, static_cast<uint64_t>(DBT_DEVICEARRIVAL));
    EXPECT_EQ(*static_cast<const std::string*>(m.payload.get()), "/media/card");
    watcher.stop();
    write("/dev/root / ext4 rw 0 0\n");
    auto changes = watcher.check();
    ASSERT_EQ(changes.size(), 1u);
    ASSERT_TRUE(loop.peek(m));
    EXPECT_EQ(m.wParam, static_cast<uint64_t>(DBT_DEVICEREMOVECOMPLETE));
    std::filesystem::remove(file);
    EXPECT_FALSE(watcher.start(loop, 5, file.string()));  // no table, no watcher
}

}  // namespace
}  // namespace trek::platform
