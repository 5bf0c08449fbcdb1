#include "platform/gui/dialog/TreeViewControl.h"

#include <algorithm>

#include "platform/gui/VirtualKeys.h"
#include "platform/gui/WindowSystem.h"

namespace trek::platform {

TreeViewControl::TreeViewControl(Dialog& dialog, Window& window, const ControlTemplate& t)
    : RowListControl(dialog, window, t) {
    nodes_.push_back(Node{});
    nodes_[0].expanded = true;
    nodes_[0].depth = -1;
    for (const auto& text : t.items) insertItem(kRoot, text);
}

TreeViewControl::Item TreeViewControl::insertItem(Item parent, const std::string& text) {
    if (parent != kRoot && !valid(parent)) return kRoot;
    Node n;
    n.text = text;
    n.parent = parent;
    n.depth = nodes_[parent].depth + 1;
    nodes_.push_back(n);
    Item item = static_cast<Item>(nodes_.size()) - 1;
    nodes_[parent].children.push_back(item);
    rebuild();
    return item;
}

bool TreeViewControl::deleteItem(Item item) {
    if (!valid(item)) return false;
    Item current = selectedItem();
    std::vector<Item> stack{item};
    while (!stack.empty()) {
        Item i = stack.back();
        stack.pop_back();
        nodes_[i].alive = false;
        for (Item c : nodes_[i].children) stack.push_back(c);
    }
    auto& siblings = nodes_[nodes_[item].parent].children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
    rebuild();
    selected_ = valid(current) ? rowOf(current) : -1;
    return true;
}

void TreeViewControl::setCheckBoxes(bool on) {
    checkBoxes_ = on;
    invalidate();
}

std::string TreeViewControl::itemText(Item item) const { return valid(item) ? nodes_[item].text : std::string(); }

bool TreeViewControl::setItemText(Item item, const std::string& text) {
    if (!valid(item)) return false;
    nodes_[item].text = text;
    invalidate();
    return true;
}

bool TreeViewControl::checked(Item item) const { return valid(item) && nodes_[item].checked; }

bool TreeViewControl::setChecked(Item item, bool checked) {
    if (!valid(item)) return false;
    nodes_[item].checked = checked;
    invalidate();
    return true;
}

bool TreeViewControl::expanded(Item item) const { return valid(item) && nodes_[item].expanded; }

bool TreeViewControl::expand(Item item, bool on) {
    if (!valid(item)) return false;
    Item current = selectedItem();
    nodes_[item].expanded = on;
    rebuild();
    // A selection inside a collapsed branch moves to the branch.
    if (current != kRoot) {
        int row = rowOf(current);
        selected_ = row >= 0 ? row : rowOf(item);
    }
    return true;
}

std::vector<TreeViewControl::Item> TreeViewControl::children(Item parent) const {
    if (parent != kRoot && !valid(parent)) return {};
    return nodes_[parent].children;
}

TreeViewControl::Item TreeViewControl::parentOf(Item item) const { return valid(item) ? nodes_[item].parent : kRoot; }

bool TreeViewControl::selectItem(Item item) {
    if (!valid(item)) return false;
    for (Item p = nodes_[item].parent; p != kRoot; p = nodes_[p].parent) nodes_[p].expanded = true;
    rebuild();
    setCurSel(rowOf(item));
    return true;
}

int TreeViewControl::rowOf(Item item) const {
    auto it = std::find(visible_.begin(), visible_.end(), item);
    return it == visible_.end() ? -1 : static_cast<int>(it - visible_.begin());
}

void TreeViewControl::addVisible(Item item) {
    for (Item c : nodes_[item].children) {
        visible_.push_back(c);
        if (nodes_[c].expanded) addVisible(c);
    }
}

void TreeViewControl::rebuild() {
    visible_.clear();
    addVisible(kRoot);
    clampScroll();
    invalidate();
}

int TreeViewControl::indent(Item item) const { return 4 * s() + nodes_[item].depth * 20 * s(); }

Rect TreeViewControl::expanderRect(Item item) const {
    int row = rowOf(item);
    if (row < 0) return {};
    Rect r = rowRect(row);
    int box = 24 * s();
    return Rect::fromSize(indent(item), r.top + (r.height() - box) / 2, box, box);
}

Rect TreeViewControl::checkBoxRect(Item item) const {
    if (!checkBoxes_) return {};
    Rect e = expanderRect(item);
    if (e.empty()) return {};
    return Rect::fromSize(e.right + 2 * s(), e.top, e.width(), e.height());
}

void TreeViewControl::paintRow(Canvas& c, int row, const Rect& r, bool selected) {
    Item item = visible_[row];
    const Node& n = nodes_[item];
    Rect e = expanderRect(item);
    uint32_t ink = selected ? kit::kWhite : kit::kText;
    if (!n.children.empty()) {
        Rect box = e.inflate(-6 * s(), -6 * s());
        c.setPen(Pen{ink, 1});
        c.setBrush(Brush::hollow());
        c.rectangle(box);
        int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
        c.fillRect({box.left + 2 * s(), cy, box.right - 2 * s(), cy + std::max(1, s())}, ink);
        if (!n.expanded) c.fillRect({cx, box.top + 2 * s(), cx + std::max(1, s()), box.bottom - 2 * s()}, ink);
    }
    int textLeft = e.right + 2 * s();
    if (checkBoxes_) {
        Rect box = checkBoxRect(item).inflate(-3 * s(), -3 * s());
        c.setPen(Pen{kit::kBorder, 1});
        c.setBrush(Brush{kit::kWhite});
        c.rectangle(box);
        if (n.checked) {
            int u = box.width();
            c.setPen(Pen{kit::kText, std::max(2, u / 8)});
            Point tick[] = {{box.left + u / 5, box.top + u / 2},
                            {box.left + u * 2 / 5, box.top + u * 3 / 4},
                            {box.left + u * 4 / 5, box.top + u / 4}};
            c.polyline(tick);
        }
        textLeft = checkBoxRect(item).right + 4 * s();
    }
    c.drawText(n.text, Rect{textLeft, r.top, r.right - 4 * s(), r.bottom},
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void TreeViewControl::toggleExpanded(Item item) {
    if (nodes_[item].children.empty()) return;
    expand(item, !nodes_[item].expanded);
    NotifyHeader n;
    n.code = TVN_ITEMEXPANDED;
    n.item = item;
    n.subItem = nodes_[item].expanded ? 1 : 0;
    notify(n);
}

void TreeViewControl::toggleChecked(Item item) {
    setChecked(item, !nodes_[item].checked);
    NotifyHeader n;
    n.code = TVN_CHECKCHANGED;
    n.item = item;
    n.subItem = nodes_[item].checked ? 1 : 0;
    notify(n);
}

void TreeViewControl::mouseUp(Point p) {
    if (window_.system().capture() != &window_) return;
    if (!dragging_) {
        int row = (p.y + scroll_) / rowHeight();
        if (row >= 0 && row < count()) {
            Item item = visible_[row];
            if (expanderRect(item).contains(p)) {
                window_.system().releaseCapture();
                toggleExpanded(item);
                return;
            }
            if (checkBoxRect(item).contains(p)) {
                window_.system().releaseCapture();
                toggleChecked(item);
                return;
            }
        }
    }
    RowListControl::mouseUp(p);
}

void TreeViewControl::keyDown(uint32_t vk) {
    Item item = selectedItem();
    if (item != kRoot) {
        if (vk == VK_RIGHT && !nodes_[item].expanded) return toggleExpanded(item);
        if (vk == VK_LEFT && nodes_[item].expanded) return toggleExpanded(item);
        if (vk == VK_SPACE && checkBoxes_) return toggleChecked(item);
    }
    RowListControl::keyDown(vk);
}

void TreeViewControl::selectionChanged() {
    NotifyHeader n;
    n.code = TVN_SELCHANGED;
    n.item = selectedItem();
    notify(n);
}

}  // namespace trek::platform
