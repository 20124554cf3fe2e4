// The engine's entries on the simulated desktop with the real changed windows: every
// action from every state, the serial chain, busy applications, the announcements of a
// change, actions while switched off or ending, and the keyboard's path.

#include "tests/windows/engine/engine_test_support.h"

#include "platform/desktop/faults.h"
#include "transitions/driver/stand_in_transition.h"
#include "windows/engine/state_transitions.h"

namespace engine_test {
namespace {

Task<void> actOn(std::shared_ptr<WindowEffects> engine, WindowAction action, TargetWindow target) {
    auto acting = engine->act(action, std::move(target), std::nullopt, Raising::inPlace, Speed::normal);
    co_await acting;
}

Task<void> noteWhenSettled(std::shared_ptr<WindowEffects> engine, int32_t pid, double* at) {
    auto settling = engine->settled(pid);
    co_await settling;
    *at = MainLoop::main().now();
}

class ActionsTest : public EngineTest {
protected:
    desktop::Application& app = editor({{.title = "Draft", .frame = Rect{100, 120, 200, 150}}});
    desktop::Window& draft = *app.windows()[0];

    // The window's state as the engine holds it ("none" when it holds none).
    std::string stateOf(const desktop::Window& window) {
        const auto changed = engine->findAffected(window.number());
        return changed ? stateName(changed->state()) : "none";
    }
    // The action as a trigger queues it; then every trip ends.
    void queue(WindowAction action, const desktop::Window& window) {
        engine->onMainActor(WindowEffects::Job([action, target = target(window)](WindowEffects& effects) {
            return effects.act(action, target, std::nullopt, Raising::inPlace, Speed::normal);
        }));
    }
    // Without the animation no transition is drawn, which keeps a case quick where the
    // transitions are not what it is about.
    void quickly() { preferences->setConcealsMinimizeAnimation(false); }
    void settle() {
        for (int i = 0; i < 40; ++i) loop.advance(0.1);
        loop.runUntilIdle();
    }
    void act(WindowAction action, const desktop::Window& window) {
        queue(action, window);
        settle();
    }
};

TEST_F(ActionsTest, EveryActionFromEveryStateEndsWhereTheTableSays) {
    const struct {
        const char* start;
        std::vector<WindowAction> road;
    } starts[] = {
        {"none", {}},
        {"none floating", {WindowAction::floatOnTop}},
        {"shaded", {WindowAction::furlpane}},
        {"shaded floating", {WindowAction::furlpane, WindowAction::floatOnTop}},
        {"minimizedInPlace", {WindowAction::minimizeInPlace}},
    };
    const WindowAction actions[] = {WindowAction::furlpane, WindowAction::minimizeInPlace, WindowAction::floatOnTop,
                                    WindowAction::doNothing};
    quickly();
    int n = 0;
    for (const auto& start : starts) {
        for (const auto action : actions) {
            SCOPED_TRACE(std::string(start.start) + " then " + std::string(rawValue(action)));
            auto& window = *app.openWindow({.title = "W" + std::to_string(n++), .frame = Rect{80, 100, 200, 150}});
            for (const auto step : start.road) act(step, window);
            ASSERT_EQ(stateOf(window), start.start);
            const auto before = engine->findAffected(window.number());
            const WindowState expected = applying(before ? before->state() : WindowState{}, action);
            act(action, window);
            EXPECT_EQ(stateOf(window), stateName(expected));
            // A style means the real window waits in the Dock behind its stand-in.
            EXPECT_EQ(window.isMinimized(), expected.style.has_value());
            const auto changed = engine->findAffected(window.number());
            EXPECT_EQ(changed != nullptr, expected.style || expected.isFloating);
            if (changed && expected.style) {
                EXPECT_TRUE(changed->panel() && changed->panel()->isVisible());
            }
        }
    }
    EXPECT_TRUE(engine->changing().empty());
}

TEST_F(ActionsTest, TwoRequestsInQuickSuccessionEndInTheStateTheSecondAsks) {
    const struct {
        WindowAction first;
        WindowAction second;
        const char* end;
        std::vector<std::string> notifications;
    } cases[] = {
        {WindowAction::furlpane, WindowAction::furlpane, "none", {"0→1", "1→0"}},
        {WindowAction::furlpane, WindowAction::minimizeInPlace, "minimizedInPlace", {"0→1", "1→7"}},
        {WindowAction::furlpane, WindowAction::floatOnTop, "shaded floating", {"0→1"}},
        {WindowAction::minimizeInPlace, WindowAction::floatOnTop, "none floating", {"0→7", "7→0"}},
    };
    quickly();
    for (const auto& c : cases) {
        auto& window = *app.openWindow({.title = "Twice", .frame = Rect{80, 100, 200, 150}});
        queue(c.first, window);
        queue(c.second, window);
        settle();
        EXPECT_EQ(stateOf(window), c.end);
        std::vector<std::string> states;
        for (const auto& line : announced()) states.push_back(line.substr(line.find(' ') + 1, line.find(" collapsed") - line.find(' ') - 1));
        EXPECT_EQ(states, c.notifications);
    }
}

TEST_F(ActionsTest, JobsRunOneAfterAnotherAndWaitForTheirApplicationToSettle) {
    auto& other = editor({{.title = "Other", .frame = Rect{320, 100, 200, 150}}}, "com.example.Other");
    auto& second = *app.openWindow({.title = "Second", .frame = Rect{80, 100, 200, 150}});
    queue(WindowAction::furlpane, draft);
    queue(WindowAction::furlpane, second);
    queue(WindowAction::furlpane, *other.windows()[0]);
    // The first change is under way; nothing else has started.
    loop.runUntilIdle();
    EXPECT_EQ(engine->changing().size(), 1u);
    EXPECT_EQ(engine->changing().front()->target().id, draft.number());
    settle();
    std::vector<uint32_t> order;
    for (const auto& line : announced()) order.push_back(uint32_t(std::stoul(line)));
    EXPECT_EQ(order, (std::vector<uint32_t>{draft.number(), second.number(), other.windows()[0]->number()}));
    EXPECT_FALSE(engine->isBusy(app.pid()));
}

TEST_F(ActionsTest, ABusyApplicationHoldsTheNextChangeUntilItAnswersOrAtMostAWhile) {
    const struct {
        double silence;
        double earliest;
        double latest;
    } cases[] = {{0.3, 0.29, 0.35}, {2.0, 0.6, 0.85}};
    quickly();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.silence);
        auto& window = *app.openWindow({.title = "Busy", .frame = Rect{80, 100, 200, 150}});
        const auto found = target(window);
        act(WindowAction::furlpane, window);
        ASSERT_EQ(stateOf(window), "shaded");
        // A trip of the window is under way when the application stops answering.
        engine->markBusy(app.pid());
        platform::spawnMain([engine = engine, number = window.number(), pid = app.pid()] {
            return engine->releaseAfterDockTrip(number, DockTripDirection::miniaturizing, Speed::normal, pid);
        });
        app.stopAnswering(c.silence);
        const double start = loop.now();
        double released = -1;
        platform::spawnMain([&] { return noteWhenSettled(engine, app.pid(), &released); });
        engine->onMainActor(WindowEffects::Job([found](WindowEffects& effects) {
            return effects.act(WindowAction::furlpane, found, std::nullopt, Raising::inPlace, Speed::normal);
        }));
        loop.runUntilIdle();
        // The restore waits behind the trip, with the first waiter.
        EXPECT_EQ(engine->busy().waiterCount(app.pid()), 2u);
        EXPECT_EQ(stateOf(window), "shaded");
        settle();
        EXPECT_GE(released - start, c.earliest);
        EXPECT_LE(released - start, c.latest);
        app.answerAgain();
        settle();
        EXPECT_EQ(stateOf(window), "none");
        announced();
        heard();
    }
}

TEST_F(ActionsTest, TheChangeIsAnnouncedWithItsSoundAndAFailedOneBeeps) {
    preferences->setPlaysSounds(true);
    act(WindowAction::furlpane, draft);
    EXPECT_EQ(heard(), std::vector<std::string>{"Collapse"});
    EXPECT_EQ(announced().size(), 1u);
    act(WindowAction::floatOnTop, draft);
    EXPECT_EQ(heard(), std::vector<std::string>{"FloatOnTop_Begin"});
    EXPECT_TRUE(announced().empty());

    // A window the Dock refuses stays as it was: the beep, nothing announced, not listed.
    auto& stubborn = *app.openWindow({.title = "Stubborn", .frame = Rect{80, 100, 200, 150}});
    world.faults().on(desktop::FaultCall::writeAttribute, "AXMinimized").forWindow(stubborn.number()).refuse();
    act(WindowAction::minimizeInPlace, stubborn);
    EXPECT_EQ(heard(), std::vector<std::string>{"beep"});
    EXPECT_TRUE(announced().empty());
    EXPECT_FALSE(engine->findAffected(stubborn.number()));
    EXPECT_FALSE(stubborn.isMinimized());
}

TEST_F(ActionsTest, AStandInWithoutAnAnimationStillTakesTheWindowsPlace) {
    preferences->setConcealsMinimizeAnimation(false);
    act(WindowAction::furlpane, draft);
    EXPECT_EQ(stateOf(draft), "shaded");
    const auto changed = engine->findAffected(draft.number());
    ASSERT_TRUE(changed);
    EXPECT_TRUE(changed->panel() && changed->panel()->isVisible());
    EXPECT_TRUE(draft.isMinimized());
}

TEST_F(ActionsTest, NothingIsDoneWhileSwitchedOffAndNoJobStartsOnceEnding) {
    preferences->setIsEnabled(false);
    act(WindowAction::furlpane, draft);
    EXPECT_EQ(stateOf(draft), "none");
    EXPECT_FALSE(draft.isMinimized());
    preferences->setIsEnabled(true);

    // A change waiting for its application when the program begins to end gives up and
    // beeps; a job queued after that never runs.
    engine->markBusy(app.pid());
    queue(WindowAction::furlpane, draft);
    loop.runUntilIdle();
    engine->restoreAll();
    queue(WindowAction::minimizeInPlace, draft);
    engine->busy().finishBusy(app.pid());
    settle();
    EXPECT_EQ(heard(), std::vector<std::string>{"beep"});
    EXPECT_FALSE(draft.isMinimized());
    EXPECT_TRUE(announced().empty());
    EXPECT_TRUE(engine->windows().empty());
}

TEST_F(ActionsTest, HidingHidesTheWindowsApplicationOrTheProgram) {
    act(WindowAction::hideApplication, draft);
    EXPECT_TRUE(app.isHidden());
    EXPECT_FALSE(engine->findAffected(draft.number()));

    auto& own = platform::Application::shared();
    auto settings = std::make_shared<platform::Window>(Rect{100, 100, 300, 200}, platform::titledWindowMask);
    settings->orderFront();
    loop.runUntilIdle();
    const auto element = windowElement(settings->windowNumber(), world.ownProcessIdentifier());
    ASSERT_TRUE(element);
    run(actOn(engine, WindowAction::hideApplication, TargetWindow::create(*element).value()));
    EXPECT_TRUE(own.isHidden());
}

TEST_F(ActionsTest, AKeyboardTriggerActsOnTheWindowFocusedOnceTheApplicationSettles) {
    quickly();
    auto& second = *app.openWindow({.title = "Second", .frame = Rect{80, 100, 200, 150}});
    draft.raise();
    loop.runUntilIdle();
    // A shortcut for the application while it is busy, as the triggers queue it.
    const auto pressWhileBusy = [this](int32_t pid) {
        std::weak_ptr<WindowEffects> weak = engine;
        auto respondWith = [weak](TargetWindow target) {
            return WindowEffects::respond(std::move(target), weak, WindowEffects::Scope::oneWindow,
                                          WindowAction::furlpane);
        };
        engine->markBusy(pid);
        platform::spawnMain([pid, weak, respondWith] {
            return WindowEffects::performForApplication(pid, weak, &WindowEffects::resolveTarget, respondWith);
        });
        loop.runUntilIdle();
    };
    pressWhileBusy(app.pid());
    second.raise();
    engine->busy().finishBusy(app.pid());
    settle();
    EXPECT_EQ(stateOf(second), "shaded");
    EXPECT_EQ(stateOf(draft), "none");

    // An application that quits while busy: nothing to act on.
    auto& leaving = editor({{.title = "Leaving"}}, "com.example.Leaving");
    pressWhileBusy(leaving.pid());
    leaving.quit();
    engine->busy().finishBusy(leaving.pid());
    settle();
    EXPECT_EQ(announced().size(), 1u);
}

}  // namespace
}  // namespace engine_test
