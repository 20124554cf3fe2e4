#pragma once

// The user's input in the simulated desktop: where the pointer is, which modifier keys
// and mouse buttons are down, the double-click interval, secure input, the keyboard
// layout, and what an event does when it reaches an application. One per world, made on
// first use (SimulatedInput::of); programs read it through InputState.
//
// Events enter the world through the event stand-in (injectEvent, event_router.h),
// which shows them to event taps first and then hands them here. The state below is the
// hardware's: it changes when an event is injected, before any tap has seen it.
//
// Who receives an event: a mouse event goes to the window under its point (the
// frontmost on-screen window that takes clicks, Desktop::windowAt), a mouse release or
// drag to the window that received the press; key and modifier events go to the active
// application. When that is the program itself, the event goes to the own-process sink
// (see setOwnProcessEventSink) instead of being acted on here. A mouse event that names
// the window that can handle it (given back by a tap, see event_record.h) goes to that
// window while it takes clicks, wherever it stands, else to nobody, and so do the drags
// and the release of a press that went to nobody so.
//
// What another application does with an event it receives, as a real one would:
// - a left press on a window brings that window to the front and activates its
//   application (a regular or accessory application; the Dock and the window server
//   are never activated); a press on an enabled control (a title-bar button, a toolbar
//   item, a control) arms it;
// - a left release over the armed control presses it (its action runs; the minimize
//   button so sends the window to the Dock);
// - a left press on a window's title bar away from its controls takes hold of the window,
//   and the left drags that follow move it with the pointer until the release;
// - a key press (not an autorepeat) that is the key equivalent of an enabled menu item
//   presses that item (Command-M minimizes the focused window, Option-Command-M
//   minimizes all).
// An event the tap swallowed never arrives, so a press without its release arms
// nothing and a release without its press presses nothing.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/desktop/world_lock.h"
#include "platform/events/event_record.h"
#include "platform/events/keyboard_layout.h"
#include "platform/geometry/geometry.h"
#include "platform/runtime/handover.h"

namespace platform {

// Who an event reaches.
struct EventReceiver {
    int32_t pid = 0;       // 0: nobody
    uint32_t window = 0;   // the window under the pointer for mouse events; 0 for keys
    bool ownProcess = false;
};

class SimulatedInput {
public:
    // The program's own process receives its events here: the AppKit stand-in registers
    // its event dispatch, which runs on the main thread, in the main queue's modes, after
    // the program's local event monitors have seen the event (and not when one consumed
    // it). Without a sink, events for the program are dropped after the monitors.
    // Belongs to the run that sets it: the events of a program that has ended reach nobody.
    using EventSink = Handover<void(const EventRecord&)>;

    static constexpr double kDefaultDoubleClickInterval = 0.5;
    // How far apart two presses may be and still count as one multiple click.
    static constexpr double kMultiClickDistance = 4;

    explicit SimulatedInput(desktop::Desktop& world);
    // The input of a world.
    static SimulatedInput& of(desktop::Desktop& world);

    Point mouseLocation() const { return readLocked(world_, mouse_); }
    // Moves the pointer without an event (a test setting the scene).
    void setMouseLocation(Point location);
    // The modifier flags held now (those of the last modifier change).
    EventFlags modifierFlags() const { return readLocked(world_, flags_); }
    void setModifierFlags(EventFlags flags);
    // Mouse buttons held down: bit 0 left, 1 right, 2 the others.
    uint32_t pressedMouseButtons() const { return readLocked(world_, buttons_); }
    double doubleClickInterval() const { return readLocked(world_, doubleClickInterval_); }
    void setDoubleClickInterval(double seconds);
    // Secure event input (a password field has the keyboard): keyboard events reach no
    // event tap while it is on.
    bool isSecureInputEnabled() const { return readLocked(world_, secureInput_); }
    void setSecureInput(bool on);
    KeyboardLayout keyboardLayout() const { return readLocked(world_, layout_); }
    void setKeyboardLayout(KeyboardLayout layout);

    // Where the events of the program's own process go: set for the process of the run
    // that sets it (the program may run several times at once, each a process).
    void setOwnProcessEventSink(EventSink sink);
    // The sink of the program's process `pid`; empty when it has none.
    EventSink ownProcessEventSink(int32_t pid) const;
    // Every sink of the program's processes.
    std::vector<EventSink> ownProcessEventSinks() const;

    // Used by the event stand-in. An event as the hardware produces it: what the event
    // lacks (time stamp, click state, target process, characters) filled in, and the
    // state above changed by it.
    void prepare(EventRecord& event);
    // Who would receive the event now.
    EventReceiver receiverFor(const EventRecord& event) const;
    // The event reaches its receiver: the window that receives a press keeps the
    // release; another application acts on the event as described above. Returns the
    // control the event pressed, 0 for none. The program's own events are handed to the
    // sink by the caller.
    uint64_t deliver(const EventRecord& event, const EventReceiver& receiver);

private:
    struct Press {
        double time = 0;
        Point location{};
        int64_t count = 0;
    };
    struct Armed {
        int32_t pid = 0;
        uint32_t window = 0;
        uint64_t control = 0;
    };
    // A window taken by its title bar: where the pointer and the window's top-left
    // corner were at the press.
    struct Grab {
        uint32_t window = 0;
        Point pointer{};
        Point origin{};
    };

    void fillClickState(EventRecord& event, int button);
    uint64_t mousePressed(const EventRecord& event, const EventReceiver& receiver);
    uint64_t mouseReleased(const EventRecord& event, const EventReceiver& receiver);
    void mouseDragged(const EventRecord& event, const EventReceiver& receiver);
    uint64_t keyPressed(const EventRecord& event, const EventReceiver& receiver);

    desktop::Desktop& world_;
    Point mouse_{};
    EventFlags flags_ = 0;
    uint32_t buttons_ = 0;
    double doubleClickInterval_ = kDefaultDoubleClickInterval;
    bool secureInput_ = false;
    KeyboardLayout layout_ = KeyboardLayout::usANSI();
    std::map<int32_t, EventSink> sinks_;  // by the program's process
    Press lastPress_[3]{};
    int lastButton_ = -1;
    // The window each button's delivered press went to, which gets its release; or that
    // the press named a window that had gone, and its release reaches nobody.
    EventReceiver captured_[3]{};
    bool capturedNobody_[3]{};
    Armed armed_;
    Grab grab_;
};

}  // namespace platform
