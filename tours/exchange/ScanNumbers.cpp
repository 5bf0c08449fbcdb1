#include <charconv>

#include "tours/exchange/Importer.h"

namespace trek {

namespace {
void SkipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n' ||
                                 text[pos] == '\v' || text[pos] == '\f'))
        ++pos;
}
}  // namespace

bool ScanDouble(std::string_view text, size_t& pos, double& value) {
    SkipBlanks(text, pos);
    size_t start = pos;
    if (pos < text.size() && text[pos] == '+') ++pos;  // from_chars refuses a leading plus
    auto [end, ec] = std::from_chars(text.data() + pos, text.data() + text.size(), value);
    if (ec != std::errc()) {
        pos = start;
        return false;
    }
    pos = static_cast<size_t>(end - text.data());
    return true;
}

bool ScanInt(std::string_view text, size_t& pos, long& value) {
    SkipBlanks(text, pos);
    size_t start = pos;
    if (pos < text.size() && text[pos] == '+') ++pos;
    auto [end, ec] = std::from_chars(text.data() + pos, text.data() + text.size(), value);
    if (ec != std::errc()) {
        pos = start;
        return false;
    }
    pos = static_cast<size_t>(end - text.data());
    return true;
}

}  // namespace trek
