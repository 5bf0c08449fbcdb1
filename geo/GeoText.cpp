#include "geo/GeoText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "geo/GeoUnits.h"
#include "settings/Settings.h"

namespace trek {

namespace {

// ---- reading ----------------------------------------------------------------

// A set of mark characters: ASCII members plus, depending on the text
// encoding, the degree sign (U+00B0 in UTF-8, byte 0xB0 in 8-bit text).
struct MarkSet {
    std::string_view ascii;
    bool degreeSign;
};

struct TextRules {
    bool utf8;
    MarkSet degree;
    MarkSet minute;
    MarkSet second;
    MarkSet hemisphere;
};

constexpr TextRules kWideRules{true, {" dDgG", true}, {" mM'", false}, {" \"", false}, {"EOWNSeowns", false}};
constexpr TextRules k8BitRules{false, {" dDgG", true}, {" '", false}, {" \"", false}, {"EOWNSeowns", false}};

// A cursor over the text; every reader advances it only on success.
class Scanner {
public:
    Scanner(std::string_view text, const TextRules& rules) : text_(text), rules_(rules) {}

    // Like "%lf": skips white space, then reads a decimal number. Infinite and
    // not-a-number spellings are not numbers here.
    bool number(double& out) {
        size_t p = pos_;
        while (p < text_.size() && IsSpace(text_[p])) ++p;
        const size_t start = p;
        if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
        const size_t mantissa = p;
        size_t digits = skipDigits(p);
        if (p < text_.size() && text_[p] == '.') {
            ++p;
            digits += skipDigits(p);
        }
        if (digits == 0) return false;
        // An exponent only when digits follow: "12.5E" is 12.5 and East.
        if (p < text_.size() && (text_[p] == 'e' || text_[p] == 'E')) {
            size_t q = p + 1;
            if (q < text_.size() && (text_[q] == '+' || text_[q] == '-')) ++q;
            if (skipDigits(q) > 0) p = q;
        }
        // from_chars takes no '+'; it rounds correctly and ignores the locale.
        const char* first = text_.data() + (text_[start] == '+' ? mantissa : start);
        double value = 0;
        auto res = std::from_chars(first, text_.data() + p, value);
        if (res.ec != std::errc() || res.ptr != text_.data() + p || !std::isfinite(value)) return false;
        out = value;
        pos_ = p;
        return true;
    }

    // Like "%[set]": one or more members of the set. Returns the first
    // character of the run (0 when nothing matched).
    char run(const MarkSet& set) {
        char first = 0;
        for (;;) {
            const size_t len = memberLength(set);
            if (len == 0) break;
            if (first == 0) first = text_[pos_] == '\xC2' && len == 2 ? '\xB0' : text_[pos_];
            pos_ += len;
        }
        return first;
    }

    const TextRules& rules() const { return rules_; }

private:
    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

    size_t skipDigits(size_t& p) const {
        const size_t from = p;
        while (p < text_.size() && text_[p] >= '0' && text_[p] <= '9') ++p;
        return p - from;
    }

    // Byte length of the set member at the cursor, 0 when there is none.
    size_t memberLength(const MarkSet& set) const {
        if (pos_ >= text_.size()) return 0;
        const char c = text_[pos_];
        if (set.ascii.find(c) != std::string_view::npos) return 1;
        if (!set.degreeSign) return 0;
        if (rules_.utf8) {
            return c == '\xC2' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\xB0' ? 2 : 0;
        }
        return c == '\xB0' ? 1 : 0;
    }

    std::string_view text_;
    const TextRules& rules_;
    size_t pos_ = 0;
};

struct Angle {
    double degrees = 0, minutes = 0, seconds = 0;
    char hemisphere = 0;  // 0: none given
};

// The five forms, tried in order; each starts from the beginning of the text.
bool DegreesMinutes(Scanner s, Angle& a) {
    const TextRules& r = s.rules();
    return s.number(a.degrees) && s.run(r.degree) && s.number(a.minutes) && s.run(r.minute) &&
           (a.hemisphere = s.run(r.hemisphere)) != 0;
}

bool DegreesMinutesSeconds(Scanner s, Angle& a) {
    const TextRules& r = s.rules();
    return s.number(a.degrees) && s.run(r.degree) && s.number(a.minutes) && s.run(r.minute) &&
           s.number(a.seconds) && s.run(r.second) && (a.hemisphere = s.run(r.hemisphere)) != 0;
}

bool DegreesWithMark(Scanner s, Angle& a) {
    const TextRules& r = s.rules();
    return s.number(a.degrees) && s.run(r.degree) && (a.hemisphere = s.run(r.hemisphere)) != 0;
}

bool DegreesWithLetter(Scanner s, Angle& a) {
    return s.number(a.degrees) && (a.hemisphere = s.run(s.rules().hemisphere)) != 0;
}

bool BareDegrees(Scanner s, Angle& a) { return s.number(a.degrees); }

using FormReader = bool (*)(Scanner, Angle&);
constexpr FormReader kForms[] = {DegreesMinutes, DegreesMinutesSeconds, DegreesWithMark, DegreesWithLetter,
                                 BareDegrees};

int32_t ParseWith(std::string_view text, const TextRules& rules) {
    for (FormReader form : kForms) {
        // Each form starts from zero minutes and seconds, so that what a
        // partial match of an earlier form read is not added in.
        Angle a;
        if (!form(Scanner(text, rules), a)) continue;
        const double sum = a.minutes * geo::kUnitsPerMinute + a.degrees * geo::kUnitsPerDegree +
                           a.seconds * geo::kUnitsPerSecond;
        // Outside the 32-bit range the text is not an angle at all.
        if (!(sum > -2147483648.0 && sum < 2147483648.0)) return -1;
        int32_t value = static_cast<int32_t>(sum);
        const char h = a.hemisphere;
        if (h == 'W' || h == 'S' || h == 'w' || h == 's') value = -value;
        return value;
    }
    return -1;
}

// ---- writing ----------------------------------------------------------------

constexpr char kDegreeSign[] = "\xC2\xB0";

// Appends helpers over a bounded buffer of kGeoTextCapacity bytes.
class TextOut {
public:
    explicit TextOut(char* out) : out_(out) {}
    void text(std::string_view s) {
        for (char c : s) put(c);
    }
    void put(char c) {
        if (len_ + 1 < kGeoTextCapacity) out_[len_++] = c;
    }
    // Like "%d" and, with digits > 1, "%N.Nd": zero-padded to `digits`.
    void integer(int64_t v, int digits = 1) {
        char tmp[24];
        auto res = std::to_chars(tmp, tmp + sizeof tmp, v < 0 ? -v : v);
        if (v < 0) put('-');
        for (int pad = digits - static_cast<int>(res.ptr - tmp); pad > 0; --pad) put('0');
        text(std::string_view(tmp, res.ptr - tmp));
    }
    void fixed(double v, int decimals) {
        char tmp[64];
        auto res = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::fixed, decimals);
        if (res.ec == std::errc()) text(std::string_view(tmp, res.ptr - tmp));
    }
    size_t finish() {
        out_[len_] = '\0';
        return len_;
    }

private:
    char* out_;
    size_t len_ = 0;
};

size_t FormatAngle(char* out, int64_t value, char letter, int precision, CoordinateFormat format) {
    const double a = static_cast<double>(value < 0 ? -value : value) + 0.5;
    const int64_t deg = static_cast<int64_t>(a * 5.729577951308232e-7);
    const int64_t mtot = static_cast<int64_t>(a * 3.437746770784939e-5);
    const int64_t min = mtot - 60 * deg;

    TextOut o(out);
    switch (format) {
    case CoordinateFormat::DegMin: {
        const int64_t frac = static_cast<int64_t>(a * 0.34377467707849396 - 10000.0 * static_cast<double>(mtot));
        o.integer(deg);
        o.text(kDegreeSign);
        o.integer(min, 2);
        o.put('.');
        if (precision == 2) o.integer(frac / 100, 2);
        else if (precision == 3) o.integer(frac / 10, 3);
        else o.integer(frac, 4);
        o.put('\'');
        break;
    }
    case CoordinateFormat::DegMinSec: {
        const int64_t sec = static_cast<int64_t>(a * 0.002062648062470964 - 60.0 * static_cast<double>(mtot));
        o.integer(deg);
        o.text(kDegreeSign);
        o.integer(min, 2);
        o.put('\'');
        o.integer(sec, 2);
        o.put('"');
        break;
    }
    case CoordinateFormat::Degrees:
        o.fixed(a * 5.729577951308232e-7, precision < 4 ? 6 : 7);
        o.text(kDegreeSign);
        break;
    }
    o.put(letter);
    return o.finish();
}

}  // namespace

int32_t ParseGeoAngle(std::string_view utf8) { return ParseWith(utf8, kWideRules); }
int32_t ParseGeoAngle8(std::string_view bytes) { return ParseWith(bytes, k8BitRules); }

size_t FormatLatitude(char* out, int32_t value, int precision, CoordinateFormat format) {
    return FormatAngle(out, value, value < 0 ? 'S' : 'N', precision, format);
}

size_t FormatLongitude(char* out, int32_t value, int precision, CoordinateFormat format, char eastLetter) {
    // Bring the value into -180..180 once (a stored longitude may lie just past the date line).
    int64_t v = value;
    if (v > geo::kHalfTurn) v -= geo::kFullTurn;
    else if (v < -geo::kHalfTurn) v += geo::kFullTurn;
    return FormatAngle(out, v, v < 0 ? 'W' : eastLetter, precision, format);
}

std::string FormatLatitude(int32_t value, int precision, CoordinateFormat format) {
    char buf[kGeoTextCapacity];
    return std::string(buf, FormatLatitude(buf, value, precision, format));
}

std::string FormatLongitude(int32_t value, int precision, CoordinateFormat format, char eastLetter) {
    char buf[kGeoTextCapacity];
    return std::string(buf, FormatLongitude(buf, value, precision, format, eastLetter));
}

std::string FormatLatitude(int32_t value, int precision) {
    return FormatLatitude(value, precision, Settings::instance().flags.coordinateFormat());
}

std::string FormatLongitude(int32_t value, int precision) {
    const Settings& s = Settings::instance();
    return FormatLongitude(value, precision, s.flags.coordinateFormat(), s.eastLetter());
}

}  // namespace trek
