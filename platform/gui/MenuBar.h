#pragma once
// The menu bar: a strip of 26 px × display scale at the bottom of the screen
// with popup menus and icon buttons. A popup title sends WM_INITMENUPOPUP
// (wParam = the Menu*, lParam = popup index) to the owner before it opens; a
// chosen item or a released button posts WM_COMMAND. A pressed button sends
// WM_NOTIFY MBN_BUTTONDOWN first. An owner-drawn button asks the owner with
// WM_MEASUREITEM and WM_DRAWITEM; with custom draw on, the owner gets
// NM_CUSTOMDRAW notifications (pre-paint, then one per item) and may draw an
// item itself by answering CDRF_SKIPDEFAULT.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Bitmap.h"
#include "platform/gui/Menu.h"
#include "platform/gui/Window.h"

namespace trek::platform {

class MenuBar {
public:
    static constexpr int kHeight = 26;  // times the display scale
    static constexpr int kControlId = 0xFFF0;

    MenuBar(WindowSystem& system, Window* owner);
    ~MenuBar();
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;

    Window* window() const { return bar_; }
    int height() const;

    // Building. Returns the index of the new item.
    int addPopup(const std::string& title);
    int addButton(int command, const Bitmap& icon, std::optional<uint32_t> transparentColor = std::nullopt);
    int addOwnerDrawButton(int command);
    void setCustomDraw(bool on) { customDraw_ = on; }
    void setButtonIcon(int command, const Bitmap& icon);

    Menu* popup(int index);
    size_t itemCount() const { return items_.size(); }

    // By command id across all popups, as the platform's menu functions.
    bool checkItem(int id, bool checked);
    bool checkRadio(int first, int last, int id);
    bool enableItem(int id, bool enabled);
    bool setItemText(int id, const std::string& text);
    bool deleteItem(int id);
    const MenuItem* item(int id) const;

    // Places the strip along the bottom of the screen; hidden in full screen.
    void layout();
    void show(bool visible);

    // Screen rectangle of bar item index; of a row of the open popup.
    Rect itemRect(int index) const;
    Rect popupItemRect(int id) const;
    Menu* openMenu() const { return open_ >= 0 ? items_[open_].menu.get() : nullptr; }
    bool openPopup(int index);
    void closePopup();

private:
    enum class Kind { Popup, Button, OwnerDraw };
    struct Item {
        Kind kind = Kind::Popup;
        std::string title;
        std::unique_ptr<Menu> menu;
        int command = 0;
        Bitmap icon;
        std::optional<uint32_t> transparent;
        Rect rect;  // bar coordinates
    };

    int64_t barProc(Window& w, const Message& m);
    int64_t popupProc(Window& w, const Message& m);
    void paintBar(Canvas& c);
    void paintItem(Canvas& c, const Item& item, int index);
    void paintPopup(Canvas& c);
    int itemAt(Point barPoint) const;
    int popupRowAt(Point popupPoint) const;
    std::vector<Rect> popupRows() const;
    int rowHeight() const;
    int s() const;

    WindowSystem& system_;
    Window* owner_;
    Window* bar_ = nullptr;
    Window* popupWindow_ = nullptr;
    std::vector<Item> items_;
    bool customDraw_ = false;
    int pressed_ = -1;
    int open_ = -1;
    int hot_ = -1;  // popup row under the finger
};

}  // namespace trek::platform
