#pragma once

// The thin layer through which the program talks to other applications' accessibility
// elements: the system-wide element, the serial queue for calls that may block, the
// private call that gives a window element's window number, typed reads of single
// attributes, an element's frame in one request, the bounds of an element's text, an
// application's windows, its focused window, and the window element with a given number.
//
// Every operation absorbs failure: a missing attribute, an application that does not
// answer (each request waits at most the messaging timeout, 0.25 seconds once start-up
// has set it on the system-wide element), a value of another type or a missing private
// call gives no result (nothing, or an empty list), never an error to the user. Only
// elementFrame says why it failed, and callers treat every code alike, as no frame.
//
// Positions and frames are in top-left global coordinates (origin at the top-left corner
// of the first screen, y downwards), as the accessibility interface gives them.
//
// Threads: elementFrame and windowElement run on the main thread and check it
// (main_thread.h). The other reads hold no state and may run on any thread, the
// accessibility queue included.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/accessibility/names.h"
#include "platform/accessibility/window_number.h"
#include "platform/geometry/geometry.h"
#include "platform/runtime/dispatch_queue.h"

namespace furlpane {

// The interface's attribute, action, notification and role names.
namespace ax = platform::ax;

inline constexpr const char* kAccessibilityQueueLabel = "com.brindlewick.FurlpaneNovan.accessibility";

// The system-wide element, made once per process. Start-up sets its messaging timeout
// to 0.25 seconds, which makes that the default of every element of the process.
platform::AccessibilityElement systemWideElement();

// The serial queue for accessibility calls that may block on an application that does
// not answer (bringing a moved window back, pressing a window's buttons). Jobs run one at
// a time in the order sent; callers hand their results back to the main thread.
platform::DispatchQueue& accessibilityQueue();

// The private window-number call ("_AXUIElementGetWindow"), looked up once per process;
// null when the system lacks it, and then never looked up again.
platform::ElementWindowNumberCall windowNumberCall();

// The window-server number of a window element by the rule every reader follows: none
// when the call is missing, fails, or gives 0.
std::optional<uint32_t> windowNumber(const platform::AccessibilityElement& element);

// The application's "AXWindows", in the application's order; empty when the read fails
// or gives anything but an array of elements.
std::vector<platform::AccessibilityElement> applicationWindows(int32_t pid);
// The same, telling a read that failed (its error; failure for an answer of another
// shape) from an application without windows.
platform::Result<std::vector<platform::AccessibilityElement>, platform::AccessibilityError> readApplicationWindows(
    int32_t pid);

// Typed reads of one attribute, one request each; nothing when the read fails or the
// value has another type (a missing Boolean is thus told apart from false).
std::optional<bool> boolAttribute(const std::string& attribute, const platform::AccessibilityElement& element);
std::optional<std::string> stringAttribute(const std::string& attribute, const platform::AccessibilityElement& element);
std::optional<platform::AccessibilityElement> elementAttribute(const std::string& attribute,
                                                               const platform::AccessibilityElement& element);

// The element's frame from "AXPosition" and "AXSize" read in one request, unrounded; or
// the error: the request's own, the position's error value, else the size's, and
// failure (-25200) for an answer of the wrong shape. Main thread.
platform::Result<platform::Rect, platform::AccessibilityError> elementFrame(
    const platform::AccessibilityElement& element);

// The screen rectangle of the element's whole text ("AXBoundsForRange" over all of its
// characters, counted by "AXNumberOfCharacters", else by the UTF-16 length of
// "AXValue"); nothing for no text or a rectangle without width.
std::optional<platform::Rect> textBounds(const platform::AccessibilityElement& element);

// The application's focused window; a focused sheet stands for the window it belongs to
// (the sheet itself when its parent cannot be read).
std::optional<platform::AccessibilityElement> focusedWindow(int32_t pid);

// The application's window element with this window number, matched through the
// window-number call; nothing when none has it or the call is missing. Main thread.
std::optional<platform::AccessibilityElement> windowElement(uint32_t number, int32_t pid);

// What an application answered to one request, and whether it answered at all. An
// application busy with a window's trip into or out of the Dock keeps every request
// waiting until the messaging timeout runs out, and it then fails with cannotComplete;
// a request the application refuses fails with the same code at once. Only the first is
// worth asking again once the application answers.
struct Answer {
    platform::AccessibilityError error = platform::AccessibilityError::success;
    bool isUnanswered = false;
};
// Times the request, a call that gives what the application answered; `element` is the
// one asked (its messaging timeout bounds the wait). Any thread.
Answer timedRequest(const platform::AccessibilityElement& element,
                    const std::function<platform::AccessibilityError()>& request);

}  // namespace furlpane
