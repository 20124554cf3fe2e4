#pragma once

// Notices when a window stops having the user's attention: its application is
// deactivated, the focus inside the application moves to another of its windows,
// another application becomes active, or, for a window of the program itself, the
// window stops being key. It reports each such moment to onLeave and decides nothing
// further; one departure may be reported more than once (a deactivation followed by
// another application's activation), so the receiver must take repeated reports calmly.
//
// Watching starts at creation and stops when the watcher is released. A failed
// accessibility observer leaves only application activations seen; a missing own window
// leaves no key-window watch. Handlers hold the watcher weakly. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/events/event_monitor.h"
#include "platform/notifications/notification_center.h"
#include "windows/access/accessibility_observer.h"

namespace furlpane {

// Calls `heard` whenever an application other than the one of the process becomes active
// (an activation that names no application counts as another's), until the token is
// removed from the workspace's centre. Main thread only.
platform::NotificationCenter::Token observeOtherActivations(int32_t processIdentifier, std::function<void()> heard);

// Tells whether the user has made a choice of his own while it lives: made another
// application than the one of the process active, or clicked in another application's
// window (which may have been in front already). Work begun earlier must not undo that
// choice when it ends. Main thread only.
class UserChoiceWatch {
public:
    explicit UserChoiceWatch(int32_t processIdentifier);
    ~UserChoiceWatch();
    UserChoiceWatch(const UserChoiceWatch&) = delete;
    UserChoiceWatch& operator=(const UserChoiceWatch&) = delete;

    bool userChose() const { return *chose_; }

private:
    std::shared_ptr<bool> chose_ = std::make_shared<bool>(false);
    platform::NotificationCenter::Token activations_;
    platform::EventMonitor::Token clicks_;
};

class FocusWatcher : public std::enable_shared_from_this<FocusWatcher> {
public:
    static std::shared_ptr<FocusWatcher> create(int32_t processIdentifier, std::uint32_t windowID,
                                                std::function<void()> onLeave);
    ~FocusWatcher();
    FocusWatcher(const FocusWatcher&) = delete;
    FocusWatcher& operator=(const FocusWatcher&) = delete;

    int32_t processIdentifier() const { return processIdentifier_; }
    std::uint32_t windowID() const { return windowID_; }
    // Which watches are in place.
    bool observesAccessibility() const { return observer_ != nullptr; }
    bool observesResignation() const { return resignation_ != nullptr; }
    bool observesActivation() const { return activation_ != nullptr; }

private:
    struct Key {};

public:
    FocusWatcher(const Key&, int32_t processIdentifier, std::uint32_t windowID, std::function<void()> onLeave);

private:
    void start();
    void watchOwnWindow();
    void watchApplication();
    void heard(const std::string& notification, const platform::AccessibilityElement& element);
    void leave();

    int32_t processIdentifier_;
    std::uint32_t windowID_;
    std::function<void()> onLeave_;
    AccessibilityObserver::Pointer observer_;
    platform::NotificationCenter::Token resignation_;
    platform::NotificationCenter::Token activation_;
};

}  // namespace furlpane
