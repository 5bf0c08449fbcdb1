#pragma once
// UTF-8 <-> UTF-16LE for the few places a protocol speaks UTF-16 (the
// single-instance handover). Invalid input becomes U+FFFD, never a crash.
#include <cstdint>
#include <string>
#include <vector>

namespace trek::platform {

std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);
// Decodes the next code point of UTF-8 text at pos and advances pos (U+FFFD on bad bytes).
char32_t NextCodePoint(const std::string& text, size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace trek::platform
