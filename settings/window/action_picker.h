#pragma once

// The pop-up menu of the six window actions that every trigger row and every shortcut
// row of the Actions tab shows, and the titles by which the settings window names the
// actions.

#include <string>

#include "platform/ui/binding.h"
#include "platform/ui/view.h"
#include "settings/model/triggers.h"

namespace furlpane {

// "Furlpane", "Minimize-In-Place", "Hide Application", "Float On Top", "Minimize To
// Dock", "Do Nothing".
std::string actionTitle(WindowAction action);

// Offers all six actions, whatever it belongs to, with a separator before "Minimize To
// Dock"; shows the bound action and writes the one picked. Its label is not shown (the
// row's text before it says what it is for) but names it to accessibility.
class ActionPicker {
public:
    static constexpr const char* kHelp =
        "Do Nothing swallows the click or keystroke, so the system’s own response doesn’t happen either.";

    explicit ActionPicker(platform::ui::Binding<WindowAction> action, std::string label = {})
        : action_(std::move(action)), label_(std::move(label)) {}
    platform::ui::View body() const;

private:
    platform::ui::Binding<WindowAction> action_;
    std::string label_;
};

}  // namespace furlpane
