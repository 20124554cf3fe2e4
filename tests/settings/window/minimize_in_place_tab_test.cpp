#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "settings/window/scale_slider.h"
#include "tab_test_support.h"

namespace furlpane {
namespace {

using platform::plist::Value;
using platform::ui::ControlKind;
using Reading = ScaleSlider::Reading;

class MinimizeInPlaceTabTest : public testing::SettingsTabTest {
protected:
    platform::ui::Control slider(size_t row) { return scene.host()->findAll(ControlKind::slider).at(row); }
    // The value label beside a slider: the texts of the grid are its labels and readings.
    std::string reading(size_t row) {
        std::vector<std::string> readings;
        for (const auto& text : scene.host()->findAll(ControlKind::text)) {
            if (text.value().ends_with(" pt") || text.value().ends_with("%")) readings.push_back(text.value());
        }
        return readings.at(row);
    }
    std::string magnifyRange() {
        const std::string line = scene.host()->outline();
        const size_t at = line.find("Slider", line.find("Magnify:"));
        return line.substr(at, line.find('\n', at) - at);
    }
};

TEST_F(MinimizeInPlaceTabTest, AFirstRunShowsTheFactorySettings) {
    openTab("Minimize-In-Place");
    EXPECT_EQ(slider(0).value(), "0.5");
    EXPECT_EQ(reading(0), "64 pt");
    EXPECT_EQ(magnifyRange(), "Slider 0.8 in 0.5...2");
    EXPECT_TRUE(slider(1).isEnabled());
    EXPECT_EQ(reading(1), "102 pt");
    EXPECT_EQ(reading(2), "100%");
    EXPECT_EQ(picker("Icon size").value(), "Medium");
    EXPECT_EQ(picker("Arrangement").value(), "Left Edge, Starting at Top");
    EXPECT_FALSE(picker("Arrangement").isEnabled());
    EXPECT_EQ(picker("Arrangement").menuItems(),
              (std::vector<std::string>{"Left Edge, Starting at Top", "Left Edge, Starting at Bottom",
                                        "Right Edge, Starting at Top", "Right Edge, Starting at Bottom", "-",
                                        "Top Edge, Starting at Left", "Top Edge, Starting at Right",
                                        "Bottom Edge, Starting at Left", "Bottom Edge, Starting at Right"}));
    writePicture("minimize-in-place-tab");
}

TEST_F(MinimizeInPlaceTabTest, EachSwitchAndMenuStoresItsKeyAsTheUserUsesIt) {
    openTab("Minimize-In-Place");
    struct Click {
        const char* toggle;
        const char* key;
        bool now;
    };
    const Click clicks[] = {
        {"Magnify:", "MIPWindowAnimateMouseOver", false},
        {"Thumbnails float above other windows", "MIPWindowAlwaysOnTop", true},
        {"A single click restores a thumbnail’s window", "MIPSingleClickMaximize", false},
        {"Show the application’s icon:", "MIPAppIcon", false},
        {"Arrange thumbnails along:", "MIPWindowGridAlignEnabled", true},
    };
    for (const Click& c : clicks) {
        clickOn(toggle(c.toggle));
        EXPECT_EQ(stored(c.key), Value(c.now)) << c.toggle;
    }
    struct Choice {
        const char* menu;
        const char* item;
        const char* key;
        Value value;
    };
    clickOn(toggle("Show the application’s icon:"));
    const Choice choices[] = {
        {"Icon size", "Large", "MIPAppIconSize", Value(64.0)},
        {"Icon size", "Small", "MIPAppIconSize", Value(32.0)},
        {"Under the pointer", "Both", "MIPWindowTitleOption", Value(int64_t(3))},
        {"Under the pointer", "Nothing", "MIPWindowTitleOption", Value(int64_t(0))},
        {"Arrangement", "Top Edge, Starting at Left", "MIPWindowGridAlign", Value(int64_t(5))},
        {"Arrangement", "Bottom Edge, Starting at Right", "MIPWindowGridAlign", Value(int64_t(8))},
    };
    for (const Choice& c : choices) {
        EXPECT_TRUE(picker(c.menu).choose(c.item)) << c.item;
        settle();
        EXPECT_EQ(stored(c.key), c.value) << c.item;
        EXPECT_EQ(picker(c.menu).value(), c.item);
    }
    const auto later = relaunched();
    EXPECT_EQ(later->thumbnailOrder(), ThumbnailOrder::bottomFromRight);
    EXPECT_EQ(later->hoverTitle(), HoverTitle::none);
}

TEST_F(MinimizeInPlaceTabTest, TheMagnifySliderFollowsTheSizeWithoutWritingTheMagnification) {
    openTab("Minimize-In-Place");
    EXPECT_TRUE(slider(0).setValue(1.0));
    settle();
    EXPECT_EQ(magnifyRange(), "Slider 1 in 1...2");
    EXPECT_EQ(reading(1), "128 pt");
    EXPECT_EQ(stored("MIPWindowScale"), Value(1.0));
    EXPECT_EQ(stored("MIPWindowMagnification"), std::nullopt);
    EXPECT_TRUE(slider(0).setValue(0.5));
    settle();
    EXPECT_EQ(magnifyRange(), "Slider 0.8 in 0.5...2");

    // Moved, it stores the magnification; it cannot go below the size.
    EXPECT_TRUE(slider(1).setValue(1.5));
    settle();
    EXPECT_EQ(reading(1), "192 pt");
    EXPECT_EQ(relaunched()->thumbnailMagnification(), 1.5);

    // At the largest size there is no room left to magnify.
    EXPECT_TRUE(slider(0).setValue(2.0));
    settle();
    EXPECT_FALSE(slider(1).isEnabled());
    EXPECT_EQ(reading(1), "256 pt");
    EXPECT_TRUE(slider(0).setValue(0.5));
    settle();
    clickOn(toggle("Magnify:"));
    EXPECT_FALSE(slider(1).isEnabled());
    EXPECT_EQ(reading(1), "192 pt");
    EXPECT_EQ(stored("MIPWindowMagnification"), Value(1.5));
}

TEST_F(MinimizeInPlaceTabTest, ValuesStoredOutOfRangeShowSafelyAndStayUntilTheUserPicks) {
    storedEarlier({{"MIPWindowScale", Value(7.0)},
                   {"MIPWindowMagnification", Value(-3.0)},
                   {"MIPWindowOpacity", Value(std::nan(""))},
                   {"MIPAppIconSize", Value(50.0)},
                   {"MIPWindowTitleOption", Value(int64_t(9))},
                   {"MIPWindowGridAlign", Value(int64_t(0))}});
    openTab("Minimize-In-Place");
    EXPECT_EQ(reading(0), "256 pt");
    EXPECT_EQ(magnifyRange(), "Slider 2 in 2...2 disabled");
    EXPECT_EQ(reading(2), "100%");
    EXPECT_EQ(picker("Icon size").value(), "");
    EXPECT_EQ(stored("MIPAppIconSize"), Value(50.0));
    EXPECT_EQ(picker("Under the pointer").value(), "Window Title");
    EXPECT_EQ(picker("Arrangement").value(), "Left Edge, Starting at Top");
    EXPECT_TRUE(picker("Icon size").choose("Medium"));
    EXPECT_EQ(stored("MIPAppIconSize"), Value(48.0));
}

TEST_F(MinimizeInPlaceTabTest, ASizeSetAboveTheLargestNeverTurnsTheMagnifyRangeBackwards) {
    openTab("Minimize-In-Place");
    // The setter keeps what it is given; only the next start clamps it.
    preferences->setThumbnailScale(3.5);
    settle();
    EXPECT_EQ(magnifyRange(), "Slider 3.5 in 2...2 disabled");
    EXPECT_EQ(reading(0), "256 pt");
    EXPECT_EQ(reading(1), "256 pt");
}

TEST(ScaleSliderReading, PointsAreTheThumbnailsSideAndPercentFollowsTheLocale) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double value;
        Reading reading;
        const char* text;
    };
    const Case cases[] = {
        {0.1, Reading::points, "13 pt"},   {0.5, Reading::points, "64 pt"},  {0.8, Reading::points, "102 pt"},
        {1.0, Reading::points, "128 pt"},  {2.0, Reading::points, "256 pt"}, {0.05, Reading::points, "13 pt"},
        {9.0, Reading::points, "256 pt"},  {nan, Reading::points, "13 pt"},  {-1.0, Reading::points, "13 pt"},
        {1.0, Reading::percent, "100%"},   {0.1, Reading::percent, "10%"},   {0.125, Reading::percent, "12%"},
        {0.135, Reading::percent, "14%"},  {nan, Reading::percent, "—"},     {-0.001, Reading::percent, "0%"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScaleSlider::valueText(c.value, c.reading), c.text) << c.value;
    }
    // A huge value is written out whole rather than overflowing.
    EXPECT_EQ(ScaleSlider::valueText(1e300, Reading::percent).size(), 304u);
}

TEST_F(MinimizeInPlaceTabTest, ThePercentageIsWrittenInTheUsersLocale) {
    const std::pair<const char*, const char*> cases[] = {
        {"de_DE", "100\u00A0%"}, {"fr_FR", "100\u202F%"}, {"pt_BR", "100%"}};
    openTab("Minimize-In-Place");
    for (const auto& [locale, text] : cases) {
        world.region().setLocale(locale);
        clickOn(toggle("Thumbnails float above other windows"));  // any change shows the tab again
        EXPECT_EQ(reading(2), text) << locale;
    }
}

// A change of the locale alone shows at once, with nothing else changed.
TEST_F(MinimizeInPlaceTabTest, ThePercentageFollowsTheLocaleOnItsOwn) {
    openTab("Minimize-In-Place");
    EXPECT_EQ(reading(2), "100%");
    for (const auto& [locale, text] : {std::pair{"de_DE", "100\u00A0%"}, std::pair{"en_US", "100%"}}) {
        world.region().setLocale(locale);
        settle();
        EXPECT_EQ(reading(2), text) << locale;
    }
}

}  // namespace
}  // namespace furlpane
