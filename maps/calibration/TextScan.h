#pragma once
// A cursor over one line of 8-bit text with the handful of matching steps the
// calibration formats are written in (literal, run of a character set, number,
// rest of line). Each step either consumes and succeeds or leaves the cursor
// where it was and fails, so a layout is tried by chaining steps with &&.
#include <cstdint>
#include <string>
#include <string_view>

namespace trek::calib {

class LineScan {
public:
    explicit LineScan(std::string_view line) : text_(line) {}

    size_t pos() const { return pos_; }
    void reset(size_t pos = 0) { pos_ = pos; }
    bool atEnd() const { return pos_ >= text_.size(); }
    std::string_view rest() const { return text_.substr(pos_ < text_.size() ? pos_ : text_.size()); }

    // Skips spaces and tabs (the blanks at the start of a line).
    LineScan& skipBlanks();
    // Skips any white space, as a blank in a scanf pattern does.
    LineScan& skipSpace();
    // The exact bytes (case-sensitive) or, with literalNoCase, ASCII letters in either case.
    bool literal(std::string_view word);
    bool literalNoCase(std::string_view word);
    // One or more bytes from the set (scanf "%[set]"); stores what matched when out is given.
    bool run(std::string_view set, std::string_view* out = nullptr);
    // One or more bytes that are not in the set (scanf "%[^set]").
    bool runExcept(std::string_view set, std::string_view* out = nullptr);
    // scanf "%lf": leading white space, optional sign, a finite decimal number.
    bool number(double& out);
    // scanf "%ld": leading white space, optional sign, decimal digits that fit 32 bits.
    bool integer(int32_t& out);
    // scanf "%c": one byte, no white space skipped.
    bool character(char& out);

private:
    std::string_view text_;
    size_t pos_ = 0;
};

// Walks the lines of a text: CR LF, a lone CR or a lone LF end a line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    // Next line without its end; false at the end of the text.
    bool next(std::string_view& line);
    int lineNumber() const { return line_; }  // 1-based number of the line last returned

private:
    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 0;
};

// The folder of a path, up to and including its last "/" ("" when none).
std::string FolderOf(std::string_view path);
// The file name after the last "/" or "\" of a path.
std::string_view FileNameOf(std::string_view path);
// The path without its extension (the part from the last "." of the file name on).
std::string WithoutExtension(std::string_view path);
// The extension without its dot, upper-cased ("" when none).
std::string ExtensionUpper(std::string_view path);
// A relative file name from a calibration file: "\" becomes "/", leading "./" kept.
std::string NativeRelative(std::string_view name);
// Trims blanks (space, tab) at both ends.
std::string_view TrimBlanks(std::string_view text);
// 8-bit text from a file as UTF-8: kept when valid UTF-8, else read as Windows-1252.
std::string EightBitToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252 when every character has a byte there; else the UTF-8 unchanged.
std::string Utf8ToEightBit(std::string_view utf8);
// Whether a file exists; when not, looks for the same name in other letter
// case in its folder (files made on Windows name their images loosely).
std::string ResolveFileName(const std::string& path);

}  // namespace trek::calib
