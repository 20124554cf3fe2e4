#pragma once

// The thin layer over the window server: the window under a point, the windows on
// screen, one window's bounds, a picture of one window, a picture of what lies behind a
// set of windows, the serial queue on which pictures are taken, and the private calls
// looked up by name once per process.
//
// Window lists are read front to back; their entries are dictionaries with the keys of
// platform/windowserver/window_list.h, bounds in top-left global coordinates. Missing
// private calls, failed lists, entries of unexpected type and null pictures all end in
// an empty answer; nothing is reported. The Screen Recording permission is the callers'
// to check.
//
// Threads: windowUnderPoint looks at the program's own windows and runs on the main
// thread (checked). Everything else may run on any thread; pictures belong on the
// capture queue or another background queue, their results handed back by the callers.

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/graphics/image.h"
#include "platform/plist/value.h"
#include "platform/runtime/dispatch_queue.h"
#include "platform/windowserver/private_window_server.h"
#include "platform/windowserver/window_capture.h"

namespace furlpane {

inline constexpr const char* kCaptureQueueLabel = "com.brindlewick.FurlpaneNovan.capture";

class WindowServer {
public:
    WindowServer() = delete;

    // How long the program waits for a picture taken on the capture queue before it goes
    // on without it.
    static constexpr double kCaptureLimit = 1.0;

    // The resolution of a window picture: that of the window's display, or the window's
    // size in points.
    enum class CaptureResolution { display, nominal };
    // Whether a picture shows the window with its frame and shadow margin.
    enum class Framing { plain, framed };

    // The frontmost window found under a point.
    struct WindowHit {
        uint32_t id = 0;
        int32_t processIdentifier = 0;
        platform::Rect bounds;
        bool isLayerZero = false;
        friend bool operator==(const WindowHit&, const WindowHit&) = default;
    };

    // The capture group: the main connection and the two calls that need it. It exists
    // only when "CGSMainConnectionID", "CGSGetWindowBounds" and "CGSHWCaptureWindowList"
    // all resolve; then the connection comes from one call of the first.
    struct CaptureSymbols {
        int32_t connection = 0;
        platform::WindowBoundsCall getWindowBounds = nullptr;
        platform::HardwareCaptureCall captureWindowList = nullptr;

        // The fast bounds query: the window's frame in top-left global coordinates, or
        // nothing when the call fails.
        std::optional<platform::Rect> windowBounds(uint32_t window) const;
    };

    // The frontmost entry whose bounds hold the point (right and bottom edges outside)
    // and whose alpha, when it has one, is above 0: one of the program's own windows on
    // any layer unless it ignores mouse events (then it is passed over, and what lies
    // beneath answers); another application's window on layer 0, or on any layer when
    // it belongs to `processIdentifier`. Entries lacking a number, owner, layer or
    // bounds are passed over. Main thread.
    static std::optional<WindowHit> windowUnderPoint(platform::Point point, std::optional<int32_t> processIdentifier,
                                                     const platform::plist::Array& windows);

    // The window's bounds while it is on screen (not minimized, hidden or ordered out).
    static std::optional<platform::Rect> onScreenBounds(uint32_t window);
    // Whether the window server still lists the window, on screen or not (a closed
    // window is not listed); nothing when the list fails.
    static std::optional<bool> isListed(uint32_t window);

    // The numbers of every window on screen, front to back; empty when the list fails.
    static std::vector<uint32_t> onScreenWindowIDs();

    // A picture of one window through the hardware capture; nothing without the capture
    // group or when the capture gives no picture.
    static std::optional<platform::Image> captureWindow(uint32_t window, CaptureResolution resolution, Framing framing);

    // The windows of a list that lie below the cursor level (a missing layer counting
    // as 0), less those left out.
    static std::vector<uint32_t> backdropWindowIDs(const platform::plist::Array& windows,
                                                   const std::set<uint32_t>& leftOut);

    // A picture of everything on screen below the cursor level inside a top-left
    // rectangle, without the windows left out; nothing when the picture call is missing
    // or gives none.
    static std::optional<platform::Image> captureBackdrop(const std::set<uint32_t>& leftOut, const platform::Rect& rect);

    // The serial queue on which window pictures are taken.
    static platform::DispatchQueue& captureQueue();

    // The capture group, looked up once per process; nothing when a call is missing.
    static std::optional<CaptureSymbols> loadCaptureSymbols();
    // "CGWindowListCreateImageFromArray", looked up once per process; null when missing.
    static platform::ImageFromArrayCall loadImageFromArraySymbol();

    // The option word of a capture: 0x900 (display) or 0xA00 (nominal), plus 1 framed.
    static uint32_t captureOptions(CaptureResolution resolution, Framing framing);
};

}  // namespace furlpane
