#pragma once

// A small program for the scenario tests: at launch it opens a panel (top-left 100,700,
// 200 x 100) whose context menu pings other processes or has a signal sent to the
// process that hosts it (as by a person's kill from outside), shows a status item whose menu
// beeps, says hello to other processes and quits, runs a timer and a task,
// observes a local notification and installs the termination signals, which end it with
// status 0 (or the status given). Every run counts in the shared record.

#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/application.h"
#include "platform/appkit/status_item.h"
#include "platform/appkit/view.h"
#include "platform/appkit/window.h"
#include "platform/notifications/distributed_notification_center.h"
#include "platform/notifications/notification_center.h"
#include "platform/process/process_info.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/signals.h"
#include "platform/runtime/task.h"
#include "platform/services/system_sounds.h"

namespace scenario_test {

struct ProgramRecord {
    int launches = 0;
    int terminations = 0;
    int timerFirings = 0;
    int taskSteps = 0;
    int observed = 0;
    int exitStatus = 0;
    // What the context menu's "Interrupt" sends to the hosting process.
    int hostSignal = SIGTERM;
    // The process identifier each run found for itself, and its application's.
    std::vector<int32_t> pids;
    std::vector<int32_t> applicationPids;
};

// The panel's content: its menu answers the first click, as a stand-in's does.
class FirstClickView : public platform::View {
public:
    bool acceptsFirstMouse(const platform::AppEvent*) const override { return true; }
};

class FakeProgram : public platform::ApplicationDelegate {
public:
    explicit FakeProgram(std::shared_ptr<ProgramRecord> record) : record_(std::move(record)) {}

    void applicationDidFinishLaunching() override {
        ++record_->launches;
        record_->pids.push_back(platform::ProcessInfo::current().processIdentifier());
        record_->applicationPids.push_back(platform::Application::shared().processIdentifier());
        auto& loop = platform::MainLoop::main();
        panel_ = std::make_shared<platform::Panel>(platform::Rect{100, 100, 200, 100}, 0);
        panel_->orderFront();
        auto context = platform::Menu::make();
        context->addItem("Ping", [](platform::MenuItem&) {
            platform::DistributedNotificationCenter::defaultCenter().post("com.example.pinged", std::nullopt, {});
        });
        context->addItem("Interrupt", [record = record_](platform::MenuItem&) { ::raise(record->hostSignal); });
        auto content = std::make_shared<FirstClickView>();
        content->setMenu(context);
        panel_->setContentView(content);
        item_ = platform::StatusBar::system().statusItem(platform::StatusItem::variableLength);
        item_->button().setTitle("Fake");
        auto menu = platform::Menu::make();
        menu->addItem("Beep", [](platform::MenuItem&) { platform::SystemSounds::current().beep(); });
        menu->addItem("Hello", [](platform::MenuItem&) {
            platform::DistributedNotificationCenter::defaultCenter().post("com.example.hello", std::nullopt,
                                                                          {{"Count", 1}});
        });
        menu->addItem("Quit", [](platform::MenuItem&) { platform::Application::shared().terminate(); });
        item_->setMenu(menu);
        timer_ = platform::Timer::make(0.1, true, [record = record_] { ++record->timerFirings; });
        loop.add(timer_, platform::modes::kCommon);
        task_ = platform::spawnMain([record = record_]() -> platform::Task<void> {
            for (;;) {
                co_await platform::sleepFor(0.25);
                ++record->taskSteps;
            }
        });
        platform::NotificationCenter::defaultCenter().addObserver("com.example.ping", nullptr,
                                                                  [record = record_](auto&) { ++record->observed; });
        signals_ = std::make_unique<platform::SignalWatcher>(loop, std::initializer_list<int>{SIGTERM, SIGINT, SIGHUP},
                                                             [record = record_](int) {
                                                                 platform::ProcessInfo::exit(record->exitStatus);
                                                             });
    }
    void applicationWillTerminate() override { ++record_->terminations; }

private:
    std::shared_ptr<ProgramRecord> record_;
    std::shared_ptr<platform::Panel> panel_;
    std::shared_ptr<platform::StatusItem> item_;
    std::shared_ptr<platform::Timer> timer_;
    platform::TaskHandle task_;
    std::unique_ptr<platform::SignalWatcher> signals_;
};

}  // namespace scenario_test
