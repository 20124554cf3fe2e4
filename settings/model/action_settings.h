#pragma once

// One settings collection (ActionSettings: what each trigger does and the shortcut
// slots) and one application's rule (ApplicationRule), with their stored forms.
//
// Stored form of a collection, a property-list dictionary:
//   "Events":  trigger's stored string -> { "Action": action's stored string,
//                                           "Enabled": Boolean }, all seven triggers
//   "Hotkeys": array of slots, in slot order (HotkeyBinding::encode)
// A rule adds "Name" (String) and "Excluded" (Boolean); the rules are stored as one
// dictionary from bundle identifier to rule.
//
// Decoding is lenient and never fails: every value of the wrong type falls back to
// what the absence of that value means, so a damaged entry costs only itself.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/plist/value.h"
#include "settings/model/hotkey.h"
#include "settings/model/triggers.h"

namespace furlpane {

struct ActionSettings {
    // A trigger without an entry behaves as its factory setting.
    std::map<Trigger, TriggerSetting> triggers;
    // The shortcut slots, in the order the user added them.
    std::vector<HotkeyBinding> hotkeys;

    // Every trigger with its factory setting and no slots: Default Settings when none
    // are stored.
    static const ActionSettings& factoryDefaults();

    // The trigger's entry, else its factory setting.
    TriggerSetting setting(Trigger trigger) const;
    // What the trigger runs under these settings; nothing when it is switched off.
    std::optional<WindowAction> action(Trigger trigger) const;
    // As action(), except that a Dock minimize on the minimize button or Command-M is
    // left to the system, which then minimizes the window itself.
    std::optional<WindowAction> tapAction(Trigger trigger) const;
    // Some enabled slot has a recorded shortcut.
    bool hasActiveHotkey() const;

    // Edits the settings window makes through ActionRules::modifySettings.
    // Replaces the first slot with the binding's id; nothing when none has it.
    void updateHotkeyBinding(const HotkeyBinding& binding);
    // Removes every slot with that id.
    void removeHotkeyBinding(const Uuid& id);
    // Records the shortcut on the slot with that id and takes it off every other slot
    // of these settings, so that one shortcut is recorded at most once here. Nothing
    // when no slot has the id. Modifier bits other than the four are dropped.
    void setHotkey(const Uuid& id, Hotkey hotkey);

    plist::Dictionary encode() const;
    static ActionSettings decode(const plist::Dictionary& stored);

    friend bool operator==(const ActionSettings&, const ActionSettings&) = default;
};

struct ApplicationRule {
    // The application's bundle identifier: the rule's identity.
    std::string bundleIdentifier;
    // The application's display name; the rules are sorted by it.
    std::string name;
    // The application is left alone: no trigger and no shortcut acts in it.
    bool isExcluded = false;
    // Used instead of Default Settings, whole.
    ActionSettings settings;

    // The settings' stored form plus "Name" and "Excluded".
    plist::Dictionary encode() const;
    // A missing or non-String "Name" gives the bundle identifier, a missing or
    // non-Boolean "Excluded" false.
    static ApplicationRule decode(std::string bundleIdentifier, const plist::Dictionary& stored);

    friend bool operator==(const ApplicationRule&, const ApplicationRule&) = default;
};

// The stored "Applications" dictionary of the rules, in list order.
plist::Dictionary encodeApplications(const std::vector<ApplicationRule>& rules);
// Every entry whose value is a dictionary becomes a rule, in stored order; entries of
// other types are skipped.
std::vector<ApplicationRule> decodeApplications(const plist::Dictionary& stored);
// Sorts in Finder order of name; rules with equal names keep their relative order.
void sortByName(std::vector<ApplicationRule>& rules);

}  // namespace furlpane
