#include "settings/window/hotkey_list.h"

#include "platform/ui/controls.h"
#include "platform/ui/views.h"
#include "settings/window/action_picker.h"
#include "settings/window/hotkey_recorder.h"
#include "settings/window/rules_accessors.h"
#include "settings/window/tab_column.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

constexpr double kItemSpacing = 6;

}  // namespace

std::vector<HotkeyBinding> HotkeyList::bindings() const {
    if (const ApplicationRule* rule = rules_->ruleForBundleIdentifier(settingsSet(bundleIdentifier_))) {
        return rule->settings.hotkeys;
    }
    return rules_->standard().hotkeys;
}

void HotkeyList::addShortcut() const { rules_->addHotkeyBinding(settingsSet(bundleIdentifier_)); }

void HotkeyList::removeShortcut(const HotkeyBinding& binding) const {
    rules_->modifySettings(settingsSet(bundleIdentifier_), ActionRules::removeHotkeyBinding(binding.id));
}

ui::View HotkeyList::row(const HotkeyBinding& binding) const {
    const ui::Binding<HotkeyBinding> slot = hotkeyBindingAccessor(rules_, binding.id, bundleIdentifier_);
    const HotkeyList list = *this;
    return ui::HStack({ui::Toggle("", slot.field(&HotkeyBinding::isEnabled)),
                       HotkeyRecorder(rules_, binding, bundleIdentifier_),
                       ActionPicker(slot.field(&HotkeyBinding::action)),
                       ui::Button(ui::SymbolImage("minus.circle"), [list, binding] { list.removeShortcut(binding); })
                           .buttonStyle(ui::ButtonStyle::borderless)
                           .help(kRemoveHelp)});
}

ui::View HotkeyList::body() const {
    std::vector<ui::View> items;
    for (const HotkeyBinding& binding : bindings()) items.push_back(row(binding).id(binding.id.toString()));
    const HotkeyList list = *this;
    // Named, so that they keep their identity however many rows stand above them.
    items.push_back(ui::Button(kAddTitle, [list] { list.addShortcut(); }).controlSize(ui::ControlSize::small).id("add"));
    items.push_back(note(kNote, NoteKind::informs, NoteIndent::none).id("note"));
    return ui::VStack(std::move(items), {.alignment = ui::HorizontalAlignment::leading, .spacing = kItemSpacing});
}

}  // namespace furlpane
