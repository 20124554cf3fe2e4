// When the shortcut listener listens: the sheet's wish, the focus of its window, the key
// monitor and the pause of the system's shortcuts that go with listening.

#include "triggers/hotkey_listener.h"

#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "platform/runtime/process_once.h"
#include "windows/access/main_thread.h"

namespace furlpane {

namespace {

// The listeners of this process whose monitor is installed.
std::shared_ptr<int> listeningCounter() {
    static platform::ProcessOnce<std::shared_ptr<int>> counter;
    return counter.get([] { return std::make_shared<int>(0); });
}

}  // namespace

std::shared_ptr<HotkeyListener> HotkeyListener::create() {
    requireMainThread("HotkeyListener.init");
    return std::make_shared<HotkeyListener>(Key{});
}

HotkeyListener::HotkeyListener(const Key&) {}

HotkeyListener::~HotkeyListener() {
    requireMainThread("HotkeyListener.deinit");
    removeObservations();
    if (!monitor_) return;
    removeMonitor();
    SystemHotkeys::restoreSystemHotkeys();
}

int HotkeyListener::listeningCount() { return *listeningCounter(); }

void HotkeyListener::setWindow(platform::Window* window) {
    requireMainThread("HotkeyListener.window");
    std::weak_ptr<platform::Window> next = window ? window->weak_from_this() : std::weak_ptr<platform::Window>{};
    if (next.lock() == window_.lock()) return;
    window_ = std::move(next);
    observeFocus();
    updateListening();
}

void HotkeyListener::setIsInFront(InFrontTest test) {
    isInFront_ = test ? std::move(test) : InFrontTest(&HotkeyListener::defaultIsInFront);
}

bool HotkeyListener::defaultIsInFront(platform::Window* window) {
    const platform::Application* application = platform::Application::sharedOrNull();
    return application && application->isActive() && window && window->isKeyWindow();
}

// ---- Focus ------------------------------------------------------------------------------

void HotkeyListener::observeFocus() {
    requireMainThread("HotkeyListener.observeFocus");
    removeObservations();
    if (!isWanted_) return;
    observe(platform::notifications::kApplicationDidBecomeActive, nullptr);
    observe(platform::notifications::kApplicationDidResignActive, nullptr);
    if (const auto window = window_.lock()) {
        observe(platform::notifications::kWindowDidBecomeKey, window->notificationObject());
        observe(platform::notifications::kWindowDidResignKey, window->notificationObject());
    }
}

void HotkeyListener::observe(const std::string& name, const void* object) {
    std::weak_ptr<HotkeyListener> weak = weak_from_this();
    observations_.push_back(platform::NotificationCenter::defaultCenter().addObserver(
        name, object, [weak](const platform::Notification&) {
            requireMainThread("HotkeyListener focus observation");
            if (const auto self = weak.lock()) self->updateListening();
        }));
}

void HotkeyListener::removeObservations() {
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const auto& token : observations_) center.removeObserver(token);
    observations_.clear();
}

// ---- Listening --------------------------------------------------------------------------

void HotkeyListener::updateListening() {
    requireMainThread("HotkeyListener.updateListening");
    const bool shouldListen = isWanted_ && isInFront_(window_.lock().get());
    if (shouldListen == (monitor_ != nullptr)) return;
    if (shouldListen) {
        start();
    } else {
        stop();
    }
}

void HotkeyListener::start() {
    requireMainThread("HotkeyListener.start");
    systemShortcuts_ = SystemHotkeys::enabledSystemShortcuts();
    std::weak_ptr<HotkeyListener> weak = weak_from_this();
    auto token = platform::EventMonitor::addLocalMonitor(
        kMonitorMask, [weak](const platform::EventRecord& event) -> std::optional<platform::EventRecord> {
            requireMainThread("HotkeyListener key monitor");
            const auto self = weak.lock();
            if (self && self->handleEvent(event)) return std::nullopt;
            return event;
        });
    if (!token) return;
    // A second start replaces the monitor rather than leaving one behind uncounted.
    if (monitor_) removeMonitor();
    monitor_ = std::move(token);
    countedIn_ = listeningCounter();
    ++*countedIn_;
    SystemHotkeys::pauseSystemHotkeys();
    isListening_.set(true);
}

void HotkeyListener::stop() {
    requireMainThread("HotkeyListener.stop");
    if (monitor_) removeMonitor();
    heldKeyCode_.reset();
    heldModifiers_.set(0);
    SystemHotkeys::restoreSystemHotkeys();
    isListening_.set(false);
}

void HotkeyListener::removeMonitor() {
    platform::EventMonitor::removeMonitor(monitor_);
    monitor_.reset();
    if (countedIn_) --*countedIn_;
    countedIn_.reset();
}

}  // namespace furlpane
