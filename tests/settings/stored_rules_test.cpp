// The stored forms of Default Settings and the rules: what is written, how it comes
// back, and what damaged or foreign values load as.

#include <gtest/gtest.h>

#include "settings/model/action_rules.h"
#include "settings_test_support.h"

namespace furlpane {
namespace {

using plist::Array;
using plist::Dictionary;
using plist::Value;
using testing::RecordingDefaults;
using testing::withoutIds;

const Dictionary& dict(const Value& v) { return *v.dictionary(); }

std::vector<std::string> namesOf(const ActionRules& rules) {
    std::vector<std::string> names;
    for (const auto& rule : rules.applications()) names.push_back(rule.name);
    return names;
}

HotkeyBinding recorded(uint16_t key, EventFlags mods, std::string label, WindowAction action, bool on = true) {
    HotkeyBinding slot = HotkeyBinding::newSlot();
    slot.hotkey = Hotkey{key, mods, std::move(label)};
    slot.action = action;
    slot.isEnabled = on;
    return slot;
}

TEST(StoredRules, EncodeWritesEveryTriggerAndOnlyRecordedShortcutKeys) {
    ActionSettings settings;
    settings.triggers[Trigger::commandM] = {WindowAction::doNothing, false};
    settings.hotkeys.push_back(HotkeyBinding::newSlot());
    settings.hotkeys.push_back(recorded(40, modifier::command | modifier::option, "K", WindowAction::floatOnTop));
    const Dictionary stored = settings.encode();

    const Dictionary& events = dict(*stored.find("Events"));
    EXPECT_EQ(events.size(), 7u);
    EXPECT_EQ(dict(*events.find("CmdM")), (Dictionary{{"Action", "DoNothing"}, {"Enabled", false}}));
    EXPECT_EQ(dict(*events.find("DoubleClick")), (Dictionary{{"Action", "Furlpane"}, {"Enabled", true}}));

    const Array& slots = *stored.find("Hotkeys")->array();
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_EQ(dict(slots[0]), (Dictionary{{"Action", "Furlpane"}, {"Enabled", true}}));
    EXPECT_EQ(dict(slots[1]), (Dictionary{{"Action", "FOT"}, {"Enabled", true}, {"KeyCode", 40}, {"Label", "K"},
                                          {"Command", true}, {"Control", false}, {"Option", true}, {"Shift", false}}));
    EXPECT_TRUE(ActionSettings{}.encode().find("Hotkeys")->array()->empty());
}

TEST(StoredRules, RoundTripKeepsEverythingButSlotIds) {
    ActionSettings settings;
    settings.triggers[Trigger::minimizeButton] = {WindowAction::hideApplication, true};
    settings.hotkeys.push_back(recorded(65535, modifier::all, "\u2318weird", WindowAction::minimizeToDock, false));
    settings.hotkeys.push_back(HotkeyBinding::newSlot());
    const ActionSettings loaded = ActionSettings::decode(settings.encode());
    EXPECT_NE(loaded.hotkeys[0].id, settings.hotkeys[0].id);  // ids are fresh on every load
    // Entries come back for all seven triggers; behaviour is the same.
    for (Trigger t : allCases<Trigger>()) EXPECT_EQ(loaded.setting(t), settings.setting(t));
    EXPECT_EQ(withoutIds(loaded).hotkeys, withoutIds(settings).hotkeys);
}

TEST(StoredRules, DamagedEventsFallBackPerEntry) {
    const Dictionary stored{{"Events", Dictionary{{"DoubleClick", Dictionary{{"Action", "MIP"}}},
                                                  {"CmdM", Dictionary{{"Action", "Teleport"}, {"Enabled", true}}},
                                                  {"MinimizeButton", "not a dictionary"},
                                                  {"DoubleCmd", Dictionary{{"Action", 3}, {"Enabled", 1}}},
                                                  {"Unknown", Dictionary{{"Action", "FOT"}}}}}};
    const ActionSettings loaded = ActionSettings::decode(stored);
    EXPECT_EQ(loaded.triggers.size(), 3u);
    EXPECT_EQ(loaded.triggers.at(Trigger::titleBarDoubleClick), (TriggerSetting{WindowAction::minimizeInPlace, true}));
    EXPECT_EQ(loaded.triggers.at(Trigger::commandM), (TriggerSetting{WindowAction::minimizeToDock, true}));
    // Wrong types take the factory values: floatOnTop, off.
    EXPECT_EQ(loaded.triggers.at(Trigger::commandDoubleTap), (TriggerSetting{WindowAction::floatOnTop, false}));
    EXPECT_FALSE(loaded.triggers.contains(Trigger::minimizeButton));

    EXPECT_TRUE(ActionSettings::decode(Dictionary{{"Events", Array{}}}).triggers.empty());
    EXPECT_TRUE(ActionSettings::decode(Dictionary{}).triggers.empty());
}

TEST(StoredRules, DamagedShortcutsKeepTheirSlots) {
    const Array slots{
        Dictionary{{"Action", "FOT"}, {"Enabled", false}, {"KeyCode", 70000}, {"Label", "X"}},
        Dictionary{{"Action", "MIP"}, {"KeyCode", -1}, {"Label", "X"}},
        Dictionary{{"KeyCode", 40}, {"Command", true}},                     // no label
        Dictionary{{"KeyCode", 40.0}, {"Label", "K"}},                      // not an integer
        Dictionary{{"KeyCode", true}, {"Label", "K"}},                      // a Boolean is no key code
        Dictionary{{"KeyCode", 40}, {"Label", "K"}, {"Command", true}, {"Shift", 1}, {"Action", "Nope"}},
        "not a slot",
        Dictionary{{"Enabled", "yes"}},
    };
    const ActionSettings loaded = ActionSettings::decode(Dictionary{{"Hotkeys", slots}});
    ASSERT_EQ(loaded.hotkeys.size(), 7u) << "only the element that is no dictionary is skipped";
    EXPECT_FALSE(loaded.hotkeys[0].hotkey);
    EXPECT_EQ(loaded.hotkeys[0].action, WindowAction::floatOnTop);
    EXPECT_FALSE(loaded.hotkeys[0].isEnabled);
    EXPECT_FALSE(loaded.hotkeys[1].hotkey);
    EXPECT_EQ(loaded.hotkeys[1].action, WindowAction::minimizeInPlace);
    EXPECT_TRUE(loaded.hotkeys[1].isEnabled);
    EXPECT_FALSE(loaded.hotkeys[2].hotkey);
    EXPECT_FALSE(loaded.hotkeys[3].hotkey);
    EXPECT_FALSE(loaded.hotkeys[4].hotkey);
    EXPECT_EQ(loaded.hotkeys[5].hotkey, (Hotkey{40, modifier::command, "K"}));  // Shift 1 is no Boolean
    EXPECT_EQ(loaded.hotkeys[5].action, WindowAction::furlpane);
    EXPECT_TRUE(loaded.hotkeys[6].isEnabled);

    EXPECT_TRUE(ActionSettings::decode(Dictionary{{"Hotkeys", Dictionary{}}}).hotkeys.empty());
}

TEST(StoredRules, RulesDecodeLeniently) {
    const Dictionary stored{
        {"com.b", Dictionary{{"Name", "Beta"}, {"Excluded", true}}},
        {"com.z", Dictionary{{"Excluded", "yes"}}},
        {"com.bad", "a string"},
        {"com.a", Dictionary{{"Name", 7}}},
    };
    const auto rules = decodeApplications(stored);
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0].name, "Beta");
    EXPECT_TRUE(rules[0].isExcluded);
    EXPECT_EQ(rules[1].name, "com.z");
    EXPECT_FALSE(rules[1].isExcluded);
    EXPECT_EQ(rules[2].name, "com.a");
    EXPECT_TRUE(rules[2].settings.triggers.empty());
}

TEST(StoredRules, NothingOrForeignValuesStoredLoadAsFactorySettingsAndWriteNothing) {
    for (const bool foreign : {false, true}) {
        RecordingDefaults defaults;
        if (foreign) {
            defaults.set("DefaultSettings", "garbage");
            defaults.set("Applications", Array{1, 2});
            defaults.writes.clear();
        }
        ActionRules rules(defaults);
        EXPECT_EQ(rules.standard(), ActionSettings::factoryDefaults());
        EXPECT_TRUE(rules.applications().empty());
        EXPECT_TRUE(defaults.writes.empty());
        if (foreign) {
            EXPECT_EQ(*defaults.storedObject("DefaultSettings"), Value("garbage")) << "kept until the first change";
        }
    }
}

TEST(StoredRules, PartialEventsLoadAsStoredAndTheNextWriteHoldsAllSeven) {
    RecordingDefaults defaults;
    defaults.set("DefaultSettings",
                 Dictionary{{"Events", Dictionary{{"DoubleClick", Dictionary{{"Action", "FOT"}, {"Enabled", true}}}}}});
    ActionRules rules(defaults);
    EXPECT_EQ(rules.standard().triggers.size(), 1u);
    EXPECT_EQ(rules.actionForTrigger(Trigger::minimizeButton, std::nullopt), WindowAction::minimizeToDock);
    rules.addHotkeyBinding(std::nullopt);
    const Dictionary written = *defaults.dictionary("DefaultSettings");
    EXPECT_EQ(written.find("Events")->dictionary()->size(), 7u);
    EXPECT_EQ(written.find("Hotkeys")->array()->size(), 1u);
}

TEST(StoredRules, EachChangeRewritesOnlyItsOwnKey) {
    RecordingDefaults defaults;
    ActionRules rules(defaults);
    rules.addApplication("com.a", "A");
    rules.setTriggerSetting(std::nullopt, Trigger::commandM, {WindowAction::floatOnTop, true});
    rules.setTriggerSetting("com.a", Trigger::commandM, {WindowAction::hideApplication, true});
    rules.removeApplication("com.a");
    EXPECT_EQ(defaults.writes, (std::vector<std::string>{"set Applications", "set DefaultSettings", "set Applications",
                                                         "set Applications"}));
    EXPECT_EQ(*defaults.dictionary("Applications"), Dictionary{}) << "the last rule removed leaves an empty dictionary";
}

TEST(StoredRules, EverythingComesBackAfterARestart) {
    RecordingDefaults defaults;
    {
        ActionRules rules(defaults);
        rules.addApplication("com.z", "Zed");
        rules.addApplication("com.b", "App 10");
        rules.addApplication("com.a", "App 9");
        rules.setExcluded(true, "com.b");
        rules.addHotkeyBinding("com.z");
        const Uuid slot = rules.ruleForBundleIdentifier("com.z")->settings.hotkeys[0].id;
        rules.modifySettings("com.z", ActionRules::setHotkey(slot, Hotkey{96, 0, "F5"}));
        rules.setTriggerSetting(std::nullopt, Trigger::controlDoubleTap, {WindowAction::doNothing, true});
    }
    ActionRules first(defaults);
    ActionRules again(defaults);
    EXPECT_EQ(withoutIds(first.applications()), withoutIds(again.applications()));
    EXPECT_EQ(namesOf(again), (std::vector<std::string>{"App 9", "App 10", "Zed"}));
    EXPECT_TRUE(again.applications()[1].isExcluded);
    EXPECT_EQ(again.applications()[2].settings.hotkeys[0].hotkey, (Hotkey{96, 0, "F5"}));
    EXPECT_EQ(again.triggerSetting(Trigger::controlDoubleTap, std::nullopt), (TriggerSetting{WindowAction::doNothing, true}));
    EXPECT_TRUE(again.hasHotkeys());
}

TEST(StoredRules, RulesAreSortedByNameAndThoseWithoutOneByIdentifier) {
    RecordingDefaults defaults;
    defaults.set("Applications", Dictionary{{"com.m", Dictionary{{"Name", "Mail"}}},
                                            {"ch.app", Dictionary{}},
                                            {"org.zz", Dictionary{{"Name", "Aardvark"}}}});
    EXPECT_EQ(namesOf(ActionRules(defaults)), (std::vector<std::string>{"Aardvark", "ch.app", "Mail"}));
}

}  // namespace
}  // namespace furlpane
