#pragma once
// 8-bit text of the exchange files: read as UTF-8 when it is valid UTF-8,
// else as Windows-1252; written in Windows-1252 where a format is 8-bit.
#include <string>
#include <string_view>

namespace trek {

bool IsValidUtf8(std::string_view text);
// Returns UTF-8 text for 8-bit input (unchanged when it already is UTF-8).
std::string EightBitToUtf8(std::string_view text);
// Windows-1252 for UTF-8 input; characters it cannot hold become '?'.
std::string Utf8ToEightBit(std::string_view text);

}  // namespace trek
