#pragma once
// A running mean over the last N values, kept as a ring and a running sum so
// that every push costs the same. T is the slot type: 64-bit for longitude
// and latitude, 32-bit else. The sum is always 64-bit: a 32-bit sum of a few
// large altitudes from a damaged receiver would overflow.
#include <cstdint>
#include <vector>

namespace trek {

template <typename T>
class MovingAverage {
public:
    // A window of 0 is taken as 1.
    explicit MovingAverage(unsigned window = 1) : slots_(window == 0 ? 1 : window, 0) {}

    void push(T v) {
        if (full_) sum_ -= slots_[index_];
        slots_[index_] = v;
        sum_ += v;
        if (count_ < slots_.size()) ++count_;
        if (++index_ == slots_.size()) {
            index_ = 0;
            full_ = true;
        }
    }

    // Truncated toward zero, as C integer division does.
    T average() const { return count_ == 0 ? T(0) : T(sum_ / static_cast<int64_t>(count_)); }

    void clear() {
        for (auto& s : slots_) s = 0;
        sum_ = 0;
        count_ = 0;
        index_ = 0;
        full_ = false;
    }

    // Adds d to every slot: unwraps the course history across north.
    void shift(T d) {
        for (auto& s : slots_) s += d;
        sum_ += static_cast<int64_t>(count_) * d;
    }

    unsigned window() const { return static_cast<unsigned>(slots_.size()); }
    unsigned count() const { return count_; }
    bool empty() const { return count_ == 0; }

private:
    std::vector<T> slots_;
    int64_t sum_ = 0;
    unsigned count_ = 0;
    unsigned index_ = 0;
    bool full_ = false;
};

using MovingAverage64 = MovingAverage<int64_t>;
using MovingAverage32 = MovingAverage<int32_t>;

}  // namespace trek
