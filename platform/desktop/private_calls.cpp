#include "platform/desktop/private_calls.h"

#include "platform/desktop/world_lock.h"

namespace platform::desktop {

void PrivateCalls::remove(const std::string& name) {
    const WorldGuard guard = guardWorld(world_);
    removed_.insert(name);
}

void PrivateCalls::restore(const std::string& name) {
    const WorldGuard guard = guardWorld(world_);
    removed_.erase(name);
}

bool PrivateCalls::isPresent(std::string_view name) const {
    const WorldGuard guard = guardWorld(world_);
    return removed_.find(name) == removed_.end();
}

void PrivateCalls::recordLookup(std::string_view name) {
    const WorldGuard guard = guardWorld(world_);
    auto it = lookups_.find(name);
    if (it == lookups_.end()) it = lookups_.emplace(std::string(name), 0).first;
    ++it->second;
}

int PrivateCalls::lookupCount(std::string_view name) const {
    const WorldGuard guard = guardWorld(world_);
    auto it = lookups_.find(name);
    return it == lookups_.end() ? 0 : it->second;
}

}  // namespace platform::desktop
