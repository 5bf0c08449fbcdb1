#pragma once
// The zoom steps of a map view: up to 64 scale denominators in ascending
// order with a current index. The standard steps run 1:1000 .. 1:500 000 000;
// a map that becomes current brings steps around its own scale and takes the
// standard steps near it away, so that zooming lands on the map's own scale.
#include <array>
#include <cstddef>
#include <cstdint>

namespace trek {

class ScaleList {
public:
    static constexpr size_t kCapacity = 64;
    static constexpr int32_t kMinScale = 100;
    static constexpr int32_t kMaxScale = 500000000;
    static constexpr int32_t kStartScale = 25000;

    // The standard steps; the current value 25000.
    ScaleList();

    size_t size() const { return count_; }
    int32_t at(size_t i) const { return i < count_ ? values_[i] : 0; }
    size_t index() const { return index_; }
    int32_t current() const { return count_ ? values_[index_] : 0; }

    // Keeps the order, ignores duplicates, values outside 100..500 000 000
    // and anything beyond the capacity; the current index stays on its value.
    bool insert(int32_t value);
    bool remove(int32_t value);

    // One step in (-1) or out (+1); false at either end (nothing changes).
    bool step(int direction);
    // The slider: sets the index directly (clamped).
    void setIndex(size_t index);
    // The entry with the least absolute difference (the first of two equal ones).
    size_t nearestIndex(int32_t scale) const;
    // Makes the nearest entry current.
    void selectNearest(int32_t scale) { setIndex(nearestIndex(scale)); }

    // A map with its own scale S becomes current / stops being current.
    void addMapSteps(int32_t ownScale);
    void removeMapSteps(int32_t ownScale);

    // The steps a map of its own scale S brings: S/4, S/2, 3S/4 (rounded down,
    // plus one), S, 3S/2, 2S, 4S, 8S.
    static std::array<int64_t, 8> MapSteps(int32_t ownScale);
    // The standard steps in ascending order.
    static const std::array<int32_t, 18>& StandardSteps();

private:
    void removeAt(size_t i);
    std::array<int32_t, kCapacity + 1> values_{};  // ended by 0
    size_t count_ = 0;
    size_t index_ = 0;
};

}  // namespace trek
