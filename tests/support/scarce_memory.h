#pragma once

// Memory that a child of a test cannot have, as under `ulimit -v`. The sanitizers'
// allocator ends the process where such a limit would make an allocation fail, so a test
// program that links scarce_memory.cpp takes operator new over (onto malloc, which the
// sanitizers still watch) and refuses what the limit set here refuses: std::bad_alloc,
// or null from the nothrow forms. What C libraries take with malloc is not limited.

#include <cstddef>
#include <cstdint>

namespace furlpane_test {

struct MemoryLimit {
    // Bytes that may be held beyond those held when the limit is set.
    size_t total = SIZE_MAX;
    // The largest allocation that may be had.
    size_t largest = SIZE_MAX;
};

// For the rest of the process; meant for a child that runs the host.
void limitMemory(MemoryLimit limit);

}  // namespace furlpane_test
