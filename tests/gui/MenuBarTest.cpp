#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "platform/gui/MenuBar.h"

namespace trek::platform {
namespace {

using testing::Headless;
using testing::Recorder;

Point Centre(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

struct MenuBarFixture : ::testing::Test {
    explicit MenuBarFixture(int dpi = 96) : h({480, 640}, dpi) {}
    void SetUp() override {
        WindowDesc d;
        d.rect = {0, 0, 480, 614};
        owner = h.system.create(d, [this](Window& w, const Message& m) -> int64_t {
            rec.messages.push_back(m);
            if (m.message == WM_INITMENUPOPUP && onInit) onInit(reinterpret_cast<Menu*>(m.wParam));
            if (m.message == WM_MEASUREITEM) {
                auto* mi = FromLParam<MeasureItem>(m.lParam);
                mi->width = 30;
                mi->height = 20;
                return 1;
            }
            if (m.message == WM_DRAWITEM) ++drawItems;
            if (m.message == WM_NOTIFY) {
                auto* n = FromLParam<NotifyHeader>(m.lParam);
                if (n->code == NM_CUSTOMDRAW && n->drawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
                if (n->code == NM_CUSTOMDRAW && n->item == 9000) {
                    static_cast<Canvas*>(n->context)->fillRect({n->left, n->top, n->right, n->bottom}, Rgb(0, 255, 0));
                    return CDRF_SKIPDEFAULT;
                }
            }
            return DefaultWindowProc(w, m);
        });
        h.system.setMainWindow(owner);
        bar = std::make_unique<MenuBar>(h.system, owner);
        Menu* view = bar->popup(bar->addPopup("View"));
        view->append(40003, "Tracking");
        view->append(40004, "Profile");
        view->appendSeparator();
        view->append(40007, "Satellites");
        Menu* tour = bar->popup(bar->addPopup("Tour"));
        tour->append(40017, "Close Tour");
        tour->append(40278, "&Pause");
        tour->append(40204, "GPS Settings");
        Bitmap icon(16, 16, 0xFF000000u);
        bar->addButton(40031, icon);
        bar->addOwnerDrawButton(40220);
        bar->addButton(9000, Bitmap());
        h.pump();
    }
    void tap(Point p) {
        h.system.mouseDown(p);
        h.pump();
        h.system.mouseUp(p);
        h.pump();
    }
    std::vector<int> commands() const {
        std::vector<int> ids;
        for (const auto& m : rec.messages)
            if (m.message == WM_COMMAND) ids.push_back(static_cast<int>(LoWord(m.wParam)));
        return ids;
    }

    Headless h;
    Window* owner = nullptr;
    std::unique_ptr<MenuBar> bar;
    Recorder rec;
    std::function<void(Menu*)> onInit;
    int drawItems = 0;
};

TEST_F(MenuBarFixture, StripAlongTheBottomAndOwnerDrawnButton) {
    Rect strip = bar->window()->screenRect();
    EXPECT_EQ(strip, (Rect{0, 640 - 26, 480, 640}));
    EXPECT_EQ(bar->itemRect(3).width(), 30);  // measured by the owner
    EXPECT_GE(drawItems, 1);
}

TEST_F(MenuBarFixture, PopupAsksOwnerFirstThenCommandsOnChoice) {
    onInit = [this](Menu* menu) {
        // The owner updates the popup just before it opens, as the shell does.
        if (menu == bar->popup(1)) {
            bar->enableItem(40017, false);
            bar->setItemText(40278, "Resume");
            bar->deleteItem(40204);
        }
        bar->checkRadio(40003, 40007, 40004);
    };
    tap(Centre(bar->itemRect(1)));
    ASSERT_EQ(bar->openMenu(), bar->popup(1));
    const Message* init = rec.last(WM_INITMENUPOPUP);
    ASSERT_NE(init, nullptr);
    EXPECT_EQ(init->lParam, 1);
    EXPECT_EQ(bar->item(40278)->text, "Resume");
    EXPECT_FALSE(bar->item(40204));
    EXPECT_TRUE(bar->popupItemRect(40204).empty());

    tap(Centre(bar->popupItemRect(40017)));  // disabled: nothing happens, the popup stays
    EXPECT_TRUE(commands().empty());
    EXPECT_NE(bar->openMenu(), nullptr);
    tap(Centre(bar->popupItemRect(40278)));
    EXPECT_EQ(commands(), std::vector<int>{40278});
    EXPECT_EQ(bar->openMenu(), nullptr);

    tap(Centre(bar->itemRect(0)));
    EXPECT_TRUE(bar->item(40004)->checked);
    EXPECT_TRUE(bar->item(40004)->radio);
    EXPECT_FALSE(bar->item(40003)->checked);
    tap({240, 100});  // outside: closes without a command
    EXPECT_EQ(bar->openMenu(), nullptr);
    EXPECT_EQ(commands(), std::vector<int>{40278});
}

TEST_F(MenuBarFixture, ButtonsNotifyOnPressAndCommandOnRelease) {
    Point p = Centre(bar->itemRect(2));
    h.system.mouseDown(p);
    h.pump();
    const Message* notify = rec.last(WM_NOTIFY);
    ASSERT_NE(notify, nullptr);
    EXPECT_TRUE(commands().empty());
    h.system.mouseUp(p);
    h.pump();
    EXPECT_EQ(commands(), std::vector<int>{40031});
    // Released outside the button: no command.
    h.system.mouseDown(Centre(bar->itemRect(3)));
    h.pump();
    h.system.mouseUp({100, 100});
    h.pump();
    EXPECT_EQ(commands(), std::vector<int>{40031});
}

TEST_F(MenuBarFixture, CustomDrawHookDrawsAnItemItself) {
    bar->setCustomDraw(true);
    bar->window()->invalidate();
    h.pump();
    Rect clock = bar->itemRect(4);
    EXPECT_EQ(h.system.backBuffer().pixel(clock.left + 2, clock.top + 5) & 0xFFFFFF, 0x00FF00u);
}

struct MenuBarScaled : MenuBarFixture {
    MenuBarScaled() : MenuBarFixture(192) {}
};

TEST_F(MenuBarScaled, HeightFollowsTheDisplayScale) {
    EXPECT_EQ(bar->window()->screenRect().height(), 52);
    EXPECT_EQ(bar->itemRect(3).width(), 60);
}

TEST(MenuTest, ItemsByCommand) {
    Menu m;
    m.append(1, "One");
    m.appendSeparator();
    m.append(2, "Two");
    m.insert(0, MenuItem{40269, "MVG live"});
    EXPECT_EQ(m.items().front().id, 40269);
    EXPECT_TRUE(m.check(2, true));
    EXPECT_TRUE(m.find(2)->checked);
    EXPECT_FALSE(m.check(99, true));
    EXPECT_TRUE(m.remove(1));
    EXPECT_FALSE(m.remove(1));
    EXPECT_EQ(m.size(), 3u);  // the separator stays
}

}  // namespace
}  // namespace trek::platform
