#include "settings/window/rules_accessors.h"

namespace furlpane {

namespace ui = platform::ui;

bool isLeftAlone(const ActionRules& rules, const std::optional<std::string>& bundleIdentifier) {
    const ApplicationRule* rule = rules.ruleForBundleIdentifier(settingsSet(bundleIdentifier));
    return rule && rule->isExcluded;
}

ui::Binding<bool> excludedAccessor(std::shared_ptr<ActionRules> rules, std::string bundleIdentifier) {
    return ui::Binding<bool>([rules, bundleIdentifier] { return isLeftAlone(*rules, bundleIdentifier); },
                             [rules, bundleIdentifier](bool excluded) { rules->setExcluded(excluded, bundleIdentifier); });
}

ui::Binding<TriggerSetting> triggerSettingAccessor(std::shared_ptr<ActionRules> rules, Trigger trigger,
                                                   std::optional<std::string> bundleIdentifier) {
    return ui::Binding<TriggerSetting>(
        [rules, trigger, bundleIdentifier] { return rules->triggerSetting(trigger, settingsSet(bundleIdentifier)); },
        [rules, trigger, bundleIdentifier](TriggerSetting setting) {
            rules->setTriggerSetting(settingsSet(bundleIdentifier), trigger, setting);
        });
}

ui::Binding<HotkeyBinding> hotkeyBindingAccessor(std::shared_ptr<ActionRules> rules, Uuid id,
                                                 std::optional<std::string> bundleIdentifier) {
    return ui::Binding<HotkeyBinding>(
        [rules, id, bundleIdentifier] { return rules->hotkeyBinding(id, settingsSet(bundleIdentifier)); },
        [rules, bundleIdentifier](HotkeyBinding binding) {
            rules->modifySettings(settingsSet(bundleIdentifier), ActionRules::updateHotkeyBinding(std::move(binding)));
        });
}

}  // namespace furlpane
