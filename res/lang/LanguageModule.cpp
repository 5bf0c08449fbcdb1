// A language module: the string table named by TREK_STRINGS_INC, exported
// through the one C entry point the program looks up.
#include "settings/LanguageModule.h"

namespace {
const TrekStringEntry kStrings[] = {
#define TREK_STRING(id, text) {id, text},
#include TREK_STRINGS_INC
#undef TREK_STRING
};
}  // namespace

extern "C" __attribute__((visibility("default"))) const TrekStringEntry* TrekLanguageStrings(size_t* count) {
    *count = sizeof kStrings / sizeof kStrings[0];
    return kStrings;
}
