#pragma once

// Event taps: a program's look at the user's input before applications get it.
//
// A tap is made with a location, a placement, options, a mask of event types and a
// callback, and is enabled from creation. Events reach the tap through its run-loop
// source: the callback runs on the main thread only while the loop runs in a mode the
// source was added to (MainLoop::add). An active tap (EventTapOptions::defaultTap)
// holds each event it sees until its callback has answered:
//   - the same event, changed or not: the event goes on (passed, or replaced when it
//     was changed);
//   - another event: that one goes on in its place (replaced);
//   - nothing: the event is swallowed and reaches no application.
// A listen-only tap is told of events without holding them; its answers are ignored.
//
// Time-outs. An event the callback has not answered within the tap time-out (1 second
// by default; EventRouter::setTapTimeout) goes on as it is, and the window server
// switches the tap off: the callback then gets a notice of type tapDisabledByTimeout
// (an otherwise empty record; its answer is ignored) and the tap sees no events until
// it is enabled again. A callback that answers too late (it blocked the main thread
// past the time-out) has its answer ignored in the same way. The system may switch a
// tap off because of user input too (EventRouter::disableByUserInput): the notice is
// then tapDisabledByUserInput.
//
// Order. Events reach the taps at the HID location first, then the session, then the
// annotated session; within a location a tap placed at the head comes before those
// made earlier, one appended at the tail after them. A tap made while events are on
// their way is shown those that have not yet come past its place. Keyboard events
// reach no tap while secure input is on. Disabled and invalidated taps are passed
// over; a tap that is disabled or invalidated while an event waits on it lets the event
// go on at once.
//
// Putting events back. A tap that swallowed events may give them back later (post): each
// comes on from the tap's place, ahead of every event that has not yet come past the
// tap and behind those the tap gave back before it, so that the stream keeps the order
// the user made. It goes on as it was shown: the input state does not follow it again
// and nothing of it is filled in anew. Given back after the tap, only the taps after it
// see it; given back at the tap, the tap's own callback is shown it once more, as a new
// event.
//
// Failures. Creation fails (null) without a world, when the program is not trusted
// for accessibility, and by fault injection (FaultCall::createEventTap, any effect).
//
// Threads: main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/events/event_record.h"
#include "platform/runtime/main_loop.h"

namespace platform {

enum class EventTapLocation : uint32_t { hid = 0, session = 1, annotatedSession = 2 };
enum class EventTapPlacement : uint32_t { headInsert = 0, tailAppend = 1 };
enum class EventTapOptions : uint32_t { defaultTap = 0, listenOnly = 1 };
// Where an event a tap gives back comes on from.
enum class EventTapPosting { afterTap, atTap };

class EventTap;
class EventRouter;
using EventTapProxy = EventTap*;
// The callback belongs to the run that makes the tap: a tap whose run has ended counts as
// invalidated, and events pass it by.
using EventTapCallback =
    Handover<std::optional<EventRecord>(EventTapProxy proxy, EventType type, const EventRecord& event,
                                        void* userInfo)>;

class EventTap {
public:
    static std::shared_ptr<EventTap> create(EventTapLocation location, EventTapPlacement placement,
                                            EventTapOptions options, EventMask mask, EventTapCallback callback,
                                            void* userInfo);
    ~EventTap();
    EventTap(const EventTap&) = delete;
    EventTap& operator=(const EventTap&) = delete;

    // Switches the tap on or off; nothing for an invalidated tap.
    void enable(bool on);
    bool isEnabled() const { return enabled_ && isValid(); }
    // Ends the tap for good: it sees nothing more and its source is invalidated.
    void invalidate();
    bool isValid() const { return valid_ && callback_.isLive(); }
    // Gives an event back to the stream at the tap's place (see "Putting events back");
    // nothing for a tap that is not valid.
    void post(EventRecord event, EventTapPosting posting = EventTapPosting::afterTap);
    // The tap's run-loop source (the same one at every call), to be added to the modes
    // in which the callback may run.
    std::shared_ptr<RunLoopSource> runLoopSource() const { return source_; }

    uint64_t id() const { return id_; }
    EventTapLocation location() const { return location_; }
    EventTapPlacement placement() const { return placement_; }
    EventTapOptions options() const { return options_; }
    EventMask mask() const { return mask_; }
    // Whether the tap would be shown an event of this type now (enabled, valid, in the
    // mask).
    bool sees(EventType type) const { return isEnabled() && maskIncludes(mask_, type); }

private:
    friend class EventRouter;
    EventTap() = default;

    uint64_t id_ = 0;
    EventTapLocation location_ = EventTapLocation::session;
    EventTapPlacement placement_ = EventTapPlacement::headInsert;
    EventTapOptions options_ = EventTapOptions::defaultTap;
    EventMask mask_ = 0;
    EventTapCallback callback_;
    void* userInfo_ = nullptr;
    bool enabled_ = true;
    bool valid_ = true;
    std::shared_ptr<RunLoopSource> source_;
    std::weak_ptr<EventRouter> router_;
};

}  // namespace platform
