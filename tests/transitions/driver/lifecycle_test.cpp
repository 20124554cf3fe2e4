// Finishing from every state, the waiters for no transition to run, and several
// transitions at once: their stacking and the windows they leave out of pictures.

#include <algorithm>
#include <functional>
#include <string>

#include "driver_test_support.h"
#include "windows/access/window_server.h"

namespace driver_test {
namespace {

using Completion = StandInTransition::Completion;

TEST_F(DriverTest, FinishFromAnyStateStopsEverythingAndRunsTheWaitersOnce) {
    struct Case {
        std::string state;
        std::function<void(StandInTransition&, MainLoop&)> reach;
    };
    const Case cases[] = {
        {"made", [](StandInTransition&, MainLoop&) {}},
        {"started", [](StandInTransition& t, MainLoop&) { t.start(); }},
        {"frames done", [](StandInTransition& t, MainLoop& l) { t.start(), l.advance(0.4); }},
        {"ending", [](StandInTransition& t, MainLoop& l) { t.start(), t.beginEnding({}, {}), l.advance(0.1); }},
        {"concluded", [](StandInTransition& t, MainLoop& l) { t.start(), t.beginEnding({}, {}), l.advance(2); }},
    };
    desktop::Window& window = editorWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        auto t = StandInTransition::create(setup(window));
        ASSERT_TRUE(t);
        int waited = 0;
        StandInTransition::addIdleWaiter([&] { ++waited; });
        c.reach(*t, loop);
        const auto panels = t->panels().windowNumbers();
        t->finish(Completion::cutShort);
        t->finish(Completion::completed);
        EXPECT_TRUE(t->isOver());
        EXPECT_TRUE(StandInTransition::running().empty());
        EXPECT_EQ(waited, 1);
        EXPECT_FALSE(t->scene());
        const int drawn = t->framesRendered();
        play(0.2);
        EXPECT_EQ(t->framesRendered(), drawn);
        const auto onScreen = WindowServer::onScreenWindowIDs();
        for (uint32_t panel : panels) EXPECT_EQ(std::count(onScreen.begin(), onScreen.end(), panel), 0);
    }
}

TEST_F(DriverTest, IdleReturnsOnceTheLastOfSeveralTransitionsHasFinished) {
    desktop::Window& window = editorWindow();
    EXPECT_TRUE(platform::runToCompletion(loop, StandInTransition::idle(), 0.001));  // nothing runs
    auto first = StandInTransition::create(setup(window));
    auto second = StandInTransition::create(setup(window));
    bool idle = false;
    platform::spawnMain([&idle]() -> platform::Task<void> {
        auto wait = StandInTransition::idle();
        co_await wait;
        idle = true;
    });
    std::vector<std::string> order;
    StandInTransition::addIdleWaiter([&] {
        order.push_back("first waiter");
        // A transition made by a waiter belongs to the next time nothing runs.
        StandInTransition::create(setup(window));
        StandInTransition::addIdleWaiter([&] { order.push_back("later waiter"); });
    });
    loop.runUntilIdle();
    first->finish(Completion::completed);
    loop.runUntilIdle();
    EXPECT_FALSE(idle);
    EXPECT_TRUE(order.empty());
    second->finish(Completion::completed);
    loop.runUntilIdle();
    EXPECT_TRUE(idle);
    EXPECT_EQ(order, std::vector<std::string>{"first waiter"});
    EXPECT_EQ(StandInTransition::running().size(), 1u);
    finishAll();
    EXPECT_EQ(order, (std::vector<std::string>{"first waiter", "later waiter"}));
}

// Every effect stays above every frozen picture; a group's later window goes behind the
// earlier ones; a returning window's overlay stays above the panel it was given. Pictures
// leave out the windows and panels of every running transition.
TEST_F(DriverTest, SeveralTransitionsStackTheirEffectsAboveTheirFrozenPictures) {
    desktop::Window& window = editorWindow();
    EXPECT_TRUE(StandInTransition::excludedWindowNumbers().empty());
    auto first = StandInTransition::create(setup(window));
    auto s = setup(window);
    s.isOneOfMany = true;
    auto second = StandInTransition::create(std::move(s));
    const auto stand = [](uint32_t number) {
        const auto order = WindowServer::onScreenWindowIDs();
        return std::find(order.begin(), order.end(), number) - order.begin();
    };
    const auto frozen = [&](const StandInTransition& t) { return t.panels().frozen().front()->windowNumber(); };
    EXPECT_LT(stand(first->overlay()->windowNumber()), stand(second->overlay()->windowNumber()));
    EXPECT_LT(stand(second->overlay()->windowNumber()), stand(frozen(*second)));
    EXPECT_LT(stand(frozen(*second)), stand(frozen(*first)));

    auto panel = std::make_shared<platform::Panel>(Rect{0, 0, 50, 50}, platform::nonactivatingPanelMask);
    panel->setLevel(StandInTransition::overlayLevel());
    panel->orderFront();
    auto r = setup(window, Direction::restoring);
    r.stayAbove = panel;
    auto third = StandInTransition::create(std::move(r));
    EXPECT_EQ(stand(third->overlay()->windowNumber()) + 1, stand(panel->windowNumber()));
    panel->close();

    const auto excluded = StandInTransition::excludedWindowNumbers();
    EXPECT_EQ(excluded.size(), 7u);  // the window, and each transition's overlay and frozen backdrop
    EXPECT_TRUE(excluded.count(window.number()) && excluded.count(second->overlay()->windowNumber()));
    finishAll();
    EXPECT_TRUE(StandInTransition::excludedWindowNumbers().empty());
}

}  // namespace
}  // namespace driver_test
