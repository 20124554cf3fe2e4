#pragma once

// Always-on checks of invariants. A broken invariant (a task awaited twice, a main-thread
// call made from another thread, an index a caller promised to keep in range) would
// otherwise corrupt state quietly and surface far from its cause; VERIFY stops the
// process at the spot instead, in release builds too, and says what failed and where.
//
// Bad input is never an invariant: data read from files, other processes or the user
// gets a clear result, not a VERIFY.

namespace platform::detail {

[[noreturn]] void verifyFailed(const char* condition, const char* file, int line, const char* message);

}  // namespace platform::detail

#define VERIFY(condition)                                                                 \
    do {                                                                                  \
        if (!(condition)) [[unlikely]]                                                    \
            ::platform::detail::verifyFailed(#condition, __FILE__, __LINE__, nullptr);    \
    } while (false)

// VERIFY with a sentence that says what the broken invariant means.
#define VERIFY_WITH(condition, message)                                                   \
    do {                                                                                  \
        if (!(condition)) [[unlikely]]                                                    \
            ::platform::detail::verifyFailed(#condition, __FILE__, __LINE__, (message));  \
    } while (false)

#define VERIFY_NOT_REACHED() ::platform::detail::verifyFailed("not reached", __FILE__, __LINE__, nullptr)
