#include "gps/NmeaFields.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace trek {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

template <typename T>
T Clamp(double v) {
    if (std::isnan(v)) return 0;
    v = std::trunc(v);
    if (v <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (v >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

}  // namespace

int64_t NmeaFields::ReadInt(const char* p, const char* end) {
    while (p < end && IsBlank(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    int64_t v = 0;
    for (; p < end && IsDigit(*p); ++p) {
        if (v < 100000000000000000LL) v = v * 10 + (*p - '0');
    }
    return negative ? -v : v;
}

double NmeaFields::ReadDouble(const char* p, const char* end) {
    const char* start = p;
    while (p < end && IsBlank(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    uint64_t mantissa = 0;
    int digits = 0, scale = 0;
    bool any = false;
    for (; p < end && IsDigit(*p); ++p, any = true) {
        if (digits < 18) {
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
            if (mantissa) ++digits;
        } else {
            ++scale;
        }
    }
    if (p < end && *p == '.') {
        for (++p; p < end && IsDigit(*p); ++p, any = true) {
            if (digits < 18) {
                mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
                if (mantissa) ++digits;
                --scale;
            }
        }
    }
    // Not a decimal number ("inf", "nan" and hex floats included): 0.
    if (!any) return 0.0;
    bool exponent = p < end && (*p == 'e' || *p == 'E');
    // Exact fast path: a mantissa below 2^53 and a power of ten that double
    // holds exactly give the correctly rounded value, as strtod does. The rest
    // goes to strtod, which stops at the field's ',' or '*' and at the NUL.
    if (!exponent && mantissa < (1ULL << 53) && scale >= -22 && scale <= 22) {
        double v = static_cast<double>(mantissa);
        v = scale < 0 ? v / kPow10[-scale] : v * kPow10[scale];
        return negative ? -v : v;
    }
    return std::strtod(start, nullptr);
}

int64_t NmeaFields::intAt(size_t from, size_t count) const {
    size_t n = size();
    if (from >= n) return 0;
    size_t to = from + count < n ? from + count : n;
    return ReadInt(begin_ + from, begin_ + to);
}

double NmeaFields::doubleFrom(size_t from) const {
    size_t n = size();
    if (from >= n) return 0.0;
    return ReadDouble(begin_ + from, end_);
}

uint8_t NmeaChecksum(const char* body, size_t length) {
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum ^= static_cast<uint8_t>(body[i]);
    return sum;
}

bool NmeaChecksumOk(const char* line) {
    if (*line != '$') return false;
    const char* p = line + 1;
    uint8_t sum = 0;
    while (*p != '\0' && *p != '*' && *p != '\r') sum ^= static_cast<uint8_t>(*p++);
    if (*p != '*') return false;
    ++p;
    // Read as strtoul(.., 16) would: every hex digit that follows.
    uint32_t given = 0;
    bool any = false;
    for (;; ++p, any = true) {
        char c = *p;
        unsigned d;
        if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
        else break;
        if (given < 0x10000000u) given = given * 16 + d;
        else given = 0xFFFFFFFFu;
    }
    return any && given == sum;
}

int32_t TruncToInt32(double v) { return Clamp<int32_t>(v); }
int16_t TruncToInt16(double v) { return Clamp<int16_t>(v); }
uint16_t TruncToUint16(double v) { return Clamp<uint16_t>(v); }
uint32_t TruncToUint32(double v) { return Clamp<uint32_t>(v); }

}  // namespace trek
