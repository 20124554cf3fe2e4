#pragma once

// Stable sorting of records whose types are over-aligned (those holding double3 or
// double4, aligned to 32 bytes). The standard library's std::stable_sort takes its
// scratch buffer from an allocation that only guarantees the default alignment, so it
// must not hold such records; this sorts indices instead and moves the records once.

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace furlpane::effects {

// Sorts values by less, keeping the order of equal values.
template <class T, class Less>
void stableSortRecords(std::vector<T>& values, Less less) {
    std::vector<std::uint32_t> order(values.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return less(values[a], values[b]); });
    std::vector<T> sorted;
    sorted.reserve(values.size());
    for (std::uint32_t i : order) sorted.push_back(std::move(values[i]));
    values = std::move(sorted);
}

}  // namespace furlpane::effects
