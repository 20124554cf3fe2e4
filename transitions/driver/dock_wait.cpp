#include "transitions/driver/dock_wait.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/appkit/application.h"
#include "platform/runtime/off_main.h"
#include "transitions/driver/transition_choices.h"
#include "windows/access/window_server.h"

namespace furlpane {

using platform::MainLoop;
using platform::Task;

namespace {

bool sameShape(const platform::Rect& a, const platform::Rect& b) {
    return std::fabs(a.minX() - b.minX()) < 1 && std::fabs(a.minY() - b.minY()) < 1 &&
           std::fabs(a.width() - b.width()) < 1 && std::fabs(a.height() - b.height()) < 1;
}

Task<void> waitForOwnWindow(std::shared_ptr<platform::Window> window, DockTripDirection direction, double limit) {
    auto arrived = std::make_shared<platform::ContinuationList>();
    afterDockTrip(*window, direction, [arrived] { arrived->resumeAll(); }, limit);
    co_await arrived->wait();
}

}  // namespace

platform::DispatchQueue& dockQueue() { return MainLoop::main().queue(kDockQueueLabel); }

bool dockTripLooksOver(uint32_t window, DockTripDirection direction) {
    const auto bounds = WindowServer::onScreenBounds(window);
    if (direction == DockTripDirection::miniaturizing) return !bounds;
    if (!bounds) return false;
    const auto symbols = WindowServer::loadCaptureSymbols();
    const auto shape = symbols ? symbols->windowBounds(window) : std::nullopt;
    return !shape || sameShape(*shape, *bounds);
}

Task<void> waitForDockTrip(uint32_t window, DockTripDirection direction, double limit) {
    // A limit that is not a number, or endless, is no limit the caller can have meant.
    const double bound = std::isfinite(limit) ? std::max(limit, 0.0) : kDockTripLimit;
    if (auto own = ownWindow(window)) {
        auto wait = waitForOwnWindow(std::move(own), direction, bound);
        co_await wait;
        co_return;
    }
    MainLoop& loop = MainLoop::main();
    const double deadline = loop.now() + bound;
    auto look = [window, direction] { return dockTripLooksOver(window, direction); };
    while (loop.now() < deadline) {
        const auto over = co_await platform::offMain<bool>(dockQueue(), deadline - loop.now(), look);
        if (over.value_or(false) || loop.now() >= deadline) co_return;
        const bool slept = co_await platform::sleepFor(std::min(transition_choices::kDockPollInterval, deadline - loop.now()));
        if (!slept) co_return;
    }
}

}  // namespace furlpane
