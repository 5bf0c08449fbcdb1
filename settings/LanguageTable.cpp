#include "settings/LanguageTable.h"

#include <algorithm>
#include <iterator>
#include <mutex>

#include "settings/LanguageModule.h"
#include "platform/core/DynamicLibrary.h"

namespace trek {

namespace {

constexpr std::string_view kCodes[LanguageTable::kCount] = {"", "DEU", "SWE"};

const TrekStringEntry kEnglish[] = {
#define TREK_STRING(id, text) {id, text},
#include "res/lang/strings_eng.inc"
#undef TREK_STRING
};

const char* Find(const TrekStringEntry* table, size_t count, uint32_t id) {
    auto end = table + count;
    auto it = std::lower_bound(table, end, id, [](const TrekStringEntry& e, uint32_t v) { return e.id < v; });
    return it != end && it->id == id ? it->text : nullptr;
}

struct Module {
    std::mutex mutex;
    platform::DynamicLibrary library;
    const TrekStringEntry* table = nullptr;
    size_t count = 0;
};

Module& CurrentModule() {
    static Module module;
    return module;
}

}  // namespace

bool LoadLanguageModule(const std::string& path) {
    Module& m = CurrentModule();
    std::lock_guard lock(m.mutex);
    m.table = nullptr;
    m.count = 0;
    if (!m.library.open(path)) return false;
    auto fn = reinterpret_cast<TrekLanguageStringsFn>(m.library.symbol(TREK_LANGUAGE_STRINGS_SYMBOL));
    size_t count = 0;
    const TrekStringEntry* table = fn ? fn(&count) : nullptr;
    if (!table) {
        m.library.close();
        return false;
    }
    m.table = table;
    m.count = count;
    return true;
}

void UnloadLanguageModule() {
    Module& m = CurrentModule();
    std::lock_guard lock(m.mutex);
    m.table = nullptr;
    m.count = 0;
    m.library.close();
}

bool LanguageModuleLoaded() {
    Module& m = CurrentModule();
    std::lock_guard lock(m.mutex);
    return m.table != nullptr;
}

std::string_view LanguageTable::code(int index) {
    if (index < 0 || index >= kCount) return "ABC";
    return kCodes[index];
}

int LanguageTable::indexOf(std::string_view c) {
    for (int i = 0; i < kCount; ++i)
        if (kCodes[i] == c) return i;
    return -1;
}

LanguageRecord LanguageTable::record(int index) {
    LanguageRecord r;
    r.code = std::string(code(index));
    if (index == 1) {
        r.eastLetter = 'O';
        r.layoutA = 15;
        r.layoutB = 12;
    }
    return r;
}

std::string BuiltinString(uint32_t id) {
    const char* text = Find(kEnglish, std::size(kEnglish), id);
    return text ? text : "";
}

std::string UiString(uint32_t id) {
    {
        Module& m = CurrentModule();
        std::lock_guard lock(m.mutex);
        if (m.table)
            if (const char* text = Find(m.table, m.count, id)) return text;
    }
    return BuiltinString(id);
}

}  // namespace trek
