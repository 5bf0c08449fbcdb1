#include "platform/gui/dialog/ListControls.h"

#include <algorithm>
#include <cstdlib>

#include "platform/gui/VirtualKeys.h"
#include "platform/gui/WindowSystem.h"
#include "platform/gui/dialog/Dialog.h"

namespace trek::platform {

// ---- rows --------------------------------------------------------------------

Rect RowListControl::rowRect(int row) const {
    int top = headerHeight() + row * rowHeight() - scroll_;
    return {0, top, window_.clientRect().right, top + rowHeight()};
}

int RowListControl::topRow() const { return scroll_ / rowHeight(); }

void RowListControl::clampScroll() {
    int visible = window_.clientRect().height() - headerHeight();
    int total = count() * rowHeight();
    scroll_ = std::clamp(scroll_, 0, std::max(0, total - visible));
}

void RowListControl::ensureVisible(int row) {
    if (row < 0) return;
    Rect r = rowRect(row);
    int visibleBottom = window_.clientRect().bottom;
    if (r.top < headerHeight()) scroll_ -= headerHeight() - r.top;
    else if (r.bottom > visibleBottom) scroll_ += r.bottom - visibleBottom;
    clampScroll();
}

void RowListControl::setCurSel(int row) {
    selected_ = row >= 0 && row < count() ? row : -1;
    ensureVisible(selected_);
    invalidate();
}

void RowListControl::tapRow(int row) {
    if (row < 0 || row >= count() || !enabled()) return;
    bool changed = row != selected_;
    setCurSel(row);
    if (changed) selectionChanged();
}

void RowListControl::paint(Canvas& c) {
    Rect all = window_.clientRect();
    drawFrame(c, all, kit::kWhite);
    paintHeader(c);
    c.intersectClip(Rect{1, headerHeight(), all.right - 1, all.bottom - 1});
    int first = topRow();
    for (int row = first; row < count(); ++row) {
        Rect r = rowRect(row);
        if (r.top >= all.bottom) break;
        bool selected = row == selected_;
        if (selected) c.fillRect(r, kit::kHighlight);
        c.setTextColor(!enabled() ? kit::kGrey : selected ? kit::kWhite : kit::kText);
        paintRow(c, row, r, selected);
        c.fillRect({r.left, r.bottom - 1, r.right, r.bottom}, kit::kFace);
    }
}

void RowListControl::mouseDown(Point p) {
    downAt_ = p;
    downScroll_ = scroll_;
    dragging_ = false;
    window_.system().setCapture(&window_);
}

void RowListControl::mouseMove(Point p, bool down) {
    if (!down || window_.system().capture() != &window_) return;
    if (!dragging_ && std::abs(p.y - downAt_.y) < 8 * s()) return;
    dragging_ = true;
    scroll_ = downScroll_ - (p.y - downAt_.y);
    clampScroll();
    invalidate();
}

void RowListControl::mouseUp(Point p) {
    if (window_.system().capture() != &window_) return;
    window_.system().releaseCapture();
    if (dragging_ || p.y < headerHeight()) return;
    int row = (p.y - headerHeight() + scroll_) / rowHeight();
    if (p.y >= 0 && row < count()) tapRow(row);
}

void RowListControl::keyDown(uint32_t vk) {
    int page = std::max(1, (window_.clientRect().height() - headerHeight()) / rowHeight());
    int row = selected_;
    switch (vk) {
        case VK_UP: row = std::max(0, row - 1); break;
        case VK_DOWN: row = std::min(count() - 1, row + 1); break;
        case VK_PRIOR: row = std::max(0, row - page); break;
        case VK_NEXT: row = std::min(count() - 1, row + page); break;
        case VK_HOME: row = 0; break;
        case VK_END: row = count() - 1; break;
        default: return;
    }
    if (count() > 0) tapRow(row);
}

void RowListControl::wheel(int delta) {
    scroll_ -= delta * rowHeight() / WHEEL_DELTA;
    clampScroll();
    invalidate();
}

// ---- list box ----------------------------------------------------------------

ListBoxControl::ListBoxControl(Dialog& dialog, Window& window, const ControlTemplate& t)
    : RowListControl(dialog, window, t), items_(t.items) {}

int ListBoxControl::addString(const std::string& s) {
    items_.push_back(s);
    invalidate();
    return count() - 1;
}

void ListBoxControl::insertString(int index, const std::string& s) {
    index = std::clamp(index, 0, count());
    items_.insert(items_.begin() + index, s);
    if (selected_ >= index) ++selected_;
    invalidate();
}

bool ListBoxControl::deleteString(int index) {
    if (index < 0 || index >= count()) return false;
    items_.erase(items_.begin() + index);
    if (selected_ == index) selected_ = -1;
    else if (selected_ > index) --selected_;
    clampScroll();
    invalidate();
    return true;
}

void ListBoxControl::reset() {
    items_.clear();
    selected_ = -1;
    scroll_ = 0;
    invalidate();
}

std::string ListBoxControl::itemText(int index) const {
    return index >= 0 && index < count() ? items_[index] : std::string();
}

void ListBoxControl::paintRow(Canvas& c, int row, const Rect& r, bool) {
    c.drawText(items_[row], r.inflate(-6 * s(), 0), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

// ---- combo box ---------------------------------------------------------------

ComboBoxControl::ComboBoxControl(Dialog& dialog, Window& window, const ControlTemplate& t)
    : Control(dialog, window, t), items_(t.items) {
    if (!items_.empty()) selected_ = 0;
}

ComboBoxControl::~ComboBoxControl() {
    if (dropWindow_ && window_.system().find(dropWindow_->id()) == dropWindow_) dropWindow_->setProc({});
}

int ComboBoxControl::addString(const std::string& s) {
    items_.push_back(s);
    if (selected_ < 0) selected_ = 0;
    invalidate();
    return count() - 1;
}

void ComboBoxControl::insertString(int index, const std::string& s) {
    index = std::clamp(index, 0, count());
    items_.insert(items_.begin() + index, s);
    if (selected_ >= index) ++selected_;
    if (selected_ < 0) selected_ = 0;
    invalidate();
}

bool ComboBoxControl::deleteString(int index) {
    if (index < 0 || index >= count()) return false;
    items_.erase(items_.begin() + index);
    if (selected_ == index) selected_ = items_.empty() ? -1 : std::min(index, count() - 1);
    else if (selected_ > index) --selected_;
    invalidate();
    return true;
}

void ComboBoxControl::reset() {
    items_.clear();
    selected_ = -1;
    invalidate();
}

std::string ComboBoxControl::itemText(int index) const {
    return index >= 0 && index < count() ? items_[index] : std::string();
}

void ComboBoxControl::setCurSel(int index) {
    selected_ = index >= 0 && index < count() ? index : -1;
    invalidate();
}

void ComboBoxControl::paint(Canvas& c) {
    Rect r = window_.clientRect();
    bool focused = window_.system().focus() == &window_;
    c.setPen(Pen{focused ? kit::kHighlight : kit::kBorder, focused ? 2 * s() : 1});
    c.setBrush(Brush{enabled() ? kit::kWhite : kit::kFace});
    c.rectangle(r);
    int arrow = std::min(r.height(), 28 * s());
    Rect button{r.right - arrow, r.top, r.right, r.bottom};
    c.fillRect(button.inflate(-2 * s(), -2 * s()), kit::kFace);
    int cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2;
    Point tri[] = {{cx - 5 * s(), cy - 2 * s()}, {cx + 5 * s(), cy - 2 * s()}, {cx, cy + 4 * s()}};
    c.setPen(Pen{kit::kText, 1});
    c.setBrush(Brush{enabled() ? kit::kText : kit::kGrey});
    c.polygon(tri);
    c.drawText(text(), Rect{r.left + 6 * s(), r.top, button.left - 2 * s(), r.bottom},
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void ComboBoxControl::mouseDown(Point) { showDropDown(!dropped()); }

void ComboBoxControl::keyDown(uint32_t vk) {
    if (vk == VK_RETURN && dropped()) return showDropDown(false);
    int index = selected_;
    if (vk == VK_UP) index = std::max(0, index - 1);
    else if (vk == VK_DOWN) index = std::min(count() - 1, index + 1);
    else return;
    if (index != selected_ && index >= 0) choose(index);
}

void ComboBoxControl::choose(int index) {
    bool changed = index != selected_;
    setCurSel(index);
    if (changed) notify(CBN_SELCHANGE);
}

Rect ComboBoxControl::dropRowRect(int index) const {
    if (!dropWindow_) return {};
    Rect d = dropWindow_->screenRect();
    int top = d.top + (index - dropTop_) * rowHeight() + 1;
    return {d.left, top, d.right, top + rowHeight()};
}

void ComboBoxControl::showDropDown(bool show) {
    WindowSystem& system = window_.system();
    if (!show) {
        if (!dropWindow_) return;
        Window* w = dropWindow_;
        dropWindow_ = nullptr;
        if (system.capture() == w) system.releaseCapture();
        system.destroy(w);
        return;
    }
    if (dropWindow_ || items_.empty()) return;
    // The list drops below the field, or above it when there is no room; it lies over the dialog.
    Window& parent = dialog_.window();
    Rect field = window_.rect();
    Rect area = parent.clientRect();
    int rows = std::min<int>(count(), std::max(1, (area.height() - dialog_.captionHeight()) / rowHeight() - 1));
    int height = rows * rowHeight() + 2;
    int top = field.bottom + height <= area.bottom ? field.bottom : std::max(area.top, field.top - height);
    dropTop_ = std::clamp(selected_ - rows / 2, 0, std::max(0, count() - rows));
    WindowDesc d;
    d.className = "ComboLBox";
    d.parent = &parent;
    d.rect = {field.left, top, field.right, top + height};
    d.background = kit::kWhite;
    dropWindow_ = system.create(d, [this](Window& w, const Message& m) { return dropProc(w, m); });
    system.setCapture(dropWindow_);
}

int64_t ComboBoxControl::dropProc(Window& w, const Message& m) {
    Point p{XFromLParam(m.lParam), YFromLParam(m.lParam)};
    switch (m.message) {
        case WM_PAINT: {
            Canvas c = w.canvas();
            c.setFont(font());
            c.setBackgroundMode(BackgroundMode::Transparent);
            Rect all = w.clientRect();
            drawFrame(c, all, kit::kWhite);
            for (int i = dropTop_; i < count(); ++i) {
                Rect r{1, 1 + (i - dropTop_) * rowHeight(), all.right - 1, 1 + (i - dropTop_ + 1) * rowHeight()};
                if (r.top >= all.bottom - 1) break;
                if (i == selected_) c.fillRect(r, kit::kHighlight);
                c.setTextColor(i == selected_ ? kit::kWhite : kit::kText);
                c.drawText(items_[i], r.inflate(-6 * s(), 0), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
            if (!w.clientRect().contains(p)) showDropDown(false);
            return 0;
        case WM_LBUTTONUP: {
            if (!w.clientRect().contains(p)) return 0;
            int index = dropTop_ + (p.y - 1) / rowHeight();
            showDropDown(false);
            if (index >= 0 && index < count()) choose(index);
            return 0;
        }
        case WM_MOUSEWHEEL: {
            int rows = (w.clientRect().height() - 2) / rowHeight();
            dropTop_ = std::clamp(dropTop_ - WheelDelta(m.wParam) / WHEEL_DELTA, 0, std::max(0, count() - rows));
            w.invalidate();
            return 0;
        }
        default: return 0;
    }
}

// ---- list view ---------------------------------------------------------------

ListViewControl::ListViewControl(Dialog& dialog, Window& window, const ControlTemplate& t)
    : RowListControl(dialog, window, t) {
    for (const auto& item : t.items) {
        ListViewColumn c;
        size_t colon = item.rfind(':');
        c.title = item.substr(0, colon);
        if (colon != std::string::npos) c.width = std::max(8, std::atoi(item.c_str() + colon + 1));
        columns_.push_back(c);
    }
}

void ListViewControl::addColumn(const ListViewColumn& c) {
    columns_.push_back(c);
    invalidate();
}

int ListViewControl::addRow(const std::vector<std::string>& cells) {
    onDemand_ = false;
    rows_.push_back(cells);
    invalidate();
    return static_cast<int>(rows_.size()) - 1;
}

bool ListViewControl::setCell(int row, int column, const std::string& text) {
    if (onDemand_ || row < 0 || row >= count() || column < 0) return false;
    auto& cells = rows_[row];
    if (static_cast<int>(cells.size()) <= column) cells.resize(column + 1);
    cells[column] = text;
    invalidate();
    return true;
}

bool ListViewControl::deleteRow(int row) {
    if (onDemand_ || row < 0 || row >= count()) return false;
    rows_.erase(rows_.begin() + row);
    if (selected_ == row) selected_ = -1;
    else if (selected_ > row) --selected_;
    clampScroll();
    invalidate();
    return true;
}

void ListViewControl::clear() {
    rows_.clear();
    virtualCount_ = 0;
    selected_ = -1;
    scroll_ = 0;
    invalidate();
}

void ListViewControl::setItemCount(int n) {
    onDemand_ = true;
    rows_.clear();
    virtualCount_ = std::max(0, n);
    if (selected_ >= virtualCount_) selected_ = -1;
    clampScroll();
    invalidate();
}

void ListViewControl::setTextProvider(std::function<std::string(int, int)> provider) {
    provider_ = std::move(provider);
    invalidate();
}

std::string ListViewControl::cellText(int row, int column) {
    if (row < 0 || row >= count() || column < 0) return {};
    if (!onDemand_) return column < static_cast<int>(rows_[row].size()) ? rows_[row][column] : std::string();
    if (provider_) return provider_(row, column);
    std::string text;
    NotifyHeader n;
    n.code = LVN_GETDISPINFO;
    n.item = row;
    n.subItem = column;
    n.context = &text;
    notify(n);
    return text;
}

void ListViewControl::paintHeader(Canvas& c) {
    Rect all = window_.clientRect();
    Rect header{1, 1, all.right - 1, headerHeight()};
    c.fillRect(header, kit::kFace);
    c.setTextColor(kit::kText);
    c.setFont(font(700));
    int x = 0;
    for (const auto& col : columns_) {
        int w = col.width * s();
        c.drawText(col.title, Rect{x + 4 * s(), header.top, x + w - 2 * s(), header.bottom},
                   DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        x += w;
        c.fillRect({x - 1, header.top + 3 * s(), x, header.bottom - 3 * s()}, kit::kBorder);
    }
    c.setFont(font());
}

void ListViewControl::paintRow(Canvas& c, int row, const Rect& r, bool) {
    int x = 0;
    int columns = std::max<int>(1, static_cast<int>(columns_.size()));
    for (int col = 0; col < columns; ++col) {
        int w = col < static_cast<int>(columns_.size()) ? columns_[col].width * s() : r.width();
        c.drawText(cellText(row, col), Rect{x + 4 * s(), r.top, x + w - 2 * s(), r.bottom},
                   DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        x += w;
    }
}

void ListViewControl::selectionChanged() {
    NotifyHeader n;
    n.code = LVN_ITEMCHANGED;
    n.item = selected_;
    notify(n);
}

}  // namespace trek::platform
