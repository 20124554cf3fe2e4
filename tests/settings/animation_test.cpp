// The animation choices: names, playlists dealt in rounds, the animation in effect
// with its date rules, and the calendar-day tracking that keeps it current.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/notifications/notification_center.h"
#include "platform/runtime/main_loop.h"
#include "settings/model/preferences.h"
#include "settings_test_support.h"

namespace furlpane {
namespace {

using plist::Array;
using plist::Dictionary;
using testing::dateOf;
using testing::RecordingDefaults;
using Thumb = ThumbnailAnimation;
using Strip = TitleStripAnimation;

TEST(AnimationChoices, NamesAndGroups) {
    // The first case differs by kind; the others are shared.
    EXPECT_EQ(rawValue(Strip::roll), "roll");
    EXPECT_EQ(rawValue(Thumb::swirl), "swirl");
    EXPECT_EQ(displayName(Strip::roll), "Roll");
    EXPECT_EQ(displayName(Thumb::swirl), "Swirl");
    EXPECT_EQ(displayName(Strip::randomOrder), "Random Order");
    EXPECT_EQ(fromRawValue<Strip>(std::string_view("blackhole")), Strip::blackHole);
    EXPECT_EQ(fromRawValue<Strip>(std::string_view("swirl")), std::nullopt);
    const auto strips = allCases<Strip>();
    EXPECT_EQ(std::count_if(strips.begin(), strips.end(), [](Strip s) { return isSimpleAndClean(s); }), 2);
    EXPECT_EQ(std::count_if(strips.begin(), strips.end(), [](Strip s) { return isComplex(s); }), 19);
    const auto deals = playlistChoices<Thumb>();
    EXPECT_EQ(deals.front(), Thumb::swirl);
    EXPECT_EQ(deals.back(), Thumb::moonFang);
}

TEST(AnimationChoices, HoverText) {
    using H = HoverTitle;
    const std::tuple<H, const char*, std::optional<std::string>> cases[] = {
        {H::none, "Doc", std::nullopt}, {H::windowTitle, "Doc", "Doc"}, {H::windowTitle, "", "Editor"},
        {H::applicationName, "Doc", "Editor"}, {H::both, "Doc", "Editor\nDoc"}, {H::both, "", "Editor"}};
    for (const auto& [choice, title, shown] : cases) EXPECT_EQ(text(choice, title, "Editor"), shown) << title;
}

using ThumbPlaylist = AnimationPlaylist<Thumb>;

TEST(Playlists, RestoringKeepsKnownDealtChoicesOnce) {
    auto random = std::make_shared<SeededRandom>(1);
    const auto playlist = ThumbPlaylist::restore({"taco", "taco", "scale", "warp", "water"}, random);
    EXPECT_EQ(playlist.upcoming(), (std::vector<Thumb>{Thumb::taco, Thumb::water}));
    EXPECT_FALSE(playlist.isFreshRound());

    const auto refilled = ThumbPlaylist::restore({"fade", "none", "randomorder", "roll"}, random);
    const auto& round = refilled.upcoming();
    EXPECT_EQ(std::set<Thumb>(round.begin(), round.end()).size(), 19u);
    EXPECT_TRUE(std::is_permutation(round.begin(), round.end(), refilled.animations().begin()));
}

TEST(Playlists, RoundsDealEachChoiceOnceAndNeverRepeatAcrossTheSeam) {
    auto playlist = ThumbPlaylist::restore({"mist"}, std::make_shared<SeededRandom>(42));
    EXPECT_EQ(playlist.next(), Thumb::mist);
    EXPECT_TRUE(playlist.isFreshRound());
    EXPECT_NE(playlist.upcoming().front(), Thumb::mist);
    Thumb last = Thumb::mist;
    for (int round = 0; round < 60; ++round) {
        std::set<Thumb> dealt;
        for (int i = 0; i < 19; ++i) {
            const Thumb next = playlist.next();
            EXPECT_NE(next, last);
            EXPECT_EQ(playlist.isFreshRound(), i == 18);
            dealt.insert(next);
            last = next;
        }
        EXPECT_EQ(dealt.size(), 19u);
    }
}

TEST(Playlists, RandomDrawsAreBelowTheirBoundAndSpreadEvenly) {
    SeededRandom random(11);
    EXPECT_EQ(random.below(0), 0u);
    EXPECT_EQ(random.below(1), 0u);
    int counts[6] = {};
    for (int i = 0; i < 6000; ++i) {
        const uint64_t draw = random.below(6);
        ASSERT_LT(draw, 6u);
        ++counts[draw];
    }
    for (int c : counts) EXPECT_NEAR(c, 1000, 150);
    EXPECT_LT(random.below(uint64_t{1} << 63 | 1), uint64_t{1} << 63 | 1);
}

// Draws the largest value below every bound, so the shuffle leaves the order alone.
struct HighestDraws final : RandomSource {
    uint64_t nextWord() override { return ~uint64_t{0}; }
};

TEST(Playlists, ARefillThatWouldRepeatTheLastChoiceIsReordered) {
    auto playlist = ThumbPlaylist::restore({"swirl"}, std::make_shared<HighestDraws>());
    EXPECT_EQ(playlist.next(), Thumb::swirl);
    // The unshuffled round begins with swirl again; it is swapped with a later choice.
    ASSERT_EQ(playlist.upcoming().size(), 19u);
    EXPECT_EQ(playlist.upcoming().front(), Thumb::moonFang);
    EXPECT_EQ(playlist.upcoming().back(), Thumb::swirl);
}

TEST(Playlists, GivingBackAChoiceMakesItTheNextOne) {
    auto playlist = ThumbPlaylist::restore({"taco"}, std::make_shared<SeededRandom>(3));
    EXPECT_EQ(playlist.next(), Thumb::taco);
    playlist.include(Thumb::taco);  // the refilled round is dropped
    EXPECT_EQ(playlist.upcoming(), std::vector<Thumb>{Thumb::taco});
    EXPECT_FALSE(playlist.isFreshRound());

    playlist = ThumbPlaylist::restore({"taco", "water", "bats"}, std::make_shared<SeededRandom>(3));
    EXPECT_EQ(playlist.next(), Thumb::taco);
    playlist.include(Thumb::taco);
    EXPECT_EQ(playlist.upcoming(), (std::vector<Thumb>{Thumb::taco, Thumb::water, Thumb::bats}));
    playlist.include(Thumb::bats);  // already upcoming
    playlist.include(Thumb::fade);  // never dealt
    EXPECT_EQ(playlist.upcoming(), (std::vector<Thumb>{Thumb::taco, Thumb::water, Thumb::bats}));

    playlist = ThumbPlaylist::restore({"bats"}, std::make_shared<SeededRandom>(3));
    (void)playlist.next();
    const auto fresh = playlist.upcoming();
    playlist.include(Thumb::fade);
    EXPECT_TRUE(playlist.isFreshRound()) << "a choice the playlist does not deal changes nothing";
    EXPECT_EQ(playlist.upcoming(), fresh);
    playlist.include(fresh[3]);
    EXPECT_FALSE(playlist.isFreshRound()) << "during a fresh round the given-back choice replaces the refill";
    EXPECT_EQ(playlist.upcoming(), std::vector<Thumb>{fresh[3]});
}

TEST(Playlists, SavedUpcomingChoicesSurviveARestart) {
    RecordingDefaults defaults;
    defaults.set("MIPAnimationPlaylist", Array{"origami", 12, "sparks"});
    defaults.set("ShadeAnimationPlaylist", "not a list");
    auto prefs = testing::makePreferences(defaults, 9);
    EXPECT_EQ(prefs->thumbnailPlaylist().upcoming(), (std::vector<Thumb>{Thumb::origami, Thumb::sparks}));
    EXPECT_EQ(prefs->titleStripPlaylist().upcoming().size(), 19u);
    EXPECT_EQ(prefs->thumbnailPlaylist().next(), Thumb::origami);
    prefs->saveThumbnailPlaylist();
    EXPECT_EQ(defaults.array("MIPAnimationPlaylist"), (Array{"sparks"}));
    const auto strips = prefs->titleStripPlaylist().upcoming();
    prefs->includeTitleStripAnimation(strips.back());
    prefs->saveTitleStripPlaylist();
    EXPECT_EQ(testing::makePreferences(defaults, 9)->titleStripPlaylist().upcoming(), strips);
}

struct DateRules : ::testing::Test {
    RecordingDefaults defaults;
    Date today = dateOf(2024, 3, 3);
    std::shared_ptr<Preferences> prefs = Preferences::create(
        defaults, [this] { return today; }, Calendar::fixedOffset(std::chrono::hours{2}), std::make_shared<SeededRandom>(5));
};

TEST_F(DateRules, WithNothingChosenTheDateDecides) {
    EXPECT_EQ(prefs->effectiveTitleStripAnimation(), Strip::roll);
    EXPECT_EQ(prefs->effectiveThumbnailAnimation(), Thumb::swirl);
    today = dateOf(2024, 10, 31);
    EXPECT_EQ(prefs->effectiveTitleStripAnimation(), Strip::bats);
    EXPECT_EQ(prefs->effectiveThumbnailAnimation(), Thumb::bats);
    today = dateOf(2023, 7, 15);
    EXPECT_EQ(prefs->effectiveThumbnailAnimation(), Thumb::moonless);
    // The local date counts: 23:00 UTC on 14 July is already 15 July two hours east.
    today = dateOf(2023, 7, 14, 23);
    EXPECT_EQ(prefs->effectiveTitleStripAnimation(), Strip::moonless);
    today = dateOf(2023, 10, 31, 23);
    EXPECT_EQ(prefs->effectiveTitleStripAnimation(), Strip::roll);
}

TEST_F(DateRules, AChosenAnimationWinsButNoAnimationHoldsOnlyWhileDockSettingsAreKept) {
    today = dateOf(2024, 10, 31);
    prefs->setChosenTitleStripAnimation(Strip::randomOrder);
    EXPECT_EQ(prefs->effectiveTitleStripAnimation(), Strip::randomOrder);
    prefs->setChosenThumbnailAnimation(Thumb::noAnimation);
    EXPECT_EQ(prefs->effectiveThumbnailAnimation(), Thumb::bats);
    bool told = false;
    platform::withObservationTracking([&] { (void)prefs->effectiveThumbnailAnimation(); }, [&] { told = true; });
    prefs->setDockSettingsToPutBack(Dictionary{{"mineffect", "scale"}});
    EXPECT_TRUE(told);
    EXPECT_EQ(prefs->effectiveThumbnailAnimation(), Thumb::noAnimation);
}

TEST_F(DateRules, ANewCalendarDayTellsTheReadersOfTheAnimationInEffect) {
    platform::MainLoop loop(platform::ClockKind::simulated);
    auto& center = platform::NotificationCenter::defaultCenter();
    prefs->startCalendarDayTracking();
    loop.runUntilIdle();
    testing::Follower readers([&] { (void)prefs->effectiveTitleStripAnimation(); });
    center.post(platform::notifications::kCalendarDayChanged);
    center.post(platform::notifications::kCalendarDayChanged);  // before the task ran again: kept
    loop.runUntilIdle();
    EXPECT_EQ(prefs->calendarDay(), 2);
    EXPECT_EQ(readers.notices, 2);

    prefs->startCalendarDayTracking();  // replaces the running task
    loop.runUntilIdle();
    center.post(platform::notifications::kCalendarDayChanged);
    loop.runUntilIdle();
    EXPECT_EQ(prefs->calendarDay(), 3) << "only one task counts";

    // The task holds its object weakly and ends with it.
    std::weak_ptr<Preferences> weak = prefs;
    prefs.reset();
    EXPECT_TRUE(weak.expired());
    center.post(platform::notifications::kCalendarDayChanged);
    loop.runUntilIdle();
    EXPECT_EQ(loop.tasks().count(), 0u);
    EXPECT_EQ(center.observerCount(), 0u);
}

}  // namespace
}  // namespace furlpane
