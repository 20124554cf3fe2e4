#include "platform/runtime/process_once.h"

#include <atomic>

namespace platform {

namespace {
// The lifetime of this process, as the system itself has one.
std::atomic<uint64_t> g_lifetime{1};
}  // namespace

uint64_t processLifetime() { return g_lifetime.load(); }

void beginProcessLifetime() { g_lifetime.fetch_add(1); }

}  // namespace platform
