#include "maps/image/StripBudget.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

namespace trek {

namespace {
std::atomic<size_t> g_memoryOverride{0};
}

size_t AvailablePhysicalMemory() {
    if (size_t o = g_memoryOverride.load()) return o;
    FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return 0;
    char line[256];
    size_t kib = 0;
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long v = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &v) == 1) {
            kib = static_cast<size_t>(v);
            break;
        }
    }
    std::fclose(f);
    return kib * 1024;
}

void SetAvailableMemoryOverride(size_t bytes) { g_memoryOverride = bytes; }

int StripRows(size_t rowBytes, int attempt, int maxRows) {
    if (rowBytes == 0 || maxRows <= 0) return 0;
    size_t available = AvailablePhysicalMemory();
    size_t budget = available ? available / 4 * 3 : kMaxStripBytes;
    budget = std::min(budget, kMaxStripBytes) >> attempt;
    size_t rows = budget / rowBytes;
    return static_cast<int>(std::min<size_t>(rows, static_cast<size_t>(maxRows)));
}

bool StripBuffer::allocate(size_t rowBytes, int maxRows) {
    data_.reset();
    rows_ = 0;
    rowBytes_ = rowBytes;
    for (int attempt = 0; attempt < kStripAttempts; ++attempt) {
        int rows = StripRows(rowBytes, attempt, maxRows);
        if (rows <= 0) return false;
        data_.reset(new (std::nothrow) uint8_t[rowBytes * static_cast<size_t>(rows)]);
        if (data_) {
            rows_ = rows;
            return true;
        }
    }
    return false;
}

}  // namespace trek
