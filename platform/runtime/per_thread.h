#pragma once

// A value of each thread that asks for one: made on the thread's first use, kept from use
// to use, destroyed when the thread ends. What a `thread_local` of a type with a
// destructor gives, for code that threads other than the main one run:
//
//   PerThread<Scratch> g_scratch;          // at namespace scope
//   Scratch& mine = g_scratch.get();       // std::bad_alloc when it cannot be made
//
// Such a thread_local registers its destructor with the C library at the first use on
// each thread, and when the process has no memory left for that record (under `ulimit
// -v`) the C library ends the process on the spot, before any handler could run. Here
// the record is a slot of the thread's own that needs no memory, and a first use that
// cannot get its room fails as any allocation does, with std::bad_alloc; the thread and
// the process go on, and a later use tries again.
//
// A thread that is still alive when the PerThread goes (the main thread, as statics are
// destroyed at the process's end) has its value destroyed then.

#include <pthread.h>

#include <memory>
#include <new>
#include <system_error>

namespace platform {

template <class T>
class PerThread {
public:
    PerThread() {
        if (const int error = ::pthread_key_create(&key_, &destroy))
            throw std::system_error(error, std::generic_category(), "a value of each thread");
    }
    // The key stays: a thread that ends later still finds its value's destructor there.
    ~PerThread() {
        destroy(::pthread_getspecific(key_));
        ::pthread_setspecific(key_, nullptr);
    }
    PerThread(const PerThread&) = delete;
    PerThread& operator=(const PerThread&) = delete;

    // The calling thread's value, value-initialised on its first use.
    T& get() {
        if (void* mine = ::pthread_getspecific(key_)) return *static_cast<T*>(mine);
        auto made = std::make_unique<T>();
        if (::pthread_setspecific(key_, made.get()) != 0) throw std::bad_alloc();
        return *made.release();
    }

private:
    static void destroy(void* value) { delete static_cast<T*>(value); }

    pthread_key_t key_;
};

}  // namespace platform
