#include "tests/support/scarce_memory.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_limited{false};
furlpane_test::MemoryLimit g_limit;
// Held since the limit was set: what was held before and is given back since counts
// against it.
std::atomic<std::ptrdiff_t> g_held{0};

void* take(size_t size, std::align_val_t alignment) noexcept {
    size = size ? size : 1;
    const bool limited = g_limited.load(std::memory_order_acquire);
    if (limited && size > g_limit.largest) return nullptr;
    void* p = nullptr;
    if (size_t(alignment) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__) {
        p = std::malloc(size);
    } else if (::posix_memalign(&p, size_t(alignment), size) != 0) {
        p = nullptr;
    }
    if (!p || !limited) return p;
    const auto bytes = std::ptrdiff_t(::malloc_usable_size(p));
    if (g_held.fetch_add(bytes) + bytes > std::ptrdiff_t(std::min<size_t>(g_limit.total, PTRDIFF_MAX))) {
        g_held.fetch_sub(bytes);
        std::free(p);
        return nullptr;
    }
    return p;
}

void* takeOrThrow(size_t size, std::align_val_t alignment) {
    void* p = take(size, alignment);
    if (!p) throw std::bad_alloc();
    return p;
}

void give(void* p) noexcept {
    if (!p) return;
    if (g_limited.load(std::memory_order_acquire)) g_held.fetch_sub(std::ptrdiff_t(::malloc_usable_size(p)));
    std::free(p);
}

constexpr std::align_val_t kPlain{__STDCPP_DEFAULT_NEW_ALIGNMENT__};

}  // namespace

namespace furlpane_test {

void limitMemory(MemoryLimit limit) {
    g_limit = limit;
    g_held.store(0);
    g_limited.store(true, std::memory_order_release);
}

}  // namespace furlpane_test

// Every form: the sanitizers' runtime defines each of them, so one left out would take
// memory past the limit and give it back where this file's forms do not see it.
void* operator new(size_t n) { return takeOrThrow(n, kPlain); }
void* operator new[](size_t n) { return takeOrThrow(n, kPlain); }
void* operator new(size_t n, std::align_val_t a) { return takeOrThrow(n, a); }
void* operator new[](size_t n, std::align_val_t a) { return takeOrThrow(n, a); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return take(n, kPlain); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return take(n, kPlain); }
void* operator new(size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return take(n, a); }
void* operator new[](size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return take(n, a); }
void operator delete(void* p) noexcept { give(p); }
void operator delete[](void* p) noexcept { give(p); }
void operator delete(void* p, size_t) noexcept { give(p); }
void operator delete[](void* p, size_t) noexcept { give(p); }
void operator delete(void* p, std::align_val_t) noexcept { give(p); }
void operator delete[](void* p, std::align_val_t) noexcept { give(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { give(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { give(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { give(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { give(p); }
