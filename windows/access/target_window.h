#pragma once

// TargetWindow: the program's snapshot of one window an action may be applied to — a
// standard window or dialog of another application, or an eligible window of the
// program itself — with everything the rest of the system needs without asking the
// window again: its window-server number, owner, frame, title, the frames of its close,
// minimize and zoom buttons, and its measured title bar.
//
// Construction is the eligibility test: a window that must not be acted on gives no
// TargetWindow at all. A TargetWindow is a plain value; nothing updates it once made,
// and whoever needs fresh values makes a new one.
//
// Geometry: `frame` is in top-left global coordinates; toolbars and buttons are
// relative to the window's top-left corner. Containment is half-open: minimum edges
// inside, maximum edges outside.
//
// Threads: construction, childrenWithRoles, sheetAndFullScreen and isOnBareTitleBar run
// on the main thread and check it (main_thread.h). Every accessibility read is bounded by
// the messaging timeout, so an application that does not answer costs at most that per
// read, and a window it cannot describe is rejected.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/geometry/geometry.h"

namespace furlpane {

// The title-bar buttons, in the order they are read.
enum class WindowButton { close, minimize, zoom };
inline constexpr std::array<WindowButton, 3> kAllWindowButtons{WindowButton::close, WindowButton::minimize,
                                                               WindowButton::zoom};
// The window attribute that gives the button's element ("AXCloseButton", ...).
const char* attributeName(WindowButton button);

// The measured title bar of a window.
struct TitleBar {
    // Depth of the title-bar band from the window's top edge, fused toolbars included.
    double height = 0;
    // Toolbars fused to the band, relative to the window, by ascending top edge.
    std::vector<platform::Rect> toolbars;
    // Depth of the row that holds the window buttons.
    double buttonBarHeight = 0;
    friend bool operator==(const TitleBar&, const TitleBar&) = default;
};

// The bounds of the measurement, in points.
namespace title_bar {
inline constexpr double kMinimumHeight = 15;
inline constexpr double kMaximumHeight = 120;
// The button row when no minimize button is known.
inline constexpr double kDefaultButtonRow = 32;
// How far below the band a toolbar may begin and still be fused to it.
inline constexpr double kFusingGap = 2;
// How much a button's frame grows on every side for the bare-title-bar test.
inline constexpr double kButtonMargin = 2;
}  // namespace title_bar

// Measures a title bar from the minimize button's frame (relative to the window), the
// toolbars (relative, in any order) and the window's height.
TitleBar measureTitleBar(std::optional<platform::Rect> minimizeButton, const std::vector<platform::Rect>& toolbars,
                         double windowHeight);

struct TargetWindow {
    uint32_t id = 0;
    int32_t processIdentifier = 0;
    platform::AccessibilityElement element;
    std::optional<std::string> bundleIdentifier;
    std::string applicationName;
    std::string title;
    platform::Rect frame;
    TitleBar titleBar;
    std::map<WindowButton, platform::Rect> buttons;

    // The snapshot of the window of this accessibility element, or nothing when the
    // window is not one the system acts on: another application's window that fails
    // isStandardWindow, an own window that fails isEligibleOwnWindow, a window in full
    // screen, with a sheet attached, without a window number, or without a frame.
    static std::optional<TargetWindow> create(const platform::AccessibilityElement& element);

    // Whether a point relative to the window's top-left corner lies on the bare title
    // bar: within the button row (0 ≤ y ≤ the smaller of the band and the row), outside
    // every fused toolbar and every button grown by 2 points. Main thread.
    bool isOnBareTitleBar(platform::Point point) const;
    // Whether a top-left global point lies in the title bar: within the button row, or
    // deeper in the band inside a fused toolbar. Nothing bounds it from above the window.
    bool titleBarContains(platform::Point point) const;
    // Minimizes the window into the Dock: another application's by setting "AXMinimized",
    // the program's own through its window. Success when it was done; otherwise what the
    // application answered (cannotComplete: it did not answer in time), or failure.
    platform::AccessibilityError minimize() const;
};

// The eligibility of another application's window: role "AXWindow", a subrole in
// standardSubroles, and a minimize button that is not disabled (one whose "AXEnabled"
// cannot be read counts as enabled).
bool isStandardWindow(const platform::AccessibilityElement& element);

// A window's "AXChildren", each with its "AXRole" when that reads as a string, in the
// order given; empty when the children cannot be read as elements. Main thread.
std::vector<std::pair<platform::AccessibilityElement, std::optional<std::string>>> childrenWithRoles(
    const platform::AccessibilityElement& element);

// Whether the window has a sheet attached and whether it is in full screen, read in one
// request; both false when the request fails. Main thread.
struct SheetAndFullScreen {
    bool hasSheet = false;
    bool isFullScreen = false;
    friend bool operator==(const SheetAndFullScreen&, const SheetAndFullScreen&) = default;
};
SheetAndFullScreen sheetAndFullScreen(const platform::AccessibilityElement& element);

// The subroles of other applications' windows that may be targets.
const std::set<std::string>& standardSubroles();
// The roles of elements that are controls and never bare title bar (20 of them); the
// trigger recogniser consults it for the element under a title-bar click.
const std::set<std::string>& controlRoles();

}  // namespace furlpane
