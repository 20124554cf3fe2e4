// Two instances of the program on one desktop: what the world tells the programs reaches
// each one that asked, and the system's own code reaches a run only by entering it.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "platform/accessibility/element.h"
#include "platform/accessibility/observer.h"
#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"
#include "platform/desktop/region.h"
#include "platform/events/event_monitor.h"
#include "platform/events/event_router.h"
#include "platform/events/event_tap.h"
#include "platform/notifications/notification_center.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_once.h"
#include "platform/scenario/program_host.h"
#include "platform/services/workspace.h"
#include "tests/support/temp_folder.h"

namespace scenario_test {
namespace {

using namespace platform;
using scenario::ProgramHost;

// What one instance heard, by kind.
using Heard = std::map<std::string, int>;

// A program that listens to everything the world tells a program: the local
// notifications of the system, the workspace's, an accessibility observer on another
// application, its own window's trip into the Dock, an event tap and a global monitor.
class Listener : public ApplicationDelegate {
public:
    Listener(std::shared_ptr<Heard> heard, int32_t other) : heard_(std::move(heard)), other_(other) {}

    void applicationDidFinishLaunching() override {
        for (const std::string& name :
             {notifications::kCurrentLocaleDidChange, notifications::kSystemTimeZoneDidChange,
              notifications::kScreenParametersChanged, notifications::kWindowDidMiniaturize}) {
            tokens_.push_back(NotificationCenter::defaultCenter().addObserver(name, nullptr, count(name)));
        }
        namespace w = workspace_notifications;
        for (const std::string& name : {w::kDidLaunchApplication, w::kDidTerminateApplication,
                                        w::kDidHideApplication, w::kDidUnhideApplication, w::kDidActivateApplication,
                                        w::kActiveSpaceDidChange}) {
            tokens_.push_back(Workspace::shared().notificationCenter().addObserver(name, nullptr, count(name)));
        }
        observe();
        tap_ = EventTap::create(EventTapLocation::session, EventTapPlacement::headInsert, EventTapOptions::listenOnly,
                                eventMaskBit(EventType::leftMouseDown),
                                [heard = heard_](EventTapProxy, EventType, const EventRecord& e, void*) {
                                    ++(*heard)["tap"];
                                    return std::optional<EventRecord>(e);
                                },
                                nullptr);
        MainLoop::main().add(tap_->runLoopSource(), modes::kCommon);
        monitor_ = EventMonitor::addGlobalMonitor(eventMaskBit(EventType::leftMouseDown),
                                                  [heard = heard_](const EventRecord&) { ++(*heard)["monitor"]; });
        window_ = std::make_shared<Window>(Rect{300, 300, 200, 100}, titledWindowMask | miniaturizableWindowMask);
        window_->orderFront();
    }

    Window& window() { return *window_; }

private:
    NotificationCenter::Handler count(const std::string& name) {
        return [heard = heard_, name](const Notification&) { ++(*heard)[name]; };
    }
    void observe() {
        auto made = AccessibilityProcessObserver::create(
            other_, [heard = heard_](auto&, auto&, auto&, void*) { ++(*heard)["accessibility"]; });
        if (!made) return;
        observer_ = made.value();
        MainLoop::main().add(observer_->runLoopSource(), modes::kCommon);
        observer_->addNotification(AccessibilityElement::application(other_), "AXWindowMoved", nullptr);
    }

    std::shared_ptr<Heard> heard_;
    int32_t other_;
    std::vector<NotificationCenter::Token> tokens_;
    std::shared_ptr<AccessibilityProcessObserver> observer_;
    std::shared_ptr<EventTap> tap_;
    EventMonitor::Token monitor_;
    std::shared_ptr<Window> window_;
};

class Instances : public ::testing::Test {
protected:
    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    desktop::Application& notes = world.application("com.example.Notes").window("Groceries").add();
    furlpane_test::TempFolder folder;
    std::shared_ptr<Heard> heard[2] = {std::make_shared<Heard>(), std::make_shared<Heard>()};
    std::shared_ptr<Listener> listeners[2];
    ProgramHost first{world, [this] { return listenerFor(0); }, folder.path()};
    ProgramHost second{world, [this] { return listenerFor(1); }, folder.path()};

    std::shared_ptr<Listener> listenerFor(int i) {
        listeners[i] = std::make_shared<Listener>(heard[i], notes.pid());
        return listeners[i];
    }
    void TearDown() override {
        for (ProgramHost* host : {&first, &second}) host->asProgram([&] { listeners[host == &second].reset(); });
    }
};

TEST_F(Instances, WhatTheWorldTellsTheProgramsReachesEveryOneThatAsked) {
    ASSERT_TRUE(first.launch());
    ASSERT_TRUE(second.launch());
    loop.runUntilIdle();
    *heard[0] = {};
    *heard[1] = {};

    world.region().setLocale("de_DE");
    world.region().setTimeZoneOffset(std::chrono::hours(1));
    world.displays().add(desktop::DisplayDescription{.frame = {1440, 0, 1280, 800}});
    world.spaces().switchTo(world.spaces().add(world.displays().first()->number()));
    desktop::Application& editor = world.application("com.example.Editor").window("Draft").launch();
    editor.hide();
    editor.unhide();
    notes.activate();
    notes.windows()[0]->moveTo({40, 60});
    injectEvents(input_sequences::click({900, 500}));
    for (ProgramHost* host : {&first, &second}) {
        host->asProgram([&] { listeners[host == &second]->window().miniaturize(); });
    }
    editor.quit();
    loop.advance(2);

    namespace w = workspace_notifications;
    for (const std::string& kind :
         {notifications::kCurrentLocaleDidChange, notifications::kSystemTimeZoneDidChange,
          notifications::kScreenParametersChanged, notifications::kWindowDidMiniaturize, w::kDidLaunchApplication,
          w::kDidTerminateApplication, w::kDidHideApplication, w::kDidUnhideApplication, w::kDidActivateApplication,
          w::kActiveSpaceDidChange, std::string("accessibility"), std::string("tap"), std::string("monitor")}) {
        EXPECT_GE((*heard[0])[kind], 1) << "the first instance did not hear " << kind;
        EXPECT_GE((*heard[1])[kind], 1) << "the second instance did not hear " << kind;
    }
}

TEST_F(Instances, OneInstanceEndingLeavesTheOtherHearing) {
    ASSERT_TRUE(first.launch());
    ASSERT_TRUE(second.launch());
    loop.runUntilIdle();
    ASSERT_TRUE(second.crash());
    *heard[0] = {};
    world.region().setLocale("fr_FR");
    loop.runUntilIdle();
    EXPECT_EQ((*heard[0])[notifications::kCurrentLocaleDidChange], 1);
    ASSERT_TRUE(second.launch());
    ASSERT_TRUE(second.quit());
    loop.runUntilIdle();
    world.region().setLocale("de_DE");
    loop.runUntilIdle();
    EXPECT_EQ((*heard[0])[notifications::kCurrentLocaleDidChange], 2);
}

// Once a host runs the program, the system's code that asks for a value kept per run
// without entering a run is stopped at once, rather than served some run's value.
TEST(InstancesDeathTest, TheSystemAsksForNoRunsValueWithoutNamingTheRun) {
    static ProcessLocal<int> perRun;
    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    EXPECT_EQ(perRun.get(), 0);  // without a host the test's code is the program's
    furlpane_test::TempFolder folder;
    ProgramHost host{world, [] { return std::make_shared<ApplicationDelegate>(); }, folder.path()};
    ASSERT_TRUE(host.launch());
    host.asProgram([] { ++perRun.get(); });
    EXPECT_DEATH(perRun.get(), "without entering the run");
    EXPECT_DEATH(Application::shared(), "without entering the run");
    EXPECT_DEATH(world.ownApplication(), "without entering the run");
    // Nor is a run that is no process of the world told some process's identifier.
    EXPECT_DEATH(
        {
            InRun stranger(ProcessRun::begin());
            world.ownApplication();
        },
        "no process of this world");
}

}  // namespace
}  // namespace scenario_test
