// When a floating window stops having the user's attention: its application deactivated,
// the focus on another of its windows, another application active, or an own window no
// longer key.

#include "windows/changed/focus_watcher.h"

#include "changed_test_support.h"
#include "platform/services/workspace.h"

namespace changed_test {
namespace {

using platform::desktop::FaultCall;

class FocusWatcherTest : public ChangedTest {
protected:
    desktop::Application& editorApp = editor(
        {{.title = "One", .frame = Rect{100, 100, 400, 300}}, {.title = "Two", .frame = Rect{300, 200, 400, 300}}});
    desktop::Window& two = *editorApp.windows()[0];
    desktop::Window& one = *editorApp.windows()[1];
    int leaves = 0;

    std::shared_ptr<FocusWatcher> watch(int32_t pid, uint32_t window) {
        return FocusWatcher::create(pid, window, [this] { ++leaves; });
    }
    // Another application, running in the background until activated.
    desktop::Application& other() {
        return world.application("com.example.Other").inBackground().window("Elsewhere").add();
    }
    int leavesAfter() {
        loop.runUntilIdle();
        return std::exchange(leaves, 0);
    }
};

TEST_F(FocusWatcherTest, TheFocusMovingWithinTheApplicationLeavesOnlyForAnotherWindow) {
    one.raise();
    loop.runUntilIdle();
    const auto watcher = watch(editorApp.pid(), one.number());
    two.raise();
    EXPECT_GE(leavesAfter(), 1);
    one.raise();
    EXPECT_EQ(leavesAfter(), 0);
}

TEST_F(FocusWatcherTest, AnotherApplicationBecomingActiveLeavesButTheWindowsOwnDoesNot) {
    const auto watcher = watch(editorApp.pid(), one.number());
    other().activate();
    EXPECT_GE(leavesAfter(), 1);  // the editor deactivated, and another application became active
    one.raise();
    editorApp.activate();
    EXPECT_EQ(leavesAfter(), 0);
}

TEST_F(FocusWatcherTest, AnActivationWithoutItsApplicationLeaves) {
    other().activate();
    loop.runUntilIdle();
    const auto watcher = watch(editorApp.pid(), one.number());
    world.faults()
        .on(FaultCall::workspaceNotification, platform::workspace_notifications::kDidActivateApplication)
        .missing();
    one.raise();
    editorApp.activate();
    EXPECT_EQ(leavesAfter(), 1);
}

TEST_F(FocusWatcherTest, ReleasedItHearsNothingMoreAndItMayBeReleasedWhileTold) {
    auto watcher = watch(editorApp.pid(), one.number());
    watcher.reset();
    two.raise();
    other().activate();
    EXPECT_EQ(leavesAfter(), 0);

    editorApp.activate();
    loop.runUntilIdle();
    watcher = FocusWatcher::create(editorApp.pid(), one.number(), [&] {
        ++leaves;
        watcher.reset();
    });
    one.raise();
    other().activate();
    EXPECT_EQ(leavesAfter(), 1);
}

TEST_F(FocusWatcherTest, WithoutAnObserverOnlyActivationsAreSeen) {
    world.faults().on(FaultCall::createObserver).fail();
    const auto watcher = watch(editorApp.pid(), one.number());
    EXPECT_FALSE(watcher->observesAccessibility());
    two.raise();
    EXPECT_EQ(leavesAfter(), 0);
    other().activate();
    EXPECT_EQ(leavesAfter(), 1);
}

TEST_F(FocusWatcherTest, TheProgramsOwnWindowLeavesWhenItStopsBeingKey) {
    auto own = std::make_shared<platform::Window>(appKit(Rect{200, 100, 300, 200}), platform::titledWindowMask);
    auto other = std::make_shared<platform::Window>(appKit(Rect{600, 100, 300, 200}), platform::titledWindowMask);
    app.activate();
    own->makeKeyAndOrderFront();
    loop.runUntilIdle();
    const auto watcher = watch(world.ownProcessIdentifier(), own->windowNumber());
    EXPECT_FALSE(watcher->observesAccessibility());
    other->makeKeyAndOrderFront();
    EXPECT_GE(leavesAfter(), 1);
    // An own window that cannot be found is not watched for key changes.
    EXPECT_FALSE(watch(world.ownProcessIdentifier(), 9999)->observesResignation());
}

// A system without the window-number call, from the start of the process.
class FocusWatcherWithoutWindowNumbersTest : public FocusWatcherTest {
protected:
    FocusWatcherWithoutWindowNumbersTest() { world.privateCalls().remove("_AXUIElementGetWindow"); }
};

TEST_F(FocusWatcherWithoutWindowNumbersTest, EveryFocusChangeLeaves) {
    one.raise();
    loop.runUntilIdle();
    const auto watcher = watch(editorApp.pid(), one.number());
    two.raise();
    EXPECT_GE(leavesAfter(), 1);
    one.raise();
    EXPECT_GE(leavesAfter(), 1);
}

}  // namespace
}  // namespace changed_test
