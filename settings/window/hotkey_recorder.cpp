#include "settings/window/hotkey_recorder.h"

#include "platform/ui/controls.h"
#include "platform/ui/views.h"

namespace furlpane {

namespace ui = platform::ui;

std::string HotkeyRecorder::shortcutText(const std::optional<Hotkey>& hotkey) {
    return hotkey ? hotkey->displayText() : "None";
}

ui::View HotkeyRecorder::body() const {
    const ui::View label = ui::Text(shortcutText(shortcut_.hotkey))
                               .monospaced()
                               .frame({.minWidth = kMinimumLabelWidth, .alignment = ui::Alignment::center()});
    return ui::Button(label, [] {}).help(kHelp);
}

}  // namespace furlpane
