#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "GuiTestSupport.h"
#include "platform/gui/Script.h"
#include "platform/gui/VirtualKeys.h"

namespace trek::platform {
namespace {

using K = ScriptCommand::Kind;
using testing::Headless;
using testing::Recorder;

TEST(ScriptParse, EveryCommand) {
    std::string error;
    auto c = ScriptPlayer::parse(
        "# comment\n\ntap 10 20\ndown 1 2\nmove 3 4\nup 5 6\nkey RETURN\nkey CONTROL down\nkey 0x11 up\n"
        "wheel -120\ntext \"say \\\"hi\\\" ü\"\nwait 250\ncommand 40056\nanswer yes\nscreenshot out.png\nquit\r\n",
        &error);
    ASSERT_TRUE(c) << error;
    ASSERT_EQ(c->size(), 14u);
    EXPECT_EQ((*c)[0].kind, K::Tap);
    EXPECT_EQ((*c)[0].x, 10);
    EXPECT_EQ((*c)[0].line, 3);
    EXPECT_EQ((*c)[4].vk, static_cast<uint32_t>(VK_RETURN));
    EXPECT_EQ((*c)[4].keyMode, ScriptCommand::KeyMode::Press);
    EXPECT_EQ((*c)[5].keyMode, ScriptCommand::KeyMode::Down);
    EXPECT_EQ((*c)[6].vk, static_cast<uint32_t>(VK_CONTROL));
    EXPECT_EQ((*c)[7].value, -120);
    EXPECT_EQ((*c)[8].text, "say \"hi\" ü");
    EXPECT_EQ((*c)[9].value, 250);
    EXPECT_EQ((*c)[10].value, 40056);
    EXPECT_EQ((*c)[11].value, IDYES);
    EXPECT_EQ((*c)[12].text, "out.png");
    EXPECT_EQ((*c)[13].kind, K::Quit);
}

TEST(ScriptParse, ErrorsNameTheLine) {
    const char* bad[] = {"jump 1 2", "tap 1", "tap x y", "key NOSUCH", "key A sideways", "wheel", "text hello",
                         "text \"open", "wait -5", "answer maybe", "screenshot", "quit now"};
    for (const char* line : bad) {
        std::string error;
        EXPECT_FALSE(ScriptPlayer::parse(std::string("tap 1 1\n") + line + "\n", &error)) << line;
        EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
    }
}

TEST(ScriptRun, HeadlessRunFeedsInputTakesScreenshotAndEnds) {
    auto dir = std::filesystem::temp_directory_path() / ("trek_gui_script_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string shot = (dir / "shot.png").string();
    Headless h({100, 80});
    Recorder rec;
    WindowDesc d;
    d.rect = {0, 0, 100, 80};
    Window* main = h.system.create(d, [&rec](Window& w, const Message& m) -> int64_t {
        if (m.message == WM_PAINT) w.canvas().fillRect({0, 0, 50, 80}, Rgb(0, 0, 255));
        if (m.message == WM_DESTROY) w.system().loop().quit(0);
        return rec.proc()(w, m);
    });
    h.system.setMainWindow(main);
    std::string error;
    auto commands = ScriptPlayer::parse("tap 60 40\nkey F5\ntext \"é\"\nwheel 240\nwait 30\ncommand 7\nscreenshot " +
                                            shot + "\n",
                                        &error);
    ASSERT_TRUE(commands) << error;
    h.system.setScript(std::move(*commands));
    uint32_t start = h.loop.now();
    EXPECT_EQ(h.system.run(), 0);  // ends by itself once the script is done
    EXPECT_GE(h.loop.now() - start, 30u);
    ASSERT_NE(rec.last(WM_LBUTTONDOWN), nullptr);
    EXPECT_EQ(XFromLParam(rec.last(WM_LBUTTONDOWN)->lParam), 60);
    EXPECT_EQ(rec.last(WM_KEYDOWN)->wParam, static_cast<uint64_t>(VK_F1 + 4));
    EXPECT_EQ(rec.last(WM_CHAR)->wParam, 0xE9u);
    EXPECT_EQ(WheelDelta(rec.last(WM_MOUSEWHEEL)->wParam), 240);
    EXPECT_EQ(LoWord(rec.last(WM_COMMAND)->wParam), 7u);
    EXPECT_EQ(rec.count(WM_CLOSE), 1);
    Bitmap png;
    ASSERT_TRUE(png.readPng(shot, &error)) << error;
    EXPECT_EQ(png.width(), 100);
    EXPECT_EQ(png.pixel(10, 10) & 0xFFFFFF, 0x0000FFu);
    std::filesystem::remove_all(dir);
}

TEST(ScriptRun, TrailingWaitKeepsHeadlessRunAlive) {
    Headless h({40, 30});
    int ticks = 0;
    WindowDesc d;
    d.rect = {0, 0, 40, 30};
    Window* main = h.system.create(d, [&ticks](Window& w, const Message& m) -> int64_t {
        if (m.message == WM_TIMER) ++ticks;
        if (m.message == WM_DESTROY) w.system().loop().quit(0);
        return DefaultWindowProc(w, m);
    });
    h.system.setMainWindow(main);
    main->setTimer(1, 10);
    std::string error;
    auto commands = ScriptPlayer::parse("wait 120\n", &error);
    ASSERT_TRUE(commands) << error;
    h.system.setScript(std::move(*commands));
    uint32_t start = h.loop.now();
    EXPECT_EQ(h.system.run(), 0);
    // The program keeps running (and its timers ticking) for the whole wait.
    EXPECT_GE(h.loop.now() - start, 120u);
    EXPECT_GE(ticks, 5);
}

}  // namespace
}  // namespace trek::platform
