#include "ui/views/ScaleList.h"

#include <cstdlib>

namespace trek {

const std::array<int32_t, 18>& ScaleList::StandardSteps() {
    // Factors 2.5, 2, 2 in turn from 1000, then the largest scale.
    static const std::array<int32_t, 18> steps = {
        1000,     2500,     5000,      10000,     25000,     50000,     100000,    250000,    500000,
        1000000,  2500000,  5000000,   10000000,  25000000,  50000000,  100000000, 250000000, 500000000,
    };
    return steps;
}

std::array<int64_t, 8> ScaleList::MapSteps(int32_t ownScale) {
    const int64_t s = ownScale;
    return {s / 4 + 1, s / 2 + 1, 3 * s / 4 + 1, s, 3 * s / 2, 2 * s, 4 * s, 8 * s};
}

ScaleList::ScaleList() {
    for (int32_t v : StandardSteps()) insert(v);
    selectNearest(kStartScale);
}

bool ScaleList::insert(int32_t value) {
    if (value < kMinScale || value > kMaxScale || count_ >= kCapacity) return false;
    size_t pos = 0;
    while (pos < count_ && values_[pos] < value) ++pos;
    if (pos < count_ && values_[pos] == value) return false;
    for (size_t i = count_; i > pos; --i) values_[i] = values_[i - 1];
    values_[pos] = value;
    ++count_;
    values_[count_] = 0;
    if (count_ > 1 && pos <= index_) ++index_;
    return true;
}

void ScaleList::removeAt(size_t pos) {
    for (size_t i = pos; i + 1 < count_; ++i) values_[i] = values_[i + 1];
    --count_;
    values_[count_] = 0;
    if (pos < index_ || (index_ == count_ && index_ > 0)) --index_;
}

bool ScaleList::remove(int32_t value) {
    for (size_t i = 0; i < count_; ++i) {
        if (values_[i] != value) continue;
        removeAt(i);
        return true;
    }
    return false;
}

bool ScaleList::step(int direction) {
    if (direction < 0) {
        if (index_ == 0) return false;
        --index_;
        return true;
    }
    if (direction > 0) {
        if (index_ + 1 >= count_) return false;
        ++index_;
        return true;
    }
    return false;
}

void ScaleList::setIndex(size_t index) { index_ = count_ == 0 ? 0 : (index < count_ ? index : count_ - 1); }

size_t ScaleList::nearestIndex(int32_t scale) const {
    size_t best = 0;
    int64_t bestDiff = INT64_MAX;
    for (size_t i = 0; i < count_; ++i) {
        const int64_t d = std::llabs(int64_t(values_[i]) - scale);
        if (d < bestDiff) {
            bestDiff = d;
            best = i;
        }
    }
    return best;
}

void ScaleList::addMapSteps(int32_t ownScale) {
    if (ownScale <= 0) return;
    const int32_t keep = current();
    const int64_t low = ownScale / 6, high = int64_t(ownScale) * 12;
    for (int32_t v : StandardSteps())
        if (v >= low && v <= high) remove(v);
    for (int64_t v : MapSteps(ownScale))
        if (v <= kMaxScale) insert(static_cast<int32_t>(v));
    selectNearest(keep);
}

void ScaleList::removeMapSteps(int32_t ownScale) {
    if (ownScale <= 0) return;
    const int32_t keep = current();
    for (int64_t v : MapSteps(ownScale))
        if (v <= kMaxScale) remove(static_cast<int32_t>(v));
    const int64_t low = ownScale / 6, high = int64_t(ownScale) * 12;
    for (int32_t v : StandardSteps())
        if (v >= low && v <= high) insert(v);
    selectNearest(keep);
}

}  // namespace trek
