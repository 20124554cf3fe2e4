// Which action a trigger or shortcut runs in an application, the watched triggers, the
// edits of the settings window, and who is told of what.

#include "settings/model/action_rules.h"

#include <gtest/gtest.h>

#include "settings_test_support.h"

namespace furlpane {
namespace {

using testing::Follower;
using testing::RecordingDefaults;
using Triggers = std::set<Trigger>;

constexpr std::nullopt_t kDefault = std::nullopt;

struct Rules : ::testing::Test {
    RecordingDefaults defaults;
    ActionRules rules{defaults};

    Uuid addSlot(ActionRules::BundleIdentifier app, Hotkey hotkey, WindowAction action = WindowAction::furlpane) {
        rules.addHotkeyBinding(app);
        const auto& slots = app ? rules.ruleForBundleIdentifier(app)->settings.hotkeys : rules.standard().hotkeys;
        HotkeyBinding slot = slots.back();
        slot.action = action;
        rules.modifySettings(app, ActionRules::updateHotkeyBinding(slot));
        rules.modifySettings(app, ActionRules::setHotkey(slot.id, std::move(hotkey)));
        return slot.id;
    }
};

const Hotkey kCommandK{40, modifier::command, "K"};

TEST_F(Rules, WithNothingStoredOnlyTheFactorySettingsAct) {
    const std::vector<TriggerSetting> factory{
        {WindowAction::furlpane, true},       {WindowAction::minimizeToDock, true}, {WindowAction::floatOnTop, true},
        {WindowAction::minimizeInPlace, false}, {WindowAction::minimizeToDock, true}, {WindowAction::floatOnTop, false},
        {WindowAction::minimizeInPlace, false}};
    for (size_t i = 0; i < factory.size(); ++i) {
        const Trigger t = allCases<Trigger>()[i];
        EXPECT_EQ(rules.triggerSetting(t, "com.any"), factory[i]);
        EXPECT_EQ(rules.actionForTrigger(t, kDefault), factory[i].isEnabled ? std::optional(factory[i].action) : std::nullopt);
    }
    // A Dock minimize on the minimize button or Command-M is left to the system.
    EXPECT_EQ(rules.tapActionForTrigger(Trigger::minimizeButton, kDefault), std::nullopt);
    EXPECT_EQ(rules.tapActionForTrigger(Trigger::commandM, kDefault), std::nullopt);
    EXPECT_EQ(rules.tapActionForTrigger(Trigger::titleBarDoubleClick, kDefault), WindowAction::furlpane);
    EXPECT_EQ(rules.interceptedTriggers(), (Triggers{Trigger::titleBarDoubleClick, Trigger::controlTitleBarDoubleClick}));
    EXPECT_FALSE(rules.hasHotkeys());
}

TEST_F(Rules, AnExcludedApplicationGetsNothingButStillShowsItsSettings) {
    rules.addApplication("com.left.alone", "Alone");
    rules.setTriggerSetting("com.left.alone", Trigger::commandM, {WindowAction::floatOnTop, true});
    addSlot("com.left.alone", kCommandK);
    rules.setExcluded(true, "com.left.alone");
    for (Trigger t : allCases<Trigger>()) {
        EXPECT_EQ(rules.actionForTrigger(t, "com.left.alone"), std::nullopt);
        EXPECT_EQ(rules.tapActionForTrigger(t, "com.left.alone"), std::nullopt);
    }
    EXPECT_EQ(rules.triggerSetting(Trigger::commandM, "com.left.alone"), (TriggerSetting{WindowAction::floatOnTop, true}));
    EXPECT_EQ(rules.hotkeyActionInApplication(40, modifier::command, "com.left.alone"), std::nullopt);
    EXPECT_FALSE(rules.hasHotkeys()) << "an excluded rule's shortcuts do not count";
}

TEST_F(Rules, ARuleReplacesDefaultSettingsWhole) {
    rules.setTriggerSetting(kDefault, Trigger::commandDoubleTap, {WindowAction::hideApplication, true});
    rules.setApplications({ApplicationRule{"com.own", "Own", false, ActionSettings{}}});
    // The rule has no entry: the factory setting decides, not Default Settings.
    EXPECT_EQ(rules.actionForTrigger(Trigger::commandDoubleTap, "com.own"), std::nullopt);
    EXPECT_EQ(rules.actionForTrigger(Trigger::commandDoubleTap, "com.other"), WindowAction::hideApplication);
    EXPECT_EQ(rules.actionForTrigger(Trigger::commandDoubleTap, "COM.OWN"), WindowAction::hideApplication)
        << "identifiers compare exactly";
    EXPECT_EQ(rules.triggerSetting(Trigger::commandDoubleTap, "com.own"), factorySetting(Trigger::commandDoubleTap));
}

TEST_F(Rules, WatchedTriggersFollowEveryRuleThatIsNotExcluded) {
    rules.addApplication("com.a", "A");
    rules.setTriggerSetting("com.a", Trigger::minimizeButton, {WindowAction::floatOnTop, true});
    EXPECT_TRUE(rules.interceptedTriggers().contains(Trigger::minimizeButton));
    EXPECT_EQ(rules.tapActionForTrigger(Trigger::minimizeButton, "com.a"), WindowAction::floatOnTop);
    rules.setExcluded(true, "com.a");
    EXPECT_FALSE(rules.interceptedTriggers().contains(Trigger::minimizeButton));

    // Default Settings switch the double-click off; a rule without an entry still watches.
    rules.setExcluded(false, "com.a");
    rules.setTriggerSetting(kDefault, Trigger::titleBarDoubleClick, {WindowAction::furlpane, false});
    EXPECT_TRUE(rules.interceptedTriggers().contains(Trigger::titleBarDoubleClick));
    rules.setTriggerSetting("com.a", Trigger::titleBarDoubleClick, {WindowAction::furlpane, false});
    EXPECT_FALSE(rules.interceptedTriggers().contains(Trigger::titleBarDoubleClick));

    // Doing nothing is an action: the event is swallowed, so the trigger is watched.
    rules.setTriggerSetting(kDefault, Trigger::titleBarDoubleClick, {WindowAction::doNothing, true});
    EXPECT_TRUE(rules.interceptedTriggers().contains(Trigger::titleBarDoubleClick));
    EXPECT_EQ(rules.tapActionForTrigger(Trigger::titleBarDoubleClick, "com.b"), WindowAction::doNothing);
}

TEST_F(Rules, ShortcutsMatchByKeyAndTheFourModifiersInSlotOrder) {
    std::vector<HotkeyBinding> slots(4, HotkeyBinding::newSlot());  // the first one unrecorded
    slots[1].hotkey = kCommandK;
    slots[1].isEnabled = false;
    slots[2].hotkey = kCommandK;
    slots[2].action = WindowAction::minimizeInPlace;
    slots[3].hotkey = kCommandK;
    slots[3].action = WindowAction::floatOnTop;
    // Caps Lock and device bits take no part.
    EXPECT_EQ(ActionRules::actionForHotkey(40, modifier::command | 0x10000 | 0x100, slots), WindowAction::minimizeInPlace);
    EXPECT_EQ(ActionRules::actionForHotkey(40, modifier::command | modifier::shift, slots), std::nullopt);
    EXPECT_EQ(ActionRules::actionForHotkey(41, modifier::command, slots), std::nullopt);
    EXPECT_EQ(ActionRules::actionForHotkey(40, modifier::command, {}), std::nullopt);
}

TEST_F(Rules, RecordingAShortcutTakesItOffTheOtherSlotsOfTheSameCollection) {
    rules.addApplication("com.a", "A");
    const Uuid inA = addSlot("com.a", kCommandK, WindowAction::minimizeInPlace);
    const Uuid first = addSlot(kDefault, kCommandK, WindowAction::floatOnTop);
    rules.modifySettings(kDefault, ActionRules::updateHotkeyBinding([&] {
        HotkeyBinding off = rules.hotkeyBinding(first, kDefault);
        off.isEnabled = false;
        return off;
    }()));
    const Uuid second = addSlot(kDefault, Hotkey{40, modifier::command | 0x10000, "K"}, WindowAction::hideApplication);

    EXPECT_FALSE(rules.hotkeyBinding(first, kDefault).hotkey) << "even a disabled slot loses it";
    EXPECT_EQ(rules.hotkeyBinding(first, kDefault).action, WindowAction::floatOnTop);
    EXPECT_EQ(rules.hotkeyBinding(second, kDefault).hotkey->modifiers, modifier::command) << "stray bits are not kept";
    EXPECT_EQ(rules.hotkeyBinding(inA, "com.a").hotkey, kCommandK) << "other collections keep it";
    EXPECT_EQ(rules.hotkeyActionInApplication(40, modifier::command, "com.a"), WindowAction::minimizeInPlace);
    EXPECT_EQ(rules.hotkeyActionInApplication(40, modifier::command, "com.none"), WindowAction::hideApplication);

    rules.modifySettings(kDefault, ActionRules::setHotkey(Uuid(), Hotkey{1, modifier::command, "S"}));
    EXPECT_EQ(rules.hotkeyBinding(second, kDefault).hotkey->keyCode, 40) << "an unknown slot changes nothing";
}

TEST_F(Rules, ClashesListTheOtherRecordedSlotsWithTheSameShortcut) {
    const Uuid a = addSlot(kDefault, kCommandK);
    rules.addHotkeyBinding(kDefault);  // unrecorded
    rules.addApplication("com.x", "X");  // a copy of Default Settings, slot ids included
    const Uuid b = addSlot("com.x", Hotkey{40, modifier::command | modifier::shift, "K"});
    EXPECT_TRUE(rules.clashingHotkeyBindings(40, modifier::command, a, kDefault).empty());
    const auto clashes = rules.clashingHotkeyBindings(40, modifier::command | 0x10000, Uuid::random(), kDefault);
    ASSERT_EQ(clashes.size(), 1u);
    EXPECT_EQ(clashes[0].id, a);
    EXPECT_EQ(rules.clashingHotkeyBindings(40, modifier::command | modifier::shift, a, "com.x").size(), 1u);
    EXPECT_EQ(rules.clashingHotkeyBindings(40, modifier::command | modifier::shift, b, "com.x").size(), 0u);
    EXPECT_EQ(rules.clashingHotkeyBindings(40, modifier::command | modifier::shift, a, "com.missing").size(), 0u)
        << "an identifier without a rule looks at Default Settings";
}

TEST_F(Rules, AddingAnApplicationCopiesDefaultSettingsAndKeepsAnExistingRule) {
    const Uuid slot = addSlot(kDefault, kCommandK);
    rules.addApplication("com.a", "First Name");
    rules.setExcluded(true, "com.a");
    rules.addApplication("com.a", "Second Name");
    ASSERT_EQ(rules.applications().size(), 1u);
    EXPECT_EQ(rules.applications()[0].name, "First Name");
    EXPECT_TRUE(rules.applications()[0].isExcluded);

    rules.modifySettings("com.a", ActionRules::setHotkey(slot, Hotkey{41, modifier::option, "L"}));
    EXPECT_EQ(rules.hotkeyBinding(slot, "com.a").hotkey->keyCode, 41);
    EXPECT_EQ(rules.hotkeyBinding(slot, kDefault).hotkey, kCommandK) << "Default Settings are not touched";
}

TEST_F(Rules, SlotEditsAndLookupsOfUnknownSlots) {
    const Uuid ghost = Uuid::random();
    const HotkeyBinding made = rules.hotkeyBinding(ghost, kDefault);
    EXPECT_EQ(made, HotkeyBinding::newSlot(ghost));
    EXPECT_TRUE(rules.standard().hotkeys.empty()) << "nothing is added";

    const Uuid a = addSlot(kDefault, kCommandK);
    rules.addHotkeyBinding(kDefault);
    rules.modifySettings(kDefault, ActionRules::removeHotkeyBinding(a));
    ASSERT_EQ(rules.standard().hotkeys.size(), 1u);
    EXPECT_FALSE(rules.hasHotkeys());
    rules.modifySettings(kDefault, ActionRules::removeHotkeyBinding(ghost));
    EXPECT_EQ(rules.standard().hotkeys.size(), 1u);
}

TEST_F(Rules, AssigningRulesKeepsTheLastRuleOfAnIdentifier) {
    ActionSettings hides;
    hides.triggers[Trigger::titleBarDoubleClick] = {WindowAction::hideApplication, true};
    rules.setApplications({ApplicationRule{"com.dup", "Old", false, {}}, ApplicationRule{"com.b", "B", false, {}},
                           ApplicationRule{"com.dup", "New", false, hides}});
    ASSERT_EQ(rules.applications().size(), 2u);
    EXPECT_EQ(rules.applications()[1].name, "New");
    EXPECT_EQ(rules.actionForTrigger(Trigger::titleBarDoubleClick, "com.dup"), WindowAction::hideApplication);
    ActionRules restarted(defaults);
    EXPECT_EQ(restarted.actionForTrigger(Trigger::titleBarDoubleClick, "com.dup"), WindowAction::hideApplication);
}

TEST_F(Rules, InPlaceEditsNotifyTheirPropertyEvenWhenNothingChanged) {
    rules.addApplication("com.a", "A");
    Follower applications([&] { (void)rules.applications(); });
    Follower standard([&] { (void)rules.standard(); });
    Follower lookup([&] { (void)rules.actionForTrigger(Trigger::commandM, "com.a"); });
    defaults.writes.clear();

    rules.setExcluded(false, "com.a");  // already false
    EXPECT_EQ(applications.notices, 1);
    EXPECT_EQ(lookup.notices, 1);
    EXPECT_EQ(standard.notices, 0);
    rules.setTriggerSetting(kDefault, Trigger::commandM, factorySetting(Trigger::commandM));
    EXPECT_EQ(standard.notices, 1);
    EXPECT_EQ(defaults.writes, (std::vector<std::string>{"set Applications", "set DefaultSettings"}));

    // An identifier without a rule: no notice, no write; removal writes all the same.
    defaults.writes.clear();
    rules.setExcluded(true, "com.none");
    rules.setTriggerSetting("com.none", Trigger::commandM, {});
    rules.addHotkeyBinding("com.none");
    bool ran = false;
    rules.modifySettings("com.none", [&](ActionSettings&) { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_EQ(applications.notices, 1);
    EXPECT_TRUE(defaults.writes.empty());
    rules.removeApplication("com.none");
    EXPECT_EQ(applications.notices, 2);
    EXPECT_EQ(defaults.writes, (std::vector<std::string>{"set Applications"}));
}

TEST_F(Rules, AssignmentsNotifyOnlyRealChangesButAlwaysWrite) {
    Follower standard([&] { (void)rules.standard(); });
    defaults.writes.clear();
    rules.setStandard(rules.standard());
    EXPECT_EQ(standard.notices, 0);
    EXPECT_EQ(defaults.writes, (std::vector<std::string>{"set DefaultSettings"}));
    ActionSettings changed = rules.standard();
    changed.triggers.erase(Trigger::commandM);
    rules.setStandard(changed);
    EXPECT_EQ(standard.notices, 1);
}

TEST_F(Rules, DerivedPropertiesWakeTheirObserversOnlyWhenTheyChange) {
    Follower watched([&] { (void)rules.interceptedTriggers(); });
    Follower hotkeys([&] { (void)rules.hasHotkeys(); });
    rules.setTriggerSetting(kDefault, Trigger::commandDoubleTap, {WindowAction::floatOnTop, false});  // still off
    rules.addHotkeyBinding(kDefault);                                                                 // unrecorded
    EXPECT_EQ(watched.notices, 0);
    EXPECT_EQ(hotkeys.notices, 0);

    // The tap re-reads the rules when told; by then the new form is already stored.
    bool storedFirst = false;
    platform::withObservationTracking([&] { (void)rules.interceptedTriggers(); }, [&] {
        const auto stored = ActionSettings::decode(*defaults.dictionary("DefaultSettings"));
        storedFirst = stored.setting(Trigger::commandDoubleTap).isEnabled;
    });
    rules.setTriggerSetting(kDefault, Trigger::commandDoubleTap, {WindowAction::floatOnTop, true});
    EXPECT_EQ(watched.notices, 1);
    EXPECT_TRUE(storedFirst);
    addSlot(kDefault, kCommandK);
    EXPECT_EQ(hotkeys.notices, 1);
    EXPECT_TRUE(rules.hasHotkeys());
}

}  // namespace
}  // namespace furlpane
