#include "settings/window/action_picker.h"

#include "platform/ui/controls.h"
#include "platform/ui/views.h"

namespace furlpane {

namespace ui = platform::ui;

std::string actionTitle(WindowAction action) {
    switch (action) {
    case WindowAction::furlpane: return "Furlpane";
    case WindowAction::minimizeInPlace: return "Minimize-In-Place";
    case WindowAction::hideApplication: return "Hide Application";
    case WindowAction::floatOnTop: return "Float On Top";
    case WindowAction::minimizeToDock: return "Minimize To Dock";
    case WindowAction::doNothing: return "Do Nothing";
    }
    return "Furlpane";
}

ui::View ActionPicker::body() const {
    std::vector<ui::View> items;
    for (WindowAction action : allCases<WindowAction>()) {
        // Minimize To Dock and Do Nothing stand apart, under a separator.
        if (action == WindowAction::minimizeToDock) items.push_back(ui::Divider());
        items.push_back(ui::Text(actionTitle(action)).tag(action));
    }
    return ui::Picker(label_, action_, std::move(items)).help(kHelp).labelsHidden().fixedSize();
}

}  // namespace furlpane
