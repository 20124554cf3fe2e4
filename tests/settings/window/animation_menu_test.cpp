#include "settings/window/animation_menu.h"

#include <gtest/gtest.h>

#include "tab_test_support.h"

namespace furlpane {
namespace {

using platform::plist::Value;

template <class C>
std::vector<std::string> names(const typename AnimationMenu<C>::MenuSection& section) {
    std::vector<std::string> out{"# " + section.header};
    for (C c : section.choices) out.emplace_back(displayName(c));
    return out;
}

const std::vector<std::string> kSimple{"# Simple and Clean", "Fade", "Scale"};

TEST(AnimationMenuSections, BothKindsListTheirAnimationsInFinderOrderWithRandomOrderFirst) {
    const auto strips = AnimationMenu<TitleStripAnimation>::sections(false, NoneEntry::offered);
    ASSERT_EQ(strips.size(), 2u);
    EXPECT_EQ(names<TitleStripAnimation>(strips[0]), kSimple);
    EXPECT_EQ(names<TitleStripAnimation>(strips[1]),
              (std::vector<std::string>{"# Complex", "Random Order", "Bats", "Black Hole", "Blinds", "Blut Vene",
                                        "Burning Paper", "Classified", "Magnet", "Mist", "Moon Fang", "Moonless",
                                        "Origami", "Roll", "Shade", "Shatter", "Slider Puzzle", "Sparks", "Taco",
                                        "Water", "Wired"}));
    const auto thumbnails = AnimationMenu<ThumbnailAnimation>::sections(false, NoneEntry::absent);
    const auto complex = names<ThumbnailAnimation>(thumbnails[1]);
    EXPECT_EQ(complex.size(), 21u);
    EXPECT_EQ(std::find(complex.begin(), complex.end(), "Swirl") - complex.begin(),
              std::find(complex.begin(), complex.end(), "Taco") - complex.begin() - 1);
    // Under Reduce Motion only Fade remains, and only while None is offered.
    EXPECT_EQ(AnimationMenu<ThumbnailAnimation>::sections(true, NoneEntry::offered),
              (std::vector<AnimationMenu<ThumbnailAnimation>::MenuSection>{{"Simple and Clean", {ThumbnailAnimation::fade}}}));
    EXPECT_EQ(AnimationMenu<ThumbnailAnimation>::sections(true, NoneEntry::absent), thumbnails);
}

class AnimationMenuTest : public testing::SettingsTabTest {};

TEST_F(AnimationMenuTest, ReduceMotionSwitchedOnWhileTheMenuShowsAnotherAnimationKeepsThatAnimationStored) {
    preferences->setDockSettingsToPutBack(platform::plist::Dictionary{});
    openTab("Advanced");
    EXPECT_TRUE(picker("Furlpane:").choose("Black Hole"));
    world.setReduceMotion(true);
    settle();
    EXPECT_EQ(picker("Furlpane:").value(), "Fade");
    EXPECT_TRUE(picker("Furlpane:").isEnabled());
    EXPECT_TRUE(picker("Furlpane:").choose("Fade"));
    EXPECT_EQ(stored("ShadeAnimationStyle"), Value("blackhole"));
    world.setReduceMotion(false);
    settle();
    EXPECT_EQ(picker("Furlpane:").value(), "Black Hole");
    EXPECT_EQ(picker("Furlpane:").help(), "");

    world.setReduceMotion(true);
    settle();
    EXPECT_TRUE(picker("Furlpane:").choose("None"));
    EXPECT_EQ(stored("ShadeAnimationStyle"), Value("none"));
    EXPECT_TRUE(picker("Furlpane:").choose("Fade"));
    EXPECT_EQ(stored("ShadeAnimationStyle"), Value("fade"));
}

TEST_F(AnimationMenuTest, WithReduceMotionTheMenusWorkOnlyWhileTheyOfferNone) {
    world.setReduceMotion(true);
    openTab("Advanced");
    for (const char* menu : {"Minimize-In-Place:", "Furlpane:"}) {
        EXPECT_FALSE(picker(menu).isEnabled()) << menu;
        EXPECT_EQ(picker(menu).value(), "Fade");
        EXPECT_EQ(picker(menu).help(), kReduceMotionHelp);
    }
    clickOn(toggle("Make the Dock minimize and restore windows instantly"));
    EXPECT_TRUE(picker("Furlpane:").isEnabled());
    EXPECT_EQ(picker("Furlpane:").menuItems(), (std::vector<std::string>{"# Simple and Clean", "Fade", "-", "None"}));
}

TEST_F(AnimationMenuTest, ALabelIsGreyedWheneverItsMenuCannotBeUsed) {
    openTab("Advanced");
    const auto labelLine = [this] {
        const std::string outline = scene.host()->outline();
        const size_t at = outline.find("Text \"Furlpane:\"");
        return outline.substr(at, outline.find('\n', at) - at);
    };
    EXPECT_EQ(labelLine(), "Text \"Furlpane:\"");
    clickOn(toggle("Show an animation instead:"));
    EXPECT_EQ(labelLine(), "Text \"Furlpane:\" disabledControlText");
    EXPECT_EQ(picker("Furlpane:").value(), "Roll");
    clickOn(toggle("Show an animation instead:"));
    world.setReduceMotion(true);
    settle();
    EXPECT_EQ(labelLine(), "Text \"Furlpane:\" disabledControlText");
}

}  // namespace
}  // namespace furlpane
