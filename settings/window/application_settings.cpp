#include "settings/window/application_settings.h"

#include "platform/ui/controls.h"
#include "platform/ui/views.h"
#include "settings/window/action_picker.h"
#include "settings/window/hotkey_list.h"
#include "settings/window/rules_accessors.h"
#include "settings/window/tab_column.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

constexpr double kItemSpacing = 12;
constexpr double kGridColumnSpacing = 12;
constexpr double kGridRowSpacing = 6;

}  // namespace

std::string triggerRowLabel(Trigger trigger) {
    switch (trigger) {
    case Trigger::titleBarDoubleClick: return "Double-click the title bar";
    case Trigger::minimizeButton: return "Click the minimize button";
    case Trigger::controlTitleBarDoubleClick: return "Control-double-click the title bar";
    case Trigger::commandTitleBarDoubleClick: return "Command-double-click the title bar";
    case Trigger::commandM: return "Press Command-M";
    case Trigger::commandDoubleTap: return "Press Command twice";
    case Trigger::controlDoubleTap: return "Press Control twice";
    }
    return {};
}

ui::View ApplicationSettings::heading() const {
    if (!bundleIdentifier_) return note(kDefaultSettingsNote, NoteKind::informs, NoteIndent::none);
    return ui::VStack({ui::Toggle(kLeaveAloneTitle, excludedAccessor(rules_, *bundleIdentifier_)), note(kLeaveAloneNote)},
                      {.alignment = ui::HorizontalAlignment::leading, .spacing = 4});
}

ui::View ApplicationSettings::triggerGrid() const {
    std::vector<ui::View> rows;
    for (Trigger trigger : allCases<Trigger>()) {
        const ui::Binding<TriggerSetting> setting = triggerSettingAccessor(rules_, trigger, bundleIdentifier_);
        const std::string label = triggerRowLabel(trigger);
        const bool isOn = rules_->triggerSetting(trigger, settingsSet(bundleIdentifier_)).isEnabled;
        rows.push_back(ui::GridRow({ui::Toggle(label, setting.field(&TriggerSetting::isEnabled)),
                                    ui::View(ActionPicker(setting.field(&TriggerSetting::action), label)).disabled(!isOn)}));
    }
    return ui::Grid(std::move(rows), {.alignment = ui::Alignment::leading(),
                                      .horizontalSpacing = kGridColumnSpacing,
                                      .verticalSpacing = kGridRowSpacing});
}

ui::View ApplicationSettings::body() const {
    const bool leftAlone = isLeftAlone(*rules_, bundleIdentifier_);
    return ui::VStack({heading(), triggerGrid().disabled(leftAlone),
                       note(kOptionNote, NoteKind::informs, NoteIndent::none), ui::Divider(),
                       ui::View(HotkeyList(rules_, bundleIdentifier_)).disabled(leftAlone)},
                      {.alignment = ui::HorizontalAlignment::leading, .spacing = kItemSpacing});
}

}  // namespace furlpane
