#include "windows/access/own_windows.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/appkit/application.h"
#include "platform/appkit/screen.h"
#include "platform/notifications/notification_center.h"
#include "platform/process/process_info.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_once.h"
#include "windows/access/main_thread.h"
#include "windows/access/target_window.h"

namespace furlpane {

using platform::Application;
using platform::MainLoop;
using platform::NotificationCenter;
using platform::Point;
using platform::Window;

namespace {

// A top-left point as AppKit's screen coordinates have it.
Point appKitPoint(Point topLeft) { return platform::flipPoint(topLeft, platform::Screen::flipHeight()); }

// One wait for an own window's trip: finished exactly once, by the notification or by
// the deadline, whichever comes first.
class DockTrip {
public:
    explicit DockTrip(std::function<void()> work) : work_(std::move(work)) {}

    void observe(NotificationCenter::Token token) { observation_ = std::move(token); }

    void finish() {
        requireMainThread("afterDockTrip");
        if (observation_) {
            NotificationCenter::defaultCenter().removeObserver(observation_);
            observation_.reset();
        }
        auto work = std::move(work_);
        work_ = nullptr;
        if (work) work();
    }

private:
    NotificationCenter::Token observation_;
    std::function<void()> work_;
};

}  // namespace

int32_t ownProcessIdentifier() {
    static platform::ProcessOnce<int32_t> pid;
    return pid.get([] { return platform::ProcessInfo::current().processIdentifier(); });
}

const std::string& dockMessageMode() { return platform::modes::kDockMessage; }

bool isEligibleOwnWindow(const Window& window) {
    if (window.isPanel()) return false;
    if (!window.hasStyle(platform::titledWindowMask)) return false;
    if (window.hasStyle(platform::fullScreenWindowMask)) return false;
    if (window.isSheet() || window.attachedSheet()) return false;
    if (Application::shared().modalWindow() == &window) return false;
    const auto subrole = window.accessibilitySubrole();
    return subrole && standardSubroles().contains(*subrole);
}

std::shared_ptr<Window> ownWindow(uint32_t number) {
    Application* application = Application::sharedOrNull();
    return application ? application->windowWithWindowNumber(number) : nullptr;
}

void bringOwnWindowForward(Window& window, std::function<void()> completion) {
    Application::shared().activate();
    window.makeKeyAndOrderFront();
    if (completion) completion();
}

bool miniaturizeOwnWindow(Window& window) {
    if (!window.isVisible() || window.isMiniaturized()) return false;
    if (window.hasStyle(platform::miniaturizableWindowMask)) {
        window.miniaturize();
        return true;
    }
    // The window may only travel with the bit; it goes again once the trip is over, so
    // that the window's style ends as it was.
    window.setStyleMask(window.styleMask() | platform::miniaturizableWindowMask);
    window.miniaturize();
    std::weak_ptr<Window> weak = window.weak_from_this();
    afterDockTrip(window, DockTripDirection::miniaturizing, [weak] {
        if (auto held = weak.lock()) removeMiniaturizable(*held);
    });
    return true;
}

void removeMiniaturizable(Window& window) {
    window.setStyleMask(window.styleMask() & ~uint64_t{platform::miniaturizableWindowMask});
}

void setOwnWindowTopLeft(Window& window, Point topLeft) { window.setFrameTopLeftPoint(appKitPoint(topLeft)); }

std::optional<OwnWindowHit> hitTestOwnWindow(const Window& window, Point topLeft) {
    const auto hit = window.accessibilityHitTest(appKitPoint(topLeft));
    if (!hit) return std::nullopt;
    return OwnWindowHit{hit->role, hit->subrole};
}

void afterDockTrip(Window& window, DockTripDirection direction, std::function<void()> work, double limit) {
    // The deadline owns the trip; the observer only reaches it while it lives.
    auto trip = std::make_shared<DockTrip>(std::move(work));
    std::weak_ptr<DockTrip> weak = trip;
    const std::string& name = direction == DockTripDirection::miniaturizing ? platform::notifications::kWindowDidMiniaturize
                                                                            : platform::notifications::kWindowDidDeminiaturize;
    trip->observe(NotificationCenter::defaultCenter().addObserver(name, window.notificationObject(), [weak](const auto&) {
        // The work runs one turn after the notification, not inside its delivery.
        if (auto held = weak.lock()) MainLoop::main().post([held] { held->finish(); });
    }));
    const double bound = std::isfinite(limit) ? std::max(limit, 0.0) : kDockTripLimit;
    MainLoop::main().postAfter(bound, [trip] { trip->finish(); });
}

}  // namespace furlpane
