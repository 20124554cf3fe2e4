#include "appkit_support.h"
#include "platform/accessibility/accessibility.h"
#include "platform/windowserver/window_list.h"

namespace appkit_test {
namespace {

using WindowTest = AppKitTest;

std::vector<uint32_t> onScreenNumbers() {
    std::vector<uint32_t> numbers;
    const auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, 0);
    for (const auto& entry : *list) {
        numbers.push_back(static_cast<uint32_t>(entry.dictionary()->find(WindowList::kNumber)->integer().value_or(0)));
    }
    return numbers;
}

size_t positionOf(uint32_t number) {
    const auto numbers = onScreenNumbers();
    return static_cast<size_t>(std::find(numbers.begin(), numbers.end(), number) - numbers.begin());
}

TEST_F(WindowTest, AWindowIsAWorldWindowOfTheProgramMadeOrderedOut) {
    auto window = std::make_shared<Window>(appKit({100, 200, 400, 300}), titledWindowMask | closableWindowMask);
    window->setTitle("Settings");
    const desktop::Window* w = world.window(window->windowNumber());
    ASSERT_TRUE(w);
    EXPECT_EQ(w->pid(), world.ownProcessIdentifier());
    EXPECT_FALSE(w->isOrderedIn());
    EXPECT_FALSE(window->isVisible());
    // The content rectangle lies under a 28-point title bar.
    EXPECT_EQ(w->frame(), (Rect{100, 172, 400, 328}));
    EXPECT_EQ(window->frame(), appKit({100, 172, 400, 328}));
    EXPECT_EQ(w->title(), "Settings");
    EXPECT_EQ(w->subrole(), "AXStandardWindow");

    window->orderFront();
    EXPECT_TRUE(window->isVisible());
    // In front of everything at its level: only the menu bar and the Dock stand before it.
    EXPECT_EQ(positionOf(window->windowNumber()), 2u);

    // Closing leaves the record in the world, closed; showing again makes a new window.
    const uint32_t first = window->windowNumber();
    window->close();
    EXPECT_FALSE(world.window(first));
    EXPECT_TRUE(window->isClosed());
    window->orderFront();
    EXPECT_NE(window->windowNumber(), first);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->topLeftFrame(), (Rect{100, 172, 400, 328}));
}

TEST_F(WindowTest, LevelsAlphaAndMouseTransparencyAreTheWorlds) {
    auto panel = probePanel({50, 60, 100, 80});
    panel->setLevel(window_levels::overlay);
    panel->setAlphaValue(0.5);
    panel->setIgnoresMouseEvents(true);
    const desktop::Window& w = *world.window(panel->windowNumber());
    EXPECT_EQ(w.layer(), 23);
    EXPECT_EQ(w.alpha(), 0.5);
    EXPECT_TRUE(w.ignoresMouseEvents());
    EXPECT_EQ(window_levels::overlay, windowLevelForKey(WindowLevelKey::mainMenu) - 1);
    panel->setAlphaValue(7);
    EXPECT_EQ(panel->alphaValue(), 1);
    // The level sorts before the stacking order: a normal window ordered in later stays below.
    auto normal = probePanel({50, 60, 100, 80});
    EXPECT_LT(positionOf(panel->windowNumber()), positionOf(normal->windowNumber()));
}

TEST_F(WindowTest, OrderingAboveAndBelowAnotherWindowAndOut) {
    desktop::Application& editor = world.application("com.example.Editor").window("One").window("Two").add();
    const uint32_t one = editor.windows()[1]->number();
    const uint32_t two = editor.windows()[0]->number();
    auto panel = probePanel({100, 100, 50, 50});
    panel->orderWindow(WindowOrderingMode::above, one);
    EXPECT_EQ(positionOf(panel->windowNumber()) + 1, positionOf(one));
    EXPECT_LT(positionOf(two), positionOf(panel->windowNumber()));
    panel->orderWindow(WindowOrderingMode::below, two);
    EXPECT_EQ(positionOf(panel->windowNumber()), positionOf(two) + 1);
    panel->orderBack();
    EXPECT_GT(positionOf(panel->windowNumber()), positionOf(one));
    panel->orderWindow(WindowOrderingMode::out, 0);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(positionOf(panel->windowNumber()), onScreenNumbers().size());
    // Relative to a window that does not exist: in front.
    panel->orderWindow(WindowOrderingMode::above, 9999);
    EXPECT_EQ(positionOf(panel->windowNumber()), positionOf(two) - 1);
}

TEST_F(WindowTest, ChildWindowsMoveWithTheirParentAndStayAboveIt) {
    auto parent = probePanel({100, 100, 200, 100});
    auto child = std::make_shared<Panel>(appKit({150, 80, 60, 20}), nonactivatingPanelMask);
    parent->addChildWindow(child, WindowOrderingMode::above);
    EXPECT_TRUE(child->isVisible());
    EXPECT_EQ(child->parentWindow(), parent.get());
    parent->setFrameTopLeftPoint(flipPoint({130, 110}, world.displays().firstMaxY()));
    EXPECT_EQ(child->topLeftFrame(), (Rect{180, 90, 60, 20}));
    parent->orderFront();
    EXPECT_EQ(positionOf(child->windowNumber()) + 1, positionOf(parent->windowNumber()));
    parent->orderOut();
    EXPECT_FALSE(child->isVisible());
    parent->orderFront();
    EXPECT_TRUE(child->isVisible());
    // A child ordered out by itself stays out when its parent comes back.
    child->orderOut();
    parent->orderOut();
    parent->orderFront();
    EXPECT_FALSE(child->isVisible());
    // A window cannot become its own ancestor's child.
    child->addChildWindow(parent, WindowOrderingMode::above);
    EXPECT_EQ(parent->parentWindow(), nullptr);
    parent->removeChildWindow(child.get());
    EXPECT_TRUE(parent->childWindows().empty());
    EXPECT_EQ(child->parentWindow(), nullptr);
}

TEST_F(WindowTest, KeyAndMainFollowActivationAndArePosted) {
    Recorder r({notifications::kWindowDidBecomeKey, notifications::kWindowDidResignKey,
                notifications::kApplicationDidBecomeActive, notifications::kApplicationDidResignActive});
    auto window = std::make_shared<Window>(appKit({100, 100, 300, 200}), titledWindowMask);
    app.activate();
    window->makeKeyAndOrderFront();
    EXPECT_FALSE(window->isKeyWindow());  // the program learns of its activation on a later turn
    loop.runUntilIdle();
    EXPECT_TRUE(app.isActive());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_TRUE(window->isMainWindow());
    EXPECT_EQ(app.keyWindow(), window.get());
    ASSERT_EQ(r.seen.size(), 2u);
    EXPECT_EQ(r.seen[0].name, notifications::kApplicationDidBecomeActive);
    EXPECT_EQ(r.seen[1].name, notifications::kWindowDidBecomeKey);
    EXPECT_EQ(r.seen[1].object, window->notificationObject());

    // Another application comes forward: the window resigns key, then the program active.
    world.application("com.example.Editor").window("One").launch();
    loop.runUntilIdle();
    EXPECT_FALSE(window->isKeyWindow());
    ASSERT_EQ(r.seen.size(), 4u);
    EXPECT_EQ(r.seen[2].name, notifications::kWindowDidResignKey);
    EXPECT_EQ(r.seen[3].name, notifications::kApplicationDidResignActive);

    // A non-activating panel is key without the program being active; a borderless
    // window never is.
    auto panel = std::make_shared<Panel>(appKit({0, 100, 50, 50}), titledWindowMask | nonactivatingPanelMask);
    panel->makeKeyAndOrderFront();
    EXPECT_TRUE(panel->isKeyWindow());
    EXPECT_FALSE(panel->isMainWindow());
    auto borderless = probePanel({0, 100, 50, 50}, borderlessWindowMask);
    borderless->makeKeyWindow();
    EXPECT_TRUE(panel->isKeyWindow());
    // Ordering the key window out hands key on.
    panel->orderOut();
    EXPECT_FALSE(panel->isKeyWindow());
    EXPECT_EQ(r.count(notifications::kWindowDidResignKey, panel->notificationObject()), 1);
}

TEST_F(WindowTest, PanelsThatHideOnDeactivationComeBackWithActivation) {
    app.activate();
    loop.runUntilIdle();
    auto panel = std::make_shared<Panel>(appKit({0, 100, 50, 50}), titledWindowMask);
    auto steady = probePanel({0, 200, 50, 50});
    panel->orderFront();
    world.application("com.example.Editor").window("One").launch();
    loop.runUntilIdle();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(steady->isVisible());
    app.activate();
    loop.runUntilIdle();
    EXPECT_TRUE(panel->isVisible());
}

TEST_F(WindowTest, MiniaturizingNeedsTheStyleBitAndIsPostedOnTheMainQueue) {
    Recorder r({notifications::kWindowDidMiniaturize, notifications::kWindowDidDeminiaturize});
    auto window = std::make_shared<Window>(appKit({100, 100, 300, 200}), titledWindowMask | closableWindowMask);
    window->orderFront();
    window->miniaturize();
    EXPECT_FALSE(window->isMiniaturized());
    EXPECT_FALSE(window->standardWindowButton(WindowButtonKind::miniaturize)->isEnabled());
    EXPECT_FALSE(world.window(window->windowNumber())->isMinimizable());

    window->setStyleMask(window->styleMask() | miniaturizableWindowMask);
    EXPECT_TRUE(world.window(window->windowNumber())->isMinimizable());
    window->miniaturize();
    EXPECT_TRUE(window->isMiniaturized());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(r.seen.size(), 0u);
    loop.advance(1);  // the trip into the Dock ends; the world tells the program
    EXPECT_EQ(r.count(notifications::kWindowDidMiniaturize, window->notificationObject()), 1);
    // Brought back from outside, as the Dock would.
    world.window(window->windowNumber())->deminimize();
    loop.advance(1);
    EXPECT_EQ(r.count(notifications::kWindowDidDeminiaturize, window->notificationObject()), 1);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowTest, ButtonsFollowTheStyleAndAClosePressFromOutsideClosesTheWindow) {
    Recorder r({notifications::kWindowWillClose});
    auto window = std::make_shared<Window>(appKit({100, 100, 300, 200}), titledWindowMask | closableWindowMask);
    window->orderFront();
    WindowButton* close = window->standardWindowButton(WindowButtonKind::close);
    ASSERT_TRUE(close);
    EXPECT_TRUE(close->isEnabled());
    EXPECT_EQ(close->frame(), (Rect{9, 207, 14, 14}));
    close->setEnabled(false);
    close->performClick();
    EXPECT_FALSE(window->isClosed());
    EXPECT_FALSE(world.window(window->windowNumber())->button(desktop::TitleBarButton::close)->isEnabled());
    close->setEnabled(true);
    bool asked = false;
    window->setShouldClose([&](Window&) {
        asked = true;
        return false;
    });
    window->performClose();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(window->isClosed());
    // A press of the world's button closes it as a click would.
    world.window(window->windowNumber())->button(desktop::TitleBarButton::close)->press();
    EXPECT_TRUE(window->isClosed());
    EXPECT_EQ(r.count(notifications::kWindowWillClose, window->notificationObject()), 1);
    EXPECT_EQ(std::make_shared<Window>(Rect{0, 0, 10, 10}, borderlessWindowMask)->standardWindowButton(
                  WindowButtonKind::close),
              nullptr);
}

TEST_F(WindowTest, SheetsAttachBelowTheTitleBarAndTakeKey) {
    app.activate();
    loop.runUntilIdle();
    auto window = std::make_shared<Window>(appKit({100, 100, 600, 400}), titledWindowMask);
    window->makeKeyAndOrderFront();
    auto sheet = std::make_shared<Window>(Rect{0, 0, 400, 200}, titledWindowMask);
    int64_t response = -1;
    window->beginSheet(sheet, [&](int64_t r) { response = r; });
    EXPECT_EQ(window->attachedSheet(), sheet.get());
    EXPECT_TRUE(sheet->isSheet());
    EXPECT_TRUE(sheet->isKeyWindow());
    const desktop::Window& ws = *world.window(sheet->windowNumber());
    EXPECT_EQ(ws.role(), "AXSheet");
    EXPECT_EQ(ws.parentWindow(), window->windowNumber());
    EXPECT_EQ(ws.frame(), (Rect{200, 100, 400, 228}));  // centred, just below the title bar
    window->endSheet(*sheet, 7);
    EXPECT_FALSE(sheet->isSheet());
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(response, -1);
    loop.runUntilIdle();
    EXPECT_EQ(response, 7);
}

TEST_F(WindowTest, BackingScaleFollowsTheScreenAndIsTold) {
    world.displays().add({.frame = Rect{1440, 0, 1280, 800}, .backingScaleFactor = 1});
    Recorder r({notifications::kWindowDidChangeBackingProperties});
    auto panel = probePanel({100, 100, 50, 50});
    EXPECT_EQ(panel->backingScaleFactor(), 2);
    panel->setFrameOrigin({1600, 300});
    EXPECT_EQ(panel->backingScaleFactor(), 1);
    EXPECT_EQ(r.count(notifications::kWindowDidChangeBackingProperties), 1);
    EXPECT_EQ(panel->screen()->frame(), (Rect{1440, 0, 1280, 800}));
}

TEST_F(WindowTest, OnTheActiveSpaceWhileItsSpaceIsShownOrItJoinsEverySpace) {
    const uint32_t display = world.displays().first()->number();
    const uint64_t home = *world.spaces().current(display);
    const uint64_t other = world.spaces().add(display);
    auto panel = probePanel({100, 100, 50, 50});
    auto everywhere = probePanel({200, 100, 50, 50});
    everywhere->setCollectionBehavior(canJoinAllSpacesBehavior);
    EXPECT_TRUE(panel->isOnActiveSpace());

    world.spaces().switchTo(other);
    EXPECT_FALSE(panel->isOnActiveSpace());
    EXPECT_TRUE(everywhere->isOnActiveSpace());
    // Ordered out, it keeps its Space; one that moves to the shown Space is on it again.
    panel->orderOut();
    EXPECT_FALSE(panel->isOnActiveSpace());
    panel->setCollectionBehavior(moveToActiveSpaceBehavior);
    panel->orderFront();
    EXPECT_TRUE(panel->isOnActiveSpace());
    world.spaces().switchTo(home);
    EXPECT_FALSE(panel->isOnActiveSpace());
    EXPECT_TRUE(everywhere->isOnActiveSpace());
}

TEST_F(WindowTest, AccessibilityHitTestsTellButtonsTitleBarAndViews) {
    class Labelled : public View {
        std::optional<std::string> accessibilityRole() const override { return std::string("AXImage"); }
    };
    auto window = std::make_shared<Window>(appKit({100, 100, 300, 200}), titledWindowMask | closableWindowMask);
    auto content = std::make_shared<View>();
    window->setContentView(content);
    auto image = std::make_shared<Labelled>();
    image->setFrame({0, 0, 100, 100});
    content->addSubview(image);
    const double h = world.displays().firstMaxY();
    EXPECT_FALSE(window->accessibilityHitTest(flipPoint({50, 50}, h)));
    EXPECT_EQ(window->accessibilityHitTest(flipPoint({115, 85}, h)), (AccessibilityHit{"AXButton", "AXCloseButton"}));
    EXPECT_EQ(window->accessibilityHitTest(flipPoint({250, 80}, h)), (AccessibilityHit{"AXWindow", "AXStandardWindow"}));
    EXPECT_EQ(window->accessibilityHitTest(flipPoint({150, 250}, h)), (AccessibilityHit{"AXImage", std::nullopt}));
    EXPECT_EQ(window->accessibilityHitTest(flipPoint({350, 150}, h)), (AccessibilityHit{}));
}

TEST(WindowWithoutWorld, KeepsItsValuesAndOutlivesTheWorld) {
    // Without a world a window keeps what it is told and has no number.
    auto alone = std::make_shared<Window>(Rect{0, 0, 10, 10}, titledWindowMask);
    alone->setLevel(3);
    alone->setFrame({5, 5, 20, 20});
    alone->orderFront();
    EXPECT_EQ(alone->windowNumber(), 0u);
    EXPECT_EQ(alone->level(), 3);
    EXPECT_EQ(alone->frame(), (Rect{5, 5, 20, 20}));
    EXPECT_FALSE(alone->isVisible());
    EXPECT_TRUE(alone->isOnActiveSpace());

    // The world goes before the window: the window does nothing more with it.
    MainLoop loop(ClockKind::simulated);
    auto world = std::make_unique<desktop::Desktop>(loop);
    auto late = std::make_shared<Window>(Rect{0, 0, 10, 10}, titledWindowMask);
    late->setContentView(std::make_shared<View>());
    late->orderFront();
    late->animateFrame({100, 100, 50, 50}, 1);
    world.reset();
    late->orderOut();
    late->setFrame({5, 5, 20, 20});
    EXPECT_FALSE(late->isVisible());
    late->close();
    loop.runUntilIdle();
}

}  // namespace
}  // namespace appkit_test
