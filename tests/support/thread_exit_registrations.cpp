#include "tests/support/thread_exit_registrations.h"

#include <dlfcn.h>

#include <atomic>

namespace {

std::atomic<int> g_registrations{0};

}  // namespace

// Stands before the C library's own in the process's lookup, counts, and hands on.
extern "C" int __cxa_thread_atexit_impl(void (*destructor)(void*), void* object, void* library) {
    ++g_registrations;
    using Register = int (*)(void (*)(void*), void*, void*);
    static const auto next = reinterpret_cast<Register>(::dlsym(RTLD_NEXT, "__cxa_thread_atexit_impl"));
    return next(destructor, object, library);
}

namespace furlpane_test {

int threadExitRegistrations() { return g_registrations.load(); }

}  // namespace furlpane_test
