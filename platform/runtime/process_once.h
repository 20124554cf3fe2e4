#pragma once

// Values made once per process: a private call looked up by name, the process's own
// identifier, a cache, the program's shared objects. They are kept by the current run
// of the process (process_run.h): a run that ends destroys them, and the next run makes
// its own. Under the simulated desktop every world begins a run too, so each test sees
// the program start afresh while the program itself still makes each value once.
//
//   static ProcessOnce<WindowBoundsCall> bounds;
//   auto call = bounds.get([] { return lookupSymbol<WindowBoundsCall>("CGSGetWindowBounds"); });
//
//   static ProcessLocal<std::vector<Item>> items;   // one list per run, made empty
//   items.get().push_back(item);
//
// ProcessOnce::get is safe from any thread; the value is made at most once per run.
// ProcessLocal hands out a reference: the value itself is as thread-safe as its type.

#include <memory>

#include "platform/runtime/process_run.h"

namespace platform {

template <class T>
class ProcessOnce {
public:
    template <class F>
    T get(F&& make) {
        auto value = ProcessRun::current()->keep<T>(this, [&] { return std::make_shared<T>(make()); });
        return *value;
    }
};

template <class T>
class ProcessLocal {
public:
    // This run's value, value-initialised on first use.
    T& get() {
        return *ProcessRun::current()->keep<T>(this, [] { return std::make_shared<T>(); });
    }
};

}  // namespace platform
