#pragma once

// The road of the user's input through the simulated desktop, and the record of it.
//
// An event is injected (injectEvent, or EventRouter::inject) as the hardware would make
// it. At once the world's input state follows it (pointer, buttons, modifiers; see
// simulated_input.h) and what it lacks is filled in (time stamp, click state, target
// process, characters). Then, one event after another in the order injected:
//   1. the event taps that see it, in their order (see event_tap.h), each of which may
//      pass, replace or swallow it, or time out;
//   2. the system's hot keys: while the hot-key mode lets them work, a key-down that is
//      an enabled symbolic hot key (and the key-up of that key) is taken by the system;
//   3. its receiver (SimulatedInput::receiverFor): another application acts on it; for
//      the program itself it goes, on the main queue, through the program's local event
//      monitors to the own-process sink; events for other applications are shown to
//      the program's global monitors (see event_monitor.h).
// An event waiting on a tap holds back the events injected after it. An event a tap
// gives back (EventTap::post) joins the road at that tap, ahead of the events that have
// not come past it yet (one waiting on an earlier tap waits again behind it), and is
// recorded as the tap's.
//
// Every injected event leaves an InjectedEvent in the record: what was injected, each
// tap's verdict, what went on from the taps, its fate and its receiver. Tap-disabled
// notices are recorded apart. The record keeps the newest kKeptEvents events (and
// kKeptNotices notices), so that a desktop that runs for days does not grow with its
// input; an event's id stays its own, and find() answers nothing for one that has gone.
//
// One router per world, made on first use. It is the simulated desktop's side of the
// events: programs see events through their taps and monitors. Main thread only.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/events/event_record.h"
#include "platform/events/event_tap.h"
#include "platform/runtime/bounded_log.h"

namespace platform {

enum class TapVerdict {
    passed,     // the callback answered the event unchanged
    replaced,   // it answered a changed or another event
    swallowed,  // it answered nothing
    observed,   // a listen-only tap was told
    timedOut,   // no answer within the time-out (the tap was switched off)
    skipped,    // the tap was switched off or invalidated while the event waited on it
};

const char* describe(TapVerdict verdict);

struct TapPassage {
    uint64_t tap = 0;
    TapVerdict verdict = TapVerdict::passed;
};

enum class EventFate {
    pending,                 // still on its way (waiting on a tap, or behind one that is)
    swallowed,               // a tap swallowed it
    takenBySystemHotKey,     // the system's hot key took it
    deliveredToApplication,  // another application received it
    deliveredToOwnProcess,   // the program received it (through its local monitors)
    consumedByLocalMonitor,  // a local monitor of the program consumed it
    noReceiver,              // nothing was there to receive it
};

const char* describe(EventFate fate);

struct InjectedEvent {
    uint64_t id = 0;
    double injectedAt = 0;
    EventRecord event;                     // as injected, filled in
    std::vector<TapPassage> taps;          // the taps that saw it, in order
    std::optional<EventRecord> delivered;  // what went on past the taps
    EventFate fate = EventFate::pending;
    uint64_t postedBy = 0;                 // the tap that gave it back; 0 for input injected
    int32_t pid = 0;                       // the receiver; 0 for none
    uint32_t window = 0;
    int hotKey = -1;                       // the symbolic hot key that took it
    uint64_t pressedControl = 0;           // a control the event pressed in the receiver
    double settledAt = 0;

    // The verdict of one tap; nothing when the tap did not see the event.
    std::optional<TapVerdict> verdictOf(uint64_t tap) const;
};

// A tap-disabled notice as the callback was given it.
struct TapNotice {
    uint64_t tap = 0;
    EventType type = EventType::tapDisabledByTimeout;
    double time = 0;
};

class EventRouter : public std::enable_shared_from_this<EventRouter> {
public:
    static constexpr double kDefaultTapTimeout = 1.0;
    static constexpr size_t kKeptEvents = 1024;
    static constexpr size_t kKeptNotices = 256;

    explicit EventRouter(desktop::Desktop& world) : world_(world) {}
    // The router of a world (made on first use), and of the current world.
    static EventRouter& of(desktop::Desktop& world);
    static EventRouter& current();

    double tapTimeout() const { return tapTimeout_; }
    void setTapTimeout(double seconds);

    // The valid taps of this world in the order events reach them.
    std::vector<std::shared_ptr<EventTap>> taps() const;
    // The system switches a tap off because of user input; its callback gets the notice.
    void disableByUserInput(EventTap& tap);

    // Injects an event; returns its id in the record.
    uint64_t inject(EventRecord event);
    const BoundedLog<InjectedEvent>& injected() const { return record_; }
    const InjectedEvent* find(uint64_t id) const;
    const BoundedLog<TapNotice>& notices() const { return notices_; }
    // Events still on their way.
    size_t pendingCount() const { return flights_.size(); }

private:
    friend class EventTap;

    // A tap on an event's road, and where it sits.
    struct Stop {
        uint64_t tap = 0;
        EventTapLocation location = EventTapLocation::session;
    };
    struct Flight {
        uint64_t id = 0;  // in record_
        EventRecord current;
        // The taps still to come and those passed, in order; a tap made later joins it
        // where it sits, unless the event has gone past that place (add).
        std::vector<Stop> route;
        // Where an event given back came on from: the location of the tap that gave it.
        std::optional<EventTapLocation> from;
        size_t next = 0;
        uint64_t waitingOn = 0;
        uint64_t ticket = 0;
        double arrivedAt = 0;
        bool done = false;  // swallowed: nothing more to do
        uint64_t postedBy = 0;
    };

    void add(const std::shared_ptr<EventTap>& tap);
    // A tap made while the event is on its way joins its road when its place lies ahead.
    static void join(Flight& flight, const EventTap& tap);
    std::shared_ptr<EventTap> tapWithId(uint64_t id) const;
    void tapChanged(const EventTap& tap);
    void switchOff(EventTap& tap, EventType notice);
    void post(const EventTap& tap, EventRecord event, EventTapPosting posting);
    // The event entered in the record, as injected or given back by the tap `postedBy`,
    // and its flight along `route`.
    Flight recorded(EventRecord event, const EventTap* postedBy, std::span<const std::shared_ptr<EventTap>> route);
    // Puts the flights given back into the road (see post).
    void placePosted();
    // Whether the event has gone past the tap (or never goes to it): what the tap gives
    // back comes behind it.
    bool hasComePast(const Flight& flight, uint64_t tap) const;

    void pump();
    // Takes the front event as far as it goes; false while it waits on a tap.
    bool advance(Flight& flight);
    void callbackTurn(uint64_t ticket);
    void timedOut(uint64_t ticket);
    void moveOn(Flight& flight, TapVerdict verdict);
    void settle(const Flight& flight, EventFate fate);
    void deliver(Flight& flight);
    void deliverToOwnProcess(uint64_t id, int32_t pid, const EventRecord& event);
    // The record of an event; null once it has gone from the record.
    InjectedEvent* entry(uint64_t id);
    void tellOwnProcessThePointerMoved(const EventRecord& event);

    desktop::Desktop& world_;
    double tapTimeout_ = kDefaultTapTimeout;
    std::vector<std::weak_ptr<EventTap>> taps_;
    uint64_t nextTap_ = 1;
    uint64_t nextTicket_ = 1;
    std::deque<Flight> flights_;
    std::vector<Flight> posted_;  // given back while the road moved, not yet in it
    BoundedLog<InjectedEvent> record_{kKeptEvents};
    BoundedLog<TapNotice> notices_{kKeptNotices};
    std::optional<uint16_t> hotKeyHeld_;
    bool pumping_ = false;
    uint64_t answering_ = 0;  // the ticket whose callback is running
};

// Injects an event into the current world; returns its id in the router's record.
uint64_t injectEvent(EventRecord event);

// Sequences a user makes, for tests: a click (press and release), a double click (two
// clicks at once, whose click states the world counts 1, 1, 2, 2), a key press (down
// and up).
namespace input_sequences {
std::vector<EventRecord> click(Point location, EventFlags flags = 0);
std::vector<EventRecord> doubleClick(Point location, EventFlags flags = 0);
std::vector<EventRecord> keyPress(uint16_t keyCode, EventFlags flags = 0);
// A press at `from`, drags through the points in between to `to`, and the release there.
std::vector<EventRecord> drag(Point from, Point to, int steps = 4, EventFlags flags = 0);
}  // namespace input_sequences

// Injects events in order; returns their ids.
std::vector<uint64_t> injectEvents(const std::vector<EventRecord>& events);

}  // namespace platform
