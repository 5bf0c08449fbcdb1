#include "platform/core/Paths.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace trek::platform {

namespace {

std::mutex g_mutex;
std::string g_root;
std::string g_registry;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string XdgDir(const char* var, const char* fallbackBelowHome) {
    std::string dir = Env(var);
    if (!dir.empty() && dir[0] == '/') return dir;
    std::string home = Env("HOME");
    if (home.empty()) home = "/tmp";
    return home + "/" + fallbackBelowHome;
}

std::string StripTrailingSlash(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

}  // namespace

void SetDeviceRoot(std::string dir) {
    std::lock_guard lock(g_mutex);
    g_root = StripTrailingSlash(std::move(dir));
}

std::string DataFolder() {
    std::string env = Env("TREKVANE_ROOT");
    if (!env.empty()) return StripTrailingSlash(env);
    return XdgDir("XDG_DATA_HOME", ".local/share") + "/trekvane";
}

std::string DeviceRoot() {
    {
        std::lock_guard lock(g_mutex);
        if (!g_root.empty()) return g_root;
    }
    return DataFolder();
}

std::string MapPath(std::string_view p) {
    std::string out(p);
    for (char& c : out)
        if (c == '\\') c = '/';
    if (!p.empty() && p[0] == '\\') {
        std::string root = DeviceRoot();
        if (root == "/") return out;
        return root + out;
    }
    return out;
}

std::string ToDevicePath(std::string_view native) {
    std::string root = DeviceRoot();
    if (native.size() >= root.size() && native.substr(0, root.size()) == root &&
        (native.size() == root.size() || native[root.size()] == '/')) {
        std::string rest(native.substr(root.size()));
        if (rest.empty()) rest = "/";
        for (char& c : rest)
            if (c == '/') c = '\\';
        return rest;
    }
    return std::string(native);
}

std::string JoinDevicePath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (out.empty() || (out.back() != '\\' && out.back() != '/')) out += '\\';
    size_t skip = 0;
    while (skip < name.size() && (name[skip] == '\\' || name[skip] == '/')) ++skip;
    out += name.substr(skip);
    return out;
}

std::string ProgramFolder() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string exe(buf, static_cast<size_t>(n));
    size_t slash = exe.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : exe.substr(0, slash));
}

void SetRegistryFile(std::string file) {
    std::lock_guard lock(g_mutex);
    g_registry = std::move(file);
}

std::string RegistryFile() {
    {
        std::lock_guard lock(g_mutex);
        if (!g_registry.empty()) return g_registry;
    }
    std::string env = Env("TREKVANE_REGISTRY");
    if (!env.empty()) return env;
    return XdgDir("XDG_CONFIG_HOME", ".config") + "/trekvane/registry.reg";
}

}  // namespace trek::platform
