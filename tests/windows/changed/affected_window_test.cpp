// The changed window's own decisions: what it announces before a change, when it may
// float, where its window comes back, where a thumbnail goes, which effect plays, and
// how its stand-in looks and stands.

#include "affected_window_test_support.h"

namespace changed_test {
namespace {

class ChangedWindowTest : public AffectedWindowTest {
protected:
    desktop::Window& draft = editorWindow();
    std::shared_ptr<AffectedWindow> window = changedWindow(draft);
};

TEST_F(ChangedWindowTest, AChangeOfStyleIsAnnouncedBeforehandWithItsFiveKeys) {
    const struct {
        WindowState from, to;
        std::vector<std::string> announced;
    } cases[] = {
        {kNormal, kShaded, {"0 -> 1 collapsed"}},
        {kShaded, kMinimizedInPlace, {"1 -> 7 collapsed"}},
        {kMinimizedInPlace, kNormal, {"7 -> 0"}},
        {kShaded, {Style::shaded, true}, {}},
        {kNormal, kFloating, {}},
    };
    for (const auto& c : cases) {
        window->setState(c.from);
        DistributedNotificationCenter::defaultCenter().clearPosted();
        EXPECT_EQ(run(window->changeState(c.to, Raising::inPlace)), !c.announced.empty());
        EXPECT_EQ(announced(), c.announced);
    }
    window->setState(kNormal);
    run(window->changeState(kShaded, Raising::inPlace));
    const auto& posted = DistributedNotificationCenter::defaultCenter().posted().back();
    EXPECT_TRUE(posted.deliverImmediately);
    EXPECT_FALSE(posted.object);
    EXPECT_EQ(posted.userInfo.keys(),
              (std::vector<std::string>{"WindowID", "OldState", "NewState", "IsCollapsed", "ProcessID"}));
    EXPECT_EQ(*posted.userInfo.find("WindowID"), Value(int64_t{draft.number()}));
    EXPECT_EQ(*posted.userInfo.find("ProcessID"), Value(int64_t{draft.pid()}));
}

TEST_F(ChangedWindowTest, AWindowMinimizedInPlaceNeverFloats) {
    window->setState(kMinimizedInPlace);
    EXPECT_EQ(run(window->setFloating({Style::minimizedInPlace, true}, Raising::inPlace)), kMinimizedInPlace);
    // A floating window turning into a thumbnail stops floating first.
    window->setState({std::nullopt, true});
    EXPECT_TRUE(run(window->changeState(kMinimizedInPlace, Raising::inPlace)));
    EXPECT_FALSE(window->state().isFloating);
    EXPECT_EQ(announced(), std::vector<std::string>{"0 -> 7 collapsed"});
}

TEST_F(ChangedWindowTest, AThumbnailGoesToItsRememberedSpotOrByThePointerOrWhereTheWindowWas) {
    const Size size{64, 48};
    const uint32_t id = draft.number();
    const struct {
        std::optional<Point> remembered;
        std::optional<Point> placement;
        Point origin;
    } cases[] = {
        {{{50.4, 60.5}}, {{300, 300}}, {50, 61}},
        // A spot off every screen is pulled onto the first one's usable frame.
        {{{9000, -9000}}, std::nullopt, {640 - 64, 25}},
        {std::nullopt, {{300.5, 200}}, {291, 190}},
        {std::nullopt, std::nullopt, {100, 120}},
        {std::nullopt, {{5, 5}}, {0, 25}},
    };
    for (const auto& c : cases) {
        engine->origins.clear();
        if (c.remembered) engine->origins[id] = *c.remembered;
        EXPECT_EQ(window->thumbnailOrigin(size, c.placement), c.origin);
    }
}

TEST_F(ChangedWindowTest, TheEffectFollowsTheSettingAndARandomPickIsDealtOnceAndGivenBack) {
    const struct {
        bool animates;
        std::optional<ThumbnailAnimation> chosen;
        bool reduceMotion;
        TransitionEffect effect;
    } cases[] = {
        {false, ThumbnailAnimation::shatter, false, TransitionEffect::cut},
        {true, ThumbnailAnimation::swirl, false, TransitionEffect::swirl},
        {true, ThumbnailAnimation::shatter, true, TransitionEffect::fade},
        {true, ThumbnailAnimation::randomOrder, true, TransitionEffect::fade},
    };
    for (const auto& c : cases) {
        preferences.setAnimatesTransitions(c.animates);
        preferences.setChosenThumbnailAnimation(c.chosen);
        world.setReduceMotion(c.reduceMotion);
        const auto upcoming = preferences.thumbnailPlaylist().upcoming();
        const auto choice = window->chooseTransition(StandIn::thumbnail, AffectedWindow::PreviousPick::drawAgain);
        EXPECT_EQ(choice.effect, c.effect);
        EXPECT_FALSE(choice.dealt);
        EXPECT_EQ(preferences.thumbnailPlaylist().upcoming(), upcoming);
    }
    world.setReduceMotion(false);
    const ThumbnailAnimation next = preferences.thumbnailPlaylist().upcoming().front();
    const auto drawn = window->chooseTransition(StandIn::thumbnail, AffectedWindow::PreviousPick::drawAgain);
    EXPECT_EQ(drawn.effect, thumbnailEffect(next, ReduceMotion::no));
    EXPECT_EQ(drawn.dealt, AffectedWindow::Dealt::intoThumbnail(next));
    EXPECT_NE(preferences.thumbnailPlaylist().upcoming().front(), next);
    EXPECT_TRUE(defaults->storedObject("MIPAnimationPlaylist"));
    // Never played: given back, it is the next one dealt.
    EXPECT_FALSE(window->giveBackDealt(nullptr, drawn.dealt));
    EXPECT_EQ(preferences.thumbnailPlaylist().upcoming().front(), next);
    EXPECT_NE(AffectedWindow::Dealt::intoThumbnail(ThumbnailAnimation::shatter),
              AffectedWindow::Dealt::intoTitleStrip(TitleStripAnimation::shatter));
}

TEST_F(ChangedWindowTest, TheWayBackReplaysThePickItsStandInCameWithAndOnlyOfItsKind) {
    preferences.setChosenThumbnailAnimation(ThumbnailAnimation::randomOrder);
    preferences.setChosenTitleStripAnimation(TitleStripAnimation::randomOrder);
    const TitleStripAnimation pick = preferences.titleStripPlaylist().upcoming().front();
    ASSERT_TRUE(run(changeInto(window, kShaded)));
    ASSERT_TRUE(window->transition());
    EXPECT_EQ(window->wentWith(), AffectedWindow::Dealt::intoTitleStrip(pick));
    const auto strips = preferences.titleStripPlaylist().upcoming();
    const auto back = window->chooseTransition(StandIn::titleStrip, AffectedWindow::PreviousPick::reuse);
    EXPECT_EQ(back.effect, titleStripEffect(pick, ReduceMotion::no));
    EXPECT_FALSE(back.dealt);
    EXPECT_EQ(preferences.titleStripPlaylist().upcoming(), strips);
    const auto other = window->chooseTransition(StandIn::thumbnail, AffectedWindow::PreviousPick::reuse);
    EXPECT_TRUE(other.dealt);
}

class StandInGeometryTest : public AffectedWindowTest {
protected:
    StandInGeometryTest() {
        preferences.setConcealsMinimizeAnimation(false);
        world.displays().set({{.frame = {0, 0, 640, 400}, .backingScaleFactor = 1, .name = "Main"},
                              {.frame = {640, 0, 640, 400}, .backingScaleFactor = 1, .name = "Side"}});
    }
    uint32_t side() const { return world.displays().all()[1]->number(); }
};

TEST_F(StandInGeometryTest, ADraggedTitleStripBringsTheWindowBackWhereItWasDropped) {
    auto window = changedWindow(editorWindow());
    ASSERT_TRUE(run(changeInto(window, kShaded)));
    window->panel()->setFrame(flipRect(Rect(300, 50, 200, 22)));
    EXPECT_EQ(window->homeFrame(), Rect(300, 50, 200, 150));
    EXPECT_EQ(window->standInShape(*window->panel(), StandIn::titleStrip)->cornerRadius, 8);
}

TEST_F(StandInGeometryTest, AThumbnailFollowsItsDisplayOrComesBackAtItsPlaceOnTheScreen) {
    desktop::Window& draft = editorWindow({700, 100, 200, 150});
    auto window = changedWindow(draft);
    engine->nextPlace = ThumbnailArrangement::Place{{380, 300, 64, 64}, ThumbnailArrangement::Corner::bottomLeft};
    ASSERT_TRUE(run(changeInto(window, kMinimizedInPlace)));
    EXPECT_EQ(window->dockedFrom(), (AffectedWindow::DockedFrom{side(), {640, 0}}));
    EXPECT_EQ(window->homeFrame(), Rect(700, 100, 200, 150));
    world.displays().setFrame(side(), {2080, 0, 640, 400});
    EXPECT_EQ(window->homeFrame(), Rect(2140, 100, 200, 150));

    // Its display gone, the window comes back at the thumbnail, inside the usable frame,
    // which reaches the screen's bottom edge over a Dock that hides itself.
    world.displays().remove(side());
    const Rect thumbnail = flipRect(window->panel()->frame());
    world.dock().setAutohides(false);
    const Rect kept = window->homeFrame();
    EXPECT_EQ(kept.origin.x, thumbnail.minX());
    EXPECT_LT(kept.maxY(), 400);
    world.dock().setAutohides(true);
    EXPECT_EQ(window->homeFrame(), Rect(thumbnail.minX(), 250, 200, 150));
}

TEST_F(StandInGeometryTest, AThumbnailStandsAtItsPlacesCornerWithTheLevelAndShapeOfItsSettings) {
    preferences.setShowsApplicationIcon(true);
    preferences.setThumbnailsFloat(true);
    auto window = changedWindow(editorWindow());
    engine->nextPlace = ThumbnailArrangement::Place{{300, 200, 80, 80}, ThumbnailArrangement::Corner::bottomRight};
    ASSERT_TRUE(run(changeInto(window, kMinimizedInPlace)));
    const ThumbnailLayout layout = *window->thumbnail();
    const Rect frame = flipRect(window->panel()->frame());
    EXPECT_EQ(frame, Rect(380 - layout.size.width, 280 - layout.size.height, layout.size.width, layout.size.height));
    EXPECT_EQ(window->place(), engine->nextPlace);
    EXPECT_EQ(window->panel()->level(), platform::window_levels::floating);
    const auto shape = window->standInShape(*window->panel(), StandIn::thumbnail);
    EXPECT_EQ(shape->frame, layout.imageFrame.offsetBy(frame.minX(), frame.minY()));
    EXPECT_EQ(shape->icon, layout.iconFrame->offsetBy(frame.minX(), frame.minY()));
    EXPECT_EQ(shape->cornerRadius, 4);
    EXPECT_FALSE(window->standInShape(*window->panel(), StandIn::liveCopy));
}

}  // namespace
}  // namespace changed_test
