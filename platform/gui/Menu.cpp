#include "platform/gui/Menu.h"

#include <algorithm>

namespace trek::platform {

void Menu::append(int id, const std::string& text) { items_.push_back(MenuItem{id, text}); }

void Menu::appendSeparator() {
    MenuItem sep;
    sep.separator = true;
    items_.push_back(sep);
}

void Menu::insert(size_t position, const MenuItem& item) {
    items_.insert(items_.begin() + std::min(position, items_.size()), item);
}

bool Menu::remove(int id) {
    auto it = std::find_if(items_.begin(), items_.end(), [id](const MenuItem& i) { return !i.separator && i.id == id; });
    if (it == items_.end()) return false;
    items_.erase(it);
    return true;
}

const MenuItem* Menu::find(int id) const {
    for (const auto& i : items_)
        if (!i.separator && i.id == id) return &i;
    return nullptr;
}

MenuItem* Menu::find(int id) { return const_cast<MenuItem*>(static_cast<const Menu*>(this)->find(id)); }

bool Menu::check(int id, bool checked) {
    MenuItem* i = find(id);
    if (!i) return false;
    i->checked = checked;
    return true;
}

bool Menu::checkRadio(int first, int last, int id) {
    bool found = false;
    for (auto& i : items_) {
        if (i.separator || i.id < first || i.id > last) continue;
        i.checked = i.id == id;
        i.radio = true;
        found |= i.id == id;
    }
    return found;
}

bool Menu::enable(int id, bool enabled) {
    MenuItem* i = find(id);
    if (!i) return false;
    i->enabled = enabled;
    return true;
}

bool Menu::setText(int id, const std::string& text) {
    MenuItem* i = find(id);
    if (!i) return false;
    i->text = text;
    return true;
}

}  // namespace trek::platform
