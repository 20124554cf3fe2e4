#include <gtest/gtest.h>

#include <csignal>

#include "app/dock/dock_genie.h"
#include "platform/defaults/foreign_preferences.h"
#include "tab_test_support.h"

namespace furlpane {
namespace {

using platform::plist::Dictionary;
using platform::plist::Value;

constexpr const char* kHide = "Hide the Dock’s minimize and restore animations";
constexpr const char* kInstead = "Show an animation instead:";
constexpr const char* kInstant = "Make the Dock minimize and restore windows instantly";
constexpr const char* kThumbnails = "Minimize-In-Place:";
constexpr const char* kTitleStrips = "Furlpane:";

class AdvancedTabTest : public testing::SettingsTabTest {
protected:
    platform::ForeignPreferences& dockPrefs() { return world.preferences(); }
    Dictionary dockSettings() { return dockPrefs().domainValues(DockGenie::kDockDomain); }
    void dockHas(const std::string& key, Value value) { dockPrefs().setOwnerValue(key, std::move(value), DockGenie::kDockDomain); }
    size_t restarts() { return world.sentSignals().size(); }
    bool offersNone(const std::string& menu) {
        const auto items = picker(menu).menuItems();
        return !items.empty() && items.back() == "None";
    }
};

TEST_F(AdvancedTabTest, AFirstRunShowsTheSeasonalAnimationsAndEachControlStoresItsKey) {
    openTab("Advanced");
    EXPECT_EQ(toggle(kHide).value(), "on");
    EXPECT_EQ(toggle(kInstead).value(), "on");
    EXPECT_EQ(picker(kThumbnails).value(), "Swirl");
    EXPECT_EQ(picker(kTitleStrips).value(), "Roll");
    EXPECT_TRUE(picker(kThumbnails).isEnabled());
    EXPECT_FALSE(offersNone(kThumbnails));
    for (const char* off : {kInstant, "Play sounds for Furlpane, Minimize-In-Place, and Float On Top",
                            "Thumbnails and shaded windows stay put in Mission Control"}) {
        EXPECT_EQ(toggle(off).value(), "off") << off;
    }
    writePicture("advanced-tab");
}

TEST_F(AdvancedTabTest, TheSwitchesAboveDisableWhatHangsOnThemWithoutChangingIt) {
    openTab("Advanced");
    EXPECT_TRUE(picker(kThumbnails).choose("Water"));
    struct Step {
        const char* click;
        bool insteadEnabled;
        bool menusEnabled;
    };
    const Step steps[] = {
        {kHide, false, false},     // hiding off: everything under it greyed
        {kHide, true, true},       // back as it was
        {kInstead, true, false},   // no animation: the menus greyed, the switch usable
        {kHide, false, false},
        {kHide, true, false},
        {kInstead, true, true},
    };
    for (const Step& step : steps) {
        clickOn(toggle(step.click));
        EXPECT_EQ(toggle(kInstead).isEnabled(), step.insteadEnabled) << step.click;
        EXPECT_EQ(picker(kThumbnails).isEnabled(), step.menusEnabled) << step.click;
        EXPECT_EQ(picker(kTitleStrips).isEnabled(), step.menusEnabled) << step.click;
        EXPECT_EQ(picker(kThumbnails).value(), "Water");
        EXPECT_TRUE(toggle(kInstant).isEnabled());
    }
    EXPECT_EQ(stored("ConcealMinimizeAnimation"), Value(true));
    EXPECT_EQ(stored("MIPWindowAnimateTransitions"), Value(true));
    EXPECT_EQ(stored("MIPAnimationStyle"), Value("water"));
}

TEST_F(AdvancedTabTest, SwitchesAndMenusStoreTheirKeys) {
    openTab("Advanced");
    clickOn(toggle("Play sounds for Furlpane, Minimize-In-Place, and Float On Top"));
    clickOn(toggle("Thumbnails and shaded windows stay put in Mission Control"));
    EXPECT_TRUE(picker(kThumbnails).choose("Random Order"));
    EXPECT_TRUE(picker(kTitleStrips).choose("Fade"));
    settle();
    EXPECT_EQ(stored("Sounds"), Value(true));
    EXPECT_EQ(stored("StayPutInMissionControl"), Value(true));
    EXPECT_EQ(stored("MIPAnimationStyle"), Value("randomorder"));
    EXPECT_EQ(stored("ShadeAnimationStyle"), Value("fade"));
    const auto later = relaunched();
    EXPECT_EQ(later->effectiveTitleStripAnimation(), TitleStripAnimation::fade);
    EXPECT_TRUE(later->playsSounds());
}

TEST_F(AdvancedTabTest, TheInstantDockSwitchChangesTheDocksSettingsAndPutsThemBack) {
    dockHas("mineffect", Value("scale"));
    openTab("Advanced");
    clickOn(toggle(kInstant));
    EXPECT_EQ(toggle(kInstant).value(), "on");
    EXPECT_EQ(stored("DockSettingsToPutBack"), Value(Dictionary{{"mineffect", Value("scale")}}));
    EXPECT_EQ(dockSettings(), DockGenie::wantedDockSettings());
    ASSERT_EQ(restarts(), 1u);
    EXPECT_EQ(world.sentSignals()[0].signal, SIGTERM);
    EXPECT_TRUE(offersNone(kThumbnails));
    EXPECT_TRUE(offersNone(kTitleStrips));

    // A later run finds the switch on and can still put the Dock back.
    scene.host()->window()->close();
    settle();
    storedEarlier({});
    openTab("Advanced");
    EXPECT_EQ(toggle(kInstant).value(), "on");
    clickOn(toggle(kInstant));
    EXPECT_EQ(toggle(kInstant).value(), "off");
    EXPECT_EQ(dockSettings(), (Dictionary{{"mineffect", Value("scale")}}));
    EXPECT_EQ(restarts(), 2u);
    EXPECT_EQ(stored("DockSettingsToPutBack"), std::nullopt);
    EXPECT_FALSE(offersNone(kThumbnails));
}

TEST_F(AdvancedTabTest, NoneCountsOnlyWhileTheDockIsInstant) {
    openTab("Advanced");
    clickOn(toggle(kInstant));
    EXPECT_TRUE(picker(kThumbnails).choose("None"));
    settle();
    EXPECT_EQ(picker(kThumbnails).value(), "None");
    clickOn(toggle(kInstant));
    EXPECT_FALSE(offersNone(kThumbnails));
    EXPECT_EQ(picker(kThumbnails).value(), "Swirl");
    EXPECT_EQ(stored("MIPAnimationStyle"), Value("none"));
    clickOn(toggle(kInstant));
    EXPECT_EQ(picker(kThumbnails).value(), "None");
}

}  // namespace
}  // namespace furlpane
