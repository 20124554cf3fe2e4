#pragma once

// How the records and parts of the world read their state: under the world's lock (see
// "Threads" in desktop.h), handing out copies, never references into state that a change
// on another thread may replace while the reader still looks at it.

#include <mutex>

namespace platform::desktop {

class Desktop;

using WorldGuard = std::unique_lock<std::recursive_mutex>;

// The world's lock. A record that outlived its world (an application record held after
// the world went) is changed by no one any more: its guard is empty.
WorldGuard guardWorld(const Desktop& world);
WorldGuard guardWorld(const Desktop* world);

// A copy of one field, read under the world's lock.
template <class T>
T readLocked(const Desktop& world, const T& field) {
    const WorldGuard guard = guardWorld(world);
    return field;
}

template <class T>
T readLocked(const Desktop* world, const T& field) {
    const WorldGuard guard = guardWorld(world);
    return field;
}

}  // namespace platform::desktop
