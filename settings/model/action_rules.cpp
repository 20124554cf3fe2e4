#include "settings/model/action_rules.h"

#include <algorithm>
#include <unordered_set>

#include "platform/runtime/process_once.h"

namespace furlpane {

namespace {

constexpr std::string_view kDefaultSettingsKey = "DefaultSettings";
constexpr std::string_view kApplicationsKey = "Applications";

std::shared_ptr<ActionRules>& sharedSlot() {
    static platform::ProcessLocal<std::shared_ptr<ActionRules>> slot;
    return slot.get();
}

ActionSettings loadStandard(const platform::UserDefaults& defaults) {
    if (auto stored = defaults.dictionary(kDefaultSettingsKey)) return ActionSettings::decode(*stored);
    return ActionSettings::factoryDefaults();
}

std::vector<ApplicationRule> loadApplications(const platform::UserDefaults& defaults) {
    std::vector<ApplicationRule> rules;
    if (auto stored = defaults.dictionary(kApplicationsKey)) rules = decodeApplications(*stored);
    sortByName(rules);
    return rules;
}

// Of several rules for one identifier, the last wins, at its own place.
void keepLastRulePerIdentifier(std::vector<ApplicationRule>& rules) {
    std::unordered_set<std::string> seen;
    std::vector<ApplicationRule> kept;
    kept.reserve(rules.size());
    for (auto it = rules.rbegin(); it != rules.rend(); ++it) {
        if (seen.insert(it->bundleIdentifier).second) kept.push_back(std::move(*it));
    }
    std::reverse(kept.begin(), kept.end());
    rules = std::move(kept);
}

}  // namespace

ActionRules::ActionRules(platform::UserDefaults& defaults)
    : defaults_(&defaults),
      standard_(registrar_, loadStandard(defaults)),
      applications_(registrar_, loadApplications(defaults)),
      interceptedTriggers_(registrar_, {}),
      hasHotkeys_(registrar_, false) {
    refreshDerivedState();
}

ActionRules& ActionRules::shared() {
    auto& slot = sharedSlot();
    if (!slot) slot = std::make_shared<ActionRules>(platform::UserDefaults::standard());
    return *slot;
}

ActionRules& ActionRules::setShared(std::shared_ptr<ActionRules> rules) {
    sharedSlot() = std::move(rules);
    return shared();
}

void ActionRules::releaseShared() { sharedSlot().reset(); }

void ActionRules::setStandard(ActionSettings settings) {
    const auto store = [&] {
        standard_.setSilently(std::move(settings));
        writeStandard();
        refreshDerivedState();
    };
    if (standard_.peek() == settings) {
        store();
    } else {
        registrar_.withMutation(standard_.key(), store);
    }
}

void ActionRules::setApplications(std::vector<ApplicationRule> rules) {
    keepLastRulePerIdentifier(rules);
    const auto store = [&] {
        applications_.setSilently(std::move(rules));
        writeApplications();
        refreshDerivedState();
    };
    if (applications_.peek() == rules) {
        store();
    } else {
        registrar_.withMutation(applications_.key(), store);
    }
}

const ApplicationRule* ActionRules::ruleForBundleIdentifier(BundleIdentifier bundleIdentifier) const {
    if (!bundleIdentifier) return nullptr;
    for (const ApplicationRule& rule : applications()) {
        if (rule.bundleIdentifier == *bundleIdentifier) return &rule;
    }
    return nullptr;
}

const ActionSettings& ActionRules::settingsFor(BundleIdentifier bundleIdentifier) const {
    if (const ApplicationRule* rule = ruleForBundleIdentifier(bundleIdentifier)) return rule->settings;
    return standard();
}

std::optional<WindowAction> ActionRules::actionForTrigger(Trigger trigger, BundleIdentifier bundleIdentifier) const {
    const ApplicationRule* rule = ruleForBundleIdentifier(bundleIdentifier);
    if (rule && rule->isExcluded) return std::nullopt;
    return (rule ? rule->settings : standard()).action(trigger);
}

std::optional<WindowAction> ActionRules::tapActionForTrigger(Trigger trigger, BundleIdentifier bundleIdentifier) const {
    const ApplicationRule* rule = ruleForBundleIdentifier(bundleIdentifier);
    if (rule && rule->isExcluded) return std::nullopt;
    return (rule ? rule->settings : standard()).tapAction(trigger);
}

std::optional<WindowAction> ActionRules::actionForHotkey(uint16_t keyCode, EventFlags flags,
                                                         const std::vector<HotkeyBinding>& hotkeys) {
    for (const HotkeyBinding& slot : hotkeys) {
        if (slot.matches(keyCode, flags)) return slot.action;
    }
    return std::nullopt;
}

std::optional<WindowAction> ActionRules::hotkeyActionInApplication(uint16_t keyCode, EventFlags flags,
                                                                   BundleIdentifier bundleIdentifier) const {
    const ApplicationRule* rule = ruleForBundleIdentifier(bundleIdentifier);
    if (rule && rule->isExcluded) return std::nullopt;
    return actionForHotkey(keyCode, flags, (rule ? rule->settings : standard()).hotkeys);
}

TriggerSetting ActionRules::triggerSetting(Trigger trigger, BundleIdentifier bundleIdentifier) const {
    return settingsFor(bundleIdentifier).setting(trigger);
}

HotkeyBinding ActionRules::hotkeyBinding(const Uuid& id, BundleIdentifier bundleIdentifier) const {
    for (const HotkeyBinding& slot : settingsFor(bundleIdentifier).hotkeys) {
        if (slot.id == id) return slot;
    }
    return HotkeyBinding::newSlot(id);
}

std::vector<HotkeyBinding> ActionRules::clashingHotkeyBindings(uint16_t keyCode, EventFlags flags, const Uuid& recording,
                                                               BundleIdentifier bundleIdentifier) const {
    std::vector<HotkeyBinding> clashes;
    for (const HotkeyBinding& slot : settingsFor(bundleIdentifier).hotkeys) {
        if (slot.id != recording && slot.hotkey && slot.hotkey->isSameShortcut(keyCode, flags)) clashes.push_back(slot);
    }
    return clashes;
}

void ActionRules::addApplication(std::string bundleIdentifier, std::string name) {
    if (ruleIndex(bundleIdentifier)) return;
    std::vector<ApplicationRule> rules = applications_.peek();
    rules.push_back(ApplicationRule{std::move(bundleIdentifier), std::move(name), false, standard_.peek()});
    sortByName(rules);
    setApplications(std::move(rules));
}

void ActionRules::removeApplication(std::string_view bundleIdentifier) {
    editApplications([&](std::vector<ApplicationRule>& rules) {
        std::erase_if(rules, [&](const ApplicationRule& r) { return r.bundleIdentifier == bundleIdentifier; });
    });
}

void ActionRules::setExcluded(bool isExcluded, std::string_view bundleIdentifier) {
    const auto index = ruleIndex(bundleIdentifier);
    if (!index) return;
    editApplications([&](std::vector<ApplicationRule>& rules) { rules[*index].isExcluded = isExcluded; });
}

void ActionRules::setTriggerSetting(BundleIdentifier bundleIdentifier, Trigger trigger, TriggerSetting setting) {
    editSettings(bundleIdentifier, [&](ActionSettings& settings) { settings.triggers[trigger] = setting; });
}

void ActionRules::addHotkeyBinding(BundleIdentifier bundleIdentifier) {
    editSettings(bundleIdentifier, [](ActionSettings& settings) { settings.hotkeys.push_back(HotkeyBinding::newSlot()); });
}

void ActionRules::modifySettings(BundleIdentifier bundleIdentifier, const SettingsChange& change) {
    editSettings(bundleIdentifier, change);
}

ActionRules::SettingsChange ActionRules::updateHotkeyBinding(HotkeyBinding binding) {
    return [binding = std::move(binding)](ActionSettings& settings) { settings.updateHotkeyBinding(binding); };
}

ActionRules::SettingsChange ActionRules::removeHotkeyBinding(Uuid id) {
    return [id](ActionSettings& settings) { settings.removeHotkeyBinding(id); };
}

ActionRules::SettingsChange ActionRules::setHotkey(Uuid id, Hotkey hotkey) {
    return [id, hotkey = std::move(hotkey)](ActionSettings& settings) { settings.setHotkey(id, hotkey); };
}

void ActionRules::refreshDerivedState() {
    std::vector<const ActionSettings*> considered{&standard_.peek()};
    for (const ApplicationRule& rule : applications_.peek()) {
        if (!rule.isExcluded) considered.push_back(&rule.settings);
    }
    std::set<Trigger> watched;
    for (Trigger trigger : allCases<Trigger>()) {
        const bool any = std::any_of(considered.begin(), considered.end(),
                                     [&](const ActionSettings* s) { return s->tapAction(trigger).has_value(); });
        if (any) watched.insert(trigger);
    }
    const bool hotkeys = std::any_of(considered.begin(), considered.end(),
                                     [](const ActionSettings* s) { return s->hasActiveHotkey(); });
    interceptedTriggers_.set(std::move(watched));
    hasHotkeys_.set(hotkeys);
}

std::optional<size_t> ActionRules::ruleIndex(std::string_view bundleIdentifier) const {
    const auto& rules = applications_.peek();
    for (size_t i = 0; i < rules.size(); ++i) {
        if (rules[i].bundleIdentifier == bundleIdentifier) return i;
    }
    return std::nullopt;
}

bool ActionRules::editSettings(BundleIdentifier bundleIdentifier, const SettingsChange& change) {
    if (!bundleIdentifier) {
        registrar_.withMutation(standard_.key(), [&] {
            ActionSettings settings = standard_.peek();
            change(settings);
            standard_.setSilently(std::move(settings));
            writeStandard();
            refreshDerivedState();
        });
        return true;
    }
    const auto index = ruleIndex(*bundleIdentifier);
    if (!index) return false;
    editApplications([&](std::vector<ApplicationRule>& rules) { change(rules[*index].settings); });
    return true;
}

void ActionRules::editApplications(const std::function<void(std::vector<ApplicationRule>&)>& change) {
    registrar_.withMutation(applications_.key(), [&] {
        std::vector<ApplicationRule> rules = applications_.peek();
        change(rules);
        applications_.setSilently(std::move(rules));
        writeApplications();
        refreshDerivedState();
    });
}

void ActionRules::writeStandard() { defaults_->set(kDefaultSettingsKey, standard_.peek().encode()); }

void ActionRules::writeApplications() { defaults_->set(kApplicationsKey, encodeApplications(applications_.peek())); }

}  // namespace furlpane
