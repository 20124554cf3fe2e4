#pragma once

// Observers of one process's accessibility notifications.
//
// An observer is made for a process with a callback; notifications are registered per
// element and name. A registration on an element also hears the notifications of the
// objects inside it (a window's sheets and controls); one on the application element
// hears every notification of the application. The callback receives the element the
// notification concerns.
//
// Notifications arrive through the observer's run-loop source, on the main thread, and
// only while the source is in a mode of the main loop: what happens while it is in none
// is not delivered. Removing a registration, dropping the observer or invalidating its
// source stops callbacks at once, including ones already on their way.
//
// The world posts: "AXWindowCreated", "AXUIElementDestroyed" (a window closed),
// "AXWindowMoved", "AXWindowResized", "AXWindowMiniaturized", "AXWindowDeminiaturized",
// "AXTitleChanged", "AXSheetCreated" (the element is the sheet), "AXFocusedWindowChanged",
// "AXMainWindowChanged", "AXApplicationActivated", "AXApplicationDeactivated",
// "AXApplicationHidden" and "AXApplicationShown". An application that quits posts
// nothing more.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/accessibility/error.h"
#include "platform/runtime/handover.h"

namespace platform {

class AccessibilityHub;
class RunLoopSource;

class AccessibilityProcessObserver : public std::enable_shared_from_this<AccessibilityProcessObserver> {
public:
    // Belongs to the run that makes the observer: once that run has ended nothing is
    // delivered.
    using Callback = Handover<void(AccessibilityProcessObserver& observer, const AccessibilityElement& element,
                                   const std::string& notification, void* refcon)>;

    // Fails when there is no world, or when the world refuses (fault injection).
    static Result<std::shared_ptr<AccessibilityProcessObserver>, AccessibilityError> create(int32_t pid,
                                                                                            Callback callback);
    ~AccessibilityProcessObserver();
    AccessibilityProcessObserver(const AccessibilityProcessObserver&) = delete;
    AccessibilityProcessObserver& operator=(const AccessibilityProcessObserver&) = delete;

    int32_t processIdentifier() const { return pid_; }
    // Add it to the main loop to receive notifications.
    const std::shared_ptr<RunLoopSource>& runLoopSource() const { return source_; }

    // The element must belong to the observer's process. `refcon` comes back with every
    // callback of this registration.
    AccessibilityError addNotification(const AccessibilityElement& element, const std::string& notification,
                                       void* refcon);
    AccessibilityError removeNotification(const AccessibilityElement& element, const std::string& notification);
    size_t registrationCount() const { return registrations_.size(); }

    // For the world's delivery: whether a notification about an object with these
    // containing elements (innermost first) is heard, and with which refcon; and the
    // delivery through the run-loop source (main thread only).
    bool hears(const std::vector<AccessibilityElement>& chain, const std::string& notification, void** refcon) const;
    void deliver(std::vector<AccessibilityElement> chain, const std::string& notification);

    struct Key;  // only the observer makes one
    AccessibilityProcessObserver(const Key&, int32_t pid, Callback callback);

private:
    struct Registration {
        AccessibilityElement element;
        std::string notification;
        void* refcon;
    };

    int32_t pid_;
    Callback callback_;
    std::shared_ptr<RunLoopSource> source_;
    std::vector<Registration> registrations_;
    std::weak_ptr<AccessibilityHub> hub_;
};

}  // namespace platform
