// The Actions tab's right column as a user drives it: the trigger rows, leaving an
// application alone and the shortcut list, with the settings read back from the
// defaults file after each step and the triggers the event tap watches following.

#include <gtest/gtest.h>

#include "actions_test_support.h"
#include "settings/window/action_picker.h"
#include "settings/window/application_settings.h"
#include "settings/window/hotkey_list.h"

namespace furlpane {
namespace {

using namespace platform;
using platform::ui::ControlKind;

const std::vector<std::string> kActionMenu{"Furlpane",     "Minimize-In-Place", "Hide Application", "Float On Top", "-",
                                           "Minimize To Dock", "Do Nothing"};

class ApplicationSettingsTest : public testing::ActionsTabTest {
protected:
    static constexpr const char* kEditor = "com.example.Editor";

    void SetUp() override {
        testing::ActionsTabTest::SetUp();
        rules->addApplication(kEditor, "Editor");
    }
    void show(const std::string& row) {
        if (!scene.host()) openActions();
        clickOn(control(ControlKind::row, row));
    }
    // The controls of the shortcut rows, which carry no label of their own, in row order.
    std::vector<ui::Control> unlabelled(ControlKind kind) {
        std::vector<ui::Control> found;
        for (const ui::Control& c : host().findAll(kind)) {
            if (c.label().empty()) found.push_back(c);
        }
        return found;
    }
    std::vector<ui::Control> removeButtons() {
        std::vector<ui::Control> found;
        for (const ui::Control& c : host().findAll(ControlKind::button)) {
            if (c.label() == "minus.circle") found.push_back(c);
        }
        return found;
    }
    // The stored settings of a set: none for Default Settings.
    ActionSettings stored(const std::optional<std::string>& application) {
        const auto read = storedRules();
        if (!application) return read->standard();
        const ApplicationRule* rule = read->ruleForBundleIdentifier(*application);
        return rule ? rule->settings : ActionSettings{};
    }
    std::vector<std::pair<WindowAction, bool>> storedSlots(const std::optional<std::string>& application) {
        std::vector<std::pair<WindowAction, bool>> slots;
        for (const HotkeyBinding& slot : stored(application).hotkeys) slots.emplace_back(slot.action, slot.isEnabled);
        return slots;
    }
};

struct TriggerRow {
    const char* label;
    bool on;
    const char* action;
};

TEST_F(ApplicationSettingsTest, TheSevenTriggerRowsShowTheirFactorySettingsAndEveryPickerTheSixActions) {
    const TriggerRow rows[] = {
        {"Double-click the title bar", true, "Furlpane"},
        {"Click the minimize button", true, "Minimize To Dock"},
        {"Control-double-click the title bar", true, "Float On Top"},
        {"Command-double-click the title bar", false, "Minimize-In-Place"},
        {"Press Command-M", true, "Minimize To Dock"},
        {"Press Command twice", false, "Float On Top"},
        {"Press Control twice", false, "Minimize-In-Place"},
    };
    for (const char* shown : {"Default Settings", "Editor"}) {
        show(shown);
        for (const TriggerRow& row : rows) {
            SCOPED_TRACE(std::string(shown) + ": " + row.label);
            EXPECT_EQ(control(ControlKind::toggle, row.label).value(), row.on ? "on" : "off");
            const ui::Control picker = control(ControlKind::picker, row.label);
            EXPECT_EQ(picker.value(), row.action);
            // A trigger switched off shows its action greyed.
            EXPECT_EQ(picker.isEnabled(), row.on);
            EXPECT_EQ(picker.menuItems(), kActionMenu);
            EXPECT_EQ(picker.help(), ActionPicker::kHelp);
        }
    }
    EXPECT_EQ(host().findAll(ControlKind::grid).size(), 1u);
}

struct TriggerStep {
    const char* name;
    // The row of the list whose settings are changed.
    const char* shown;
    const char* row;
    // Picks this action, or flips the checkbox when none.
    std::optional<const char*> pick;
    std::optional<std::string> application;
    Trigger trigger;
    TriggerSetting storedSetting;
    std::set<Trigger> intercepted;
};

TEST_F(ApplicationSettingsTest, EachChangeStoresTheWholeTriggerSettingOfItsSetAndTheTapFollows) {
    using T = Trigger;
    using A = WindowAction;
    const std::set<T> factory{T::titleBarDoubleClick, T::controlTitleBarDoubleClick};
    EXPECT_EQ(rules->interceptedTriggers(), factory);
    const TriggerStep steps[] = {
        {"a Dock minimize becomes Furlpane", "Editor", "Click the minimize button", "Furlpane", kEditor,
         T::minimizeButton, {A::furlpane, true}, {T::titleBarDoubleClick, T::minimizeButton, T::controlTitleBarDoubleClick}},
        {"a factory setting switched on keeps its action", "Editor", "Press Command twice", std::nullopt, kEditor,
         T::commandDoubleTap, {A::floatOnTop, true},
         {T::titleBarDoubleClick, T::minimizeButton, T::controlTitleBarDoubleClick, T::commandDoubleTap}},
        {"off in Default Settings, still on for Editor", "Default Settings", "Double-click the title bar", std::nullopt,
         std::nullopt, T::titleBarDoubleClick, {A::furlpane, false},
         {T::titleBarDoubleClick, T::minimizeButton, T::controlTitleBarDoubleClick, T::commandDoubleTap}},
        {"off everywhere", "Editor", "Double-click the title bar", std::nullopt, kEditor, T::titleBarDoubleClick,
         {A::furlpane, false}, {T::minimizeButton, T::controlTitleBarDoubleClick, T::commandDoubleTap}},
        {"Command-M swallowed", "Default Settings", "Press Command-M", "Do Nothing", std::nullopt, T::commandM,
         {A::doNothing, true}, {T::minimizeButton, T::controlTitleBarDoubleClick, T::commandM, T::commandDoubleTap}},
    };
    openActions();
    for (const TriggerStep& step : steps) {
        SCOPED_TRACE(step.name);
        const ActionSettings otherBefore = stored(step.application ? std::nullopt : std::optional<std::string>(kEditor));
        show(step.shown);
        if (step.pick) {
            choose(control(ControlKind::picker, step.row), *step.pick);
        } else {
            clickOn(control(ControlKind::toggle, step.row));
        }
        const ActionSettings after = stored(step.application);
        ASSERT_TRUE(after.triggers.count(step.trigger));
        EXPECT_EQ(after.triggers.at(step.trigger), step.storedSetting);
        EXPECT_EQ(stored(step.application ? std::nullopt : std::optional<std::string>(kEditor)), otherBefore);
        EXPECT_EQ(rules->interceptedTriggers(), step.intercepted);
    }
    // A switched-off trigger's greyed picker takes no choice; switched on again it has
    // kept its action.
    show("Editor");
    EXPECT_FALSE(control(ControlKind::picker, "Double-click the title bar").choose("Float On Top"));
    clickOn(control(ControlKind::toggle, "Double-click the title bar"));
    EXPECT_EQ(control(ControlKind::picker, "Double-click the title bar").value(), "Furlpane");
}

TEST_F(ApplicationSettingsTest, LeavingAnApplicationAloneGreysItsRowsAndShortcutsWithTheirValues) {
    rules->addHotkeyBinding(kEditor);
    const Uuid slot = rules->ruleForBundleIdentifier(kEditor)->settings.hotkeys.at(0).id;
    rules->modifySettings(kEditor, ActionRules::setHotkey(slot, Hotkey{40, modifier::command | modifier::option, "K"}));
    show("Editor");
    EXPECT_TRUE(rules->hasHotkeys());
    EXPECT_EQ(control(ControlKind::text, ApplicationSettings::kLeaveAloneNote).label(), ApplicationSettings::kLeaveAloneNote);
    clickOn(control(ControlKind::toggle, ApplicationSettings::kLeaveAloneTitle));
    EXPECT_TRUE(storedRules()->ruleForBundleIdentifier(kEditor)->isExcluded);
    EXPECT_FALSE(rules->hasHotkeys());
    const auto enabledStates = [&] {
        std::string states;
        for (ControlKind kind : {ControlKind::toggle, ControlKind::picker, ControlKind::button}) {
            for (const ui::Control& c : host().findAll(kind)) {
                if (c.label() != "plus" && c.label() != "minus") states += c.isEnabled() ? '+' : '-';
            }
        }
        return states;
    };
    // The leave-alone switch stays usable; the seven rows, the shortcut row and "Add
    // Shortcut" are greyed, each showing its value.
    EXPECT_EQ(enabledStates(), "+--------" "--------" "---");
    // Its shortcut field is closed: no sheet opens.
    clickOn(control(ControlKind::button, "⌥⌘K"));
    EXPECT_TRUE(host().sheetWindows().empty());
    EXPECT_EQ(control(ControlKind::picker, "Press Command-M").value(), "Minimize To Dock");
    EXPECT_EQ(unlabelled(ControlKind::toggle).at(0).value(), "on");
    snapshot("actions-left-alone");
    clickOn(control(ControlKind::toggle, "Press Command-M"));
    EXPECT_EQ(control(ControlKind::toggle, "Press Command-M").value(), "on");

    clickOn(control(ControlKind::toggle, ApplicationSettings::kLeaveAloneTitle));
    EXPECT_FALSE(storedRules()->ruleForBundleIdentifier(kEditor)->isExcluded);
    EXPECT_TRUE(rules->hasHotkeys());
    EXPECT_EQ(enabledStates(), "+++++++++" "+++-+--+" "+++");
}

TEST_F(ApplicationSettingsTest, ShortcutsAreAddedSwitchedEditedAndRemovedInTheirSetsStoredForm) {
    using A = WindowAction;
    for (const char* shown : {"Default Settings", "Editor"}) {
        SCOPED_TRACE(shown);
        const std::optional<std::string> set = std::string(shown) == "Editor" ? std::optional<std::string>(kEditor) : std::nullopt;
        const std::optional<std::string> other = set ? std::nullopt : std::optional<std::string>(kEditor);
        show(shown);
        EXPECT_TRUE(unlabelled(ControlKind::toggle).empty());
        const ui::Control add = control(ControlKind::button, HotkeyList::kAddTitle);
        clickOn(add);
        clickOn(add);
        clickOn(add);
        // New rows: switched on, nothing recorded, Furlpane; stored even without a shortcut.
        EXPECT_EQ(storedSlots(set), (std::vector<std::pair<A, bool>>(3, {A::furlpane, true})));
        EXPECT_EQ(unlabelled(ControlKind::toggle).size(), 3u);
        EXPECT_EQ(removeButtons().size(), 3u);
        EXPECT_EQ(control(ControlKind::button, "None").help(), "Choose the key combination for this shortcut.");
        EXPECT_EQ(removeButtons().at(0).help(), HotkeyList::kRemoveHelp);
        EXPECT_EQ(unlabelled(ControlKind::picker).at(0).menuItems(), kActionMenu);

        // Switched off, a row's picker stays usable.
        clickOn(unlabelled(ControlKind::toggle).at(0));
        choose(unlabelled(ControlKind::picker).at(0), "Hide Application");
        choose(unlabelled(ControlKind::picker).at(1), "Float On Top");
        choose(unlabelled(ControlKind::picker).at(2), "Do Nothing");
        EXPECT_EQ(storedSlots(set),
                  (std::vector<std::pair<A, bool>>{{A::hideApplication, false}, {A::floatOnTop, true}, {A::doNothing, true}}));
        clickOn(removeButtons().at(1));
        EXPECT_EQ(storedSlots(set), (std::vector<std::pair<A, bool>>{{A::hideApplication, false}, {A::doNothing, true}}));
        EXPECT_EQ(unlabelled(ControlKind::picker).at(1).value(), "Do Nothing");
        EXPECT_TRUE(stored(other).hotkeys.empty());
        snapshot(std::string("actions-shortcuts-") + (set ? "editor" : "default"));
        clickOn(removeButtons().at(0));
        clickOn(removeButtons().at(0));
        EXPECT_TRUE(storedSlots(set).empty());
        EXPECT_TRUE(removeButtons().empty());
    }
}

TEST_F(ApplicationSettingsTest, TheTapWatchesShortcutsOnlyWhileAnEnabledSlotHasOne) {
    show("Default Settings");
    clickOn(control(ControlKind::button, HotkeyList::kAddTitle));
    EXPECT_FALSE(rules->hasHotkeys());
    const Uuid slot = rules->standard().hotkeys.at(0).id;
    rules->modifySettings(std::nullopt, ActionRules::setHotkey(slot, Hotkey{96, 0, "F5"}));
    settle();
    // A combination recorded elsewhere shows at once.
    EXPECT_TRUE(has(ControlKind::button, "F5"));
    EXPECT_TRUE(rules->hasHotkeys());
    clickOn(unlabelled(ControlKind::toggle).at(0));
    EXPECT_FALSE(rules->hasHotkeys());
    EXPECT_EQ(stored(std::nullopt).hotkeys.at(0).hotkey, (Hotkey{96, 0, "F5"}));
    clickOn(unlabelled(ControlKind::toggle).at(0));
    EXPECT_TRUE(rules->hasHotkeys());
    clickOn(removeButtons().at(0));
    EXPECT_FALSE(rules->hasHotkeys());
}

TEST_F(ApplicationSettingsTest, ChangesMadeElsewhereShowAtOnce) {
    show("Editor");
    rules->setTriggerSetting(kEditor, Trigger::commandM, {WindowAction::floatOnTop, false});
    rules->setExcluded(true, kEditor);
    settle();
    EXPECT_EQ(control(ControlKind::toggle, "Press Command-M").value(), "off");
    EXPECT_EQ(control(ControlKind::picker, "Press Command-M").value(), "Float On Top");
    EXPECT_EQ(control(ControlKind::toggle, ApplicationSettings::kLeaveAloneTitle).value(), "on");
    EXPECT_FALSE(control(ControlKind::toggle, "Double-click the title bar").isEnabled());
    // The rule going away leaves the view showing Default Settings.
    rules->removeApplication(kEditor);
    settle();
    EXPECT_FALSE(has(ControlKind::toggle, ApplicationSettings::kLeaveAloneTitle));
    EXPECT_TRUE(control(ControlKind::toggle, "Double-click the title bar").isEnabled());
}

}  // namespace
}  // namespace furlpane
