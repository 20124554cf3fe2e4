#pragma once

// AccessibilityObserver: the accessibility notifications of one process, delivered to a
// handler on the main thread.
//
// The creator owns the object and registers what it wants to hear, element by element,
// with addNotification. Notifications arrive through the observer's run-loop source,
// which lies on the main loop in the common modes from creation until the object goes
// away; the handler gets the notification's name and the element it concerns. Dropping
// the object stops its notifications at once, those already on their way included, and
// ends every registration with it. A handler may drop its own object.
//
// The handler should hold its owner weakly, so that the object never keeps its creator
// alive. Creation belongs on the main thread, and so does the teardown: an object whose
// owner lets go of it on another thread is deleted on the main thread, on a later turn
// (Pointer's deleter), so that no callback can meet it half torn down.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/accessibility/element.h"
#include "platform/accessibility/observer.h"

namespace furlpane {

class AccessibilityObserver {
public:
    using Handler = std::function<void(const std::string& notification, const platform::AccessibilityElement& element)>;
    struct MainThreadDelete {
        void operator()(AccessibilityObserver* object) const;
    };
    using Pointer = std::unique_ptr<AccessibilityObserver, MainThreadDelete>;

    // Nothing when the observer cannot be made (no such process, a refusal); the
    // creator then has no notifications.
    static Pointer create(int32_t pid, Handler handler);
    ~AccessibilityObserver();
    AccessibilityObserver(const AccessibilityObserver&) = delete;
    AccessibilityObserver& operator=(const AccessibilityObserver&) = delete;

    // Registers a notification of `element` (an element of the observed process), with
    // this object as the reference value through which the notification finds the
    // handler. The error of the registration; success when it took.
    platform::AccessibilityError addNotification(const platform::AccessibilityElement& element,
                                                 const std::string& notification);

    // The process observer underneath. Registrations made on it directly must pass this
    // object as their reference value (refcon); others are never delivered.
    platform::AccessibilityProcessObserver& observer() const { return *observer_; }

private:
    struct Key {};

public:
    AccessibilityObserver(const Key&, Handler handler) : handler_(std::move(handler)) {}

private:
    static void callback(platform::AccessibilityProcessObserver& observer, const platform::AccessibilityElement& element,
                         const std::string& notification, void* refcon);

    std::shared_ptr<platform::AccessibilityProcessObserver> observer_;
    Handler handler_;
};

}  // namespace furlpane
