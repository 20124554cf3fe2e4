#include "platform/accessibility/world_elements.h"
#include "platform/desktop/dock_trips.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/accessibility/accessibility.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/notifications/notification_center.h"
#include "platform/runtime/dispatch_queue.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_run.h"
#include "platform/windowserver/private_window_server.h"
#include "platform/windowserver/window_list.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Control;
using desktop::Desktop;
using desktop::DockTravel;
using desktop::FaultCall;
using desktop::Window;

struct TravelWorld {
    MainLoop loop{ClockKind::simulated};
    Desktop world{loop};
    Application& editor = world.application("com.example.Editor")
                              .window({.title = "One", .frame = Rect{100, 100, 800, 600}})
                              .window({.title = "Two", .frame = Rect{300, 200, 500, 400}})
                              .add();
    Window& two = *editor.windows()[0];
    Window& one = *editor.windows()[1];
    AccessibilityElement app = AccessibilityElement::application(editor.pid());

    TravelWorld() { AccessibilityElement::systemWide().setMessagingTimeout(0.25); }

    bool listedOnScreen(const Window& w) const {
        auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, WindowList::kNullWindow);
        for (const auto& entry : *list) {
            if (entry.dictionary()->find(WindowList::kNumber)->integer() == int64_t(w.number())) return true;
        }
        return false;
    }
    Rect privateBounds(const Window& w) const {
        Rect r;
        EXPECT_EQ(windowServerWindowBounds(windowServerMainConnection(), w.number(), &r), 0);
        return r;
    }
    std::vector<AccessibilityElement> windowElements() const {
        std::vector<AccessibilityElement> result;
        auto value = app.copyAttributeValue("AXWindows");
        for (const auto& item : *value->array()) result.push_back(*item.element());
        return result;
    }
};

TEST(DockTrips, AWindowTravelsIntoTheDockWhileItsApplicationIsBusy) {
    TravelWorld w;
    const auto elements = w.windowElements();
    ASSERT_EQ(elements[0].setAttributeValue("AXMinimized", true), AccessibilityError::success);

    // The application reports it minimized at once, but the window is still on its way.
    EXPECT_TRUE(w.two.isMinimized());
    EXPECT_EQ(w.two.dockTravel(), DockTravel::intoDock);
    EXPECT_TRUE(w.listedOnScreen(w.two));
    EXPECT_EQ(w.editor.mainWindow(), &w.one);

    // The application does not answer meanwhile: a request costs its timeout.
    const double asked = w.loop.now();
    EXPECT_EQ(w.app.copyAttributeValue("AXRole").error(), AccessibilityError::cannotComplete);
    EXPECT_DOUBLE_EQ(w.loop.now() - asked, 0.25);

    // The private bounds shrink towards the Dock while the window list keeps the frame.
    const Rect halfway = w.privateBounds(w.two);
    EXPECT_LT(halfway.width(), w.two.frame().width());
    EXPECT_GT(halfway.width(), desktop::DockTrips::kIconSide);
    EXPECT_GT(halfway.maxY(), w.two.frame().maxY());

    w.loop.advance(0.3);  // the trip takes 0.5 seconds
    EXPECT_EQ(w.two.dockTravel(), DockTravel::none);
    EXPECT_FALSE(w.listedOnScreen(w.two));
    EXPECT_EQ(w.privateBounds(w.two), w.two.frame());
    EXPECT_EQ(*w.app.copyAttributeValue("AXRole")->string(), "AXApplication");
    EXPECT_EQ(w.world.dockTrips().tripsEnded(), 1);
}

TEST(DockTrips, ComingBackTheWindowIsOnScreenAtOnceAndTheBoundsMeetAtTheEnd) {
    TravelWorld w;
    w.world.dockTrips().setDuration(DockTravel::outOfDock, 0.8);
    w.world.dockTrips().setSilence(0.2);
    w.two.minimize();
    w.loop.advance(1);
    ASSERT_FALSE(w.two.isOnScreen());

    const double start = w.loop.now();
    ASSERT_TRUE(w.two.deminimize());
    EXPECT_FALSE(w.two.isMinimized());
    EXPECT_TRUE(w.listedOnScreen(w.two));
    EXPECT_EQ(w.editor.mainWindow(), &w.two);
    const Rect early = w.privateBounds(w.two);
    EXPECT_LT(early.width(), w.two.frame().width());

    // Answering again before the trip is over: the silence is shorter than the trip.
    w.loop.advance(0.3);
    EXPECT_TRUE(w.editor.isAnsweringAt(w.loop.now()));
    EXPECT_NE(w.privateBounds(w.two), w.two.frame());
    w.loop.advance(start + 0.8 - w.loop.now());
    EXPECT_EQ(w.privateBounds(w.two), w.two.frame());
    EXPECT_EQ(w.two.dockTravel(), DockTravel::none);
}

TEST(DockTrips, ObserversHearOfTheWindowWhenItArrives) {
    TravelWorld w;
    std::vector<std::pair<std::string, double>> heard;
    auto observer = AccessibilityProcessObserver::create(
        w.editor.pid(), [&](AccessibilityProcessObserver&, const AccessibilityElement&, const std::string& name, void*) {
            heard.emplace_back(name, w.loop.now());
        });
    ASSERT_TRUE(observer);
    w.loop.add((*observer)->runLoopSource(), modes::kCommon);
    const AccessibilityElement two = platform::elementOf(w.two);
    (*observer)->addNotification(two, "AXWindowMiniaturized", nullptr);
    (*observer)->addNotification(two, "AXWindowDeminiaturized", nullptr);
    w.two.minimize();
    w.loop.advance(1);
    w.two.deminimize();
    w.loop.advance(1);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0], (std::pair<std::string, double>{"AXWindowMiniaturized", 0.5}));
    EXPECT_EQ(heard[1], (std::pair<std::string, double>{"AXWindowDeminiaturized", 1.5}));
}

TEST(DockTrips, TurningRoundOnTheWayCancelsTheFirstTrip) {
    TravelWorld w;
    w.two.minimize();
    w.loop.advance(0.2);
    const Rect there = w.privateBounds(w.two);
    ASSERT_TRUE(w.two.deminimize());
    EXPECT_EQ(w.privateBounds(w.two), there);  // starts from where it was
    w.loop.advance(0.4);  // the first trip's end comes and goes
    EXPECT_FALSE(w.two.isMinimized());
    EXPECT_TRUE(w.two.isOnScreen());
    w.loop.advance(1);
    EXPECT_EQ(w.world.dockTrips().tripsEnded(), 1);
    EXPECT_EQ(w.privateBounds(w.two), w.two.frame());
}

TEST(DockTrips, TheProgramsOwnWindowsPostTheirEndOfTripNotificationsOrNever) {
    TravelWorld w;
    Window& own = *w.world.ownApplication().openWindow({.title = "Settings", .frame = Rect{200, 200, 600, 400}});
    const int appKitWindow = 0;  // stands for the AppKit window object
    w.world.dockTrips().setNotificationObject(own.number(), &appKitWindow);
    std::vector<std::pair<std::string, double>> posted;
    auto token = NotificationCenter::defaultCenter().addObserver("", &appKitWindow, [&](const Notification& n) {
        posted.emplace_back(n.name, w.loop.now());
    });
    ASSERT_TRUE(own.minimize());
    EXPECT_TRUE(posted.empty());  // never inside the call
    EXPECT_TRUE(w.world.ownApplication().isAnsweringAt(w.loop.now()));
    w.loop.advance(1);
    own.deminimize();
    w.loop.advance(1);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0], (std::pair<std::string, double>{notifications::kWindowDidMiniaturize, 0.5}));
    EXPECT_EQ(posted[1], (std::pair<std::string, double>{notifications::kWindowDidDeminiaturize, 1.5}));

    // Instant trips still notify after the call; a test can make the notices never come.
    posted.clear();
    w.world.dockTrips().setDuration(0);
    own.minimize();
    EXPECT_TRUE(posted.empty());
    w.loop.runUntilIdle();
    EXPECT_EQ(posted.size(), 1u);
    w.world.dockTrips().setOwnWindowNotifications(desktop::TripNotifications::never);
    own.deminimize();
    w.loop.advance(2);
    EXPECT_EQ(posted.size(), 1u);
    NotificationCenter::defaultCenter().removeObserver(token);
}

TEST(DockTrips, MinimizeAllSendsTheMinimizableWindowsOfTheShownSpaceTogetherAndCanBeRefused) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.Notes")
                           .window("Plain")
                           .window({.title = "Locked", .minimize = {.enabled = false}})
                           .window({.title = "Wide", .fullScreen = true})
                           .window("Elsewhere")
                           .add();
    const uint32_t display = world.displays().first()->number();
    app.windows()[0]->moveToSpace(world.spaces().add(display));  // "Elsewhere"
    Control* item = nullptr;
    for (Control* c : app.menuItems()) {
        if (c->identifier() == std::string("miniaturizeAll:")) item = c;
    }
    ASSERT_NE(item, nullptr);
    const AccessibilityElement element = platform::elementOf(*item);

    world.faults().on(FaultCall::performAction, "AXPress").forControl(item->id()).times(1).refuse();
    EXPECT_EQ(element.performAction("AXPress"), AccessibilityError::cannotComplete);
    EXPECT_EQ(world.dockTrips().tripsUnderway(), 0);

    EXPECT_EQ(element.performAction("AXPress"), AccessibilityError::success);
    EXPECT_EQ(world.dockTrips().tripsUnderway(), 1);
    loop.advance(1);
    std::vector<std::string> minimized;
    for (Window* w : app.windows()) {
        if (w->isMinimized()) minimized.push_back(w->title());
    }
    EXPECT_EQ(minimized, std::vector<std::string>{"Plain"});
}

TEST(DockTrips, TheDocksGenieSpeedReadAtItsStartScalesTheTrips) {
    TravelWorld w;
    w.world.preferences().setOwnerValue("genie-speed", plist::Value(0.0), desktop::Dock::kDomain);
    EXPECT_DOUBLE_EQ(w.world.dockTrips().duration(DockTravel::intoDock), 0.5);  // not before a restart
    w.world.dock().restart();
    EXPECT_DOUBLE_EQ(w.world.dockTrips().duration(DockTravel::intoDock), 0);
    w.two.minimize();
    EXPECT_FALSE(w.two.isOnScreen());
    EXPECT_TRUE(w.editor.isAnsweringAt(w.loop.now()));

    w.world.preferences().setOwnerValue("genie-speed", plist::Value("fast"), desktop::Dock::kDomain);
    w.world.dock().restart();
    EXPECT_DOUBLE_EQ(w.world.dockTrips().duration(DockTravel::outOfDock), 0.5);
}

TEST(DockTrips, AWindowThatClosesOrWhoseApplicationQuitsOnTheWayEndsNowhere) {
    TravelWorld w;
    w.two.minimize();
    w.one.minimize();
    w.two.close();
    w.loop.advance(0.2);
    w.editor.quit();
    w.loop.advance(1);
    EXPECT_EQ(w.world.dockTrips().tripsEnded(), 0);
    EXPECT_EQ(w.world.dockTrips().tripsUnderway(), 0);
}

// A drag of a window's title bar moves the window, but not once it has set off into the
// Dock: from then on the press goes to what lies beneath, and drags begun before leave
// it where it was.
TEST(DockTrips, AWindowOnItsWayIntoTheDockDoesNotFollowADrag) {
    enum class Sent { never, beforeThePress, afterThePress };
    for (const Sent sent : {Sent::never, Sent::beforeThePress, Sent::afterThePress}) {
        SCOPED_TRACE(static_cast<int>(sent));
        TravelWorld w;
        const auto drag = input_sequences::drag({500, 210}, {600, 260});
        if (sent == Sent::beforeThePress) w.two.minimize();
        w.loop.advance(0.16);
        const uint64_t press = injectEvent(drag.front());
        if (sent == Sent::afterThePress) w.two.minimize();
        injectEvents({drag.begin() + 1, drag.end()});
        w.loop.advance(1);
        EXPECT_EQ(w.two.frame().origin, (sent == Sent::never ? Point{400, 250} : Point{300, 200}));
        EXPECT_EQ(EventRouter::of(w.world).find(press)->window,
                  sent == Sent::beforeThePress ? w.one.number() : w.two.number());
        EXPECT_EQ(w.one.frame().origin, (Point{100, 100}));
    }
}

// A program's queue job sets the system's work going, and the program crashes before the
// job ends: the system's work happens all the same, as it does without the crash, while
// the program's own work from the job goes with it.
TEST(DockTrips, TheSystemsWorkFromAProgramsJobOutlivesTheProgram) {
    using Count = std::function<void()>;
    const std::vector<std::tuple<const char*, std::function<void(TravelWorld&, Count)>, bool>> cases = {
        {"a window sent into the Dock through accessibility",
         [](TravelWorld& w, Count) { w.windowElements()[0].setAttributeValue("AXMinimized", true); }, true},
        {"the system's work posted for later",
         [](TravelWorld& w, Count count) { w.loop.postAfter(0.5, Handover<void()>::system(count)); }, true},
        {"the system's off-main event",
         [](TravelWorld& w, Count count) { w.loop.postOffMainEvent(0.5, Handover<void()>::system(count)); }, true},
        {"the system's job on a global queue",
         [](TravelWorld& w, Count count) { w.loop.concurrentQueue("global").async(Handover<void()>::system(count)); },
         true},
        {"the program's own work posted for later", [](TravelWorld& w, Count count) { w.loop.postAfter(0.5, count); },
         false},
    };
    for (const auto& [name, fromTheJob, theSystems] : cases) {
        for (const bool crash : {false, true}) {
            TravelWorld w;
            int done = 0;  // the work done, or the window minimized at the end of its trip
            w.world.addListener([&](const desktop::WorldEvent& e) {
                if (e.kind == desktop::WorldEventKind::windowMinimized) ++done;
            });
            auto run = ProcessRun::begin();
            Application& program = w.world.startOwnProcess(run);
            {
                InRun as(run);
                w.loop.queue("com.example.job").async([&, job = fromTheJob] {
                    job(w, [&done] { ++done; });
                    w.loop.blockFor(1);  // the job ends a second later
                });
            }
            w.loop.advance(0.5);
            if (crash) {
                run->end();
                program.quit();
            }
            w.loop.advance(3);
            const std::string what = std::string(name) + (crash ? ", crashed" : "");
            EXPECT_EQ(done, theSystems || !crash ? 1 : 0) << what;
            EXPECT_EQ(w.world.dockTrips().tripsUnderway(), 0) << what;
        }
    }
}

}  // namespace
}  // namespace platform
