#pragma once

// Spaces: every display has its managed Spaces, one of which is shown (its current
// Space). A window lies on one Space, or on every Space (Space 0). Changing the shown
// Space of a display posts the workspace's active-Space notification.
//
// Space identifiers are 64-bit, unique in a world, greater than 0 and never reused.
//
// "Displays have separate Spaces" is on by default, as on a freshly set-up system: each
// display shows a Space of its own and a window lies on one display only. Off, the
// displays show one Space together and a window may stand across them. The setting is
// read at every call; nothing here moves windows when it changes.

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/desktop/world_lock.h"
#include "platform/desktop/world_types.h"

namespace platform::desktop {

class Desktop;

struct Space {
    uint64_t id = 0;
    uint32_t display = 0;
    SpaceKind kind = SpaceKind::user;
};

class Spaces {
public:
    explicit Spaces(Desktop& world) : world_(world) {}

    std::vector<Space> all() const;
    std::vector<Space> onDisplay(uint32_t display) const;
    std::optional<Space> find(uint64_t id) const;
    // The shown Space of a display.
    std::optional<uint64_t> current(uint32_t display) const;
    // The shown Space of every display, in display order.
    std::vector<uint64_t> currentSpaces() const;
    // Space 0 (every Space) or the shown Space of its display.
    bool isShown(uint64_t id) const;

    // A new Space at the end of the display's list; 0 when there is no such display.
    uint64_t add(uint32_t display, SpaceKind kind = SpaceKind::user);
    // Shows a Space on its display; false for an unknown Space.
    bool switchTo(uint64_t id);
    // Removes a Space that is not shown; its windows move to the display's shown Space.
    bool remove(uint64_t id);

    bool displaysHaveSeparateSpaces() const { return separateSpaces_; }
    void setDisplaysHaveSeparateSpaces(bool separate) { separateSpaces_ = separate; }

private:
    friend class Desktop;
    // Keeps one Space per display at least; Spaces of displays that went away move to the
    // first display, behind its own, and so do the windows on them, except those of the
    // Space such a display showed: they come to the Space the first display shows, as a
    // person who unplugs a screen finds its windows on the one left.
    void displaysChanged();
    // Every window on one Space goes to another, and says so.
    void moveWindows(uint64_t from, uint64_t to);

    Desktop& world_;
    std::vector<Space> spaces_;
    std::map<uint32_t, uint64_t> current_;
    uint64_t nextId_ = 1;
    std::atomic<bool> separateSpaces_{true};
};

}  // namespace platform::desktop
