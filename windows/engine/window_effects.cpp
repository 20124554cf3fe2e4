// Making the engine, its list of changed windows, and the serial chain every request
// runs on.

#include "windows/engine/window_effects.h"

#include <algorithm>

#include "windows/access/main_thread.h"
#include "platform/runtime/process_once.h"

namespace furlpane {

using platform::Task;

namespace {

std::shared_ptr<WindowEffects>& sharedEngine() {
    static platform::ProcessLocal<std::shared_ptr<WindowEffects>> engine;
    return engine.get();
}

// A coroutine of its own, so that the step is a parameter (kept in the frame), never a
// capture.
Task<void> runStep(WindowEffects::Step step, WindowEffects& effects) {
    step(effects);
    co_return;
}

}  // namespace

std::shared_ptr<WindowEffects> WindowEffects::create(Preferences& preferences) {
    return std::make_shared<WindowEffects>(Key{}, preferences);
}

WindowEffects::WindowEffects(const Key&, Preferences& preferences)
    : windows_(registrar_, {}), preferences_(preferences) {}

WindowEffects::~WindowEffects() {
    if (grantPoll_) grantPoll_->invalidate();
}

WindowEffects& WindowEffects::shared() {
    auto& engine = sharedEngine();
    if (!engine) engine = create(Preferences::shared());
    return *engine;
}

void WindowEffects::setShared(std::shared_ptr<WindowEffects> effects) { sharedEngine() = std::move(effects); }

void WindowEffects::setWindows(WindowList windows) {
    requireMainThread("WindowEffects.windows");
    publishHeldWindows(windows);
    windows_.set(std::move(windows));
}

// Owners that no longer run are dropped on the way: their lists hold nothing any more.
void WindowEffects::publishHeldWindows(const WindowList& windows) {
    std::set<uint32_t> held;
    for (const auto& window : windows) held.insert(window->target().id);
    if (held == heldPublished_) return;
    heldPublished_ = held;
    platform::plist::Array list;
    for (const uint32_t window : held) list.push_back(int64_t{window});
    WindowLedger::shared().storeOwnList(kHeldWindowsKey, std::move(list), [](const std::string& owner) {
        return !LedgerRecovery::isOwnerRunning(owner);
    });
}

void WindowEffects::onMainActor(Request request) {
    onMainActor(Job([request = std::move(request)](WindowEffects& effects) { return request(effects); }));
}

// Each job waits for the one before it, whatever that one waits on, and runs only while
// the engine is there and not ending; the engine is held for the job's whole run.
void WindowEffects::onMainActor(Job job) {
    requireMainThread("WindowEffects.onMainActor");
    auto previous = std::move(lastChange_);
    auto link = std::make_shared<ChainLink>();
    lastChange_ = link;
    std::weak_ptr<WindowEffects> weak = weak_from_this();
    platform::spawnMain([weak, previous, link, job = std::move(job)]() -> Task<void> {
        if (previous && !previous->isDone) co_await previous->waiters.wait();
        if (auto effects = weak.lock(); effects && !effects->isEnding_) {
            auto task = job(*effects);
            co_await task;
        }
        link->isDone = true;
        link->waiters.resumeAll();
    });
}

void WindowEffects::queueStep(Step step) {
    onMainActor(Job([step = std::move(step)](WindowEffects& effects) { return runStep(step, effects); }));
}

std::shared_ptr<AffectedWindow> WindowEffects::findAffected(uint32_t window) const {
    const auto& list = windows();
    const auto found =
        std::find_if(list.begin(), list.end(), [window](const auto& changed) { return changed->target().id == window; });
    return found == list.end() ? nullptr : *found;
}

bool WindowEffects::holdsWindow(uint32_t window) const {
    if (findAffected(window)) return true;
    return std::any_of(changing_.begin(), changing_.end(),
                       [window](const auto& changed) { return changed->target().id == window; });
}

}  // namespace furlpane
