#pragma once

// Whether the program shows an icon in the Dock. A menu-bar utility keeps out of the
// Dock while its status item shows; but when the item is switched off, or a titled
// window of the program (the settings window) is visible or miniaturized, the program
// runs as a regular application, so that the user can always reach it and its window.
//
// update() decides now; the controller follows Preferences::showsStatusItem by
// observation and the program's windows becoming key, closing and going to or coming
// from the Dock. Main thread only.

#include <memory>
#include <vector>

#include "platform/notifications/notification_center.h"
#include "platform/process/activation_policy.h"
#include "settings/model/preferences.h"

namespace furlpane {

class DockIconController : public std::enable_shared_from_this<DockIconController> {
public:
    // Decides once and follows from then on.
    static std::shared_ptr<DockIconController> start(std::shared_ptr<Preferences> preferences);
    ~DockIconController();
    DockIconController(const DockIconController&) = delete;
    DockIconController& operator=(const DockIconController&) = delete;

    void update();

    // Accessory only with the status item shown and no titled window about.
    static platform::ActivationPolicy policyFor(bool showsStatusItem, bool hasTitledWindow);
    // A titled window of the program that is visible or miniaturized.
    static bool hasTitledWindow();

    explicit DockIconController(std::shared_ptr<Preferences> preferences) : preferences_(std::move(preferences)) {}

private:
    void observeWindows();

    std::shared_ptr<Preferences> preferences_;
    std::vector<platform::NotificationCenter::Token> observations_;
};

}  // namespace furlpane
