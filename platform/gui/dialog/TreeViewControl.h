#pragma once
// A tree of rows with optional check boxes; a tap on the +/- box expands or
// collapses (TVN_ITEMEXPANDED), on the check box toggles it
// (TVN_CHECKCHANGED), on the text selects (TVN_SELCHANGED).
#include <string>
#include <vector>

#include "platform/gui/dialog/ListControls.h"

namespace trek::platform {

class TreeViewControl : public RowListControl {
public:
    using Item = int;  // handle; 0 = the invisible root
    static constexpr Item kRoot = 0;

    TreeViewControl(Dialog& dialog, Window& window, const ControlTemplate& t);
    ControlKind kind() const override { return ControlKind::TreeView; }
    int count() const override { return static_cast<int>(visible_.size()); }

    Item insertItem(Item parent, const std::string& text);
    bool deleteItem(Item item);  // with its children
    void setCheckBoxes(bool on);
    bool checkBoxes() const { return checkBoxes_; }

    std::string itemText(Item item) const;
    bool setItemText(Item item, const std::string& text);
    bool checked(Item item) const;
    bool setChecked(Item item, bool checked);
    bool expanded(Item item) const;
    bool expand(Item item, bool expand);
    std::vector<Item> children(Item parent) const;
    Item parentOf(Item item) const;
    Item selectedItem() const { return selected_ >= 0 && selected_ < count() ? visible_[selected_] : kRoot; }
    bool selectItem(Item item);
    // The visible rows in order (expanded branches only), and where one is.
    const std::vector<Item>& visibleItems() const { return visible_; }
    int rowOf(Item item) const;

    // Client rectangles of an item's parts (its row must be visible).
    Rect expanderRect(Item item) const;
    Rect checkBoxRect(Item item) const;

protected:
    void paintRow(Canvas& c, int row, const Rect& r, bool selected) override;
    void selectionChanged() override;
    void mouseUp(Point p) override;
    void keyDown(uint32_t vk) override;

private:
    struct Node {
        std::string text;
        Item parent = kRoot;
        std::vector<Item> children;
        bool checked = false;
        bool expanded = false;
        int depth = 0;
        bool alive = true;
    };
    bool valid(Item item) const { return item > 0 && item < static_cast<int>(nodes_.size()) && nodes_[item].alive; }
    void rebuild();
    void addVisible(Item item);
    int indent(Item item) const;
    void toggleExpanded(Item item);
    void toggleChecked(Item item);

    std::vector<Node> nodes_;  // index = handle; [0] is the root
    std::vector<Item> visible_;
    bool checkBoxes_ = false;
};

}  // namespace trek::platform
