#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "GuiTestSupport.h"
#include "platform/gui/Accelerators.h"
#include "platform/gui/DisplayOptions.h"
#include "platform/gui/VirtualKeys.h"

#include <SDL2/SDL_keycode.h>

namespace trek::platform {
namespace {

using testing::Headless;
using testing::Recorder;

Window* MakeWindow(WindowSystem& ws, Recorder& r, Rect rect, Window* parent = nullptr,
                   std::optional<uint32_t> background = std::nullopt) {
    WindowDesc d;
    d.className = parent ? "ChildWindow" : "Main";
    d.parent = parent;
    d.rect = rect;
    d.background = background;
    return ws.create(d, r.proc());
}

TEST(WindowLoop, PostsFromOtherThreadsTimersAndQuit) {
    Headless h;
    h.system.setCloseWhenIdle(false);
    Recorder rec;
    Window* w = MakeWindow(h.system, rec, {0, 0, 100, 100});
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) w->post(WM_USER + 256, i);
    });
    worker.join();
    w->setTimer(7, 5);
    Message m;
    int user = 0, timers = 0;
    while (timers < 2 && h.system.getMessage(m)) {
        h.system.dispatch(m);
        if (m.message == WM_USER + 256) {
            EXPECT_EQ(m.wParam, static_cast<uint64_t>(user++));
        }
        if (m.message == WM_TIMER) {
            EXPECT_EQ(m.wParam, 7u);
            EXPECT_EQ(m.window, w->id());
            ++timers;
        }
    }
    EXPECT_EQ(user, 50);
    w->killTimer(7);
    h.loop.quit(3);
    EXPECT_FALSE(h.system.getMessage(m));
    EXPECT_EQ(m.message, static_cast<uint32_t>(WM_QUIT));
    EXPECT_EQ(m.wParam, 3u);
}

TEST(WindowLoop, CreateDestroyAndDefaultClose) {
    Headless h;
    Recorder parentRec, childRec;
    Window* parent = MakeWindow(h.system, parentRec, {0, 0, 100, 100});
    Window* child = MakeWindow(h.system, childRec, {10, 10, 50, 50}, parent);
    EXPECT_EQ(parentRec.messages.front().message, static_cast<uint32_t>(WM_CREATE));
    WindowId childId = child->id();
    child->setTimer(1, 10);
    parent->post(WM_CLOSE);  // the default procedure destroys the window, children too
    h.pump();
    EXPECT_EQ(parentRec.count(WM_DESTROY), 1);
    EXPECT_EQ(childRec.count(WM_DESTROY), 1);
    EXPECT_EQ(h.system.find(childId), nullptr);
    // A window whose WM_CREATE answers -1 is not made.
    WindowDesc d;
    EXPECT_EQ(h.system.create(d, [](Window&, const Message& m) -> int64_t { return m.message == WM_CREATE ? -1 : 0; }),
              nullptr);
}

TEST(WindowInput, TapsGoToTheWindowUnderThePointInClientCoordinates) {
    Headless h;
    Recorder mainRec, paneRec, topRec;
    Window* main = MakeWindow(h.system, mainRec, {0, 0, 200, 200});
    Window* pane = MakeWindow(h.system, paneRec, {20, 30, 120, 130}, main);
    Window* top = MakeWindow(h.system, topRec, {100, 100, 180, 180}, main);
    h.pump();

    h.system.mouseDown({25, 35});
    h.pump();
    ASSERT_EQ(paneRec.count(WM_LBUTTONDOWN), 1);
    const Message* down = paneRec.last(WM_LBUTTONDOWN);
    EXPECT_EQ(XFromLParam(down->lParam), 5);
    EXPECT_EQ(YFromLParam(down->lParam), 5);
    EXPECT_EQ(down->wParam & MK_LBUTTON, static_cast<uint64_t>(MK_LBUTTON));

    // Where two children overlap, the upper one takes the tap; z-order can change.
    h.system.mouseDown({110, 110});
    h.pump();
    EXPECT_EQ(topRec.count(WM_LBUTTONDOWN), 1);
    pane->bringToTop();
    h.system.mouseDown({110, 110});
    h.pump();
    EXPECT_EQ(paneRec.count(WM_LBUTTONDOWN), 2);

    // Hidden and disabled windows do not take input.
    pane->show(false);
    h.system.mouseDown({110, 110});
    h.pump();
    EXPECT_EQ(topRec.count(WM_LBUTTONDOWN), 2);
    top->setEnabled(false);
    h.system.mouseDown({110, 110});
    h.pump();
    EXPECT_EQ(topRec.count(WM_LBUTTONDOWN), 2);
    EXPECT_EQ(mainRec.count(WM_LBUTTONDOWN), 0);
    h.system.mouseDown({5, 5});
    h.pump();
    EXPECT_EQ(mainRec.count(WM_LBUTTONDOWN), 1);
}

TEST(WindowInput, CaptureTakesMovesAndUpsAnywhere) {
    Headless h;
    Recorder mainRec, paneRec;
    Window* main = MakeWindow(h.system, mainRec, {0, 0, 200, 200});
    Window* pane = MakeWindow(h.system, paneRec, {50, 50, 100, 100}, main);
    h.system.setCapture(pane);
    h.system.mouseMove({10, 20});
    h.system.mouseUp({10, 20});
    h.pump();
    EXPECT_EQ(mainRec.count(WM_MOUSEMOVE) + mainRec.count(WM_LBUTTONUP), 0);
    ASSERT_NE(paneRec.last(WM_LBUTTONUP), nullptr);
    EXPECT_EQ(XFromLParam(paneRec.last(WM_LBUTTONUP)->lParam), -40);  // outside: negative client coordinates
    Recorder other;
    Window* third = MakeWindow(h.system, other, {0, 0, 10, 10}, main);
    h.system.setCapture(third);
    EXPECT_EQ(paneRec.count(WM_CAPTURECHANGED), 1);
    h.system.releaseCapture();
    h.system.mouseUp({10, 20});
    h.pump();
    EXPECT_EQ(mainRec.count(WM_LBUTTONUP), 1);
}

TEST(WindowInput, KeysAndTextGoToTheFocus) {
    Headless h;
    Recorder mainRec, editRec;
    Window* main = MakeWindow(h.system, mainRec, {0, 0, 200, 200});
    h.system.setMainWindow(main);
    Window* edit = MakeWindow(h.system, editRec, {0, 0, 50, 20}, main);
    h.system.key(VK_DOWN, true);
    h.pump();
    EXPECT_EQ(mainRec.count(WM_KEYDOWN), 1);  // no focus: the main window
    h.system.setFocus(edit);
    EXPECT_EQ(editRec.count(WM_SETFOCUS), 1);
    h.system.key(VK_DOWN, false);
    h.system.text("ä€");
    h.pump();
    EXPECT_EQ(editRec.count(WM_KEYUP), 1);
    ASSERT_EQ(editRec.count(WM_CHAR), 2);
    EXPECT_EQ(editRec.last(WM_CHAR)->wParam, 0x20ACu);
    h.system.setFocus(nullptr);
    EXPECT_EQ(editRec.count(WM_KILLFOCUS), 1);
    // Return produces WM_CHAR 13 through translateMessage, as on the platform.
    h.system.key(VK_RETURN, true);
    h.pump();
    ASSERT_NE(mainRec.last(WM_CHAR), nullptr);
    EXPECT_EQ(mainRec.last(WM_CHAR)->wParam, static_cast<uint64_t>(VK_RETURN));
}

TEST(WindowPaint, InvalidWindowsPaintParentFirstAndChildrenOnTop) {
    Headless h({100, 100});
    std::vector<WindowId> order;
    auto painter = [&order](uint32_t color) {
        return [&order, color](Window& w, const Message& m) -> int64_t {
            if (m.message == WM_PAINT) {
                order.push_back(w.id());
                Canvas c = w.canvas();
                c.fillRect({-1000, -1000, 1000, 1000}, color);  // clipped to the window
            }
            return 0;
        };
    };
    WindowDesc md;
    md.rect = {0, 0, 100, 100};
    Window* main = h.system.create(md, painter(Rgb(255, 0, 0)));
    WindowDesc cd;
    cd.parent = main;
    cd.rect = {10, 10, 40, 40};
    Window* child = h.system.create(cd, painter(Rgb(0, 0, 255)));
    h.pump();
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], main->id());
    EXPECT_EQ(order[1], child->id());
    Bitmap& bb = h.system.backBuffer();
    EXPECT_EQ(bb.pixel(5, 5) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(bb.pixel(20, 20) & 0xFFFFFF, 0x0000FFu);

    // Repainting the parent repaints the child over it; a child alone repaints alone.
    order.clear();
    main->invalidate();
    h.pump();
    EXPECT_EQ(order, (std::vector<WindowId>{main->id(), child->id()}));
    EXPECT_EQ(bb.pixel(20, 20) & 0xFFFFFF, 0x0000FFu);
    order.clear();
    child->invalidate();
    h.pump();
    EXPECT_EQ(order, (std::vector<WindowId>{child->id()}));

    // Hiding the child shows the parent again there.
    child->show(false);
    h.pump();
    EXPECT_EQ(bb.pixel(20, 20) & 0xFFFFFF, 0xFF0000u);
    // A child is clipped to its parent.
    child->show(true);
    child->move({80, 80, 140, 140});
    h.pump();
    EXPECT_EQ(bb.pixel(90, 90) & 0xFFFFFF, 0x0000FFu);
}

TEST(WindowPaint, LayerErasesWithTheBackgroundBeforePainting) {
    Headless h({60, 60});
    WindowDesc d;
    d.rect = {0, 0, 60, 60};
    d.background = Rgb(0xE0, 0xE0, 0xE0);
    h.system.create(d);
    h.pump();
    EXPECT_EQ(h.system.backBuffer().pixel(30, 30) & 0xFFFFFF, 0xE0E0E0u);
}

TEST(WindowSystemScreen, ResizeSendsSettingChangeReset) {
    Headless h({200, 300});
    Recorder rec;
    Window* main = MakeWindow(h.system, rec, {0, 0, 200, 300});
    h.system.setMainWindow(main);
    h.system.resize({300, 200});
    h.pump();
    ASSERT_NE(rec.last(WM_SETTINGCHANGE), nullptr);
    EXPECT_EQ(rec.last(WM_SETTINGCHANGE)->wParam, SETTINGCHANGE_RESET);
    EXPECT_EQ(h.system.screenSize(), (Size{300, 200}));
}

TEST(WindowSystemScreen, DisplayScaleRule) {
    struct Case {
        int dpi;
        int scale;
    } cases[] = {{96, 1}, {120, 1}, {121, 2}, {192, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayScale(c.dpi), c.scale) << c.dpi;
        Headless h({100, 100}, c.dpi);
        EXPECT_EQ(h.system.scale(), c.scale) << c.dpi;
    }
}

TEST(DisplayOptionsTest, TakesItsOptionsAndLeavesTheRest) {
    std::vector<std::string> args{"--size", "240x320", "file.tur", "--dpi", "192", "--headless", "--script", "s.txt",
                                  "--screenshot", "out.png", "--other"};
    DisplayOptions o;
    std::string error;
    ASSERT_TRUE(TakeDisplayOptions(args, o, &error)) << error;
    EXPECT_EQ(o.size, (Size{240, 320}));
    EXPECT_EQ(o.dpi, 192);
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.script, "s.txt");
    EXPECT_EQ(o.screenshot, "out.png");
    EXPECT_EQ(args, (std::vector<std::string>{"file.tur", "--other"}));

    for (auto bad : std::vector<std::vector<std::string>>{{"--size", "240"}, {"--size", "10x10"}, {"--size"},
                                                          {"--dpi", "abc"}, {"--dpi", "0"}, {"--script"}}) {
        DisplayOptions x;
        EXPECT_FALSE(TakeDisplayOptions(bad, x, &error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(VirtualKeys, NamesAndSdlMapping) {
    struct Case {
        const char* name;
        uint32_t vk;
    } names[] = {{"RETURN", VK_RETURN}, {"return", VK_RETURN}, {"F5", VK_F1 + 4}, {"a", 'A'}, {"7", '7'},
                 {"UP", VK_UP},         {"0x26", VK_UP},       {"/", VK_OEM_2}, {"ESCAPE", VK_ESCAPE}};
    for (const auto& c : names) EXPECT_EQ(VirtualKeyFromName(c.name), c.vk) << c.name;
    EXPECT_FALSE(VirtualKeyFromName("NOSUCHKEY"));
    EXPECT_FALSE(VirtualKeyFromName(""));
    EXPECT_EQ(VirtualKeyName(VK_RETURN), "RETURN");
    EXPECT_EQ(VirtualKeyName('Q'), "Q");

    struct Sdl {
        int32_t sdl;
        uint32_t vk;
    } sdl[] = {{SDLK_a, 'A'},          {SDLK_z, 'Z'},         {SDLK_0, '0'},          {SDLK_RETURN, VK_RETURN},
               {SDLK_F12, VK_F1 + 11}, {SDLK_SLASH, VK_OEM_2}, {SDLK_LCTRL, VK_CONTROL}, {SDLK_KP_5, VK_NUMPAD0 + 5},
               {SDLK_UP, VK_UP},       {SDLK_CAPSLOCK, 0}};
    for (const auto& c : sdl) EXPECT_EQ(VirtualKeyFromSdl(c.sdl), c.vk) << c.sdl;
}

TEST(Accelerators, KeyWithModifiersBecomesCommand) {
    Headless h;
    Recorder rec;
    Window* main = MakeWindow(h.system, rec, {0, 0, 100, 100});
    h.system.setMainWindow(main);
    AcceleratorTable table{{FVIRTKEY | FCONTROL, '1', 40003}, {FVIRTKEY | FCONTROL, 'Q', 40056},
                           {FVIRTKEY | FALT, VK_OEM_2, 40002}};
    int translated = 0;
    auto loopOnce = [&] {
        Message m;
        while (h.system.peekMessage(m)) {
            if (TranslateAccelerator(h.system, main, table, m)) {
                ++translated;
                continue;
            }
            h.system.dispatch(m);
        }
    };
    h.system.key('1', true);  // no Ctrl: an ordinary key
    h.system.key('1', false);
    loopOnce();
    EXPECT_EQ(translated, 0);
    EXPECT_EQ(rec.count(WM_KEYDOWN), 1);

    h.system.key(VK_CONTROL, true);
    h.system.key('1', true);
    h.system.key('1', false);
    h.system.key(VK_CONTROL, false);
    loopOnce();
    EXPECT_EQ(translated, 1);
    ASSERT_NE(rec.last(WM_COMMAND), nullptr);
    EXPECT_EQ(LoWord(rec.last(WM_COMMAND)->wParam), 40003u);
    EXPECT_EQ(HiWord(rec.last(WM_COMMAND)->wParam), 1u);

    h.system.key(VK_MENU, true);
    h.system.key(VK_OEM_2, true);  // Alt + "/" arrives as WM_SYSKEYDOWN
    h.system.key(VK_OEM_2, false);
    h.system.key(VK_MENU, false);
    loopOnce();
    EXPECT_EQ(translated, 2);
    EXPECT_EQ(LoWord(rec.last(WM_COMMAND)->wParam), 40002u);
    EXPECT_EQ(table.lookup('Q', FCONTROL | FSHIFT), 0);  // extra modifiers do not match
}

}  // namespace
}  // namespace trek::platform
