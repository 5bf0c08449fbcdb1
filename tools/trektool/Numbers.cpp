#include "tools/trektool/Numbers.h"

#include <climits>
#include <cmath>

namespace trek::tool {

bool ParseDouble(const std::string& text, double& out) {
    try {
        size_t used = 0;
        out = std::stod(text, &used);
        return used == text.size() && std::isfinite(out);
    } catch (...) {
        return false;
    }
}

bool ParseInt32(const std::string& text, int32_t& out) {
    try {
        size_t used = 0;
        const long long v = std::stoll(text, &used);
        if (used != text.size() || v < INT32_MIN || v > INT32_MAX) return false;
        out = int32_t(v);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace trek::tool
