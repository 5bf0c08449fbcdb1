#pragma once
// The interface of a language module (DEU.so, SWE.so): a shared object that
// exports one C function handing out its string table. The program itself
// carries the English table.
#include <cstddef>
#include <cstdint>

extern "C" {

struct TrekStringEntry {
    uint32_t id;
    const char* text;  // UTF-8
};

// Returns the table (sorted by id) and stores its length in *count.
typedef const TrekStringEntry* (*TrekLanguageStringsFn)(size_t* count);
#define TREK_LANGUAGE_STRINGS_SYMBOL "TrekLanguageStrings"
}
