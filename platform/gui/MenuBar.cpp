#include "platform/gui/MenuBar.h"

#include <algorithm>

#include "platform/gui/GuiMessages.h"
#include "platform/gui/WindowSystem.h"

namespace trek::platform {
namespace {

constexpr uint32_t kBarColor = 0xFFFFFF;
constexpr uint32_t kLineColor = 0xA0A0A0;
constexpr uint32_t kPressedColor = 0xFF8000;  // COLORREF: a clear blue
constexpr uint32_t kTextColor = 0x000000;
constexpr uint32_t kGreyText = 0x808080;

}  // namespace

MenuBar::MenuBar(WindowSystem& system, Window* owner) : system_(system), owner_(owner) {
    WindowDesc d;
    d.className = "menu_bar";
    d.background = kBarColor;
    d.controlId = kControlId;
    bar_ = system_.create(d, [this](Window& w, const Message& m) { return barProc(w, m); });
    layout();
}

MenuBar::~MenuBar() {
    closePopup();
    if (Window* w = system_.find(bar_ ? bar_->id() : 0)) {
        w->setProc({});
        system_.destroy(w);
    }
}

int MenuBar::s() const { return system_.scale(); }
int MenuBar::height() const { return kHeight * s(); }
int MenuBar::rowHeight() const { return 32 * s(); }

int MenuBar::addPopup(const std::string& title) {
    Item item;
    item.kind = Kind::Popup;
    item.title = title;
    item.menu = std::make_unique<Menu>(title);
    items_.push_back(std::move(item));
    layout();
    return static_cast<int>(items_.size()) - 1;
}

int MenuBar::addButton(int command, const Bitmap& icon, std::optional<uint32_t> transparentColor) {
    Item item;
    item.kind = Kind::Button;
    item.command = command;
    item.icon = icon;
    item.transparent = transparentColor;
    items_.push_back(std::move(item));
    layout();
    return static_cast<int>(items_.size()) - 1;
}

int MenuBar::addOwnerDrawButton(int command) {
    Item item;
    item.kind = Kind::OwnerDraw;
    item.command = command;
    items_.push_back(std::move(item));
    layout();
    return static_cast<int>(items_.size()) - 1;
}

void MenuBar::setButtonIcon(int command, const Bitmap& icon) {
    for (auto& i : items_)
        if (i.kind == Kind::Button && i.command == command) i.icon = icon;
    bar_->invalidate();
}

Menu* MenuBar::popup(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
    return items_[index].menu.get();
}

bool MenuBar::checkItem(int id, bool checked) {
    bool any = false;
    for (auto& i : items_)
        if (i.menu) any |= i.menu->check(id, checked);
    if (popupWindow_) popupWindow_->invalidate();
    return any;
}

bool MenuBar::checkRadio(int first, int last, int id) {
    bool any = false;
    for (auto& i : items_)
        if (i.menu) any |= i.menu->checkRadio(first, last, id);
    if (popupWindow_) popupWindow_->invalidate();
    return any;
}

bool MenuBar::enableItem(int id, bool enabled) {
    bool any = false;
    for (auto& i : items_)
        if (i.menu) any |= i.menu->enable(id, enabled);
    if (popupWindow_) popupWindow_->invalidate();
    return any;
}

bool MenuBar::setItemText(int id, const std::string& text) {
    bool any = false;
    for (auto& i : items_)
        if (i.menu) any |= i.menu->setText(id, text);
    if (popupWindow_) layout();
    return any;
}

bool MenuBar::deleteItem(int id) {
    bool any = false;
    for (auto& i : items_)
        if (i.menu) any |= i.menu->remove(id);
    return any;
}

const MenuItem* MenuBar::item(int id) const {
    for (auto& i : items_)
        if (i.menu)
            if (const MenuItem* found = i.menu->find(id)) return found;
    return nullptr;
}

void MenuBar::layout() {
    Size screen = system_.screenSize();
    Rect r{0, screen.height - height(), screen.width, screen.height};
    Canvas measure(system_.backBuffer());
    measure.setFont(Font{"Arial", -13 * s(), 400});
    int x = 0;
    for (auto& item : items_) {
        int w = 0;
        switch (item.kind) {
            case Kind::Popup: w = std::max(48 * s(), measure.textExtent(item.title).width + 20 * s()); break;
            case Kind::Button: w = 32 * s(); break;
            case Kind::OwnerDraw: {
                MeasureItem mi{kControlId, item.command, 30, 20};
                if (owner_) owner_->send(WM_MEASUREITEM, kControlId, ToLParam(&mi));
                w = std::max(1, mi.width) * s();
                break;
            }
        }
        item.rect = {x, 0, x + w, height()};
        x += w;
    }
    system_.move(bar_, r);
    bar_->invalidate();
}

void MenuBar::show(bool visible) {
    if (!visible) closePopup();
    bar_->show(visible);
}

Rect MenuBar::itemRect(int index) const {
    if (index < 0 || index >= static_cast<int>(items_.size())) return {};
    Rect b = bar_->screenRect();
    return items_[index].rect.offset(b.left, b.top);
}

int MenuBar::itemAt(Point p) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].rect.contains(p)) return static_cast<int>(i);
    return -1;
}

// ---- the strip -------------------------------------------------------------

int64_t MenuBar::barProc(Window& w, const Message& m) {
    switch (m.message) {
        case WM_PAINT: {
            Canvas c = w.canvas();
            paintBar(c);
            return 0;
        }
        case WM_LBUTTONDOWN: {
            int index = itemAt({XFromLParam(m.lParam), YFromLParam(m.lParam)});
            if (index < 0) return 0;
            if (items_[index].kind == Kind::Popup) {
                if (open_ == index) closePopup();
                else openPopup(index);
                return 0;
            }
            closePopup();
            pressed_ = index;
            system_.setCapture(&w);
            w.invalidate();
            NotifyHeader n{w.id(), kControlId, MBN_BUTTONDOWN, items_[index].command};
            if (owner_) owner_->send(WM_NOTIFY, kControlId, ToLParam(&n));
            return 0;
        }
        case WM_LBUTTONUP: {
            if (pressed_ < 0) return 0;
            int index = itemAt({XFromLParam(m.lParam), YFromLParam(m.lParam)});
            int command = items_[pressed_].command;
            bool inside = index == pressed_;
            pressed_ = -1;
            system_.releaseCapture();
            w.invalidate();
            if (inside && owner_) owner_->post(WM_COMMAND, static_cast<uint64_t>(command), 0);
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (pressed_ >= 0) {
                pressed_ = -1;
                w.invalidate();
            }
            return 0;
        default: return DefaultWindowProc(w, m);
    }
}

void MenuBar::paintBar(Canvas& c) {
    Rect all = bar_->clientRect();
    c.fillRect(all, kBarColor);
    c.fillRect({0, 0, all.right, std::max(1, s())}, kLineColor);
    uint64_t stage = CDRF_DODEFAULT;
    NotifyHeader n{bar_->id(), kControlId, NM_CUSTOMDRAW};
    n.context = &c;
    if (customDraw_ && owner_) {
        n.drawStage = CDDS_PREPAINT;
        stage = static_cast<uint64_t>(owner_->send(WM_NOTIFY, kControlId, ToLParam(&n)));
    }
    for (size_t i = 0; i < items_.size(); ++i) {
        const Item& item = items_[i];
        if (stage & CDRF_NOTIFYITEMDRAW) {
            n.drawStage = CDDS_ITEMPREPAINT;
            n.item = item.command;
            n.subItem = static_cast<int>(i);
            n.left = item.rect.left, n.top = item.rect.top, n.right = item.rect.right, n.bottom = item.rect.bottom;
            if (owner_->send(WM_NOTIFY, kControlId, ToLParam(&n)) & CDRF_SKIPDEFAULT) continue;
        }
        paintItem(c, item, static_cast<int>(i));
    }
}

void MenuBar::paintItem(Canvas& c, const Item& item, int index) {
    bool pressed = index == pressed_ || index == open_;
    Rect r = item.rect;
    if (pressed) c.fillRect(r.inflate(0, -s()).offset(0, s()), kPressedColor);
    switch (item.kind) {
        case Kind::Popup:
            c.setFont(Font{"Arial", -13 * s(), 700});
            c.setBackgroundMode(BackgroundMode::Transparent);
            c.setTextColor(pressed ? 0xFFFFFF : kTextColor);
            c.drawText(item.title, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            break;
        case Kind::Button: {
            if (item.icon.empty()) break;
            int w = item.icon.width() * s(), h = item.icon.height() * s();
            Rect dst = Rect::fromSize(r.left + (r.width() - w) / 2, r.top + (r.height() - h) / 2, w, h);
            Rect src{0, 0, item.icon.width(), item.icon.height()};
            if (item.transparent) c.transparentFrom(item.icon, src, dst, *item.transparent);
            else c.stretchFrom(item.icon, src, dst);
            break;
        }
        case Kind::OwnerDraw: {
            DrawItem di{kControlId, item.command, &c, r.left, r.top, r.right, r.bottom, index == pressed_};
            if (owner_) owner_->send(WM_DRAWITEM, kControlId, ToLParam(&di));
            break;
        }
    }
}

// ---- popups ----------------------------------------------------------------

std::vector<Rect> MenuBar::popupRows() const {
    std::vector<Rect> rows;
    if (open_ < 0 || !popupWindow_) return rows;
    int y = 0, w = popupWindow_->rect().width();
    for (const auto& item : items_[open_].menu->items()) {
        int h = item.separator ? 9 * s() : rowHeight();
        rows.push_back({0, y, w, y + h});
        y += h;
    }
    return rows;
}

bool MenuBar::openPopup(int index) {
    closePopup();
    Menu* menu = popup(index);
    if (!menu) return false;
    // The owner sets checks, texts and enabled states now, as the platform lets it.
    if (owner_) owner_->send(WM_INITMENUPOPUP, reinterpret_cast<uint64_t>(menu), index);
    open_ = index;
    Canvas measure(system_.backBuffer());
    measure.setFont(Font{"Arial", -13 * s(), 400});
    int width = 120 * s(), height = 0;
    for (const auto& item : menu->items()) {
        if (!item.separator) width = std::max(width, measure.textExtent(item.text).width + 56 * s());
        height += item.separator ? 9 * s() : rowHeight();
    }
    Rect barRect = bar_->screenRect();
    Size screen = system_.screenSize();
    width = std::min(width, screen.width);
    height = std::max(std::min(height, barRect.top), 1);
    int left = std::clamp(itemRect(index).left, 0, std::max(0, screen.width - width));
    WindowDesc d;
    d.className = "menu_popup";
    d.rect = {left, barRect.top - height, left + width, barRect.top};
    d.background = 0xFFFFFF;
    d.topmost = true;
    hot_ = -1;
    popupWindow_ = system_.create(d, [this](Window& w, const Message& m) { return popupProc(w, m); });
    system_.setCapture(popupWindow_);
    bar_->invalidate();
    return true;
}

void MenuBar::closePopup() {
    if (!popupWindow_) return;
    Window* w = popupWindow_;
    popupWindow_ = nullptr;
    open_ = -1;
    if (system_.capture() == w) system_.releaseCapture();
    system_.destroy(w);
    if (bar_) bar_->invalidate();
}

Rect MenuBar::popupItemRect(int id) const {
    if (!popupWindow_) return {};
    auto rows = popupRows();
    const auto& items = items_[open_].menu->items();
    Rect p = popupWindow_->screenRect();
    for (size_t i = 0; i < items.size() && i < rows.size(); ++i)
        if (!items[i].separator && items[i].id == id) return rows[i].offset(p.left, p.top);
    return {};
}

int MenuBar::popupRowAt(Point p) const {
    auto rows = popupRows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].contains(p)) return static_cast<int>(i);
    return -1;
}

int64_t MenuBar::popupProc(Window& w, const Message& m) {
    switch (m.message) {
        case WM_PAINT: {
            Canvas c = w.canvas();
            paintPopup(c);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE: {
            Point p{XFromLParam(m.lParam), YFromLParam(m.lParam)};
            if (m.message == WM_LBUTTONDOWN && !w.clientRect().contains(p)) {
                // A tap outside closes the popup; on another popup title it opens that one.
                Point screen = w.toScreen(p);
                closePopup();
                Point barPoint = bar_->fromScreen(screen);
                int index = bar_->clientRect().contains(barPoint) ? itemAt(barPoint) : -1;
                if (index >= 0 && items_[index].kind == Kind::Popup) openPopup(index);
                return 0;
            }
            int row = (m.wParam & MK_LBUTTON) ? popupRowAt(p) : -1;
            if (row != hot_) {
                hot_ = row;
                w.invalidate();
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            int row = popupRowAt({XFromLParam(m.lParam), YFromLParam(m.lParam)});
            const auto& items = items_[open_].menu->items();
            if (row < 0 || items[row].separator || !items[row].enabled) {
                hot_ = -1;
                w.invalidate();
                return 0;
            }
            int command = items[row].id;
            closePopup();
            if (owner_) owner_->post(WM_COMMAND, static_cast<uint64_t>(command), 0);
            return 0;
        }
        case WM_CAPTURECHANGED:
            return 0;
        case WM_KEYDOWN:
            if (m.wParam == 0x1B) closePopup();  // escape
            return 0;
        default: return DefaultWindowProc(w, m);
    }
}

void MenuBar::paintPopup(Canvas& c) {
    Rect all = popupWindow_->clientRect();
    c.fillRect(all, 0xFFFFFF);
    c.frameRect(all, kLineColor, 1);
    auto rows = popupRows();
    const auto& items = items_[open_].menu->items();
    c.setFont(Font{"Arial", -13 * s(), 400});
    c.setBackgroundMode(BackgroundMode::Transparent);
    for (size_t i = 0; i < items.size() && i < rows.size(); ++i) {
        const MenuItem& item = items[i];
        Rect r = rows[i];
        if (item.separator) {
            c.fillRect({r.left + 4 * s(), r.top + r.height() / 2, r.right - 4 * s(), r.top + r.height() / 2 + 1}, kLineColor);
            continue;
        }
        bool hot = static_cast<int>(i) == hot_ && item.enabled;
        if (hot) c.fillRect(r.inflate(-1, 0), kPressedColor);
        uint32_t color = !item.enabled ? kGreyText : hot ? 0xFFFFFF : kTextColor;
        if (item.checked) {
            int cx = r.left + 14 * s(), cy = r.top + r.height() / 2;
            c.setPen(Pen{color, 2 * s()});
            c.setBrush(Brush{color});
            if (item.radio) {
                c.ellipse(Rect{cx - 4 * s(), cy - 4 * s(), cx + 4 * s(), cy + 4 * s()});
            } else {
                Point tick[] = {{cx - 5 * s(), cy}, {cx - 1 * s(), cy + 4 * s()}, {cx + 6 * s(), cy - 5 * s()}};
                c.polyline(tick);
            }
        }
        c.setTextColor(color);
        c.drawText(item.text, Rect{r.left + 28 * s(), r.top, r.right - 8 * s(), r.bottom},
                   DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}

}  // namespace trek::platform
