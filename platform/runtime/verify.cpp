#include "platform/runtime/verify.h"

#include <cstdio>
#include <cstdlib>

namespace platform::detail {

void verifyFailed(const char* condition, const char* file, int line, const char* message) {
    if (message)
        std::fprintf(stderr, "VERIFY failed: %s (%s) at %s:%d\n", condition, message, file, line);
    else
        std::fprintf(stderr, "VERIFY failed: %s at %s:%d\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

}  // namespace platform::detail
