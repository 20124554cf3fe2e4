#include "platform/accessibility/accessibility.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/accessibility/world_elements.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Desktop;
using desktop::Window;

struct Heard {
    std::string name;
    AccessibilityElement element;
    void* refcon;
};

// An observer of one application whose callbacks are written down.
struct Watch {
    explicit Watch(int32_t pid) {
        auto made = AccessibilityProcessObserver::create(
            pid, [this](AccessibilityProcessObserver&, const AccessibilityElement& e, const std::string& n, void* r) {
                heard.push_back({n, e, r});
            });
        EXPECT_TRUE(made.ok());
        observer = made.value();
    }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& h : heard) result.push_back(h.name);
        return result;
    }
    std::shared_ptr<AccessibilityProcessObserver> observer;
    std::vector<Heard> heard;
};

struct ObservedWorld {
    MainLoop loop{ClockKind::simulated};
    Desktop world{loop};
    Application& editor = world.application("com.example.Editor").window("One").window("Two").add();
    Window& two = *editor.windows()[0];
    Window& one = *editor.windows()[1];
    AccessibilityElement twoElement = platform::elementOf(two);
    Watch watch{editor.pid()};

    void attach() { loop.add(watch.observer->runLoopSource(), modes::kCommon); }
    // Trips into and out of the Dock are instant here: these cases are about delivery.
    ObservedWorld() { world.dockTrips().setDuration(0); }
};

TEST(AccessibilityObserver, WindowChangesArriveThroughTheSourceOnlyWhileItIsAttached) {
    ObservedWorld w;
    int tag = 7;
    for (const char* name : {"AXWindowMiniaturized", "AXWindowDeminiaturized", "AXWindowResized", "AXTitleChanged",
                             "AXUIElementDestroyed"}) {
        ASSERT_EQ(w.watch.observer->addNotification(w.twoElement, name, &tag), AccessibilityError::success);
    }
    w.two.minimize();  // the source is in no mode yet: lost
    w.loop.runUntilIdle();
    EXPECT_TRUE(w.watch.heard.empty());

    w.attach();
    w.two.deminimize();
    EXPECT_TRUE(w.watch.heard.empty());  // never inline: on a later turn of the loop
    w.two.resize({400, 300});
    w.two.setTitle("Renamed");
    w.one.setTitle("Not watched");
    w.two.close();
    w.loop.runUntilIdle();
    EXPECT_EQ(w.watch.names(), (std::vector<std::string>{"AXWindowDeminiaturized", "AXWindowResized", "AXTitleChanged",
                                                         "AXUIElementDestroyed"}));
    EXPECT_EQ(w.watch.heard[0].element, w.twoElement);
    EXPECT_EQ(w.watch.heard[0].refcon, &tag);
}

TEST(AccessibilityObserver, TheApplicationElementHearsItsWindowsAndItsOwnNotifications) {
    ObservedWorld w;
    w.attach();
    const AccessibilityElement app = AccessibilityElement::application(w.editor.pid());
    for (const char* name : {"AXFocusedWindowChanged", "AXApplicationDeactivated", "AXWindowMiniaturized", "AXSheetCreated"}) {
        ASSERT_EQ(w.watch.observer->addNotification(app, name, nullptr), AccessibilityError::success);
    }
    w.one.raise();
    w.loop.runUntilIdle();
    ASSERT_EQ(w.watch.names(), std::vector<std::string>{"AXFocusedWindowChanged"});
    EXPECT_EQ(w.watch.heard[0].element, platform::elementOf(w.one));

    w.watch.heard.clear();
    Window& sheet = *w.one.attachSheet({.title = "Save"});
    w.one.minimize();  // a window with a sheet goes too; the focus passes on
    Application& other = w.world.application("com.example.Other").window("O").inBackground().add();
    other.activate();
    w.loop.runUntilIdle();
    const auto names = w.watch.names();
    EXPECT_EQ(names.front(), "AXSheetCreated");
    EXPECT_EQ(w.watch.heard.front().element, platform::elementOf(sheet));
    EXPECT_NE(std::find(names.begin(), names.end(), "AXWindowMiniaturized"), names.end());
    EXPECT_EQ(names.back(), "AXApplicationDeactivated");
}

TEST(AccessibilityObserver, DroppingTheObserverOrItsRegistrationStopsCallbacksAlreadyOnTheirWay) {
    ObservedWorld w;
    w.attach();
    ASSERT_EQ(w.watch.observer->addNotification(w.twoElement, "AXWindowMoved", nullptr), AccessibilityError::success);
    w.two.moveTo({5, 30});
    EXPECT_EQ(w.watch.observer->removeNotification(w.twoElement, "AXWindowMoved"), AccessibilityError::success);
    w.loop.runUntilIdle();
    EXPECT_TRUE(w.watch.heard.empty());

    ASSERT_EQ(w.watch.observer->addNotification(w.twoElement, "AXWindowMoved", nullptr), AccessibilityError::success);
    w.two.moveTo({6, 30});
    auto source = w.watch.observer->runLoopSource();
    w.watch.observer.reset();
    w.loop.runUntilIdle();
    EXPECT_TRUE(w.watch.heard.empty());
    EXPECT_FALSE(source->isValid());
}

TEST(AccessibilityObserver, RegistrationsAreCheckedAndCanFail) {
    ObservedWorld w;
    auto& o = *w.watch.observer;
    EXPECT_EQ(o.addNotification(w.twoElement, "AXTitleChanged", nullptr), AccessibilityError::success);
    EXPECT_EQ(o.addNotification(w.twoElement, "AXTitleChanged", nullptr), AccessibilityError::notificationAlreadyRegistered);
    EXPECT_EQ(o.removeNotification(w.twoElement, "AXWindowMoved"), AccessibilityError::notificationNotRegistered);
    EXPECT_EQ(o.addNotification(AccessibilityElement::application(w.world.ownProcessIdentifier()), "AXTitleChanged", nullptr),
              AccessibilityError::illegalArgument);

    w.world.faults().on(desktop::FaultCall::createObserver).times(1).fail(AccessibilityError::failure);
    EXPECT_EQ(AccessibilityProcessObserver::create(w.editor.pid(), [](auto&, auto&, auto&, void*) {}).error(),
              AccessibilityError::failure);
    w.editor.stopAnswering();
    EXPECT_EQ(o.addNotification(w.twoElement, "AXWindowMoved", nullptr), AccessibilityError::cannotComplete);
    w.editor.answerAgain();
    w.two.close();
    EXPECT_EQ(o.addNotification(w.twoElement, "AXWindowMoved", nullptr), AccessibilityError::invalidElement);
}

}  // namespace
}  // namespace platform
