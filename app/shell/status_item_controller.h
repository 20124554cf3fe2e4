#pragma once

// The program's item in the menu bar and its menu:
//
//   Grant Accessibility Access…       while Accessibility is not granted
//   Turn On Furlpane Novan            while the program is switched off
//   ───
//   Changed Windows                   (a heading; "No Changed Windows" when none)
//   Draft (Editor)                    one item per changed window: restores it and brings
//   …                                 it forward
//   Restore All Windows               every changed window, with the sound
//   ───
//   Settings…                         ⌘,
//   ───
//   Quit Furlpane Novan               ⌘Q
//
// Holding Shift while choosing a restore plays it in slow motion. Restores go through the
// engine's serial chain. The menu follows the engine's list of changed windows and the
// program's switch by observation, and is built afresh as it opens (the grant is read
// then). The item shows only while Preferences::showsStatusItem is on.
//
// Main thread only.

#include <functional>
#include <memory>
#include <string>

#include "platform/appkit/menu.h"
#include "platform/appkit/status_item.h"
#include "settings/model/preferences.h"
#include "settings/model/speed.h"
#include "windows/changed/affected_window.h"

namespace furlpane {

class WindowEffects;

class StatusItemController : public std::enable_shared_from_this<StatusItemController> {
public:
    static constexpr const char* kGrantAccessibility = "Grant Accessibility Access…";
    static constexpr const char* kTurnOn = "Turn On Furlpane Novan";
    static constexpr const char* kHeading = "Changed Windows";
    static constexpr const char* kNoWindows = "No Changed Windows";
    static constexpr const char* kRestoreAll = "Restore All Windows";
    static constexpr const char* kSettings = "Settings…";
    static constexpr const char* kQuit = "Quit Furlpane Novan";
    // The item's face in the menu bar: a window rolled up under its title strip.
    static constexpr const char* kFace = "◳";
    static constexpr const char* kFaceWithoutAccess = "◳ !";

    // Shows the item (while the setting says so) and follows the engine and the settings.
    static std::shared_ptr<StatusItemController> start(std::shared_ptr<Preferences> preferences,
                                                       std::weak_ptr<WindowEffects> effects,
                                                       std::function<void()> openSettings);
    ~StatusItemController();

    // The program's switch turned on.
    void turnOn();
    // The menu built afresh from the engine's list and the settings.
    void rebuildMenu();

    const std::shared_ptr<platform::StatusItem>& item() const { return item_; }
    const std::shared_ptr<platform::Menu>& menu() const { return menu_; }
    // A changed window's item title: its title and its application's name.
    static std::string itemTitle(const AffectedWindow& window);
    // Slow motion while Shift is held.
    static Speed speedNow();

    StatusItemController(std::shared_ptr<Preferences> preferences, std::weak_ptr<WindowEffects> effects,
                         std::function<void()> openSettings);

private:
    void follow();
    void showOrHide();
    void addGrantAndSwitch();
    void addWindows();
    void addEnd();
    void restore(std::weak_ptr<AffectedWindow> window);
    void restoreAll();

    std::shared_ptr<Preferences> preferences_;
    std::weak_ptr<WindowEffects> effects_;
    std::function<void()> openSettings_;
    std::shared_ptr<platform::StatusItem> item_;
    std::shared_ptr<platform::Menu> menu_;
};

}  // namespace furlpane
