// The stand-in panel as the changed window makes it, what its view draws in each look,
// and its mouse handling driven by injected input on the virtual clock.

#include "windows/changed/stand_in_panel.h"

#include "changed_test_support.h"
#include "platform/appkit/menu.h"
#include "platform/events/event_record.h"
#include "windows/access/screens.h"

namespace changed_test {
namespace {

using platform::AppEvent;
using platform::Layer;
namespace flags = platform::event_flags;

// Records the reports of a stand-in, one line each.
class RecordingDelegate : public StandInPanelDelegate {
public:
    std::vector<std::string> reports;
    bool givesMenu = true;

    void standInDoubleClicked(StandInPanel&, uint64_t f) override { reports.push_back("doubleClick " + hex(f)); }
    void standInClicked(StandInPanel&, uint64_t f) override { reports.push_back("click " + hex(f)); }
    void standInButtonClicked(StandInPanel&, WindowButton b) override {
        reports.push_back(std::string("button ") + attributeName(b));
    }
    void standInDragEnded(StandInPanel&) override { reports.push_back("dragEnded"); }
    void standInHoverChanged(StandInPanel&, bool h) override { reports.push_back(h ? "hover on" : "hover off"); }
    std::shared_ptr<platform::Menu> standInMenu(StandInPanel&, bool control) override {
        reports.push_back(control ? "menu control" : "menu right");
        if (!givesMenu) return nullptr;
        auto menu = platform::Menu::make();
        menu->addItem("Restore This Window", [](platform::MenuItem&) {});
        return menu;
    }

private:
    static std::string hex(uint64_t f) {
        char text[24];
        std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(f));
        return text;
    }
};

// A title strip of 400 × 28 at (300, 200) over an editor window, with its three buttons.
class StandInPanelTest : public ChangedTest {
protected:
    desktop::Window& draft = draftWindow();
    std::shared_ptr<StandInPanel> panel =
        StandInPanel::create(Rect(300, 200, 400, 28), StandInPanel::MissionControl::managed);
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();

    void SetUp() override {
        panel->setStandInDelegate(delegate);
        panel->canvas().setButtons({{WindowButton::close, Rect(8, 6, 14, 14)},
                                    {WindowButton::minimize, Rect(28, 6, 14, 14)},
                                    {WindowButton::zoom, Rect(48, 6, 14, 14)}});
        panel->orderFront();
        loop.runUntilIdle();
        // The pointer rests on the strip, so that presses there change no hover.
        moveTo({500, 210});
        reports().clear();
    }
    Point topLeft() const { return panel->topLeftFrame().origin; }
    std::vector<std::string>& reports() { return delegate->reports; }
};

TEST_F(StandInPanelTest, StandsOverTheWindowsFrameAndAPressNeitherMakesItKeyNorActivatesTheProgram) {
    EXPECT_EQ(panel->collectionBehavior(), 0x244u);
    EXPECT_EQ(StandInPanel::create(Rect(0, 30, 50, 50), StandInPanel::MissionControl::staysPut)->collectionBehavior(),
              0x250u);
    EXPECT_EQ(panel->topLeftFrame(), Rect(300, 200, 400, 28));
    EXPECT_EQ(panel->canvas().frame(), Rect(0, 0, 400, 28));
    EXPECT_EQ(flipRect(Rect(10, 20, 100, 50)), Rect(10, 830, 100, 50));
    click({500, 210});
    EXPECT_FALSE(panel->isKeyWindow());
    EXPECT_FALSE(app.isActive());
}

TEST_F(StandInPanelTest, TitleStripShowsThePicturesTopBandWithRoundedBottomCorners) {
    StandInView& view = panel->canvas();
    const Image picture = solid(800, 600, platform::Color::rgb(0.2, 0.4, 0.6));
    view.setLook(StandInLook::titleBar());
    app.runDisplayCycle();
    EXPECT_FALSE(view.layer()->contents());  // nothing without a picture
    view.setImage(picture);
    app.runDisplayCycle();
    const Layer& layer = *view.layer();
    ASSERT_TRUE(layer.contents());
    EXPECT_TRUE(layer.contents()->sharesPixelsWith(picture));
    EXPECT_EQ(layer.contentsGravity(), platform::ContentsGravity::top);
    EXPECT_EQ(layer.contentsScale(), 2.0);
    EXPECT_TRUE(layer.masksToBounds());
    EXPECT_EQ(layer.cornerRadius(), 8.0);
    EXPECT_EQ(layer.maskedCorners(), uint32_t(platform::minXMinYCorner | platform::maxXMinYCorner));
    view.setLook(StandInLook::whole());
    app.runDisplayCycle();
    EXPECT_EQ(layer.contentsGravity(), platform::ContentsGravity::resize);
    EXPECT_FALSE(layer.masksToBounds());
    EXPECT_EQ(layer.cornerRadius(), 0.0);
}

TEST_F(StandInPanelTest, ThumbnailPlacesPictureAndIconInTheirLayers) {
    app.setApplicationIconImage(solid(64, 64, platform::Color::rgb(1, 0, 0)));
    StandInView& view = panel->canvas();
    const ThumbnailLayout layout = ThumbnailLayout::compute({400, 300}, 128, 100);
    panel->setFrame(appKit(Rect(300, 200, 128, 101)));
    view.setApplicationIcon(solid(32, 32, platform::Color::rgb(0, 1, 0)));
    view.setImage(solid(400, 300, platform::Color::rgb(0, 0, 1)));
    view.setLook(StandInLook::thumbnail(layout));
    app.runDisplayCycle();
    EXPECT_FALSE(view.layer()->contents());
    ASSERT_EQ(view.thumbnailLayer()->superlayer(), view.layer().get());
    EXPECT_TRUE(view.thumbnailLayer()->contents());
    // (0, 0, 107, 80) from the top of a 101-high thumbnail lies 21 up from its bottom.
    EXPECT_EQ(view.thumbnailLayer()->frame(), Rect(0, 21, 107, 80));
    EXPECT_EQ(view.thumbnailLayer()->cornerRadius(), 4.0);
    EXPECT_EQ(view.thumbnailLayer()->minificationFilter(), platform::LayerFilter::trilinear);
    ASSERT_EQ(view.iconLayer()->superlayer(), view.layer().get());
    EXPECT_EQ(view.iconLayer()->frame(), Rect(64, 0, 64, 64));
    EXPECT_EQ(view.iconLayer()->contentsScale(), 2.0);
    ASSERT_TRUE(view.iconBitmap());
    EXPECT_EQ(view.iconBitmap()->pixels, 128);
    // Another look takes both layers away.
    view.setLook(StandInLook::whole());
    app.runDisplayCycle();
    EXPECT_FALSE(view.thumbnailLayer()->superlayer());
    EXPECT_FALSE(view.iconLayer()->superlayer());
}

TEST_F(StandInPanelTest, TheIconBitmapIsDrawnOncePerPixelSizeAndSpace) {
    StandInView& view = panel->canvas();
    EXPECT_FALSE(view.iconImage(64, 2));  // no icon
    view.setApplicationIcon(solid(32, 32, platform::Color::rgb(0, 1, 0)));
    const auto first = view.iconImage(64, 2);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width(), 128);
    EXPECT_EQ(first->colorSpace(), platform::ColorSpace::sRGB());
    EXPECT_TRUE(view.iconImage(64, 2)->sharesPixelsWith(*first));
    EXPECT_FALSE(view.iconImage(32, 2)->sharesPixelsWith(*first));
    EXPECT_EQ(view.iconImage(0.1, 2)->width(), 1);
    // The picture's RGB space is the icon's; a space that is not RGB gives sRGB.
    view.setImage(solid(10, 10, platform::Color::white(), platform::ColorSpace::displayRGB()));
    EXPECT_EQ(view.iconImage(32, 2)->colorSpace(), platform::ColorSpace::displayRGB());
    // A bitmap that cannot be made keeps the last one.
    EXPECT_FALSE(view.iconImage(20000, 2));
    EXPECT_EQ(view.iconBitmap()->pixels, 64);
}

TEST_F(StandInPanelTest, TheBadgeSitsBeyondTheButtonsWhileItFits) {
    app.setApplicationIconImage(solid(64, 64, platform::Color::rgb(1, 0, 0)));
    StandInView& view = panel->canvas();
    view.setFloatBadge(FloatBadge::measure(view.buttons(), std::nullopt, 400));  // slot at 75
    app.runDisplayCycle();
    ASSERT_EQ(view.badgeLayer()->superlayer(), view.layer().get());
    EXPECT_EQ(view.badgeLayer()->frame(), Rect(67, 7, 16, 16));  // (67, 5) from the top
    EXPECT_EQ(view.badgeLayer()->opacity(), 0.8);
    ASSERT_TRUE(view.badgeLayer()->contents());
    EXPECT_EQ(view.badgeLayer()->contents()->width(), 32);
    // A strip too narrow for the slot loses the badge; none set loses it too.
    panel->setFrame(appKit(Rect(300, 200, 80, 28)));
    app.runDisplayCycle();
    EXPECT_FALSE(view.badgeLayer()->superlayer());
    panel->setFrame(appKit(Rect(300, 200, 400, 28)));
    app.runDisplayCycle();
    EXPECT_TRUE(view.badgeLayer()->superlayer());
    view.setFloatBadge(std::nullopt);
    app.runDisplayCycle();
    EXPECT_FALSE(view.badgeLayer()->superlayer());
}

TEST_F(StandInPanelTest, ClicksAndDoubleClicksAreReportedOnce) {
    click({500, 210}, flags::shift);
    pause();
    doubleClick({500, 210}, flags::option);
    pause();
    // The third press of a triple click does nothing at its press nor at its release.
    doubleClick({500, 210});
    click({500, 210});
    // The first click of a double-click is a click.
    EXPECT_EQ(reports(), (std::vector<std::string>{"click 20000", "click 80000", "doubleClick 80000", "click 0",
                                                   "doubleClick 0"}));
    EXPECT_FALSE(panel->canvas().pressStart());
}

TEST_F(StandInPanelTest, ADragStartsAtThreePointsWithinTheDragBandAndEndsWithItsReport) {
    press({500, 210});
    dragTo({502.9, 210});
    EXPECT_EQ(topLeft(), (Point{300, 200}));
    EXPECT_FALSE(panel->canvas().isDragging());
    dragTo({503, 210});
    EXPECT_TRUE(panel->canvas().isDragging());
    EXPECT_EQ(topLeft(), (Point{303, 200}));
    dragTo({560, 300});
    release({560, 300});
    EXPECT_EQ(topLeft(), (Point{360, 290}));
    EXPECT_EQ(reports(), (std::vector<std::string>{"dragEnded"}));
    EXPECT_FALSE(panel->canvas().isDragging());
    // Only a press within the drag band drags; elsewhere it is a click.
    pause();
    panel->setFrame(appKit(Rect(300, 200, 400, 200)));
    panel->canvas().setDragBandHeight(28);
    press({500, 250});
    dragTo({540, 290});
    release({540, 290});
    EXPECT_EQ(topLeft(), (Point{300, 200}));
    pause();
    press({500, 220});
    dragTo({540, 260});
    release({540, 260});
    EXPECT_EQ(topLeft(), (Point{340, 240}));
    EXPECT_EQ(reports(), (std::vector<std::string>{"dragEnded", "click 0", "dragEnded"}));
}

TEST_F(StandInPanelTest, ATitleStripKeepsItsTopBelowTheMenuBarAndAThumbnailStaysWhollyOnScreen) {
    const Rect usable = *usableFrameAtPoint({500, 210});
    press({500, 210});
    dragTo({100, 0});
    EXPECT_EQ(topLeft(), (Point{-100, usable.minY()}));  // sideways it may leave
    dragTo({500, 1000});                                  // below the screen's bottom
    EXPECT_EQ(topLeft(), (Point{300, 990}));
    release({500, 1000});
    pause();
    panel->setFrame(appKit(Rect(300, 200, 400, 28)));
    panel->canvas().setKeptOnScreenWhenDragged(StandInKeptOnScreen::whole);
    press({500, 210});
    dragTo({10, 880});
    EXPECT_EQ(panel->topLeftFrame(), Rect(usable.minX(), usable.maxY() - 28, 400, 28));
    release({10, 880});
}

TEST_F(StandInPanelTest, AButtonClicksWhenReleasedWithinTwoPointsOfIt) {
    // The close button lies at (308 ... 322, 206 ... 220) on screen.
    press({315, 213});
    EXPECT_EQ(panel->canvas().pressedButton(), WindowButton::close);
    release({323.5, 213});
    pause();
    press({315, 213});
    release({324.5, 213});
    pause();
    // A press 1.5 points beside the minimize button takes it.
    press({340, 204.5});
    release({340, 210});
    EXPECT_EQ(reports(), (std::vector<std::string>{"button AXCloseButton", "button AXMinimizeButton"}));
    // A double-click on a button is two clicks of the button, not a double-click.
    pause();
    doubleClick({355, 213});
    EXPECT_EQ(reports().size(), 4u);
    EXPECT_EQ(reports().back(), "button AXZoomButton");
    // A button no longer drawn does nothing at the release.
    pause();
    press({355, 213});
    panel->canvas().setButtons({});
    release({355, 213});
    EXPECT_EQ(reports().size(), 4u);
}

TEST_F(StandInPanelTest, HoverFollowsThePointerExceptWhilePressedOrHeld) {
    // Another of the program's windows below the strip. (The simulated desktop tells the
    // program's tracking areas only of moves that reach the program.)
    auto elsewhere =
        std::make_shared<platform::Panel>(appKit(Rect(300, 400, 400, 100)), platform::nonactivatingPanelMask);
    elsewhere->setHidesOnDeactivate(false);
    elsewhere->setContentView(std::make_shared<platform::View>());
    elsewhere->orderFront();
    moveTo({500, 450});
    moveTo({500, 210});
    // Pressed on a button (no drag), dragged out and released there: the change shows
    // at the release.
    press({315, 213});
    dragTo({500, 450});
    EXPECT_TRUE(panel->canvas().isHovered());
    release({500, 450});
    EXPECT_EQ(reports(), (std::vector<std::string>{"hover off", "hover on", "hover off"}));
    // Held by the changed window, hover does not change.
    panel->canvas().setHoverHeld(true);
    moveTo({500, 210});
    moveTo({600, 215});
    EXPECT_FALSE(panel->canvas().isHovered());
    panel->canvas().setHoverHeld(false);
    // Hiding and showing look at the pointer again.
    panel->setHidden(true);
    EXPECT_FALSE(panel->isVisible());
    panel->setHidden(false);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->canvas().isHovered());
    EXPECT_EQ(reports().back(), "hover on");
}

TEST_F(StandInPanelTest, RightAndControlClicksAskForTheMenu) {
    rightClick({500, 210});
    ASSERT_TRUE(app.openMenu());
    EXPECT_EQ(platform::SimulatedUser::of(world).menuLog().back().window, panel->windowNumber());
    app.closeMenu();
    click({500, 210}, flags::control);
    app.closeMenu();
    // Without a menu a Control-click is a click.
    delegate->givesMenu = false;
    pause();
    click({500, 210}, flags::control);
    EXPECT_EQ(reports(), (std::vector<std::string>{"menu right", "menu control", "menu control", "click 40000"}));
}

TEST_F(StandInPanelTest, WithoutADelegateReportsAreDroppedButThePressEnds) {
    delegate.reset();
    doubleClick({500, 210});
    press({500, 210});
    dragTo({540, 250});
    release({540, 250});
    EXPECT_FALSE(panel->canvas().pressStart());
    EXPECT_EQ(topLeft(), (Point{340, 240}));
    rightClick({540, 250});
    EXPECT_FALSE(app.openMenu());
}

TEST_F(StandInPanelTest, RefreshShadowRunsOnALaterTurnEvenWhenThePanelIsGone) {
    int ran = 0;
    panel->refreshShadow([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    loop.runUntilIdle();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(panel->shadowInvalidationCount(), 1);
    panel->refreshShadow([&] { ++ran; });
    panel->close();
    panel.reset();
    loop.runUntilIdle();
    EXPECT_EQ(ran, 2);
}

}  // namespace
}  // namespace changed_test
