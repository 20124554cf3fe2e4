#include "appkit_support.h"

namespace appkit_test {
namespace {

using EventTest = AppKitTest;

TEST_F(EventTest, PressesReachTheViewUnderThePointerWithClickCountModifiersAndPlace) {
    auto panel = probePanel({100, 100, 200, 100});
    ProbeView& view = probe(*panel);
    auto inner = std::make_shared<ProbeView>(Rect{10, 10, 50, 30});
    view.addSubview(inner);
    EXPECT_TRUE(send(AppEventType::leftMouseDown, {150, 150}, 2, AppEvent::shift | AppEvent::option));
    ASSERT_EQ(view.events.size(), 1u);
    EXPECT_EQ(view.clickCounts[0], 2);
    EXPECT_EQ(view.modifiers[0], AppEvent::shift | AppEvent::option);
    EXPECT_EQ(view.locations[0], (Point{50, 50}));
    EXPECT_EQ(app.currentModifierFlags(), AppEvent::shift | AppEvent::option);
    EXPECT_EQ(app.pressedMouseButtons(), 1u);
    // Drags and the release go to the view that took the press, wherever the pointer is.
    send(AppEventType::leftMouseDragged, {700, 700});
    send(AppEventType::leftMouseUp, {700, 700});
    EXPECT_EQ(view.events, (std::vector<AppEventType>{AppEventType::leftMouseDown, AppEventType::leftMouseDragged,
                                                      AppEventType::leftMouseUp}));
    EXPECT_EQ(app.pressedMouseButtons(), 0u);
    EXPECT_EQ(app.pointerLocation(), (Point{700, 700}));
    EXPECT_EQ(app.mouseLocation(), (Point{700, 200}));
    // The inner view lies 10 points up from the bottom-left corner.
    click({115, 185});
    EXPECT_EQ(inner->events.size(), 2u);
    EXPECT_EQ(inner->locations[0], (Point{5, 5}));
}

TEST_F(EventTest, PressesOnOtherApplicationsAndThroughClickThroughWindowsAreNotTaken) {
    auto panel = probePanel({100, 100, 200, 100});
    world.application("com.example.Editor").window({.title = "Over", .frame = Rect{150, 50, 100, 100}}).add();
    EXPECT_FALSE(send(AppEventType::leftMouseDown, {160, 120}));
    send(AppEventType::leftMouseUp, {160, 120});
    EXPECT_TRUE(probe(*panel).events.empty());
    // A click-through panel above lets the press reach what lies below it.
    auto glass = probePanel({100, 100, 200, 100});
    glass->setIgnoresMouseEvents(true);
    panel->setLevel(window_levels::floating);
    EXPECT_TRUE(click({110, 110}));
    EXPECT_EQ(probe(*panel).events.size(), 2u);
    EXPECT_TRUE(probe(*glass).events.empty());
    EXPECT_FALSE(click({10, 500}));
}

TEST_F(EventTest, AnInactiveProgramsWindowTakesTheFirstPressOnlyWhenTheViewAcceptsIt) {
    auto behind = std::make_shared<Window>(appKit({100, 100, 300, 200}), titledWindowMask);
    behind->orderFront();
    desktop::Application& editor = world.application("com.example.Editor").window("Other").add();
    auto window = std::make_shared<Window>(appKit({1000, 100, 300, 200}), titledWindowMask);
    window->setContentView(std::make_shared<ProbeView>());
    window->orderBack();
    ProbeView& view = probe(*window);
    EXPECT_TRUE(send(AppEventType::leftMouseDown, {1100, 200}));
    send(AppEventType::leftMouseUp, {1100, 200});
    EXPECT_TRUE(view.events.empty());  // it only brought the program forward
    // The clicked window came forward, the program's other window did not.
    const auto order = world.windowsFrontToBack();
    const auto place = [&](uint32_t n) {
        return std::find_if(order.begin(), order.end(), [n](auto* w) { return w->number() == n; }) - order.begin();
    };
    EXPECT_LT(place(window->windowNumber()), place(editor.windows()[0]->number()));
    EXPECT_GT(place(behind->windowNumber()), place(editor.windows()[0]->number()));
    loop.runUntilIdle();
    EXPECT_TRUE(app.isActive());
    EXPECT_TRUE(window->isKeyWindow());
    click({1100, 200});
    EXPECT_EQ(view.events.size(), 2u);

    world.application("com.example.Editor").window("Another").launch();
    loop.runUntilIdle();
    EXPECT_FALSE(app.isActive());
    view.firstMouse = true;
    click({1100, 200});
    EXPECT_EQ(view.events.size(), 4u);
}

TEST_F(EventTest, ContextMenusComeFromTheViewsUpwardsAndAControlClickWithoutOneIsAClick) {
    auto panel = probePanel({100, 100, 200, 100});
    ProbeView& view = probe(*panel);
    auto inner = std::make_shared<ProbeView>(Rect{10, 10, 50, 30});
    view.addSubview(inner);
    // No menu anywhere: a Control-click is a click and a right press goes nowhere.
    click({115, 185}, 1, AppEvent::control);
    EXPECT_EQ(inner->events.size(), 2u);
    EXPECT_TRUE(send(AppEventType::rightMouseDown, {115, 185}));
    EXPECT_FALSE(app.openMenu());
    send(AppEventType::rightMouseUp, {115, 185});
    EXPECT_EQ(inner->events.back(), AppEventType::rightMouseUp);

    view.contextMenu = Menu::make("Context");
    view.contextMenu->addItem("Only", [](MenuItem&) {});
    click({115, 185}, 1, AppEvent::control);
    EXPECT_EQ(app.openMenu(), view.contextMenu);
    EXPECT_EQ(inner->events.size(), 3u);  // the press became a menu, not a click
    EXPECT_EQ(SimulatedUser::of(world).menuLog().back().event.modifierFlags, AppEvent::control);
    app.closeMenu();
    send(AppEventType::rightMouseDown, {115, 185});
    EXPECT_EQ(app.openMenu(), view.contextMenu);
}

TEST_F(EventTest, TitleBarButtonsClickOnReleaseInsideThem) {
    app.activate();
    loop.runUntilIdle();
    auto window = std::make_shared<Window>(appKit({100, 100, 300, 200}),
                                           titledWindowMask | closableWindowMask | miniaturizableWindowMask);
    window->setContentView(std::make_shared<ProbeView>());
    window->makeKeyAndOrderFront();
    // The minimize button: 29...43 from the left, 7...21 from the top of the frame at y 72.
    send(AppEventType::leftMouseDown, {135, 85});
    send(AppEventType::leftMouseUp, {180, 85});
    EXPECT_FALSE(window->isMiniaturized());
    EXPECT_EQ(window->standardWindowButton(WindowButtonKind::miniaturize)->clickCount(), 0);
    click({135, 85});
    EXPECT_TRUE(window->isMiniaturized());
    EXPECT_TRUE(probe(*window).events.empty());
}

TEST_F(EventTest, KeysGoToTheKeyWindowsFirstResponder) {
    auto panel = std::make_shared<Panel>(appKit({100, 100, 300, 200}), titledWindowMask | nonactivatingPanelMask);
    auto content = std::make_shared<ProbeView>();
    panel->setContentView(content);
    auto field = std::make_shared<ProbeView>(Rect{0, 0, 10, 10});
    content->addSubview(field);
    EXPECT_FALSE(app.sendEvent(AppEvent::key(AppEventType::keyDown, 40, "k", AppEvent::command)));
    panel->makeKeyAndOrderFront();
    EXPECT_TRUE(app.sendEvent(AppEvent::key(AppEventType::keyDown, 40, "k", AppEvent::command)));
    EXPECT_EQ(content->events.size(), 1u);
    panel->makeFirstResponder(field.get());
    app.sendEvent(AppEvent::key(AppEventType::keyDown, 40, "k"));
    EXPECT_EQ(field->events.size(), 1u);
    EXPECT_EQ(app.currentModifierFlags(), 0u);
    field->removeFromSuperview();
    EXPECT_EQ(panel->firstResponder(), content.get());
}

}  // namespace
}  // namespace appkit_test
