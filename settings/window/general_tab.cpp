#include "settings/window/general_tab.h"

#include <memory>
#include <optional>
#include <string>

#include "app/login/login_item.h"
#include "platform/accessibility/trust.h"
#include "platform/notifications/notification_stream.h"
#include "platform/services/app_service.h"
#include "platform/ui/controls.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"
#include "platform/windowserver/screen_capture_access.h"
#include "settings/window/bug_report.h"
#include "settings/window/preferences_state.h"
#include "settings/window/read_me.h"
#include "settings/window/tab_column.h"
#include "windows/access/permissions.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

struct GeneralState : PreferencesState {
    ui::State<LoginItem::State> loginItem{LoginItem::state()};
    ui::State<bool> isAccessibilityTrusted{platform::AccessibilityTrust::isProcessTrusted()};
    ui::State<bool> canCaptureWindows{platform::ScreenCaptureAccess::preflight()};
    // The last failed change of the login item; the alert shows while it is set.
    ui::State<std::optional<std::string>> loginItemFailure;

    void refresh() const {
        loginItem.set(LoginItem::state());
        isAccessibilityTrusted.set(platform::AccessibilityTrust::isProcessTrusted());
        canCaptureWindows.set(platform::ScreenCaptureAccess::preflight());
    }

    void toggleLoginItem(bool on) const {
        if (!LoginItem::isOnReadOnlyVolume()) {
            const LoginItem::Outcome outcome = on ? LoginItem::enable() : LoginItem::disable();
            if (outcome.failure) {
                loginItemFailure.set(outcome.failure->localizedDescription + " (error " +
                                     std::to_string(outcome.failure->code) + ")");
            }
        }
        loginItem.set(LoginItem::state());
    }
};

using State = std::shared_ptr<GeneralState>;

// Refreshes at once, then every time the application becomes active, until the tab
// goes away.
platform::Task<void> watchActivation(std::weak_ptr<GeneralState> weak) {
    if (auto state = weak.lock()) state->refresh();
    platform::NotificationStream activations(platform::NotificationCenter::defaultCenter(),
                                             platform::notifications::kApplicationDidBecomeActive);
    while (true) {
        const std::optional<platform::Notification> activation = co_await activations.next();
        const auto state = weak.lock();
        if (!activation || !state) co_return;
        state->refresh();
    }
}

ui::View masterSwitch(const State& s) {
    return ui::Group(
        {ui::Toggle("Enable Furlpane Novan", s->bind<bool>(&Preferences::isEnabled, &Preferences::setIsEnabled)),
         note("When this is off, Furlpane Novan leaves every click and keystroke alone and puts back every window it has "
              "changed.")});
}

ui::View permissionRows(const State& s) {
    std::vector<ui::View> rows;
    if (!s->isAccessibilityTrusted.get()) {
        rows.push_back(note("Furlpane Novan can’t see double-clicks or keystrokes until it’s allowed to control your "
                            "computer. Switch it on under Privacy & Security, in Accessibility.",
                            NoteKind::needsAction));
        rows.push_back(noteButton("Open Accessibility Settings", GeneralSettingsTab::askForAccessibility));
    }
    if (!s->canCaptureWindows.get()) {
        rows.push_back(note("Float On Top, Minimize-In-Place, and Furlpane need Screen Recording. Switch it on under "
                            "Privacy & Security, in Screen & System Audio Recording, then quit and reopen Furlpane Novan.",
                            NoteKind::needsAction));
        rows.push_back(noteButton("Open Screen Recording Settings", GeneralSettingsTab::recheckScreenRecording));
    }
    return ui::Group(std::move(rows));
}

ui::View loginNotes(const State& s) {
    if (LoginItem::isOnReadOnlyVolume()) {
        return note("Furlpane Novan is running from a read-only disk, so macOS can’t open it at login. Move Furlpane "
                    "Novan to your Applications folder and open it from there.",
                    NoteKind::needsAction);
    }
    if (s->loginItem.get() == LoginItem::State::requiresApproval) {
        return ui::Group({note("Furlpane Novan is switched off under Background App Activity, so it won’t open at "
                               "login until you switch it back on there.",
                               NoteKind::needsAction),
                          noteButton("Open Login Items Settings", GeneralSettingsTab::openLoginItemsSettings)});
    }
    return note("If this is not set, Furlpane Novan must be opened by hand after every login. It has to be running for "
                "any of these settings to take effect.");
}

ui::View loginRows(const State& s) {
    const State state = s;
    const ui::Binding<bool> isOn([state] { return state->loginItem.get() == LoginItem::State::enabled; },
                                 [state](bool on) { state->toggleLoginItem(on); });
    return ui::Group({ui::Toggle("Open at login", isOn).disabled(LoginItem::isOnReadOnlyVolume()), loginNotes(s)});
}

ui::View menuBarRows(const State& s) {
    const bool shows = s->preferences->showsStatusItem();
    std::vector<ui::View> rows{
        ui::Toggle("Show the menu bar icon", s->bind<bool>(&Preferences::showsStatusItem, &Preferences::setShowsStatusItem)),
        note(shows ? "Its menu lists every window Furlpane Novan has changed, and can put any or all of them back."
                   : "Furlpane Novan shows a Dock icon instead, so you can still get back to these settings and still "
                     "quit it.")};
    if (shows) {
        rows.push_back(note("macOS manages menu bar items separately, so disabling Furlpane Novan in System Settings "
                            "doesn’t turn off this checkbox. If its icon isn’t in the menu bar, make sure it’s enabled in "
                            "System Settings.\n\nTo return to these settings, reopen Furlpane Novan from the Finder or "
                            "Spotlight."));
        rows.push_back(noteButton("Open Menu Bar Settings", GeneralSettingsTab::openMenuBarSettings));
    }
    return ui::Group(std::move(rows));
}

ui::View failureAlert(const State& s, ui::View content) {
    const ui::State<std::optional<std::string>> failure = s->loginItemFailure;
    const ui::Binding<bool> presented([failure] { return failure.get().has_value(); },
                                      [failure](bool shown) {
                                          if (!shown) failure.set(std::nullopt);
                                      });
    return content.alert(GeneralSettingsTab::kLoginItemAlertTitle, presented,
                         {{"OK", ui::ButtonRole::none, [failure] { failure.set(std::nullopt); }}},
                         failure.get().value_or(""));
}

ui::View tab(const State& s) {
    const ui::View column = tabColumn({masterSwitch(s), permissionRows(s), ui::Divider(), loginRows(s), ui::Divider(),
                                       menuBarRows(s)});
    const ui::View corner = ui::HStack({BugReportButton(), ReadMeButton()}, {.spacing = 8}).padding(20);
    const std::weak_ptr<GeneralState> weak = s;
    return failureAlert(s, column.overlay(corner, ui::Alignment::bottomTrailing()))
        .task([weak] { return watchActivation(weak); });
}

}  // namespace

ui::View GeneralSettingsTab::body() const { return ui::WithState<GeneralState>(tab); }

void GeneralSettingsTab::askForAccessibility() { requestAccessibility(); }

void GeneralSettingsTab::recheckScreenRecording() {
    const auto openPane = [] { platform::Workspace::shared().openURL(screenCaptureSettingsURL()); };
    switch (preflight(kScreenCaptureService)) {
    case PreflightStatus::granted:
    case PreflightStatus::denied: openPane(); return;
    case PreflightStatus::notDetermined:
        if (const auto prompt = visiblePermissionPrompt()) {
            prompt->activate();
            return;
        }
        // The prompt may have come up meanwhile; asking again would show a second one.
        if (!visiblePermissionPrompt()) platform::ScreenCaptureAccess::request();
        return;
    case PreflightStatus::unknown:
        if (!visiblePermissionPrompt()) platform::ScreenCaptureAccess::request();
        openPane();
        return;
    }
}

void GeneralSettingsTab::openLoginItemsSettings() { platform::MainAppService::openSystemSettingsLoginItems(); }

void GeneralSettingsTab::openMenuBarSettings() { platform::Workspace::shared().openURL(menuBarSettingsURL()); }

const std::string& GeneralSettingsTab::menuBarSettingsURL() {
    static const std::string url = "x-apple.systempreferences:com.apple.ControlCenter-Settings.extension?MenuBar";
    return url;
}

}  // namespace furlpane
