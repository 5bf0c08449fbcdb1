#pragma once
// UI languages: the table of codes, the record of the language in use, and the
// string lookup (language module when one is loaded, else built-in English).
#include <cstdint>
#include <string>
#include <string_view>

namespace trek {

// The current UI language: its code, the letter for East in coordinates and
// two layout numbers used by text layout.
struct LanguageRecord {
    std::string code;       // "" English (built in), "DEU", "SWE"
    char eastLetter = 'E';  // 'O' for German
    int layoutA = 16;
    int layoutB = 13;
};

class LanguageTable {
public:
    static constexpr int kCount = 3;
    static constexpr size_t kMaxCodeChars = 23;

    // Index 0 "", 1 "DEU", 2 "SWE"; 3 and beyond the sentinel "ABC".
    static std::string_view code(int index);
    // The index of a code in the table, or -1.
    static int indexOf(std::string_view code);
    // East letter and layout numbers of index 0 or 1 (others get index 0's).
    static LanguageRecord record(int index);
};

// The text of a UI string: from the loaded language module when it has the id,
// else from the built-in English table, else "".
std::string UiString(uint32_t id);
// The language module in use (one at a time). Load returns false when the file
// cannot be opened or exports no string table; nothing is loaded then.
bool LoadLanguageModule(const std::string& path);
void UnloadLanguageModule();
bool LanguageModuleLoaded();

// The built-in English text only.
std::string BuiltinString(uint32_t id);

}  // namespace trek
