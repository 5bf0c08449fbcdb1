#include "maps/calibration/TextScan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace trek::calib {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Windows-1252 bytes 0x80..0x9F; 0 where the code page has no character.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i]; returns its length or 0 when invalid.
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    size_t len;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + len > text.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        uint32_t cp;
        const size_t n = DecodeUtf8(text, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

}  // namespace

LineScan& LineScan::skipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    return *this;
}

LineScan& LineScan::skipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    return *this;
}

bool LineScan::literal(std::string_view word) {
    if (text_.substr(pos_ < text_.size() ? pos_ : text_.size()).starts_with(word)) {
        pos_ += word.size();
        return true;
    }
    return false;
}

bool LineScan::literalNoCase(std::string_view word) {
    if (pos_ + word.size() > text_.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(text_[pos_ + i]) != Lower(word[i])) return false;
    pos_ += word.size();
    return true;
}

bool LineScan::run(std::string_view set, std::string_view* out) {
    size_t end = pos_;
    while (end < text_.size() && set.find(text_[end]) != std::string_view::npos) ++end;
    if (end == pos_) return false;
    if (out) *out = text_.substr(pos_, end - pos_);
    pos_ = end;
    return true;
}

bool LineScan::runExcept(std::string_view set, std::string_view* out) {
    size_t end = pos_;
    while (end < text_.size() && set.find(text_[end]) == std::string_view::npos) ++end;
    if (end == pos_) return false;
    if (out) *out = text_.substr(pos_, end - pos_);
    pos_ = end;
    return true;
}

bool LineScan::number(double& out) {
    size_t p = pos_;
    while (p < text_.size() && IsSpace(text_[p])) ++p;
    if (p < text_.size() && text_[p] == '+') ++p;  // from_chars takes '-' but not '+'
    const char* first = text_.data() + p;
    const char* last = text_.data() + text_.size();
    // Plain decimal notation only: no "inf", "nan" or hex digits sneak in.
    if (first == last || !(std::isdigit(static_cast<unsigned char>(*first)) || *first == '-' || *first == '.'))
        return false;
    if (*first == '-' && (first + 1 == last || !(std::isdigit(static_cast<unsigned char>(first[1])) || first[1] == '.')))
        return false;
    double v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec != std::errc() || !std::isfinite(v)) return false;
    out = v;
    pos_ = static_cast<size_t>(ptr - text_.data());
    return true;
}

bool LineScan::integer(int32_t& out) {
    size_t p = pos_;
    while (p < text_.size() && IsSpace(text_[p])) ++p;
    if (p < text_.size() && text_[p] == '+') ++p;
    const char* first = text_.data() + p;
    const char* last = text_.data() + text_.size();
    int32_t v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v, 10);
    if (ec != std::errc()) return false;
    out = v;
    pos_ = static_cast<size_t>(ptr - text_.data());
    return true;
}

bool LineScan::character(char& out) {
    if (pos_ >= text_.size()) return false;
    out = text_[pos_++];
    return true;
}

bool LineReader::next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
    line = text_.substr(pos_, end - pos_);
    if (end < text_.size()) {
        // CR LF is one line end; a lone CR or LF is one too.
        if (text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n') ++end;
        ++end;
    }
    pos_ = end;
    ++line_;
    return true;
}

std::string FolderOf(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string_view FileNameOf(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(std::string_view path) {
    const std::string_view name = FileNameOf(path);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return std::string(path);
    return std::string(path.substr(0, path.size() - name.size() + dot));
}

std::string ExtensionUpper(std::string_view path) {
    const std::string_view name = FileNameOf(path);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return {};
    std::string ext(name.substr(dot + 1));
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

std::string NativeRelative(std::string_view name) {
    std::string out(TrimBlanks(name));
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string EightBitToUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out += ch;
        } else if (b < 0xA0) {
            const char16_t cp = kCp1252High[b - 0x80];
            AppendUtf8(out, cp ? cp : 0xFFFD);
        } else {
            AppendUtf8(out, b);
        }
    }
    return out;
}

std::string Utf8ToEightBit(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        uint32_t cp;
        const size_t n = DecodeUtf8(utf8, i, cp);
        if (n == 0) return std::string(utf8);
        i += n;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        size_t k = 0;
        while (k < 32 && kCp1252High[k] != cp) ++k;
        if (k == 32) return std::string(utf8);  // not representable: keep UTF-8 for the whole text
        out += static_cast<char>(0x80 + k);
    }
    return out;
}

std::string ResolveFileName(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return path;
    const std::string folder = FolderOf(path);
    const std::string name(FileNameOf(path));
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return path;
    std::string found = path;
    while (dirent* e = ::readdir(dir)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            found = folder + e->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace trek::calib
