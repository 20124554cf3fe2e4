// The float badge's place measured from buttons and title, its picture per pixel size,
// and its panel following a window on the virtual clock.

#include "windows/changed/float_badge.h"

#include <cmath>

#include "changed_test_support.h"
#include "platform/events/event_monitors.h"
#include "windows/changed/float_badge_panel.h"

namespace changed_test {
namespace {

using Buttons = std::map<WindowButton, Rect>;

// Buttons 14 points square centred at the given x, on a line 10 points down.
Buttons buttonsAt(std::initializer_list<std::pair<WindowButton, double>> centres) {
    Buttons buttons;
    for (const auto& [button, midX] : centres) buttons[button] = Rect(midX - 7, 3, 14, 14);
    return buttons;
}

// The badge's centre in a 300-point-high window of that width; NaN when it is hidden.
double centreIn(const FloatBadge& badge, double width) {
    const auto r = FloatBadge::rect(badge, Rect(0, 0, width, 300));
    return r ? r->midX() : std::nan("");
}

const Buttons kLeft = buttonsAt({{WindowButton::close, 20}, {WindowButton::minimize, 40}, {WindowButton::zoom, 60}});
const Buttons kRight = buttonsAt({{WindowButton::close, 580}, {WindowButton::minimize, 560}, {WindowButton::zoom, 540}});

TEST(FloatBadgeMeasure, TheSlotAfterTheButtonsAndPushedBeyondTheTitle) {
    const FloatBadge badge = FloatBadge::measure(kLeft, Rect(300, 3, 200, 14), 600);
    EXPECT_EQ(badge, (FloatBadge{false, {516, 10}, 80}));
    EXPECT_EQ(centreIn(badge, 600), 516);
    EXPECT_EQ(centreIn(badge, 520), 504);          // pulled back to 16 points from the far edge
    EXPECT_TRUE(std::isnan(centreIn(badge, 90)));  // 74 < 80: hidden
    // Without a title the badge stands in the slot; a window narrower than slot + 16 hides it.
    const FloatBadge bare = FloatBadge::measure(kLeft, std::nullopt, 600);
    EXPECT_EQ(bare, (FloatBadge{false, {80, 10}, 80}));
    EXPECT_EQ(centreIn(bare, 96), 80);
    EXPECT_TRUE(std::isnan(centreIn(bare, 95)));
    // Buttons on the right count from the right edge.
    const FloatBadge right = FloatBadge::measure(kRight, std::nullopt, 600);
    EXPECT_EQ(right, (FloatBadge{true, {80, 10}, 80}));
    EXPECT_EQ(centreIn(right, 600), 520);
    // The rectangle stays inside the bounds, and a badge without a finite centre has none.
    EXPECT_EQ(FloatBadge::rect(FloatBadge{}, Rect(100, 50, 400, 300)), Rect(177, 58, 16, 16));
    EXPECT_FALSE(FloatBadge::rect(FloatBadge{}, Rect(0, 0, 400, 20)));  // too low a strip
    EXPECT_FALSE(FloatBadge::rect(FloatBadge{false, {std::nan(""), 16}, 85}, Rect(0, 0, 400, 300)));
}

TEST(FloatBadgeMeasure, TheCentreAcrossByButtonsTitleAndWidth) {
    const struct {
        Buttons buttons;
        std::optional<Rect> title;
        double width, centre;
    } cases[] = {
        {kLeft, Rect(300, 25, 200, 14), 600, 532},  // a title more than 4 points off the line keeps 32 away
        {kLeft, Rect(300, 7, 200, 14), 600, 516},
        {kLeft, Rect(300, 3, 0, 14), 600, 80},  // no width: no title
        {kRight, Rect(200, 3, 150, 14), 600, 416},  // a title left of them pushes it beyond
        {buttonsAt({{WindowButton::zoom, 50}}), std::nullopt, 400, 73},
        {buttonsAt({{WindowButton::close, 380}}), std::nullopt, 400, 400 - (380 - 3 * 23)},  // lone, right half
        {buttonsAt({{WindowButton::close, 20}, {WindowButton::zoom, 60}}), std::nullopt, 400, 80},  // spacing per step
    };
    for (const auto& c : cases) EXPECT_EQ(FloatBadge::measure(c.buttons, c.title, c.width).center.x, c.centre);
    // Without buttons the badge stands 85 points in and 16 down, its slot too.
    EXPECT_EQ(FloatBadge::measure({}, Rect(100, 3, 50, 14), 400), (FloatBadge{false, {85, 16}, 85}));
}

class FloatBadgeTest : public ChangedTest {
protected:
    desktop::Window& draft = draftWindow();
    const TargetWindow draftTarget = *target(draft);
};

TEST_F(FloatBadgeTest, RemeasuringReadsTheWindowsButtonsAndTitle) {
    const auto badge = FloatBadge::remeasure(draftTarget.element);
    ASSERT_TRUE(badge);
    const auto titleElement = elementAttribute(ax::attribute::titleElement, draftTarget.element);
    ASSERT_TRUE(titleElement);
    const Rect titleFrame = textBounds(*titleElement)->offsetBy(-300, -200);
    EXPECT_EQ(*badge, FloatBadge::measure(draftTarget.buttons, titleFrame, 400));
    EXPECT_GT(badge->center.x, badge->nearest);  // pushed beyond the title
    draft.close();
    EXPECT_FALSE(FloatBadge::remeasure(draftTarget.element));
}

TEST_F(FloatBadgeTest, TheBadgeImageIsDrawnOncePerPixelSize) {
    EXPECT_FALSE(floatBadgeImage(2));  // no icon: nothing, and nothing kept
    giveTheProgramAnIcon();
    const auto twice = floatBadgeImage(2);
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->width(), 32);
    EXPECT_EQ(twice->colorSpace(), platform::ColorSpace::sRGB());
    EXPECT_EQ(floatBadgeImage(1.5)->width(), 24);
    EXPECT_TRUE(floatBadgeImage(2)->sharesPixelsWith(*twice));
    EXPECT_EQ(floatBadgeImage(0)->width(), 1);
    EXPECT_EQ(floatBadgeImage(std::nan(""))->width(), 1);
}

class FloatBadgePanelTest : public FloatBadgeTest {
protected:
    std::shared_ptr<FloatBadgePanel> panel =
        FloatBadgePanel::create(FloatBadge::measure(draftTarget.buttons, std::nullopt, 400));
    Rect expectedOn(const Rect& window) const { return *FloatBadge::rect(panel->badge(), window); }
    size_t monitors() {
        return platform::EventMonitors::of(world).globalCount() + platform::EventMonitors::of(world).localCount();
    }
};

TEST_F(FloatBadgePanelTest, ShowsOnTheWindowAndFollowsItQuicklyThenSlowly) {
    giveTheProgramAnIcon();
    EXPECT_FALSE(panel->isVisible());
    panel->show(draft.number(), Rect(0, 0, 10, 10));  // the window server's bounds win
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->topLeftFrame(), expectedOn(Rect(300, 200, 400, 300)));
    EXPECT_EQ(panel->windowFrame(), Rect(300, 200, 400, 300));
    EXPECT_LT(stackIndex(panel->windowNumber()), stackIndex(draft.number()));  // just above the window
    EXPECT_TRUE(panel->isFollowingQuickly());
    EXPECT_EQ(monitors(), 2u);
    ASSERT_TRUE(panel->contentView()->layer()->contents());
    EXPECT_EQ(panel->contentView()->layer()->opacity(), 0.8);

    loop.advance(0.6);
    EXPECT_FALSE(panel->isFollowingQuickly());
    // The window moves: the badge follows within a quarter second and polls quickly again.
    draft.moveTo({320, 260});
    loop.advance(0.26);
    EXPECT_EQ(panel->topLeftFrame(), expectedOn(Rect(320, 260, 400, 300)));
    EXPECT_TRUE(panel->isFollowingQuickly());
    // While it is dragged the badge keeps up at sixty frames a second.
    draft.moveTo({330, 260});
    loop.advance(1.0 / 59);
    EXPECT_EQ(panel->topLeftFrame(), expectedOn(Rect(330, 260, 400, 300)));
    // A badge that does not fit the window is ordered out, and comes back when it fits.
    draft.resize({60, 300});
    loop.advance(0.3);
    EXPECT_FALSE(panel->isVisible());
    draft.resize({400, 300});
    loop.advance(0.3);
    EXPECT_TRUE(panel->isVisible());
}

TEST_F(FloatBadgePanelTest, AMouseDownAnywhereHurriesIt) {
    panel->show(draft.number(), draft.frame());
    loop.advance(0.6);
    EXPECT_FALSE(panel->isFollowingQuickly());
    click({500, 400});  // on the editor: seen by the global monitor
    EXPECT_TRUE(panel->isFollowingQuickly());
    loop.advance(0.6);
    EXPECT_FALSE(panel->isFollowingQuickly());
    // A held button keeps it quick.
    press({500, 400});
    loop.advance(1.0);
    EXPECT_TRUE(panel->isFollowingQuickly());
    release({500, 400});
}

TEST_F(FloatBadgePanelTest, PuttingAwayClosingAndReleasingStopFollowing) {
    panel->show(draft.number(), draft.frame());
    panel->putAway();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(panel->isFollowing());
    EXPECT_FALSE(panel->windowID());
    EXPECT_EQ(monitors(), 0u);
    panel->follow(draft.frame());  // no window: stays out
    EXPECT_FALSE(panel->isVisible());
    panel->show(draft.number(), draft.frame());
    panel->close();
    EXPECT_FALSE(panel->isFollowing());
    EXPECT_EQ(monitors(), 0u);
    panel->show(draft.number(), draft.frame());
    panel.reset();
    EXPECT_EQ(monitors(), 0u);
    loop.advance(1.0);
}

// A system without the private bounds call, from the start of the process (private
// calls are looked up once per process).
class FloatBadgeWithoutBoundsTest : public ChangedTest {
protected:
    bool removed = (world.privateCalls().remove("CGSGetWindowBounds"), true);
    desktop::Window& draft = draftWindow();
    std::shared_ptr<FloatBadgePanel> panel = FloatBadgePanel::create(FloatBadge{});
};

TEST_F(FloatBadgeWithoutBoundsTest, OnlyShowAndFollowPlaceIt) {
    panel->show(draft.number(), Rect(100, 100, 400, 300));
    EXPECT_EQ(panel->topLeftFrame(), Rect(177, 108, 16, 16));
    draft.moveTo({320, 260});
    loop.advance(1.0);
    EXPECT_EQ(panel->topLeftFrame(), Rect(177, 108, 16, 16));
    panel->follow(Rect(320, 260, 400, 300));
    EXPECT_EQ(panel->topLeftFrame(), Rect(397, 268, 16, 16));
}

}  // namespace
}  // namespace changed_test
