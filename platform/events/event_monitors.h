#pragma once

// The event monitors of one simulated world: the road of injected input (event_router.h)
// runs the program's local monitors before the program dispatches an event and shows the
// global ones the events that went to other applications. One per world, made on first
// use. Main thread only.

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/events/event_monitor.h"

namespace platform {

class EventMonitors {
public:
    explicit EventMonitors(desktop::Desktop& world) : world_(world) {}
    static EventMonitors& of(desktop::Desktop& world);

    EventMonitor::Token add(EventMask mask, EventMonitor::LocalHandler local, EventMonitor::GlobalHandler global);
    void remove(const EventMonitor::Token& token);
    size_t localCount() const;
    size_t globalCount() const;

    // Runs the local monitors of the run whose process received the event (a null run: of
    // the system, as in a test), and the system's; nothing when one consumed the event.
    std::optional<EventRecord> runLocal(EventRecord event, const std::shared_ptr<ProcessRun>& receiver = nullptr);
    // Runs the global monitors (the router leaves out keyboard events that went to
    // other applications while the program was not trusted).
    void runGlobal(const EventRecord& event);

private:
    struct Entry {
        EventMask mask = 0;
        EventMonitor::LocalHandler local;
        EventMonitor::GlobalHandler global;
        bool removed = false;
    };

    desktop::Desktop& world_;
    std::vector<std::shared_ptr<Entry>> entries_;
};

}  // namespace platform
