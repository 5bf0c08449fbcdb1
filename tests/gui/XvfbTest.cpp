#include <gtest/gtest.h>

#include <filesystem>

#include "ProcessSupport.h"
#include "platform/core/Bitmap.h"

namespace trek::platform {
namespace {

using testing::TempDir;

std::string FindXvfb() {
    for (const char* p : {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb", "/bin/Xvfb"})
        if (std::filesystem::exists(p)) return p;
    return {};
}

// One Xvfb for the suite, on the first free display number from :97.
class XvfbFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        xvfb_ = FindXvfb();
        if (xvfb_.empty()) return;
        for (int n = 97; n < 140; ++n) {
            std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            if (std::filesystem::exists(socket) || std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock"))
                continue;
            server_ = testing::Spawn({xvfb_, ":" + std::to_string(n), "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                                     {}, "/dev/null", "/dev/null");
            if (server_.pid > 0 && testing::WaitForPath(socket, 5000)) {
                display_ = ":" + std::to_string(n);
                return;
            }
            server_.stop();
        }
    }
    static void TearDownTestSuite() { server_.stop(); }
    void SetUp() override {
        if (xvfb_.empty()) GTEST_SKIP() << "Xvfb is not installed (apt-get install xvfb): SDL window test skipped";
        ASSERT_FALSE(display_.empty()) << "Xvfb did not start on any display from :97";
    }

    static std::string xvfb_;
    static std::string display_;
    static testing::Child server_;
};

std::string XvfbFixture::xvfb_;
std::string XvfbFixture::display_;
testing::Child XvfbFixture::server_;

TEST_F(XvfbFixture, SdlWindowShowsWhatTheHeadlessRunDraws) {
    TempDir dir("trek_xvfb");
    std::ofstream(dir.file("script.txt")) << "tap 100 100\nscreenshot " << dir.file("sdl.png") << "\nquit\n";
    std::ofstream(dir.file("headless.txt")) << "tap 100 100\nscreenshot " << dir.file("headless.png") << "\nquit\n";
    std::vector<std::string> env{"DISPLAY=" + display_, "XDG_RUNTIME_DIR=" + dir.path, "SDL_VIDEODRIVER=x11"};
    auto sdl = testing::Spawn({testing::ExamplePath(), "--multi", "--size", "480x640", "--script", dir.file("script.txt")},
                              env, dir.file("sdl.out"), dir.file("sdl.err"));
    ASSERT_EQ(sdl.wait(20000), 0) << testing::ReadText(dir.file("sdl.err"));
    EXPECT_EQ(testing::ReadText(dir.file("sdl.err")).find("running headless"), std::string::npos)
        << "the SDL backend did not open a window";
    auto headless = testing::Spawn(
        {testing::ExamplePath(), "--multi", "--headless", "--size", "480x640", "--script", dir.file("headless.txt")}, env,
        dir.file("h.out"), dir.file("h.err"));
    ASSERT_EQ(headless.wait(20000), 0) << testing::ReadText(dir.file("h.err"));

    Bitmap a, b;
    std::string error;
    ASSERT_TRUE(a.readPng(dir.file("sdl.png"), &error)) << error;
    ASSERT_TRUE(b.readPng(dir.file("headless.png"), &error)) << error;
    ASSERT_EQ(a.width(), 480);
    ASSERT_EQ(a.height(), 640);
    ASSERT_EQ(b.width(), 480);
    // Same pixels through both backends; only the menu-bar clock may have turned a minute.
    int differing = 0;
    for (int y = 0; y < 640; ++y)
        for (int x = 0; x < 480; ++x) differing += (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF);
    EXPECT_LT(differing, 400);
    // The menu bar strip is there: white with dark text at the bottom.
    EXPECT_EQ(a.pixel(470, 630) & 0xFFFFFF, 0xFFFFFFu);
    int dark = 0;
    for (int y = 614; y < 640; ++y)
        for (int x = 0; x < 60; ++x) dark += (a.pixel(x, y) & 0xFF) < 0x40;
    EXPECT_GT(dark, 20);
}

}  // namespace
}  // namespace trek::platform
