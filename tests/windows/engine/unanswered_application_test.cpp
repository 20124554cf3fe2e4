// An application that does not answer because another instance of the program has sent
// one of its windows on a trip, which this engine does not count: each change that finds
// it so waits for it within the bound that ends a trip of the engine's own, then asks
// once more; one that still does not answer, or that refused, leaves the window where
// it stands.

#include <gtest/gtest.h>

#include <functional>

#include "recovery_test_support.h"

namespace engine_test {
namespace {

using desktop::FaultCall;

struct Answering {
    const char* name;
    bool refuses;           // the first request to move the window is refused at once
    int unansweredLooks;    // then the looks at the application that go unanswered
    bool reachesGoal;
};

struct Change {
    const char* name;
    bool startsInDock;  // the window is changed (a thumbnail) before the change under test
    bool isRecorded;    // the ledger has the window while its stand-in shows
    std::function<void(Scene&, std::shared_ptr<AffectedWindow>)> make;
};

void run(Scene& scene, Task<void> task) { ASSERT_TRUE(platform::runToCompletion(scene.loop, std::move(task), 60)); }

TEST(UnansweredApplication, AChangeWaitsForItWithinTheBoundThenActsOrLeavesTheWindow) {
    const Answering answering[] = {
        {"answers after a look", false, 1, true},
        {"answers too late", false, 3, false},
        {"refuses", true, 0, false},
    };
    const Change changes[] = {
        {"roll-up", false, true,
         [](Scene& s, auto) {
             run(s, s.engine->act(WindowAction::furlpane, s.target(s.window(0)), {}, Raising::inPlace, Speed::normal));
         }},
        {"into the Dock", false, false,
         [](Scene& s, auto) {
             run(s, s.engine->act(WindowAction::minimizeToDock, s.target(s.window(0)), {}, Raising::inPlace,
                                  Speed::normal));
         }},
        {"return", true, true,
         [](Scene& s, auto window) {
             run(s, s.engine->restoreWindow(window, Raising::bringForward, Speed::normal, {}));
         }},
        {"put-back at quit", true, true, [](Scene& s, auto) { s.engine->restoreAll(); }},
    };
    for (const auto& change : changes) {
        for (const auto& a : answering) {
            SCOPED_TRACE(std::string(change.name) + ", " + a.name);
            Scene scene;
            std::shared_ptr<AffectedWindow> changed;
            if (change.startsInDock) {
                run(scene, scene.engine->act(WindowAction::minimizeInPlace, scene.target(scene.window(0)), {},
                                             Raising::inPlace, Speed::normal));
                scene.settle();
                changed = scene.engine->findAffected(scene.window(0).number());
                ASSERT_TRUE(changed && scene.window(0).isMinimized());
            }
            auto& faults = scene.world.faults();
            auto& write = faults.on(FaultCall::writeAttribute, "AXMinimized").forWindow(scene.window(0).number());
            write.times(1);
            if (a.refuses) {
                write.refuse();
            } else {
                write.hang(0.3);
            }
            // Only the application's own element is looked at while it is waited for.
            faults.on(FaultCall::readAttribute, "AXRole").forApplication(scene.editor.pid()).forWindow(0)
                .times(a.unansweredLooks).hang(0.3);

            change.make(scene, changed);
            scene.settle();

            const bool inDock = change.startsInDock != a.reachesGoal;
            EXPECT_EQ(scene.window(0).isMinimized(), inDock);
            if (change.isRecorded) {
                EXPECT_EQ(scene.stored().empty(), !inDock) << "the ledger keeps what is in the Dock";
            }
            if (change.startsInDock && !scene.engine->isEnding()) {
                EXPECT_EQ(scene.engine->windows().size(), inDock ? 1u : 0u) << "listed while still in the Dock";
            }
        }
    }
}

// The program quits while a window's way out of the Dock waits for the application's
// answer: the window no longer counts as in the Dock, yet it is, and the put-back asks
// for it again.
TEST(UnansweredApplication, AQuitWhileAWayOutAwaitsItsAnswerPutsTheWindowBack) {
    Scene scene;
    run(scene, scene.engine->act(WindowAction::minimizeInPlace, scene.target(scene.window(0)), {}, Raising::inPlace,
                                 Speed::normal));
    scene.settle();
    const auto thumbnail = scene.engine->findAffected(scene.window(0).number());
    ASSERT_TRUE(thumbnail && scene.window(0).isMinimized());
    scene.world.faults().on(FaultCall::writeAttribute, "AXMinimized").forWindow(scene.window(0).number()).times(1)
        .hang(0.3);
    scene.engine->onMainActor(WindowEffects::Job([thumbnail](WindowEffects& effects) {
        return effects.restoreWindow(thumbnail, Raising::bringForward, Speed::normal, {});
    }));
    scene.loop.advance(0.1);

    scene.engine->restoreAll();

    EXPECT_FALSE(scene.window(0).isMinimized());
    EXPECT_EQ(scene.stored(), Dictionary{});
}

}  // namespace
}  // namespace engine_test
