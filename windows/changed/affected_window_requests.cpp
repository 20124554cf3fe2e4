// How a changed window waits for its application to settle and asks things of the
// engine. Requests start through the engine's launcher, so they run after the current
// event; a window or an engine that has gone by then gets nothing done.

#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Task;

Task<void> AffectedWindow::untilSettled() {
    const auto engine = effects();
    if (!engine) co_return;
    auto settling = engine->settled(target_.processIdentifier);
    co_await settling;
}

Task<void> AffectedWindow::whenSettled(std::weak_ptr<AffectedWindow> weak, std::function<void(AffectedWindow&)> then) {
    std::shared_ptr<WindowEffectsServices> engine;
    int32_t processIdentifier = 0;
    if (const auto self = weak.lock()) {
        engine = self->effects();
        processIdentifier = self->target_.processIdentifier;
    }
    if (!engine) co_return;
    auto settling = engine->settled(processIdentifier);
    co_await settling;
    if (const auto self = weak.lock()) then(*self);
}

void AffectedWindow::askEngine(EngineRequest request) {
    const auto engine = effects();
    if (!engine) return;
    engine->onMainActor([self = shared_from_this(), request = std::move(request)](WindowEffectsServices& effects) {
        return request(effects, self);
    });
}

void AffectedWindow::askEngineToForget() {
    askEngine([](WindowEffectsServices& engine, std::shared_ptr<AffectedWindow> window) {
        return engine.forget(std::move(window));
    });
}

void AffectedWindow::askEngineToRestore() {
    askEngine([](WindowEffectsServices& engine, std::shared_ptr<AffectedWindow> window) {
        return engine.changeState(std::move(window), Raising::inPlace, Speed::normal, {});
    });
}

void AffectedWindow::runThroughEngine(std::function<Task<void>(AffectedWindow&)> work) {
    const auto engine = effects();
    if (!engine) return;
    engine->onMainActor([weak = weak_from_this(), work = std::move(work)](WindowEffectsServices&) {
        return runIfAlive(weak, work);
    });
}

Task<void> AffectedWindow::runIfAlive(std::weak_ptr<AffectedWindow> weak,
                                      std::function<Task<void>(AffectedWindow&)> work) {
    const auto self = weak.lock();
    if (!self) co_return;
    auto running = work(*self);
    co_await running;
}

}  // namespace furlpane
