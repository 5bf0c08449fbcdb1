#pragma once
// Lists of finger-sized rows: list box, combo box (a list that drops down) and
// list view (report style with columns; rows stored or asked for on demand).
// A drag scrolls the rows; a tap without a drag selects one.
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/dialog/Control.h"

namespace trek::platform {

// Rows that scroll by drag and wheel and select by tap.
class RowListControl : public Control {
public:
    RowListControl(Dialog& dialog, Window& window, const ControlTemplate& t) : Control(dialog, window, t) {}
    bool takesFocus() const override { return true; }
    virtual int count() const = 0;
    int curSel() const { return selected_; }
    // Selects row (or -1 for none) and scrolls it into view; does not notify.
    void setCurSel(int row);
    int topRow() const;
    // As a tap on row (it must exist); notifies like a finger would.
    void tapRow(int row);
    Rect rowRect(int row) const;  // client coordinates

protected:
    void paint(Canvas& c) override;
    void mouseDown(Point p) override;
    void mouseMove(Point p, bool down) override;
    void mouseUp(Point p) override;
    void keyDown(uint32_t vk) override;
    void wheel(int delta) override;
    virtual int headerHeight() const { return 0; }
    virtual void paintHeader(Canvas&) {}
    virtual void paintRow(Canvas& c, int row, const Rect& r, bool selected) = 0;
    virtual void selectionChanged() = 0;
    void clampScroll();
    void ensureVisible(int row);

    int selected_ = -1;
    int scroll_ = 0;  // pixels
    Point downAt_;
    int downScroll_ = 0;
    bool dragging_ = false;
};

class ListBoxControl : public RowListControl {
public:
    ListBoxControl(Dialog& dialog, Window& window, const ControlTemplate& t);
    ControlKind kind() const override { return ControlKind::ListBox; }
    int count() const override { return static_cast<int>(items_.size()); }
    int addString(const std::string& s);
    void insertString(int index, const std::string& s);
    bool deleteString(int index);
    void reset();
    std::string itemText(int index) const;
    std::string text() const override { return selected_ >= 0 ? itemText(selected_) : std::string(); }

protected:
    void paintRow(Canvas& c, int row, const Rect& r, bool selected) override;
    void selectionChanged() override { notify(LBN_SELCHANGE); }

private:
    std::vector<std::string> items_;
};

class ComboBoxControl : public Control {
public:
    ComboBoxControl(Dialog& dialog, Window& window, const ControlTemplate& t);
    ~ComboBoxControl() override;
    ControlKind kind() const override { return ControlKind::ComboBox; }
    bool takesFocus() const override { return true; }
    int count() const { return static_cast<int>(items_.size()); }
    int addString(const std::string& s);
    void insertString(int index, const std::string& s);
    bool deleteString(int index);
    void reset();
    std::string itemText(int index) const;
    int curSel() const { return selected_; }
    void setCurSel(int index);
    std::string text() const override { return selected_ >= 0 ? itemText(selected_) : std::string(); }

    bool dropped() const { return dropWindow_ != nullptr; }
    void showDropDown(bool show);
    Rect dropRowRect(int index) const;  // screen coordinates while dropped

protected:
    void paint(Canvas& c) override;
    void mouseDown(Point p) override;
    void keyDown(uint32_t vk) override;

private:
    int64_t dropProc(Window& w, const Message& m);
    void choose(int index);

    std::vector<std::string> items_;
    int selected_ = -1;
    Window* dropWindow_ = nullptr;
    int dropTop_ = 0;  // first row shown in the drop-down
};

struct ListViewColumn {
    std::string title;
    int width = 80;  // pixels at display scale 1
};

class ListViewControl : public RowListControl {
public:
    // Template items are column titles, optionally "Title:width".
    ListViewControl(Dialog& dialog, Window& window, const ControlTemplate& t);
    ControlKind kind() const override { return ControlKind::ListView; }
    int count() const override { return onDemand_ ? virtualCount_ : static_cast<int>(rows_.size()); }

    void addColumn(const ListViewColumn& c);
    const std::vector<ListViewColumn>& columns() const { return columns_; }
    // Stored rows.
    int addRow(const std::vector<std::string>& cells);
    bool setCell(int row, int column, const std::string& text);
    bool deleteRow(int row);
    void clear();
    // Rows on demand: only the count is kept; the text of each visible cell is
    // asked for when drawn, from the provider if set, else with WM_NOTIFY
    // LVN_GETDISPINFO (item, subItem; context = std::string* to fill).
    void setItemCount(int count);
    void setTextProvider(std::function<std::string(int row, int column)> provider);
    std::string cellText(int row, int column);

protected:
    int headerHeight() const override { return 26 * s(); }
    void paintHeader(Canvas& c) override;
    void paintRow(Canvas& c, int row, const Rect& r, bool selected) override;
    void selectionChanged() override;

private:
    std::vector<ListViewColumn> columns_;
    std::vector<std::vector<std::string>> rows_;
    bool onDemand_ = false;
    int virtualCount_ = 0;
    std::function<std::string(int, int)> provider_;
};

}  // namespace trek::platform
