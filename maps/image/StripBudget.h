#pragma once
// How many full rows a strip decoder may hold at once. The budget is three
// quarters of the available physical memory, capped at kMaxStripBytes (a strip
// of gigabytes helps nobody), and halved on every failed allocation; after
// three attempts the region is given up.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace trek {

constexpr size_t kMaxStripBytes = size_t(32) << 20;
constexpr int kStripAttempts = 3;

// Available physical memory in bytes (MemAvailable), or 0 when unknown.
size_t AvailablePhysicalMemory();

// Lets tests and benchmarks pretend a smaller machine; 0 = ask the system.
void SetAvailableMemoryOverride(size_t bytes);

// Rows of rowBytes each that fit the budget at attempt 0, 1, 2; at most maxRows.
int StripRows(size_t rowBytes, int attempt, int maxRows);

// A strip buffer of rowBytes x rows, allocated with the halving rule.
class StripBuffer {
public:
    // false when even the third attempt fails or leaves no row.
    bool allocate(size_t rowBytes, int maxRows);
    uint8_t* row(int i) { return data_.get() + static_cast<size_t>(i) * rowBytes_; }
    int rows() const { return rows_; }
    size_t rowBytes() const { return rowBytes_; }

private:
    std::unique_ptr<uint8_t[]> data_;
    size_t rowBytes_ = 0;
    int rows_ = 0;
};

}  // namespace trek
