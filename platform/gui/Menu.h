#pragma once
// A popup menu: items with command ids, check and radio marks, enabled state
// and separators, changed by id as the platform's menu functions do.
#include <cstdint>
#include <string>
#include <vector>

namespace trek::platform {

struct MenuItem {
    int id = 0;            // 0 for a separator
    std::string text;      // "&" marks the access key
    bool separator = false;
    bool checked = false;
    bool radio = false;    // a checked radio item shows a dot instead of a tick
    bool enabled = true;
};

class Menu {
public:
    Menu() = default;
    explicit Menu(std::string title) : title_(std::move(title)) {}

    const std::string& title() const { return title_; }
    const std::vector<MenuItem>& items() const { return items_; }
    size_t size() const { return items_.size(); }

    void append(int id, const std::string& text);
    void appendSeparator();
    // Inserts before position (clamped to the end).
    void insert(size_t position, const MenuItem& item);
    bool remove(int id);  // DeleteMenu by command
    bool contains(int id) const { return find(id) != nullptr; }

    bool check(int id, bool checked);
    // Checks id as a radio item and clears the other items first..last.
    bool checkRadio(int first, int last, int id);
    bool enable(int id, bool enabled);
    bool setText(int id, const std::string& text);
    const MenuItem* find(int id) const;
    MenuItem* find(int id);

private:
    std::string title_;
    std::vector<MenuItem> items_;
};

}  // namespace trek::platform
