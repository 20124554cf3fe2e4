// AccessibilityObserver: notifications on the main thread, only while it lives and its
// source lies on the main loop.

#include "windows/access/accessibility_observer.h"

#include "access_test_support.h"

namespace access_test {
namespace {

namespace note = platform::ax::notification;

class Observers : public AccessTest {
protected:
    Observers() { world.dockTrips().setDuration(0); }

    AccessibilityObserver::Pointer observe(int32_t pid) {
        return AccessibilityObserver::create(pid, [this](const std::string& name, const AccessibilityElement& e) {
            heard.push_back(name);
            elements.push_back(e);
        });
    }
    // An observer of the window's title changes.
    AccessibilityObserver::Pointer observeTitle(const desktop::Window& window) {
        auto observer = observe(window.pid());
        EXPECT_EQ(observer->addNotification(element(window), note::titleChanged), AccessibilityError::success);
        return observer;
    }

    std::vector<std::string> heard;
    std::vector<AccessibilityElement> elements;
};

TEST_F(Observers, NotificationsArriveOnALaterTurnWithTheirElement) {
    auto& app = editor({{.title = "One"}, {.title = "Two"}});
    auto& two = *app.windows()[0];
    auto observer = observe(app.pid());
    ASSERT_TRUE(observer);
    for (const char* name : {note::windowMiniaturized, note::windowDeminiaturized, note::windowResized,
                             note::titleChanged, note::elementDestroyed, note::sheetCreated}) {
        ASSERT_EQ(observer->addNotification(element(two), name), AccessibilityError::success);
    }
    EXPECT_EQ(observer->addNotification(element(two), note::titleChanged),
              AccessibilityError::notificationAlreadyRegistered);
    two.minimize();
    two.deminimize();
    two.setTitle("Renamed");
    EXPECT_TRUE(heard.empty());  // never inside the change itself
    auto* sheet = two.attachSheet({.title = "Save", .role = "AXSheet", .subrole = ""});
    app.windows()[1]->setTitle("Not watched");
    loop.runUntilIdle();
    EXPECT_EQ(heard, (std::vector<std::string>{note::windowMiniaturized, note::windowDeminiaturized, note::titleChanged,
                                               note::sheetCreated}));
    EXPECT_EQ(elements[0], element(two));
    EXPECT_EQ(elements[3], element(*sheet));  // a sheet's notification concerns the sheet
}

TEST_F(Observers, NothingArrivesWhileTheLoopRunsInAModeTheSourceIsNotIn) {
    auto& one = only({.title = "One"});
    auto observer = observe(one.pid());
    ASSERT_EQ(observer->addNotification(AccessibilityElement::application(one.pid()), note::titleChanged),
              AccessibilityError::success);
    // While the program waits on a Dock trip in the private mode, the change waits too.
    one.setTitle("Changed");
    EXPECT_FALSE(loop.runInMode(platform::modes::kDockMessage, 0.1, [&] { return !heard.empty(); }));
    loop.runUntilIdle();
    EXPECT_EQ(heard, std::vector<std::string>{note::titleChanged});  // delivered once back in the common modes
}

TEST_F(Observers, DroppingTheObserverStopsItsNotificationsAtOnceEvenThoseUnderWay) {
    auto& one = only({.title = "One"});
    auto observer = observeTitle(one);
    one.setTitle("Under way");
    observer.reset();
    one.setTitle("After");
    loop.runUntilIdle();
    EXPECT_TRUE(heard.empty());
    // Let go of on another thread, it is torn down on the main thread and hears nothing.
    observer = observeTitle(one);
    accessibilityQueue().async(
        [held = std::make_shared<AccessibilityObserver::Pointer>(std::move(observer))]() mutable { held->reset(); });
    loop.runUntilIdle();
    one.setTitle("Changed");
    loop.runUntilIdle();
    EXPECT_TRUE(heard.empty());
}

TEST_F(Observers, AHandlerMayDropItsOwnObserver) {
    auto& one = only({.title = "One"});
    AccessibilityObserver::Pointer observer;
    int calls = 0;
    observer = AccessibilityObserver::create(one.pid(), [&](const std::string&, const AccessibilityElement&) {
        ++calls;
        observer.reset();
    });
    ASSERT_EQ(observer->addNotification(element(one), note::titleChanged), AccessibilityError::success);
    one.setTitle("First");
    one.setTitle("Second");
    loop.runUntilIdle();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(observer);
}

TEST_F(Observers, AnObserverThatCannotBeMadeIsNothing) {
    auto& one = only({.title = "One"});
    EXPECT_FALSE(observe(-1));
    faults().on(FaultCall::createObserver).times(1).fail();
    EXPECT_FALSE(observe(one.pid()));
    // A registration with a reference value of another owner is never delivered.
    auto observer = observe(one.pid());
    ASSERT_EQ(observer->observer().addNotification(element(one), note::titleChanged, nullptr),
              AccessibilityError::success);
    one.setTitle("Changed");
    loop.runUntilIdle();
    EXPECT_TRUE(heard.empty());
}

}  // namespace
}  // namespace access_test
