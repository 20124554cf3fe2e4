#pragma once

// The read-write accessors through which the Actions tab's controls edit the rules.
//
// The views of the Actions tab name the settings they edit by an optional bundle
// identifier: none means Default Settings, one means the own settings of the rule with
// exactly that identifier. Each accessor reads the shared rules at every rebuild (so the
// control follows them through observation) and hands every write to one operation of
// ActionRules, which stores it at once. A control bound to one field of a setting writes
// the whole setting: the changed field with the others as they read at that moment.
// While no rule has the identifier, the reads give what Default Settings holds and the
// writes change nothing.

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/binding.h"
#include "settings/model/action_rules.h"

namespace furlpane {

// The settings set an optional identifier names, as ActionRules takes it.
inline ActionRules::BundleIdentifier settingsSet(const std::optional<std::string>& bundleIdentifier) {
    return bundleIdentifier ? ActionRules::BundleIdentifier(*bundleIdentifier) : std::nullopt;
}

// The application is listed and left alone. Default Settings, and an identifier without
// a rule, are never left alone.
bool isLeftAlone(const ActionRules& rules, const std::optional<std::string>& bundleIdentifier);

// The rule's left-alone flag (false without a rule); writes go to setExcluded.
platform::ui::Binding<bool> excludedAccessor(std::shared_ptr<ActionRules> rules, std::string bundleIdentifier);

// The trigger's setting (its factory setting while none is stored); writes go to
// setTriggerSetting.
platform::ui::Binding<TriggerSetting> triggerSettingAccessor(std::shared_ptr<ActionRules> rules, Trigger trigger,
                                                             std::optional<std::string> bundleIdentifier);

// The shortcut slot with this id (a fresh enabled furlpane slot with that id while none
// has it); a write replaces the stored slot with that id, whole, through modifySettings.
platform::ui::Binding<HotkeyBinding> hotkeyBindingAccessor(std::shared_ptr<ActionRules> rules, Uuid id,
                                                           std::optional<std::string> bundleIdentifier);

}  // namespace furlpane
