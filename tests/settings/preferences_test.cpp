// Every other setting: registered defaults, what stored values read as, and how each
// assignment is written and announced.

#include "settings/model/preferences.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "settings_test_support.h"

namespace furlpane {
namespace {

using plist::Dictionary;
using plist::Value;
using testing::RecordingDefaults;

std::shared_ptr<Preferences> makePreferences(platform::UserDefaults& defaults) {
    return Preferences::create(defaults, [] { return testing::dateOf(2024, 3, 3); }, Calendar::fixedOffset({}),
                               std::make_shared<SeededRandom>(7));
}

struct Follower {
    int notices = 0;
    std::function<void()> read;
    explicit Follower(std::function<void()> r) : read(std::move(r)) { arm(); }
    void arm() {
        platform::withObservationTracking(read, [this] {
            ++notices;
            arm();
        });
    }
};

TEST(Preferences, AFirstStartGivesTheRegisteredDefaultsAndWritesNothing) {
    RecordingDefaults defaults;
    auto prefs = makePreferences(defaults);
    EXPECT_TRUE(prefs->isEnabled());
    EXPECT_TRUE(prefs->showsStatusItem());
    EXPECT_TRUE(prefs->concealsMinimizeAnimation());
    EXPECT_TRUE(prefs->animatesTransitions());
    EXPECT_FALSE(prefs->playsSounds());
    EXPECT_FALSE(prefs->standInsStayPut());
    EXPECT_EQ(prefs->thumbnailScale(), 0.5);
    EXPECT_TRUE(prefs->magnifiesThumbnails());
    EXPECT_EQ(prefs->thumbnailMagnification(), 0.8);
    EXPECT_EQ(prefs->thumbnailOpacity(), 1.0);
    EXPECT_FALSE(prefs->thumbnailsFloat());
    EXPECT_TRUE(prefs->singleClickRestores());
    EXPECT_TRUE(prefs->showsApplicationIcon());
    EXPECT_EQ(prefs->applicationIconSize(), 48.0);
    EXPECT_EQ(prefs->hoverTitle(), HoverTitle::windowTitle);
    EXPECT_FALSE(prefs->arrangesThumbnails());
    EXPECT_EQ(prefs->thumbnailOrder(), ThumbnailOrder::leftFromTop);
    EXPECT_EQ(prefs->chosenThumbnailAnimation(), std::nullopt);
    EXPECT_EQ(prefs->chosenTitleStripAnimation(), std::nullopt);
    EXPECT_EQ(prefs->dockSettingsToPutBack(), std::nullopt);
    EXPECT_EQ(prefs->calendarDay(), 0);
    EXPECT_EQ(prefs->thumbnailPlaylist().upcoming().size(), 19u);
    EXPECT_EQ(prefs->titleStripPlaylist().upcoming().size(), 19u);
    EXPECT_TRUE(defaults.writes.empty());
    EXPECT_EQ(defaults.object("MIPWindowGridAlign"), Value(1)) << "registered, with its stored type";
    EXPECT_EQ(defaults.object("MIPWindowScale"), Value(0.5));
}

TEST(Preferences, StoredNumbersAreClampedWhenRead) {
    struct Case {
        Value stored;
        double scale;
    };
    const Case cases[] = {{5.0, 2.0},
                          {0.0, 0.1},
                          {std::numeric_limits<double>::infinity(), 0.5},
                          {std::nan(""), 0.5},
                          {"1.5", 1.5},      // the typed read converts numeric strings
                          {"wide", 0.1},     // and reads anything else as 0
                          {Dictionary{}, 0.1},
                          {1, 1.0}};
    for (const Case& c : cases) {
        RecordingDefaults defaults;
        defaults.set("MIPWindowScale", c.stored);
        EXPECT_EQ(makePreferences(defaults)->thumbnailScale(), c.scale) << plist::describe(c.stored);
    }
    RecordingDefaults defaults;
    defaults.set("MIPWindowOpacity", 1.5);
    defaults.set("MIPWindowMagnification", -3.0);
    defaults.set("MIPAppIconSize", 1e9);
    defaults.set("Sounds", "YES");
    defaults.writes.clear();
    auto prefs = makePreferences(defaults);
    EXPECT_EQ(prefs->thumbnailOpacity(), 1.0);
    EXPECT_EQ(prefs->thumbnailMagnification(), 0.1);
    EXPECT_EQ(prefs->applicationIconSize(), 1e9) << "taken as stored";
    EXPECT_TRUE(prefs->playsSounds());
    EXPECT_TRUE(defaults.writes.empty()) << "what is read is not written back";
    EXPECT_EQ(*defaults.storedObject("MIPWindowOpacity"), Value(1.5));
}

TEST(Preferences, UnknownChoicesFallBack) {
    const std::pair<Value, HoverTitle> titles[] = {{7, HoverTitle::windowTitle}, {-1, HoverTitle::windowTitle},
                                                   {3, HoverTitle::both},        {0, HoverTitle::none},
                                                   {2.9, HoverTitle::applicationName}};
    for (const auto& [stored, expected] : titles) {
        RecordingDefaults defaults;
        defaults.set("MIPWindowTitleOption", stored);
        EXPECT_EQ(makePreferences(defaults)->hoverTitle(), expected) << plist::describe(stored);
    }
    const std::pair<Value, ThumbnailOrder> orders[] = {{0, ThumbnailOrder::leftFromTop},
                                                       {9, ThumbnailOrder::leftFromTop},
                                                       {8, ThumbnailOrder::bottomFromRight},
                                                       {int64_t{1} << 40, ThumbnailOrder::leftFromTop}};
    for (const auto& [stored, expected] : orders) {
        RecordingDefaults defaults;
        defaults.set("MIPWindowGridAlign", stored);
        EXPECT_EQ(makePreferences(defaults)->thumbnailOrder(), expected) << plist::describe(stored);
    }
}

TEST(Preferences, ChosenAnimationsReadAsStoredOrAsTheEverydayOne) {
    RecordingDefaults defaults;
    defaults.set("MIPAnimationStyle", "swirl");
    defaults.set("ShadeAnimationStyle", "Origami");  // names no case: matching is exact
    auto prefs = makePreferences(defaults);
    EXPECT_EQ(prefs->chosenThumbnailAnimation(), ThumbnailAnimation::swirl);
    EXPECT_EQ(prefs->chosenTitleStripAnimation(), TitleStripAnimation::roll);

    RecordingDefaults others;
    others.set("MIPAnimationStyle", "roll");  // a title-strip name is no thumbnail case
    others.set("ShadeAnimationStyle", 4);     // not a string: as if absent
    others.set("DockSettingsToPutBack", "not a dictionary");
    auto more = makePreferences(others);
    EXPECT_EQ(more->chosenThumbnailAnimation(), ThumbnailAnimation::swirl);
    EXPECT_EQ(more->chosenTitleStripAnimation(), std::nullopt);
    EXPECT_EQ(more->dockSettingsToPutBack(), std::nullopt);
}

TEST(Preferences, EveryAssignmentWritesButOnlyARealChangeNotifies) {
    RecordingDefaults defaults;
    auto prefs = makePreferences(defaults);
    Follower one([&] { (void)prefs->thumbnailScale(); });
    Follower two([&] { (void)prefs->thumbnailScale(); });
    Follower other([&] { (void)prefs->isEnabled(); });

    prefs->setThumbnailScale(0.5);
    EXPECT_EQ(one.notices, 0);
    EXPECT_EQ(defaults.writes, (std::vector<std::string>{"set MIPWindowScale"}));
    EXPECT_EQ(*defaults.storedObject("MIPWindowScale"), Value(0.5));
    prefs->setThumbnailScale(1.25);
    EXPECT_EQ(one.notices, 1);
    EXPECT_EQ(two.notices, 1);
    EXPECT_EQ(other.notices, 0);
    prefs->setThumbnailScale(std::nan(""));
    prefs->setThumbnailScale(std::nan(""));
    EXPECT_EQ(one.notices, 3) << "NaN never equals itself";
}

TEST(Preferences, StoredTypesOfEachKindOfSetting) {
    RecordingDefaults defaults;
    auto prefs = makePreferences(defaults);
    prefs->setIsEnabled(false);
    prefs->setHoverTitle(HoverTitle::both);
    prefs->setThumbnailOrder(ThumbnailOrder::topFromRight);
    prefs->setChosenThumbnailAnimation(ThumbnailAnimation::noAnimation);
    prefs->setChosenTitleStripAnimation(TitleStripAnimation::sliderPuzzle);
    EXPECT_EQ(*defaults.storedObject("Enabled"), Value(false));
    EXPECT_EQ(*defaults.storedObject("MIPWindowTitleOption"), Value(3));
    EXPECT_EQ(*defaults.storedObject("MIPWindowGridAlign"), Value(6));
    EXPECT_EQ(*defaults.storedObject("MIPAnimationStyle"), Value("none"));
    EXPECT_EQ(*defaults.storedObject("ShadeAnimationStyle"), Value("sliderpuzzle"));
    prefs->setChosenThumbnailAnimation(std::nullopt);
    EXPECT_FALSE(defaults.storedObject("MIPAnimationStyle"));
    EXPECT_EQ(defaults.writes.back(), "remove MIPAnimationStyle");
}

TEST(Preferences, SettersKeepOutOfRangeValuesUntilTheNextStart) {
    RecordingDefaults defaults;
    auto prefs = makePreferences(defaults);
    prefs->setThumbnailScale(5.0);
    prefs->setThumbnailOpacity(-1.0);
    EXPECT_EQ(prefs->thumbnailScale(), 5.0);
    EXPECT_EQ(*defaults.storedObject("MIPWindowScale"), Value(5.0));
    auto restarted = makePreferences(defaults);
    EXPECT_EQ(restarted->thumbnailScale(), 2.0);
    EXPECT_EQ(restarted->thumbnailOpacity(), 0.1);
}

TEST(Preferences, EverySettingComesBackAfterARestart) {
    RecordingDefaults defaults;
    {
        auto prefs = makePreferences(defaults);
        prefs->setShowsStatusItem(false);
        prefs->setConcealsMinimizeAnimation(false);
        prefs->setAnimatesTransitions(false);
        prefs->setPlaysSounds(true);
        prefs->setStandInsStayPut(true);
        prefs->setThumbnailScale(0.75);
        prefs->setMagnifiesThumbnails(false);
        prefs->setThumbnailMagnification(1.5);
        prefs->setThumbnailOpacity(0.4);
        prefs->setThumbnailsFloat(true);
        prefs->setSingleClickRestores(false);
        prefs->setShowsApplicationIcon(false);
        prefs->setApplicationIconSize(96);
        prefs->setHoverTitle(HoverTitle::none);
        prefs->setArrangesThumbnails(true);
        prefs->setThumbnailOrder(ThumbnailOrder::bottomFromLeft);
        prefs->setChosenTitleStripAnimation(TitleStripAnimation::randomOrder);
        prefs->setDockSettingsToPutBack(Dictionary{{"mineffect", "genie"}, {"genie-speed", 0.5}});
    }
    auto p = makePreferences(defaults);
    EXPECT_FALSE(p->showsStatusItem());
    EXPECT_FALSE(p->concealsMinimizeAnimation());
    EXPECT_FALSE(p->animatesTransitions());
    EXPECT_TRUE(p->playsSounds());
    EXPECT_TRUE(p->standInsStayPut());
    EXPECT_EQ(p->thumbnailScale(), 0.75);
    EXPECT_FALSE(p->magnifiesThumbnails());
    EXPECT_EQ(p->thumbnailMagnification(), 1.5);
    EXPECT_EQ(p->thumbnailOpacity(), 0.4);
    EXPECT_TRUE(p->thumbnailsFloat());
    EXPECT_FALSE(p->singleClickRestores());
    EXPECT_FALSE(p->showsApplicationIcon());
    EXPECT_EQ(p->applicationIconSize(), 96);
    EXPECT_EQ(p->hoverTitle(), HoverTitle::none);
    EXPECT_TRUE(p->arrangesThumbnails());
    EXPECT_EQ(p->thumbnailOrder(), ThumbnailOrder::bottomFromLeft);
    EXPECT_EQ(p->chosenTitleStripAnimation(), TitleStripAnimation::randomOrder);
    EXPECT_EQ(p->dockSettingsToPutBack(), (Dictionary{{"mineffect", "genie"}, {"genie-speed", 0.5}}));
}

TEST(Preferences, DockSettingsNotifyOnEveryAssignment) {
    RecordingDefaults defaults;
    auto prefs = makePreferences(defaults);
    Follower dock([&] { (void)prefs->dockSettingsToPutBack(); });
    prefs->setDockSettingsToPutBack(std::nullopt);
    EXPECT_EQ(dock.notices, 1);
    EXPECT_EQ(defaults.writes, (std::vector<std::string>{"remove DockSettingsToPutBack"}));
    prefs->setDockSettingsToPutBack(Dictionary{{"mineffect", "scale"}});
    prefs->setDockSettingsToPutBack(Dictionary{{"mineffect", "scale"}});
    EXPECT_EQ(dock.notices, 3);
    EXPECT_EQ(defaults.dictionary("DockSettingsToPutBack"), (Dictionary{{"mineffect", "scale"}}));
}

TEST(Preferences, EffectiveMagnificationIsTheLargerAndSetsOnlyTheMagnification) {
    RecordingDefaults defaults;
    auto prefs = makePreferences(defaults);
    prefs->setThumbnailMagnification(0.8);
    prefs->setThumbnailScale(1.2);
    EXPECT_EQ(prefs->effectiveMagnification(), 1.2);
    defaults.writes.clear();
    prefs->setEffectiveMagnification(1.7);
    EXPECT_EQ(prefs->effectiveMagnification(), 1.7);
    EXPECT_EQ(prefs->thumbnailScale(), 1.2);
    EXPECT_EQ(defaults.writes, (std::vector<std::string>{"set MIPWindowMagnification"}));
}

}  // namespace
}  // namespace furlpane
