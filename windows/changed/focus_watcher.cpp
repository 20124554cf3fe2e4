// Watching one window's focus: accessibility notifications of its application, the
// key-window notifications of the program's own windows, and application activations;
// and the watch for a choice the user makes in other applications.

#include "windows/changed/focus_watcher.h"

#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "platform/services/workspace.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/access/own_windows.h"

namespace furlpane {

platform::NotificationCenter::Token observeOtherActivations(int32_t processIdentifier, std::function<void()> heard) {
    requireMainThread("observeOtherActivations");
    namespace names = platform::workspace_notifications;
    return platform::Workspace::shared().notificationCenter().addObserver(
        names::kDidActivateApplication, nullptr,
        [processIdentifier, heard = std::move(heard)](const platform::Notification& notification) {
            const auto* activated = notification.info<platform::RunningApplication>(names::kApplicationKey);
            if (!activated || activated->processIdentifier() != processIdentifier) heard();
        });
}

// A click the program receives itself (its status menu, its stand-ins) is no choice
// against the work: only those that went to other applications count.
UserChoiceWatch::UserChoiceWatch(int32_t processIdentifier)
    : activations_(observeOtherActivations(processIdentifier, [chose = chose_] { *chose = true; })),
      clicks_(platform::EventMonitor::addGlobalMonitor(
          platform::eventMaskBit(platform::EventType::leftMouseDown) |
              platform::eventMaskBit(platform::EventType::rightMouseDown),
          [chose = chose_](const platform::EventRecord&) { *chose = true; })) {}

UserChoiceWatch::~UserChoiceWatch() {
    platform::Workspace::shared().notificationCenter().removeObserver(activations_);
    if (clicks_) platform::EventMonitor::removeMonitor(clicks_);
}

std::shared_ptr<FocusWatcher> FocusWatcher::create(int32_t processIdentifier, std::uint32_t windowID,
                                                   std::function<void()> onLeave) {
    requireMainThread("FocusWatcher.init");
    auto watcher = std::make_shared<FocusWatcher>(Key{}, processIdentifier, windowID, std::move(onLeave));
    watcher->start();
    return watcher;
}

FocusWatcher::FocusWatcher(const Key&, int32_t processIdentifier, std::uint32_t windowID, std::function<void()> onLeave)
    : processIdentifier_(processIdentifier), windowID_(windowID), onLeave_(std::move(onLeave)) {}

FocusWatcher::~FocusWatcher() {
    observer_.reset();
    if (resignation_) platform::NotificationCenter::defaultCenter().removeObserver(resignation_);
    if (activation_) platform::Workspace::shared().notificationCenter().removeObserver(activation_);
}

void FocusWatcher::start() {
    if (processIdentifier_ == ownProcessIdentifier()) {
        watchOwnWindow();
    } else {
        watchApplication();
    }
    std::weak_ptr<FocusWatcher> weak = weak_from_this();
    activation_ = observeOtherActivations(processIdentifier_, [weak] {
        if (const auto self = weak.lock()) self->leave();
    });
}

void FocusWatcher::watchOwnWindow() {
    const auto window = ownWindow(windowID_);
    if (!window) return;
    std::weak_ptr<FocusWatcher> weak = weak_from_this();
    resignation_ = platform::NotificationCenter::defaultCenter().addObserver(
        platform::notifications::kWindowDidResignKey, window->notificationObject(),
        [weak](const platform::Notification&) {
            if (auto self = weak.lock()) self->leave();
        });
}

void FocusWatcher::watchApplication() {
    std::weak_ptr<FocusWatcher> weak = weak_from_this();
    observer_ = AccessibilityObserver::create(
        processIdentifier_, [weak](const std::string& notification, const platform::AccessibilityElement& element) {
            if (auto self = weak.lock()) self->heard(notification, element);
        });
    if (!observer_) return;
    const auto application = platform::AccessibilityElement::application(processIdentifier_);
    observer_->addNotification(application, ax::notification::applicationDeactivated);
    observer_->addNotification(application, ax::notification::focusedWindowChanged);
}

void FocusWatcher::heard(const std::string& notification, const platform::AccessibilityElement& element) {
    if (notification == ax::notification::applicationDeactivated) {
        leave();
    } else if (notification == ax::notification::focusedWindowChanged) {
        // The focus came back to the watched window; anything else, including a window
        // whose number cannot be read, is a departure.
        if (windowNumber(element) != windowID_) leave();
    }
}

void FocusWatcher::leave() {
    // The receiver may let go of the watcher while it is told.
    const auto keep = shared_from_this();
    if (onLeave_) onLeave_();
}

}  // namespace furlpane
