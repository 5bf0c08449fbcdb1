#pragma once
// JSON output helpers shared by the command files.
#include <string>
#include <string_view>

namespace trek::tool {

// A JSON string literal, quotes included; control characters as \u00XX.
std::string JsonString(std::string_view text);

}  // namespace trek::tool
