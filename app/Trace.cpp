#include "app/Trace.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace trek {

namespace {
std::mutex gMutex;
std::FILE* gFile = nullptr;
const auto gStart = std::chrono::steady_clock::now();
}  // namespace

bool OpenShellTrace(const std::string& path) {
    std::lock_guard<std::mutex> lock(gMutex);
    if (gFile) std::fclose(gFile);
    gFile = std::fopen(path.c_str(), "a");
    return gFile != nullptr;
}

void CloseShellTrace() {
    std::lock_guard<std::mutex> lock(gMutex);
    if (gFile) std::fclose(gFile);
    gFile = nullptr;
}

bool ShellTraceOn() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gFile != nullptr;
}

void ShellTrace(const char* format, ...) {
    std::lock_guard<std::mutex> lock(gMutex);
    if (!gFile) return;
    // Milliseconds since start first, so that a reader can tell delays apart.
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - gStart).count();
    std::fprintf(gFile, "%lld ", static_cast<long long>(ms));
    va_list args;
    va_start(args, format);
    std::vfprintf(gFile, format, args);
    va_end(args);
    std::fputc('\n', gFile);
    std::fflush(gFile);
}

}  // namespace trek
