#pragma once

// Event monitors of the program, as AppKit has them.
//
// A local monitor sees the events the program itself receives, of the types in its
// mask (bit n for event type n; key down, key up and flags changed are 0x1C00), before
// the program dispatches them: it answers the event to dispatch (the same one, changed,
// or another) or nothing to consume it, and monitors later in line see what the earlier
// ones answered. A global monitor sees, afterwards, the events of its mask that went to
// other applications; it cannot change them, and it sees keyboard events only while
// the program is trusted for accessibility.
//
// Monitors run on the main thread, in the main queue's modes, in the order they were
// added. Adding one needs a world (otherwise the token is null); a monitor removed
// while others run sees nothing more. A monitor belongs to the run that adds it: once
// that run has ended it sees nothing, and the events go on as if it were not there.
// Main thread only. (The world's side of them is in event_monitors.h.)

#include <functional>
#include <memory>
#include <optional>

#include "platform/events/event_record.h"
#include "platform/runtime/handover.h"

namespace platform {

class EventMonitor {
public:
    using LocalHandler = Handover<std::optional<EventRecord>(const EventRecord& event)>;
    using GlobalHandler = Handover<void(const EventRecord& event)>;
    // Identifies a monitor for removal.
    using Token = std::shared_ptr<const void>;

    static Token addLocalMonitor(EventMask mask, LocalHandler handler);
    static Token addGlobalMonitor(EventMask mask, GlobalHandler handler);
    static void removeMonitor(const Token& token);
};

}  // namespace platform
