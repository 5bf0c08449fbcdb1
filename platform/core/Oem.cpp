#include "platform/core/Oem.h"

#include <cstdlib>
#include <mutex>
#include <optional>

#include "platform/core/Files.h"

namespace trek::platform {

namespace {

constexpr size_t kMaxOem = 260;
std::mutex g_mutex;
std::optional<std::string> g_override;

std::string Clean(std::string s) {
    // Device-tree strings end in NUL; sysfs lines end in a line feed.
    size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    if (s.size() > kMaxOem) s.resize(kMaxOem);
    return s;
}

}  // namespace

void SetOemInfo(std::string text) {
    std::lock_guard lock(g_mutex);
    g_override = Clean(std::move(text));
}

void ClearOemInfoOverride() {
    std::lock_guard lock(g_mutex);
    g_override.reset();
}

std::string OemInfo() {
    {
        std::lock_guard lock(g_mutex);
        if (g_override) return *g_override;
    }
    if (const char* env = std::getenv("TREKVANE_OEM")) return Clean(env);
    for (const char* file : {"/proc/device-tree/model", "/sys/class/dmi/id/product_name"}) {
        if (auto text = ReadWholeFile(file, 4096)) {
            std::string s = Clean(*text);
            if (!s.empty()) return s;
        }
    }
    return {};
}

}  // namespace trek::platform
