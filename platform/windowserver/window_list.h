#pragma once

// Window lists as the window server gives them: one dictionary per window, front to
// back (higher levels first, then the stacking order), with the keys
//   "kCGWindowNumber" (integer), "kCGWindowOwnerPID" (integer), "kCGWindowLayer"
//   (integer), "kCGWindowBounds" (a rectangle dictionary, top-left global coordinates),
//   "kCGWindowAlpha" (real), "kCGWindowOwnerName" (string, when the owner has a name),
//   "kCGWindowIsOnscreen" (true, present only for windows on screen),
//   "kCGWindowStoreType", "kCGWindowSharingState", "kCGWindowMemoryUsage" (integers).
// Window titles are not listed.
//
// Options (bits): 0 every window, on screen or not; 1 on-screen windows; 2 on-screen
// windows in front of the relative window; 4 on-screen windows behind it; 8 the relative
// window itself (alone, or with 2 or 4 in its place among them); 16 leaves out desktop
// elements (windows at the desktop and desktop-icon levels). With 2 or 4 and no relative
// window, the list is that of 1; an unknown relative window gives an empty list.
//
// A list that fails gives nothing. Fault injection: FaultCall::windowList for the list
// as a whole, FaultCall::windowListEntry with a key's name for one key of an entry.

#include <cstdint>
#include <optional>

#include "platform/geometry/geometry.h"
#include "platform/plist/value.h"

namespace platform {

class WindowList {
public:
    enum Option : uint32_t {
        all = 0,
        onScreenOnly = 1,
        onScreenAboveWindow = 2,
        onScreenBelowWindow = 4,
        includingWindow = 8,
        excludeDesktopElements = 16,
    };
    static constexpr uint32_t kNullWindow = 0;

    static constexpr const char* kNumber = "kCGWindowNumber";
    static constexpr const char* kOwnerPID = "kCGWindowOwnerPID";
    static constexpr const char* kLayer = "kCGWindowLayer";
    static constexpr const char* kBounds = "kCGWindowBounds";
    static constexpr const char* kAlpha = "kCGWindowAlpha";
    static constexpr const char* kOwnerName = "kCGWindowOwnerName";
    static constexpr const char* kIsOnscreen = "kCGWindowIsOnscreen";
    static constexpr const char* kStoreType = "kCGWindowStoreType";
    static constexpr const char* kSharingState = "kCGWindowSharingState";
    static constexpr const char* kMemoryUsage = "kCGWindowMemoryUsage";

    static std::optional<plist::Array> copyWindowInfo(uint32_t options, uint32_t relativeToWindow);
};

// Rectangles in window lists: {"X", "Y", "Width", "Height"} as reals. Reading accepts
// integers too, and gives nothing for anything else or a missing key.
plist::Dictionary dictionaryFromRect(const Rect& rect);
std::optional<Rect> rectFromDictionary(const plist::Value& value);

// Window levels by key, as the window server numbers the keys.
enum class WindowLevelKey : int32_t {
    base = 0,
    minimum = 1,
    desktop = 2,
    backstopMenu = 3,
    normal = 4,
    floating = 5,
    tornOffMenu = 6,
    dock = 7,
    mainMenu = 8,
    status = 9,
    modalPanel = 10,
    popUpMenu = 11,
    dragging = 12,
    screenSaver = 13,
    maximum = 14,
    overlay = 15,
    help = 16,
    utility = 17,
    desktopIcon = 18,
    cursor = 19,
    assistiveTechHigh = 20,
};

// The level of a key; 0 (the normal level) for a key the window server does not know.
int32_t windowLevelForKey(WindowLevelKey key);

}  // namespace platform
