#pragma once
// Text encodings. Inside the program every text is UTF-8; UTF-16 appears only
// where a stored format says so, and "8-bit text" files may be Windows-1252.
#include <cstdint>
#include <string>
#include <string_view>

namespace trek::platform {

// Invalid or unpaired input becomes U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

bool IsValidUtf8(std::string_view bytes);

// Windows-1252: the five undefined bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to
// the C1 controls of the same number, as Windows does, so decoding never fails.
std::string Cp1252ToUtf8(std::string_view bytes);
// Characters without a Windows-1252 byte become `replacement`.
std::string Utf8ToCp1252(std::string_view utf8, char replacement = '?');

// "8-bit text": UTF-8 when the bytes are valid UTF-8, else Windows-1252.
std::string Decode8BitText(std::string_view bytes);

// One code point from a UTF-8 cursor; advances `pos`. Invalid bytes yield
// U+FFFD and advance by one.
char32_t NextCodePoint(std::string_view utf8, size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

// Case-insensitive comparison by code point (ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic letters fold to lower case). Returns <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
char32_t FoldCase(char32_t cp);
std::string ToLowerAscii(std::string_view s);

// A JSON string literal (quotes included); invalid UTF-8 becomes U+FFFD.
std::string JsonQuote(std::string_view utf8);

}  // namespace trek::platform
