#pragma once

// ActionRules: the one shared object that says which trigger runs which action in which
// application.
//
// It holds Default Settings (`standard`), which apply to every application without a
// rule, and the rules (`applications`, one per bundle identifier, sorted by name after
// loading and after a rule is added). A rule either replaces Default Settings whole for
// its application or leaves the application alone (`isExcluded`). Two derived
// properties tell the event tap what to watch: `interceptedTriggers` (the triggers for
// which tapActionForTrigger can give an action in some application) and `hasHotkeys`
// (some enabled slot of Default Settings or of a rule that is not excluded has a
// recorded shortcut).
//
// Stored forms: "DefaultSettings" (one settings dictionary) and "Applications" (every
// rule), each rewritten whole right after every change of its part and before the
// derived properties are recomputed; loading writes nothing (action_settings.h).
//
// Observation: reading standard, applications, interceptedTriggers or hasHotkeys, or a
// lookup that reads the first two, registers the reader. Assigning standard or
// applications an equal value stores, writes and re-derives without notifying; a
// different value notifies. The in-place edits notify a change of the property they
// touch (standard for an absent bundle identifier, else applications) even when
// nothing really changed; an edit naming a bundle identifier without a rule notifies and
// writes nothing (removeApplication excepted, which always writes). The derived
// properties notify only when their value changes.
//
// Lookups take an optional bundle identifier: the settings of an identifier are those
// of the first rule with exactly that identifier, else Default Settings. Lookups are
// linear scans that touch no storage, cheap enough for the event tap's callback.
//
// Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/defaults/user_defaults.h"
#include "platform/runtime/observation.h"
#include "settings/model/action_settings.h"

namespace furlpane {

class ActionRules : public std::enable_shared_from_this<ActionRules> {
public:
    using BundleIdentifier = std::optional<std::string_view>;
    using SettingsChange = std::function<void(ActionSettings&)>;

    // Loads the rules from `defaults`, which must outlive the object.
    explicit ActionRules(platform::UserDefaults& defaults);
    ActionRules(const ActionRules&) = delete;
    ActionRules& operator=(const ActionRules&) = delete;

    // The program's rules, made on first use from the standard user defaults of that
    // moment (a later UserDefaults::setStandard does not reach it; replace the rules
    // too with setShared). Objects that live long hold them by shared_from_this(), so
    // that replacing the shared rules leaves none of them with a dangling reference.
    static ActionRules& shared();
    // Puts another object in place of the shared one (tests and tools).
    static ActionRules& setShared(std::shared_ptr<ActionRules> rules);
    // Lets the shared one go without making another, as a run of the program ends: the
    // next shared() makes one afresh from the standard defaults of its moment.
    static void releaseShared();

    const ActionSettings& standard() const { return standard_.get(); }
    void setStandard(ActionSettings settings);
    const std::vector<ApplicationRule>& applications() const { return applications_.get(); }
    // Keeps one rule per bundle identifier: of several, the last one given, at its
    // place in the list, as the stored dictionary would after a restart.
    void setApplications(std::vector<ApplicationRule> rules);
    const std::set<Trigger>& interceptedTriggers() const { return interceptedTriggers_.get(); }
    bool hasHotkeys() const { return hasHotkeys_.get(); }
    platform::UserDefaults& defaults() const { return *defaults_; }

    // The first rule with exactly this identifier; null for none or an absent one. The
    // pointer is valid until the rules next change.
    const ApplicationRule* ruleForBundleIdentifier(BundleIdentifier bundleIdentifier) const;
    // The action a trigger runs in an application (a click on a stand-in); nothing for
    // an application left alone or a trigger switched off.
    std::optional<WindowAction> actionForTrigger(Trigger trigger, BundleIdentifier bundleIdentifier) const;
    // As actionForTrigger, except that a Dock minimize on the minimize button or
    // Command-M gives nothing, so that the system minimizes the window itself.
    std::optional<WindowAction> tapActionForTrigger(Trigger trigger, BundleIdentifier bundleIdentifier) const;
    // The action of the first slot that is enabled, recorded, and whose shortcut is this
    // key press (flags limited to the four modifier bits).
    static std::optional<WindowAction> actionForHotkey(uint16_t keyCode, EventFlags flags,
                                                       const std::vector<HotkeyBinding>& hotkeys);
    // actionForHotkey over the slots that apply in an application: its rule's, nothing
    // when it is left alone, Default Settings' when it has no rule.
    std::optional<WindowAction> hotkeyActionInApplication(uint16_t keyCode, EventFlags flags,
                                                          BundleIdentifier bundleIdentifier) const;
    // The trigger's entry in the application's settings, else its factory setting;
    // shown whether or not the application is left alone.
    TriggerSetting triggerSetting(Trigger trigger, BundleIdentifier bundleIdentifier) const;
    // The first slot with this id; else a new enabled furlpane slot with this id
    // (nothing is added).
    HotkeyBinding hotkeyBinding(const Uuid& id, BundleIdentifier bundleIdentifier) const;
    // Every other recorded slot, enabled or not, whose shortcut is this key press; in
    // slot order. The shortcut recorder shows them as conflicts.
    std::vector<HotkeyBinding> clashingHotkeyBindings(uint16_t keyCode, EventFlags flags, const Uuid& recording,
                                                      BundleIdentifier bundleIdentifier) const;

    // Appends a rule starting from a copy of Default Settings and sorts by name;
    // nothing when the identifier already has a rule.
    void addApplication(std::string bundleIdentifier, std::string name);
    // Removes every rule with this identifier.
    void removeApplication(std::string_view bundleIdentifier);
    void setExcluded(bool isExcluded, std::string_view bundleIdentifier);
    void setTriggerSetting(BundleIdentifier bundleIdentifier, Trigger trigger, TriggerSetting setting);
    // Appends a new slot (HotkeyBinding::newSlot).
    void addHotkeyBinding(BundleIdentifier bundleIdentifier);
    // Runs `change` on the settings in place; when the identifier has no rule, the
    // change is not run.
    void modifySettings(BundleIdentifier bundleIdentifier, const SettingsChange& change);

    // Changes for modifySettings.
    static SettingsChange updateHotkeyBinding(HotkeyBinding binding);
    static SettingsChange removeHotkeyBinding(Uuid id);
    static SettingsChange setHotkey(Uuid id, Hotkey hotkey);

    // Recomputes interceptedTriggers and hasHotkeys from standard and applications.
    void refreshDerivedState();

private:
    const ActionSettings& settingsFor(BundleIdentifier bundleIdentifier) const;
    std::optional<size_t> ruleIndex(std::string_view bundleIdentifier) const;
    // Applies an edit to standard or to one rule inside a notified mutation, then
    // writes and re-derives. Returns false (and does nothing) without a rule.
    bool editSettings(BundleIdentifier bundleIdentifier, const SettingsChange& change);
    void editApplications(const std::function<void(std::vector<ApplicationRule>&)>& change);
    void writeStandard();
    void writeApplications();

    platform::UserDefaults* defaults_;
    platform::ObservationRegistrar registrar_;
    platform::Observed<ActionSettings> standard_;
    platform::Observed<std::vector<ApplicationRule>> applications_;
    platform::Observed<std::set<Trigger>> interceptedTriggers_;
    platform::Observed<bool> hasHotkeys_;
};

}  // namespace furlpane
