#pragma once
// Number arguments of the command files: the whole word must be the number.
#include <cstdint>
#include <string>

namespace trek::tool {

// A finite double (std::stod syntax).
bool ParseDouble(const std::string& text, double& out);
// A whole number within int32_t.
bool ParseInt32(const std::string& text, int32_t& out);

}  // namespace trek::tool
