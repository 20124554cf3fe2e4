#pragma once

// The person at the simulated desktop, as far as the program's menus and alerts go: what
// was shown to them and how they answer.
//
// Nothing waits for a person here. Every menu the program shows (a status item's menu, a
// context menu, a pop-up) is kept in the menu log; a test or tool then picks an item
// (Application::chooseMenuItem) or dismisses the menu. Every alert is answered at once by
// the alert responder, which a test sets to choose the answer (by default the first
// button), and kept in the alert log with the answer it got.
//
// One per world, made on first use. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/alert.h"
#include "platform/appkit/app_event.h"
#include "platform/appkit/application.h"
#include "platform/appkit/menu.h"
#include "platform/desktop/desktop.h"

namespace platform {

struct MenuPresentation {
    std::shared_ptr<Menu> menu;
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

class SimulatedUser {
public:
    using AlertResponder = std::function<int64_t(const Alert&)>;

    explicit SimulatedUser(desktop::Desktop&) {}
    // The person at a world's screens.
    static SimulatedUser& of(desktop::Desktop& world);

    const std::vector<MenuPresentation>& menuLog() const { return menuLog_; }
    const std::vector<AlertRecord>& alertLog() const { return alertLog_; }
    void setAlertResponder(AlertResponder responder) { alertResponder_ = std::move(responder); }

    // Used by the AppKit stand-in: a menu was shown; an alert asks for its answer
    // (`sheetWindow` 0 for a modal alert).
    void menuShown(MenuPresentation presentation) { menuLog_.push_back(std::move(presentation)); }
    int64_t answer(const Alert& alert, uint32_t sheetWindow);

private:
    std::vector<MenuPresentation> menuLog_;
    AlertResponder alertResponder_;
    std::vector<AlertRecord> alertLog_;
};

}  // namespace platform
