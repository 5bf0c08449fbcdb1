// UTF-8 <-> the UTF-16LE text records of tour files.
#include <string>

#include "tours/Tour.h"

namespace trek {

namespace {

// Next code point of UTF-8 text; malformed sequences give U+FFFD and advance one byte.
uint32_t NextCodePoint(const std::string& s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t b0 = byte(i);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    size_t len = b0 >= 0xF0 && b0 < 0xF5 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC2 && b0 < 0xE0 ? 2 : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return 0xFFFD;
    }
    uint32_t cp = b0 & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < len; ++k) {
        const uint8_t b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = cp << 6 | (b & 0x3F);
    }
    const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    i += len;
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    return cp;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

void AppendUnit(std::string& out, uint32_t unit) {
    out += char(unit & 0xFF);
    out += char(unit >> 8);
}

}  // namespace

std::string EncodeTourText(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size() * 2 + 4);
    for (size_t i = 0; i < utf8.size();) {
        const uint32_t cp = NextCodePoint(utf8, i);
        if (cp == 0) break;  // the record ends at the first NUL anyway
        if (cp >= 0x10000) {
            AppendUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
            AppendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            AppendUnit(out, cp);
        }
    }
    const size_t units = out.size() / 2;
    out.resize((2 * units + 5) & ~size_t(3), '\0');
    return out;
}

std::string DecodeTourText(const uint8_t* data, size_t size) {
    std::string out;
    const size_t units = size / 2;
    for (size_t k = 0; k < units; ++k) {
        uint32_t u = data[2 * k] | data[2 * k + 1] << 8;
        if (u == 0) break;
        if (u >= 0xD800 && u < 0xDC00 && k + 1 < units) {
            const uint32_t low = data[2 * k + 2] | data[2 * k + 3] << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        if (u >= 0xD800 && u < 0xE000) u = 0xFFFD;
        AppendUtf8(out, u);
    }
    return out;
}

}  // namespace trek
