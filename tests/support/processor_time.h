#pragma once

#include <time.h>

namespace furlpane_test {

// The processor time the calling thread has had, in seconds: what a computation costs,
// however many other processes share the machine meanwhile.
inline double threadSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace furlpane_test
