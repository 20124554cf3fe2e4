#pragma once

// The application's delegate: the program's start-up and shutdown.
//
// Start-up, once launching has finished, in this order (each step is recorded by name in
// steps(), which tests read):
//   "relocation"          where the program runs from; the offer to move it into the
//                         Applications folder (relocation.h)
//   "messaging timeout"   0.25 s for every accessibility request, so that an
//                         application that does not answer never holds the program long
//   "calendar days"       the settings' calendar-day tracking
//   "ledger recovery"     the windows an earlier run left changed are put back, waiting
//                         for each to show in place; what cannot be yet is tried again
//                         while the program runs (WindowEffects::recoverLedger)
//   "termination signals" SIGTERM, SIGINT and SIGHUP end the program as a quit does
//   "engine"              the engine's observers of applications, screens and settings
//   "event tap"           the tap made, brought in line with the settings once, and its
//                         following of the program's switch armed
//   "renderer warm-up"    the transition renderer made in a task, off the first change,
//                         and prepared again for the main display whenever the screens
//                         change (renderer_warm_up.h)
//   "status item"         the status item and its menu
//   "dock icon"           the Dock icon policy, decided and followed
//   "updater"             the updater started
//   "settings window"     opened when Accessibility is not granted (recorded only then)
//
// Shutdown (terminationCleanup), on quit and on the three signals: "tap stopped" (the
// tap taken down and its grant poll ended, and the system's shortcuts back on should a
// recording have paused them), then "windows restored" (every changed window
// put back, waiting for each to show in place, then one last pass without waits over
// what earlier runs left). After a signal the program exits with status 0.
//
// The delegate's end is the end of the program's run: the shared objects the run made
// (settings, rules, ledger, engine, tap, updater) go with it.
//
// Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shell/dock_icon_controller.h"
#include "app/shell/status_item_controller.h"
#include "app/shell/termination_signals.h"
#include "platform/appkit/application.h"
#include "platform/runtime/task.h"
#include "platform/ui/scene.h"

namespace furlpane {

class RendererWarmUp;

class AppDelegate final : public platform::ApplicationDelegate, public std::enable_shared_from_this<AppDelegate> {
public:
    static std::shared_ptr<AppDelegate> make();
    ~AppDelegate() override;

    void applicationWillFinishLaunching() override;
    void applicationDidFinishLaunching() override { startUp(); }
    void applicationWillTerminate() override { terminationCleanup(); }
    // A click on the program's Dock icon opens the settings.
    bool applicationShouldHandleReopen(bool hasVisibleWindows) override;

    void startUp();
    void terminationCleanup();
    void openSettings();

    // The steps of start-up and shutdown taken so far, in order.
    const std::vector<std::string>& steps() const { return steps_; }
    const std::shared_ptr<StatusItemController>& statusItem() const { return statusItem_; }
    const std::shared_ptr<DockIconController>& dockIcon() const { return dockIcon_; }

    AppDelegate() = default;

private:
    void step(std::string name) { steps_.push_back(std::move(name)); }
    void recoverLedger();
    void startEventTap();
    void signalled(int signal);

    std::vector<std::string> steps_;
    std::optional<platform::ui::WindowScene> settings_;
    std::unique_ptr<TerminationSignals> signals_;
    std::shared_ptr<StatusItemController> statusItem_;
    std::shared_ptr<DockIconController> dockIcon_;
    std::unique_ptr<RendererWarmUp> warmUp_;
    bool cleanedUp_ = false;
};

}  // namespace furlpane
