#include "settings/model/action_settings.h"

#include <algorithm>

#include "settings/model/name_order.h"

namespace furlpane {

namespace {

bool leavesMinimizeToSystem(Trigger trigger, WindowAction action) {
    return (trigger == Trigger::minimizeButton || trigger == Trigger::commandM) &&
           action == WindowAction::minimizeToDock;
}

plist::Dictionary encodeSetting(const TriggerSetting& setting) {
    return plist::Dictionary{{"Action", plist::Value(std::string(rawValue(setting.action)))},
                             {"Enabled", plist::Value(setting.isEnabled)}};
}

TriggerSetting decodeSetting(Trigger trigger, const plist::Dictionary& stored) {
    TriggerSetting setting = factorySetting(trigger);
    if (const plist::Value* action = stored.find("Action"); action && action->string()) {
        setting.action = fromRawValue<WindowAction>(std::string_view(*action->string())).value_or(setting.action);
    }
    if (const plist::Value* enabled = stored.find("Enabled"); enabled && enabled->boolean()) {
        setting.isEnabled = *enabled->boolean();
    }
    return setting;
}

}  // namespace

const ActionSettings& ActionSettings::factoryDefaults() {
    static const ActionSettings defaults = [] {
        ActionSettings settings;
        for (Trigger trigger : allCases<Trigger>()) settings.triggers[trigger] = factorySetting(trigger);
        return settings;
    }();
    return defaults;
}

TriggerSetting ActionSettings::setting(Trigger trigger) const {
    auto it = triggers.find(trigger);
    return it == triggers.end() ? factorySetting(trigger) : it->second;
}

std::optional<WindowAction> ActionSettings::action(Trigger trigger) const {
    const TriggerSetting s = setting(trigger);
    if (!s.isEnabled) return std::nullopt;
    return s.action;
}

std::optional<WindowAction> ActionSettings::tapAction(Trigger trigger) const {
    const auto found = action(trigger);
    if (found && leavesMinimizeToSystem(trigger, *found)) return std::nullopt;
    return found;
}

bool ActionSettings::hasActiveHotkey() const {
    return std::any_of(hotkeys.begin(), hotkeys.end(), [](const HotkeyBinding& s) { return s.isEnabled && s.hotkey; });
}

void ActionSettings::updateHotkeyBinding(const HotkeyBinding& binding) {
    auto it = std::find_if(hotkeys.begin(), hotkeys.end(), [&](const HotkeyBinding& s) { return s.id == binding.id; });
    if (it != hotkeys.end()) *it = binding;
}

void ActionSettings::removeHotkeyBinding(const Uuid& id) {
    std::erase_if(hotkeys, [&](const HotkeyBinding& s) { return s.id == id; });
}

void ActionSettings::setHotkey(const Uuid& id, Hotkey hotkey) {
    const bool known = std::any_of(hotkeys.begin(), hotkeys.end(), [&](const HotkeyBinding& s) { return s.id == id; });
    if (!known) return;
    hotkey.modifiers &= modifier::all;
    for (HotkeyBinding& slot : hotkeys) {
        if (slot.id == id) {
            slot.hotkey = hotkey;
        } else if (slot.hotkey && slot.hotkey->isSameShortcut(hotkey.keyCode, hotkey.modifiers)) {
            slot.hotkey.reset();
        }
    }
}

plist::Dictionary ActionSettings::encode() const {
    plist::Dictionary events;
    for (Trigger trigger : allCases<Trigger>()) events.set(std::string(rawValue(trigger)), encodeSetting(setting(trigger)));
    plist::Array slots;
    slots.reserve(hotkeys.size());
    for (const HotkeyBinding& slot : hotkeys) slots.push_back(slot.encode());
    return plist::Dictionary{{"Events", std::move(events)}, {"Hotkeys", std::move(slots)}};
}

ActionSettings ActionSettings::decode(const plist::Dictionary& stored) {
    ActionSettings settings;
    const plist::Value* events = stored.find("Events");
    if (events && events->dictionary()) {
        for (Trigger trigger : allCases<Trigger>()) {
            const plist::Value* entry = events->dictionary()->find(rawValue(trigger));
            if (entry && entry->dictionary()) settings.triggers[trigger] = decodeSetting(trigger, *entry->dictionary());
        }
    }
    // A damaged element costs only itself: the slots around it load as stored, so the
    // next write does not drop them.
    const plist::Value* slots = stored.find("Hotkeys");
    if (slots && slots->array()) {
        for (const plist::Value& slot : *slots->array()) {
            if (slot.dictionary()) settings.hotkeys.push_back(HotkeyBinding::decode(*slot.dictionary()));
        }
    }
    return settings;
}

plist::Dictionary ApplicationRule::encode() const {
    plist::Dictionary stored = settings.encode();
    stored.set("Name", plist::Value(name));
    stored.set("Excluded", plist::Value(isExcluded));
    return stored;
}

ApplicationRule ApplicationRule::decode(std::string bundleIdentifier, const plist::Dictionary& stored) {
    ApplicationRule rule;
    const plist::Value* name = stored.find("Name");
    rule.name = name && name->string() ? *name->string() : bundleIdentifier;
    const plist::Value* excluded = stored.find("Excluded");
    rule.isExcluded = excluded && excluded->boolean() ? *excluded->boolean() : false;
    rule.settings = ActionSettings::decode(stored);
    rule.bundleIdentifier = std::move(bundleIdentifier);
    return rule;
}

plist::Dictionary encodeApplications(const std::vector<ApplicationRule>& rules) {
    plist::Dictionary stored;
    for (const ApplicationRule& rule : rules) stored.set(rule.bundleIdentifier, rule.encode());
    return stored;
}

std::vector<ApplicationRule> decodeApplications(const plist::Dictionary& stored) {
    std::vector<ApplicationRule> rules;
    for (size_t i = 0; i < stored.size(); ++i) {
        const plist::Value& value = stored.valueAt(i);
        if (value.dictionary()) rules.push_back(ApplicationRule::decode(std::string(stored.keyAt(i)), *value.dictionary()));
    }
    return rules;
}

void sortByName(std::vector<ApplicationRule>& rules) {
    std::stable_sort(rules.begin(), rules.end(),
                     [](const ApplicationRule& a, const ApplicationRule& b) { return precedesInFinderOrder(a.name, b.name); });
}

}  // namespace furlpane
