#pragma once

// Values made once per process: a private call looked up by name, the process's own
// identifier, a queue. Under the simulated desktop every world is a process of its own
// (making a world begins a new process lifetime), so each test sees the program start
// afresh while the program itself still makes each value once.
//
//   static ProcessOnce<WindowBoundsCall> bounds;
//   auto call = bounds.get([] { return lookupSymbol<WindowBoundsCall>("CGSGetWindowBounds"); });
//
// get() is safe from any thread; the value is made at most once per lifetime.

#include <cstdint>
#include <mutex>
#include <optional>

namespace platform {

// The current process lifetime; starts at 1.
uint64_t processLifetime();
// Begins a new one (the simulated desktop does, when a world is made).
void beginProcessLifetime();

template <class T>
class ProcessOnce {
public:
    template <class F>
    T get(F&& make) {
        std::lock_guard lock(mutex_);
        const uint64_t lifetime = processLifetime();
        if (!value_ || lifetime_ != lifetime) {
            value_.emplace(make());
            lifetime_ = lifetime;
        }
        return *value_;
    }

private:
    std::mutex mutex_;
    std::optional<T> value_;
    uint64_t lifetime_ = 0;
};

}  // namespace platform
