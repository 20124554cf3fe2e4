#pragma once

// Events as the application hands them to its windows and views: mouse presses, drags
// and releases, pointer moves, entering and leaving tracking areas, keys and modifier
// changes.
//
// An event carries its place twice: `screenLocation` in global top-left points (origin
// at the top-left corner of the first screen, y downwards), as input arrives, and
// `locationInWindow` in the window's own base coordinates (origin at the bottom-left
// corner of the window's frame, y upwards, in points), as views read it. The application
// fills `locationInWindow` and `windowNumber` when it dispatches an event to a window;
// whoever makes an event gives the screen location, the click count, the modifier flags
// and the button.
//
// Modifier bits are the system's: Shift 0x20000, Control 0x40000, Option 0x80000,
// Command 0x100000 (and Caps Lock 0x10000, Function 0x800000).

#include <cstdint>
#include <string>

#include "platform/geometry/geometry.h"

namespace platform {

class TrackingArea;

enum class AppEventType {
    leftMouseDown,
    leftMouseUp,
    leftMouseDragged,
    rightMouseDown,
    rightMouseUp,
    rightMouseDragged,
    otherMouseDown,
    otherMouseUp,
    otherMouseDragged,
    mouseMoved,
    mouseEntered,
    mouseExited,
    keyDown,
    keyUp,
    flagsChanged,
    scrollWheel,
};

struct AppEvent {
    enum Modifier : uint64_t {
        capsLock = 0x10000,
        shift = 0x20000,
        control = 0x40000,
        option = 0x80000,
        command = 0x100000,
        function = 0x800000,
        // The bits that count as modifiers of a key combination.
        deviceIndependentMask = 0xFFFF0000,
    };

    AppEventType type = AppEventType::mouseMoved;
    Point screenLocation{};
    Point locationInWindow{};
    uint32_t windowNumber = 0;
    int clickCount = 0;
    uint64_t modifierFlags = 0;
    // 0 is the left button, 1 the right one, 2 and up the others.
    int buttonNumber = 0;
    uint16_t keyCode = 0;
    std::string characters{};
    bool isARepeat = false;
    // On the loop's clock.
    double timestamp = 0;
    // Points the scroll wheel moved the content (positive: down and right).
    double scrollingDeltaX = 0;
    double scrollingDeltaY = 0;
    // The area entered or left, for mouseEntered and mouseExited; null otherwise.
    TrackingArea* trackingArea = nullptr;

    // A mouse event at a top-left screen point. The button follows from the type.
    static AppEvent mouse(AppEventType type, Point screenLocation, int clickCount = 1, uint64_t modifierFlags = 0);
    static AppEvent key(AppEventType type, uint16_t keyCode, std::string characters, uint64_t modifierFlags = 0);
    static AppEvent scroll(Point screenLocation, double deltaY, double deltaX = 0, uint64_t modifierFlags = 0);

    // The system's number of the event's type (leftMouseDown 1, keyDown 10, ...), and
    // the bit of an event mask that selects it (1 << that number).
    uint32_t systemTypeNumber() const;
    uint64_t maskBit() const { return uint64_t{1} << systemTypeNumber(); }

    bool isMouseDown() const;
    bool isMouseUp() const;
    bool isMouseDragged() const;
    bool isMouseEvent() const;
    bool isKeyEvent() const;
    bool has(Modifier modifier) const { return (modifierFlags & modifier) != 0; }
};

const char* describe(AppEventType type);

}  // namespace platform
