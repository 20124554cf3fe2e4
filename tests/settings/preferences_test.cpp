// Every other setting: registered defaults, keys and stored forms, what stored values
// read as, and how each assignment is written and announced.

#include "settings/model/preferences.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "settings_test_support.h"

namespace furlpane {
namespace {

using plist::Dictionary;
using plist::Value;
using testing::Follower;
using testing::makePreferences;
using testing::RecordingDefaults;
using P = Preferences;

// One setting: how it is read and assigned, what a first start gives (and what is
// registered for it, with its stored type), and another value with its stored form.
template <class T>
struct Setting {
    const char* key;
    T (P::*get)() const;
    void (P::*set)(T);
    T first;
    std::optional<Value> registered;
    T changed;
    Value stored;
};

template <class T>
Setting<T> registered(const char* key, T (P::*get)() const, void (P::*set)(T), T first, T changed) {
    return {key, get, set, first, Value(first), changed, Value(changed)};
}

// A first start reads the setting's default and writes nothing; an assignment writes the
// setting's own key, in its stored form, and a restart reads the value back.
template <class T>
void expectSetting(const Setting<T>& s) {
    SCOPED_TRACE(s.key);
    RecordingDefaults defaults;
    {
        auto prefs = makePreferences(defaults);
        EXPECT_EQ(((*prefs).*s.get)(), s.first);
        EXPECT_EQ(defaults.object(s.key), s.registered);
        ((*prefs).*s.set)(s.changed);
        EXPECT_EQ(defaults.writes, std::vector<std::string>{"set " + std::string(s.key)});
        EXPECT_EQ(defaults.storedObject(s.key), s.stored);
    }
    EXPECT_EQ(((*makePreferences(defaults)).*s.get)(), s.changed) << "after a restart";
}

TEST(Preferences, EverySettingHasItsDefaultKeyAndStoredFormAndComesBack) {
    for (const auto& s : {registered("Enabled", &P::isEnabled, &P::setIsEnabled, true, false),
                          registered("ShowStatusItem", &P::showsStatusItem, &P::setShowsStatusItem, true, false),
                          registered("ConcealMinimizeAnimation", &P::concealsMinimizeAnimation,
                                     &P::setConcealsMinimizeAnimation, true, false),
                          registered("MIPWindowAnimateTransitions", &P::animatesTransitions, &P::setAnimatesTransitions,
                                     true, false),
                          registered("Sounds", &P::playsSounds, &P::setPlaysSounds, false, true),
                          registered("StayPutInMissionControl", &P::standInsStayPut, &P::setStandInsStayPut, false, true),
                          registered("MIPWindowAnimateMouseOver", &P::magnifiesThumbnails, &P::setMagnifiesThumbnails,
                                     true, false),
                          registered("MIPWindowAlwaysOnTop", &P::thumbnailsFloat, &P::setThumbnailsFloat, false, true),
                          registered("MIPSingleClickMaximize", &P::singleClickRestores, &P::setSingleClickRestores, true,
                                     false),
                          registered("MIPAppIcon", &P::showsApplicationIcon, &P::setShowsApplicationIcon, true, false),
                          registered("MIPWindowGridAlignEnabled", &P::arrangesThumbnails, &P::setArrangesThumbnails,
                                     false, true)}) {
        expectSetting(s);
    }
    for (const auto& s : {registered("MIPWindowScale", &P::thumbnailScale, &P::setThumbnailScale, 0.5, 0.75),
                          registered("MIPWindowMagnification", &P::thumbnailMagnification, &P::setThumbnailMagnification,
                                     0.8, 1.5),
                          registered("MIPWindowOpacity", &P::thumbnailOpacity, &P::setThumbnailOpacity, 1.0, 0.4),
                          registered("MIPAppIconSize", &P::applicationIconSize, &P::setApplicationIconSize, 48.0, 96.0)}) {
        expectSetting(s);
    }
    // Choices are stored as their raw values; the animations have no registered default.
    expectSetting<HoverTitle>(
        {"MIPWindowTitleOption", &P::hoverTitle, &P::setHoverTitle, HoverTitle::windowTitle, Value(1), HoverTitle::both,
         Value(3)});
    expectSetting<ThumbnailOrder>({"MIPWindowGridAlign", &P::thumbnailOrder, &P::setThumbnailOrder,
                                   ThumbnailOrder::leftFromTop, Value(1), ThumbnailOrder::topFromRight, Value(6)});
    expectSetting<std::optional<ThumbnailAnimation>>({"MIPAnimationStyle", &P::chosenThumbnailAnimation,
                                                      &P::setChosenThumbnailAnimation, std::nullopt, std::nullopt,
                                                      ThumbnailAnimation::noAnimation, Value("none")});
    expectSetting<std::optional<TitleStripAnimation>>({"ShadeAnimationStyle", &P::chosenTitleStripAnimation,
                                                       &P::setChosenTitleStripAnimation, std::nullopt, std::nullopt,
                                                       TitleStripAnimation::sliderPuzzle, Value("sliderpuzzle")});
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
    prefs->setChosenThumbnailAnimation(std::nullopt);  // none chosen removes the key
    EXPECT_FALSE(defaults.storedObject("MIPAnimationStyle"));
    EXPECT_EQ(defaults.writes.back(), "remove MIPAnimationStyle");

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
    // An out-of-range value is kept as set until the next start reads it clamped.
    prefs->setThumbnailScale(5.0);
    EXPECT_EQ(prefs->thumbnailScale(), 5.0);
    EXPECT_EQ(*defaults.storedObject("MIPWindowScale"), Value(5.0));
    EXPECT_EQ(makePreferences(defaults)->thumbnailScale(), 2.0);
}

TEST(Preferences, DockSettingsNotifyOnEveryAssignmentAndComeBack) {
    RecordingDefaults defaults;
    auto prefs = makePreferences(defaults);
    EXPECT_EQ(prefs->dockSettingsToPutBack(), std::nullopt);
    Follower dock([&] { (void)prefs->dockSettingsToPutBack(); });
    prefs->setDockSettingsToPutBack(std::nullopt);
    EXPECT_EQ(dock.notices, 1);
    EXPECT_EQ(defaults.writes, (std::vector<std::string>{"remove DockSettingsToPutBack"}));
    const Dictionary kept{{"mineffect", "genie"}, {"genie-speed", 0.5}};
    prefs->setDockSettingsToPutBack(kept);
    prefs->setDockSettingsToPutBack(kept);
    EXPECT_EQ(dock.notices, 3);
    EXPECT_EQ(defaults.dictionary("DockSettingsToPutBack"), kept);
    EXPECT_EQ(makePreferences(defaults)->dockSettingsToPutBack(), kept);
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
