#pragma once

// Input events as the window server hands them to event taps and applications: a type,
// a location, 64-bit modifier flags, a time stamp, integer fields by number, and for
// keyboard events the characters typed with and without the modifiers.
//
// Locations are global top-left coordinates in points (origin at the top-left corner of
// the first screen, y downwards). Flag bits are those a real keyboard sets: Caps Lock
// 0x10000, Shift 0x20000, Control 0x40000, Option 0x80000, Command 0x100000, numeric
// pad 0x200000 (arrow keys set it), Help 0x400000, Fn 0x800000 (function and arrow
// keys set it), and 0x100 for events that are not coalesced.
//
// Fields. A field that was never set reads 0. The world fills in, when an event is
// injected without them, the click state of mouse presses and releases (from the
// double-click interval), the target process, the window under the pointer of a mouse
// press, and a keyboard event's characters (from the keyboard layout); a field a test
// sets stays as set.
//
// A mouse event that carries the window that can handle it (set by whoever gives the
// event back, often from the window under the pointer when it was made; 0 for none)
// reaches that window while it takes clicks, wherever it stands, and nobody once it has
// gone; its drags and release follow it there, or to nobody (simulated_input.h).

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/geometry/geometry.h"

namespace platform {

enum class EventType : uint32_t {
    null = 0,
    leftMouseDown = 1,
    leftMouseUp = 2,
    rightMouseDown = 3,
    rightMouseUp = 4,
    mouseMoved = 5,
    leftMouseDragged = 6,
    rightMouseDragged = 7,
    keyDown = 10,
    keyUp = 11,
    flagsChanged = 12,
    scrollWheel = 22,
    otherMouseDown = 25,
    otherMouseUp = 26,
    otherMouseDragged = 27,
    // Not events but notices to a tap's callback that the tap was switched off.
    tapDisabledByTimeout = 0xFFFFFFFE,
    tapDisabledByUserInput = 0xFFFFFFFF,
};

const char* describe(EventType type);

using EventFlags = uint64_t;

namespace event_flags {
inline constexpr EventFlags capsLock = 0x10000;
inline constexpr EventFlags shift = 0x20000;
inline constexpr EventFlags control = 0x40000;
inline constexpr EventFlags option = 0x80000;
inline constexpr EventFlags command = 0x100000;
inline constexpr EventFlags numericPad = 0x200000;
inline constexpr EventFlags help = 0x400000;
inline constexpr EventFlags function = 0x800000;
inline constexpr EventFlags nonCoalesced = 0x100;
// Shift, Control, Option and Command.
inline constexpr EventFlags modifierKeys = shift | control | option | command;
}  // namespace event_flags

// A set of event types, one bit per type (bit n for type n). The tap-disabled notices
// have no bit: a tap gets them whatever its mask.
using EventMask = uint64_t;
constexpr EventMask eventMaskBit(EventType type) {
    const auto n = static_cast<uint32_t>(type);
    return n < 64 ? EventMask{1} << n : 0;
}
constexpr bool maskIncludes(EventMask mask, EventType type) { return (mask & eventMaskBit(type)) != 0; }

enum class EventField : uint32_t {
    mouseEventNumber = 0,
    mouseEventClickState = 1,
    mouseEventPressure = 2,
    mouseEventButtonNumber = 3,
    keyboardEventAutorepeat = 8,
    keyboardEventKeycode = 9,
    keyboardEventKeyboardType = 10,
    // Scroll wheels: lines, and points, moved along the vertical (1) and horizontal (2)
    // axes; positive moves the content down and to the right.
    scrollWheelEventDeltaAxis1 = 11,
    scrollWheelEventDeltaAxis2 = 12,
    scrollWheelEventPointDeltaAxis1 = 96,
    scrollWheelEventPointDeltaAxis2 = 97,
    eventTargetUnixProcessID = 40,
    eventSourceUnixProcessID = 41,
    eventSourceUserData = 42,
    mouseEventWindowUnderMousePointer = 91,
    mouseEventWindowUnderMousePointerThatCanHandleThisEvent = 92,
};

class EventRecord {
public:
    EventRecord() = default;
    explicit EventRecord(EventType type) : type_(type) {}

    // A mouse event at a point; the click state is left to the world unless given.
    static EventRecord mouse(EventType type, Point location, EventFlags flags = 0,
                             std::optional<int64_t> clickState = std::nullopt);
    // A key event; the characters are left to the world's keyboard layout unless set.
    static EventRecord key(EventType type, uint16_t keyCode, EventFlags flags = 0, bool autorepeat = false);
    // A turn of the scroll wheel at a point, by points along each axis (positive: the
    // content moves down, or right); the line deltas follow at 10 points a line.
    static EventRecord scroll(Point location, int32_t deltaY, int32_t deltaX = 0, EventFlags flags = 0);
    // A change of the modifier keys: the flags after the change, and the key that changed.
    static EventRecord flagsChanged(EventFlags flags, uint16_t keyCode = 0);

    EventType type() const { return type_; }
    void setType(EventType type) { type_ = type; }
    const Point& location() const { return location_; }
    void setLocation(Point location) { location_ = location; }
    EventFlags flags() const { return flags_; }
    void setFlags(EventFlags flags) { flags_ = flags; }
    // Seconds on the world's clock at which the event happened.
    double timestamp() const { return timestamp_; }
    void setTimestamp(double seconds) { timestamp_ = seconds; }

    int64_t integerValueField(EventField field) const;
    void setIntegerValueField(EventField field, int64_t value);
    bool hasField(EventField field) const { return fields_.count(field) != 0; }

    // What a key typed with its modifiers applied, and with none but Shift applied;
    // nothing when unknown (not a keyboard event, or not filled in yet).
    const std::optional<std::string>& characters() const { return characters_; }
    const std::optional<std::string>& charactersIgnoringModifiers() const { return charactersIgnoringModifiers_; }
    void setCharacters(std::optional<std::string> characters, std::optional<std::string> ignoringModifiers);

    // Short forms of the fields programs read most.
    uint16_t keyCode() const { return static_cast<uint16_t>(integerValueField(EventField::keyboardEventKeycode)); }
    int64_t clickState() const { return integerValueField(EventField::mouseEventClickState); }
    bool isAutorepeat() const { return integerValueField(EventField::keyboardEventAutorepeat) != 0; }
    int64_t targetProcess() const { return integerValueField(EventField::eventTargetUnixProcessID); }

    bool isMouseEvent() const;
    bool isMouseDown() const;
    bool isMouseUp() const;
    bool isKeyboardEvent() const;

    friend bool operator==(const EventRecord&, const EventRecord&) = default;

private:
    EventType type_ = EventType::null;
    Point location_{};
    EventFlags flags_ = 0;
    double timestamp_ = 0;
    std::map<EventField, int64_t> fields_;
    std::optional<std::string> characters_;
    std::optional<std::string> charactersIgnoringModifiers_;
};

}  // namespace platform
