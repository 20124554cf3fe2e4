#include "settings/window/hotkey_recorder.h"

#include "platform/ui/controls.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"
#include "settings/window/hotkey_recorder_sheet.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

struct RecorderState {
    ui::State<bool> isChoosing{false};
    // The slot as it stood when the sheet was asked for: the sheet records into that.
    HotkeyBinding presented;
};

}  // namespace

std::string HotkeyRecorder::shortcutText(const std::optional<Hotkey>& hotkey) {
    return hotkey ? hotkey->displayText() : "None";
}

ui::View HotkeyRecorder::body() const {
    const HotkeyRecorder recorder = *this;
    return ui::WithState<RecorderState>([recorder](const std::shared_ptr<RecorderState>& state) {
        const ui::View label = ui::Text(shortcutText(recorder.shortcut_.hotkey))
                                   .monospaced()
                                   .frame({.minWidth = kMinimumLabelWidth, .alignment = ui::Alignment::center()});
        const HotkeyBinding shortcut = recorder.shortcut_;
        return ui::Button(label,
                          [state, shortcut] {
                              state->presented = shortcut;
                              state->isChoosing.set(true);
                          })
            .help(kHelp)
            .sheet(state->isChoosing.binding(), [recorder, state] {
                return HotkeyRecorderSheet(recorder.rules_, state->presented, recorder.bundleIdentifier_);
            });
    });
}

}  // namespace furlpane
