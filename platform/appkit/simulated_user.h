#pragma once

// The person at the simulated desktop, as far as the program's menus, alerts and file
// dialogs go: what was shown to them and how they answer.
//
// Nothing waits for a person here. Every menu the program shows (a status item's menu, a
// context menu, a pop-up) is kept in the menu log; a test or tool then picks an item
// (Application::chooseMenuItem) or dismisses the menu. Every alert is answered at once by
// the alert responder, which a test sets to choose the answer (by default the first
// button), and kept in the alert log with the answer it got. Every file dialog is
// answered at once by the open-panel responder (by default the person cancels), and kept
// in the open-panel log with what the dialog made of the answer.
//
// The logs keep the newest kKeptEntries each, so that a long session does not grow with
// them. One per world, made on first use. Main thread only.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/alert.h"
#include "platform/appkit/app_event.h"
#include "platform/appkit/application.h"
#include "platform/appkit/menu.h"
#include "platform/appkit/open_panel.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/bounded_log.h"

namespace platform {

struct MenuPresentation {
    // The menu, for as long as the program that showed it holds it: the log is the
    // system's and keeps none of a program's objects, which go as their own run's code.
    std::weak_ptr<Menu> menu;
    MenuPresentationKind kind = MenuPresentationKind::popUp;
    // The event that asked for it (context menus), else a default event.
    AppEvent event{};
    // The window it was shown for; 0 for none.
    uint32_t window = 0;
};

// What the alert log keeps of one alert.
struct AlertRecord {
    std::string messageText;
    std::string informativeText;
    AlertStyle style = AlertStyle::warning;
    std::vector<std::string> buttons;
    int64_t response = 0;
    // The window it was a sheet of; 0 for a modal alert.
    uint32_t sheetWindow = 0;
};

struct OpenPanelRecord {
    std::vector<std::string> allowedContentTypes;
    // The window it was attached to; 0 for a panel on its own.
    uint32_t window = 0;
    OpenPanelResult result;
};

class SimulatedUser {
public:
    using AlertResponder = std::function<int64_t(const Alert&)>;
    // The files chosen in a panel; nothing cancels it.
    using OpenPanelResponder = std::function<std::optional<std::vector<std::filesystem::path>>(const OpenPanel&)>;

    static constexpr size_t kKeptEntries = 256;

    explicit SimulatedUser(desktop::Desktop&) {}
    // The person at a world's screens.
    static SimulatedUser& of(desktop::Desktop& world);

    const BoundedLog<MenuPresentation>& menuLog() const { return menuLog_; }
    const BoundedLog<AlertRecord>& alertLog() const { return alertLog_; }
    void setAlertResponder(AlertResponder responder) { alertResponder_ = std::move(responder); }
    const BoundedLog<OpenPanelRecord>& openPanelLog() const { return openPanelLog_; }
    void setOpenPanelResponder(OpenPanelResponder responder) { openPanelResponder_ = std::move(responder); }

    // Used by the AppKit stand-in: a menu was shown; an alert asks for its answer
    // (`sheetWindow` 0 for a modal alert).
    void menuShown(MenuPresentation presentation) { menuLog_.push_back(std::move(presentation)); }
    int64_t answer(const Alert& alert, uint32_t sheetWindow);
    // What the person chooses in a file dialog, and what the dialog made of it.
    std::optional<std::vector<std::filesystem::path>> choose(const OpenPanel& panel) const;
    void panelShown(OpenPanelRecord record) { openPanelLog_.push_back(std::move(record)); }

private:
    BoundedLog<MenuPresentation> menuLog_{kKeptEntries};
    AlertResponder alertResponder_;
    BoundedLog<AlertRecord> alertLog_{kKeptEntries};
    OpenPanelResponder openPanelResponder_;
    BoundedLog<OpenPanelRecord> openPanelLog_{kKeptEntries};
};

}  // namespace platform
