// Two instances of the program on one desktop, kept apart: the system's work that one
// instance's call set going outlives that instance, an instance that ended is answered for
// itself alone, and what each keeps is its own.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/accessibility/value.h"
#include "platform/appkit/application.h"
#include "platform/appkit/menu.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/events/event_tap.h"
#include "platform/notifications/distributed_notification_center.h"
#include "platform/process/process_info.h"
#include "platform/runtime/dispatch_queue.h"
#include "platform/runtime/main_loop.h"
#include "platform/scenario/program_host.h"
#include "platform/windowserver/private_hot_keys.h"
#include "platform/windowserver/private_window_server.h"
#include "tests/support/temp_folder.h"

namespace scenario_test {
namespace {

using namespace platform;
using scenario::ProgramHost;

const std::string kAnnouncement = "com.example.Announcement";

// What an instance heard: clicks and tap notices through its tap, and announcements.
enum { kClicks, kTapNotices, kAnnouncements };
using Heard = std::array<int, 3>;

// A program that filters the left mouse button and hears one distributed notification.
class Filtering : public ApplicationDelegate {
public:
    explicit Filtering(std::shared_ptr<Heard> heard) : heard_(std::move(heard)) {}
    void applicationDidFinishLaunching() override {
        auto heard = heard_;
        auto filter = [heard](EventTapProxy, EventType type, const EventRecord& e, void*) {
            ++(*heard)[type == EventType::leftMouseDown ? kClicks : kTapNotices];
            return std::optional<EventRecord>(e);
        };
        tap_ = EventTap::create(EventTapLocation::session, EventTapPlacement::headInsert, EventTapOptions::defaultTap,
                                eventMaskBit(EventType::leftMouseDown), filter, nullptr);
        MainLoop::main().add(tap_->runLoopSource(), modes::kCommon);
        DistributedNotificationCenter::defaultCenter().addObserver(
            kAnnouncement, std::nullopt, [heard](const DistributedNotification&) { ++(*heard)[kAnnouncements]; });
    }

private:
    std::shared_ptr<Heard> heard_;
    std::shared_ptr<EventTap> tap_;
};

// A desktop with an application that has stopped answering, and two hosts of the
// program: `ending`, whose run ends in the cases below, and `staying`.
struct Stage {
    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    desktop::Application& silent = world.application("com.example.Silent").window("Busy").add();
    furlpane_test::TempFolder folder;
    std::shared_ptr<Heard> heard = std::make_shared<Heard>();
    ProgramHost staying{world, [this] { return std::make_shared<Filtering>(heard); }, folder.path()};
    ProgramHost ending{world, [] { return std::make_shared<Filtering>(std::make_shared<Heard>()); }, folder.path()};

    Stage() { DistributedNotificationCenter::defaultCenter().reset(); }
    ~Stage() { DistributedNotificationCenter::defaultCenter().reset(); }
    // `ending` launched last: its tap heads the route of the input.
    void launchBoth() {
        ASSERT_TRUE(staying.launch());
        ASSERT_TRUE(ending.launch());
        loop.runUntilIdle();
    }
};

// What the ending instance's call sets going just before its run ends is the system's
// work, which reaches the other instance whole.
TEST(InstancesApart, TheSystemsWorkOutlivesTheRunWhoseCallSetItGoing) {
    const std::vector<std::tuple<const char*, std::function<void(Stage&)>, Heard>> cases = {
        // The click waits on the ending instance's tap, which its end takes off the route.
        {"a click on its way", [](Stage&) { injectEvents(input_sequences::click({700, 450})); }, {1, 0, 0}},
        {"a notification just posted",
         [](Stage& s) { s.ending.asProgram([] { DistributedNotificationCenter::defaultCenter().post(kAnnouncement, {}, {}); }); },
         {0, 0, 1}},
    };
    for (const auto& [name, lastCall, heard] : cases) {
        Stage s;
        s.launchBoth();
        lastCall(s);
        ASSERT_TRUE(s.ending.crash());
        s.loop.advance(10);
        EXPECT_EQ(*s.heard, heard) << name;
    }
}

// An ended run's code (a hand-over's destructor, a value made after the end) asks after
// its process once the world has let go of the process's record: the answer is its own,
// never the instance started last's or the host's.
TEST(InstancesApart, AnEndedRunIsAnsweredForItselfAfterItsRecordHasGone) {
    Stage s;
    s.launchBoth();
    const std::shared_ptr<ProcessRun> ended = s.ending.run();
    const int32_t pid = s.ending.processIdentifier();
    ASSERT_TRUE(s.ending.crash());
    ASSERT_TRUE(s.staying.quit());
    s.loop.runUntilIdle();
    ASSERT_TRUE(s.staying.launch());
    for (int i = 0; i < 40; ++i) s.world.application("com.example.Passing").launch().quit();
    ASSERT_EQ(s.world.processRecord(pid), nullptr);

    const std::vector<std::pair<const char*, std::function<int32_t()>>> questions = {
        {"its process", [&] { return s.world.ownApplication().pid(); }},
        {"its process information", [] { return ProcessInfo::current().processIdentifier(); }},
        {"its exit, which ends neither the host nor the other instance", [] {
             ProcessInfo::exit(3);
             return ProcessInfo::current().processIdentifier();
         }},
    };
    for (const auto& [name, ask] : questions) {
        InRun asEnded(ended);
        EXPECT_EQ(ask(), pid) << name;
    }
    s.loop.runUntilIdle();
    EXPECT_TRUE(s.staying.isRunning());
}

// What a process has of its own stays its own: another instance's doings neither hold it
// up nor outlive their run in it.
TEST(InstancesApart, EachInstanceKeepsItsOwn) {
    const std::vector<std::pair<const char*, std::function<void(Stage&)>>> cases = {
        {"its queue of a label, which the other's wait on a silent application holds not up",
         [](Stage& s) {
             s.silent.stopAnswering();
             s.ending.asProgram([pid = s.silent.pid()] {
                 MainLoop::main().queue("com.example.ask").async([pid] {
                     (void)AccessibilityElement::application(pid).copyAttributeValue("AXTitle");
                 });
             });
             bool answered = false;
             s.staying.asProgram([&] { MainLoop::main().queue("com.example.ask").async([&] { answered = true; }); });
             s.loop.advance(1);
             EXPECT_TRUE(answered);
         }},
        {"the hot-key mode, which the other paused and left by crashing",
         [](Stage& s) {
             s.ending.asProgram([] { windowServerSetGlobalHotKeyOperatingMode(windowServerMainConnection(), 1); });
             ASSERT_TRUE(s.ending.crash());
             EXPECT_EQ(s.world.hotKeys().operatingMode(), desktop::SystemHotKeys::kModeEnabled);
         }},
        {"none of the menus the other showed, which go as the other's code at its end",
         [](Stage& s) {
             const ProcessRun* goneAs = nullptr;
             s.ending.asProgram([&] {
                 // Notes, as its last holder lets go of it, which run executes.
                 const std::shared_ptr<const ProcessRun*> witness(
                     &goneAs, [](const ProcessRun** as) { *as = ProcessRun::executing().get(); });
                 auto menu = Menu::make();
                 menu->addItem("Act", [witness](MenuItem&) {});
                 Application::shared().popUpMenu(menu);
             });
             const ProcessRun* run = s.ending.run().get();
             ASSERT_TRUE(s.ending.crash());
             EXPECT_EQ(goneAs, run);
         }},
    };
    for (const auto& [name, play] : cases) {
        SCOPED_TRACE(name);
        Stage s;
        s.launchBoth();
        play(s);
    }
}

}  // namespace
}  // namespace scenario_test
