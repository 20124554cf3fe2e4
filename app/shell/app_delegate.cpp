#include "app/shell/app_delegate.h"

#include "app/shell/relocation.h"
#include "app/updates/vesk_updater.h"
#include "platform/accessibility/trust.h"
#include "platform/process/process_info.h"
#include "settings/model/action_rules.h"
#include "settings/model/preferences.h"
#include "settings/window/settings_scene.h"
#include "transitions/driver/renderer_warm_up.h"
#include "triggers/system_hotkeys.h"
#include "triggers/trigger_tap.h"
#include "windows/access/accessibility_elements.h"
#include "windows/changed/window_ledger.h"
#include "windows/engine/ledger_recovery.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

namespace {

constexpr float kMessagingTimeout = 0.25f;
constexpr const char* kApplicationName = "Furlpane Novan";

}  // namespace

std::shared_ptr<AppDelegate> AppDelegate::make() { return std::make_shared<AppDelegate>(); }

AppDelegate::~AppDelegate() {
    warmUp_.reset();
    statusItem_.reset();
    dockIcon_.reset();
    signals_.reset();
    settings_.reset();
    // The objects of the run, users before what they use. None is made again here: the
    // next run makes its own from the defaults it starts with.
    TriggerTap::setShared(nullptr);
    WindowEffects::setShared(nullptr);
    WindowLedger::setShared(nullptr);
    VESKUpdater::releaseShared();
    ActionRules::releaseShared();
    Preferences::releaseShared();
}

void AppDelegate::applicationWillFinishLaunching() {
    settings_.emplace(settingsScene());
    auto& app = platform::Application::shared();
    if (!app.mainMenu()) app.setMainMenu(platform::Menu::make());
    settings_->installCommands(*app.mainMenu(), kApplicationName);
}

void AppDelegate::startUp() {
    step("relocation");
    Relocation::offerIfNeeded();
    step("messaging timeout");
    systemWideElement().setMessagingTimeout(kMessagingTimeout);
    step("calendar days");
    Preferences::shared().startCalendarDayTracking();
    recoverLedger();
    step("termination signals");
    std::weak_ptr<AppDelegate> weak = weak_from_this();
    signals_ = TerminationSignals::install([weak](int signal) {
        if (const auto self = weak.lock()) self->signalled(signal);
    });
    step("engine");
    WindowEffects::shared().start();
    startEventTap();
    step("renderer warm-up");
    warmUp_ = std::make_unique<RendererWarmUp>();
    step("status item");
    statusItem_ = StatusItemController::start(Preferences::shared().shared_from_this(),
                                              WindowEffects::shared().weak_from_this(), [weak] {
                                                  if (const auto self = weak.lock()) self->openSettings();
                                              });
    step("dock icon");
    dockIcon_ = DockIconController::start(Preferences::shared().shared_from_this());
    step("updater");
    VESKUpdater::shared().start();
    if (platform::AccessibilityTrust::isProcessTrusted()) return;
    step("settings window");
    openSettings();
}

void AppDelegate::recoverLedger() {
    step("ledger recovery");
    WindowEffects::shared().recoverLedger(LedgerRecovery::Waiting::yes);
}

void AppDelegate::startEventTap() {
    step("event tap");
    TriggerTap& tap = TriggerTap::shared();
    tap.update();
    tap.observePreferences();
}

void AppDelegate::terminationCleanup() {
    if (cleanedUp_) return;
    cleanedUp_ = true;
    step("tap stopped");
    TriggerTap::shared().stop();
    // A recording under way paused the system's shortcuts; they come back before anything
    // that may block, whatever becomes of the recorder's sheet afterwards.
    SystemHotkeys::restoreSystemHotkeys();
    step("windows restored");
    WindowEffects::shared().restoreAll();
    // What an earlier run left and a pass kept for later is put back as far as it can
    // be now: no later pass of this run will come, so the pass waits as at start-up,
    // and one application's windows come back together.
    WindowEffects::shared().recoverLedger(LedgerRecovery::Waiting::yes);
}

void AppDelegate::signalled(int) {
    terminationCleanup();
    platform::ProcessInfo::exit(0);
}

void AppDelegate::openSettings() {
    if (!settings_) settings_.emplace(settingsScene());
    settings_->open();
    platform::Application::shared().activate();
}

bool AppDelegate::applicationShouldHandleReopen(bool) {
    openSettings();
    return true;
}

}  // namespace furlpane
