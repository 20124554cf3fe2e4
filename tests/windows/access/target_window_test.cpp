// Resolving window elements into target windows: who is eligible, where each value
// comes from, and what a window that cannot be described gives.

#include "windows/access/target_window.h"

#include <gtest/gtest.h>

#include <memory>

#include "access_test_support.h"
#include "platform/accessibility/value.h"
#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "windows/access/accessibility_elements.h"

namespace furlpane {
namespace {

using access_test::AccessTest;
using platform::AccessibilityElement;
using platform::AccessibilityError;
using platform::Rect;
using platform::desktop::ButtonSpec;
using platform::desktop::ControlSpec;
using platform::desktop::FaultCall;
using platform::desktop::TitleBarButton;
using platform::desktop::ToolbarSpec;
using platform::desktop::Window;
using platform::desktop::WindowSpec;

class TargetWindows : public AccessTest {
protected:
    std::optional<TargetWindow> target(const Window& window) { return TargetWindow::create(element(window)); }
    Window& only(WindowSpec spec) { return *editor({std::move(spec)}).windows()[0]; }
};

TEST_F(TargetWindows, AStandardWindowIsDescribedWholeInItsOwnGeometry) {
    Window& window = only({.title = "Report", .frame = Rect{100, 50, 800, 600}});
    const auto t = target(window);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->id, window.number());
    EXPECT_EQ(t->processIdentifier, window.pid());
    EXPECT_EQ(t->element, element(window));
    EXPECT_EQ(t->bundleIdentifier, "com.example.Editor");
    EXPECT_EQ(t->applicationName, "Editor");
    EXPECT_EQ(t->title, "Report");
    EXPECT_EQ(t->frame, (Rect{100, 50, 800, 600}));
    EXPECT_EQ(t->buttons, (std::map<WindowButton, Rect>{{WindowButton::close, Rect{9, 7, 14, 14}},
                                                        {WindowButton::minimize, Rect{29, 7, 14, 14}},
                                                        {WindowButton::zoom, Rect{49, 7, 14, 14}}}));
    EXPECT_EQ(t->titleBar, (TitleBar{28, {}, 28}));  // the minimize button's centre lies at 14
    EXPECT_TRUE(t->titleBarContains({500, 70}));
    EXPECT_FALSE(t->titleBarContains({500, 80}));
}

TEST_F(TargetWindows, OnlyStandardWindowsAndDialogsWithAMinimizeButtonNotDisabledAreTargets) {
    EXPECT_FALSE(target(only({.title = "Palette", .subrole = "AXFloatingWindow"})));
    EXPECT_FALSE(target(only({.title = "No subrole", .subrole = ""})));
    EXPECT_FALSE(target(only({.title = "Not a window", .role = "AXGroup"})));
    EXPECT_TRUE(target(only({.title = "Dialog", .subrole = "AXDialog"})));
    EXPECT_FALSE(target(only({.title = "No button", .minimize = ButtonSpec{.present = false}})));
    EXPECT_FALSE(target(only({.title = "Disabled", .minimize = ButtonSpec{.enabled = false}})));
    Window& unreadable = only({.title = "Unreadable"});
    world.faults()
        .on(FaultCall::readAttribute, "AXEnabled")
        .forControl(unreadable.button(TitleBarButton::minimize)->id())
        .missing();
    EXPECT_TRUE(target(unreadable));  // counts as enabled
}

TEST_F(TargetWindows, FullScreenWindowsWindowsWithSheetsAndWindowsWithoutANumberAreNotTargets) {
    EXPECT_FALSE(target(only({.title = "Full", .fullScreen = true})));
    Window& document = only({.title = "Document"});
    ASSERT_TRUE(target(document));
    Window* sheet = document.attachSheet({.title = "Save", .role = "AXSheet", .subrole = ""});
    EXPECT_FALSE(target(document));
    EXPECT_FALSE(target(*sheet));
    Window& unnumbered = only({.title = "Unnumbered"});
    world.faults().on(FaultCall::windowNumber).forWindow(unnumbered.number()).answer(uint32_t{0});
    EXPECT_FALSE(target(unnumbered));
    // A full-screen value that cannot be read counts as not full screen.
    Window& unsure = only({.title = "Unsure"});
    world.faults().on(FaultCall::readAttribute, "AXFullScreen").forWindow(unsure.number()).wrongType();
    EXPECT_TRUE(target(unsure));
}

TEST_F(TargetWindows, TheFrameIsTheWindowServersWhenItAnswersElseTheAccessibilityFrame) {
    Window& window = only({.title = "Moving", .frame = Rect{100, 50, 800, 600}});
    window.lagPrivateBounds(Rect{90, 40, 820, 620}, 10);  // the window server still shows it elsewhere
    EXPECT_EQ(target(window)->frame, (Rect{90, 40, 820, 620}));
    EXPECT_EQ(target(window)->buttons.at(WindowButton::close), (Rect{19, 17, 14, 14}));  // relative to that frame
    world.faults().on(FaultCall::windowBounds).times(1).fail();
    EXPECT_EQ(target(window)->frame, (Rect{100, 50, 800, 600}));
    // Neither: no target.
    world.faults().on(FaultCall::windowBounds).times(1).fail();
    world.faults().on(FaultCall::readAttributes).forWindow(window.number()).times(1).fail();
    EXPECT_FALSE(target(window));
}

TEST_F(TargetWindows, WithoutTheCaptureGroupTheFrameComesFromAccessibility) {
    world.privateCalls().remove("CGSGetWindowBounds");
    Window& window = only({.title = "Moving", .frame = Rect{100, 50, 800, 600}});
    window.lagPrivateBounds(Rect{90, 40, 820, 620}, 10);
    EXPECT_EQ(target(window)->frame, (Rect{100, 50, 800, 600}));
}

TEST_F(TargetWindows, ToolbarsFuseIntoTheTitleBarAndButtonsWithoutFramesAreLeftOut) {
    Window& window = only({.title = "Browser",
                           .frame = Rect{0, 30, 1000, 700},
                           .toolbars = {ToolbarSpec{.frame = Rect{0, 60, 1000, 40}},
                                        ToolbarSpec{.frame = Rect{0, 28, 1000, 31}}},
                           .controls = {ControlSpec{.role = "AXToolbar", .frame = Rect{0, 300, 1000, 10}}}});
    auto t = target(window);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->titleBar.toolbars, (std::vector<Rect>{Rect{0, 28, 1000, 31}, Rect{0, 60, 1000, 40}}));
    EXPECT_EQ(t->titleBar.height, 100);
    EXPECT_EQ(t->titleBar.buttonBarHeight, 28);

    world.faults().on(FaultCall::readAttributes).forControl(window.button(TitleBarButton::minimize)->id()).fail();
    world.faults().on(FaultCall::readAttribute, "AXZoomButton").forWindow(window.number()).wrongType();
    t = target(window);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->buttons.count(WindowButton::minimize), 0u);
    EXPECT_EQ(t->buttons.count(WindowButton::zoom), 0u);
    EXPECT_EQ(t->buttons.count(WindowButton::close), 1u);
    EXPECT_EQ(t->titleBar.buttonBarHeight, 32);  // no minimize frame known
}

TEST_F(TargetWindows, AMissingTitleOrApplicationNameIsEmptyAndAMissingIdentifierAbsent) {
    auto anonymous = world.application(std::nullopt);
    anonymous.named(std::nullopt).window({.title = "Untitled"});
    Window& window = *anonymous.add().windows()[0];
    world.faults().on(FaultCall::readAttribute, "AXTitle").forWindow(window.number()).missing();
    const auto t = target(window);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->bundleIdentifier, std::nullopt);
    EXPECT_EQ(t->applicationName, "");
    EXPECT_EQ(t->title, "");
}

TEST_F(TargetWindows, AnApplicationThatDoesNotAnswerCostsOneTimeoutAndGivesNoTarget) {
    auto& app = editor({{.title = "Busy"}});
    const AccessibilityElement busy = element(*app.windows()[0]);
    const uint64_t before = requests();
    ASSERT_TRUE(TargetWindow::create(busy));
    const uint64_t perResolution = requests() - before;
    EXPECT_LE(perResolution, 24u);
    app.stopAnswering();
    const double start = loop.now();
    EXPECT_FALSE(TargetWindow::create(busy));
    EXPECT_DOUBLE_EQ(loop.now() - start, 0.25);
}

TEST_F(TargetWindows, MinimizingAnotherApplicationsWindowSetsItsAttributeAndReportsRefusal) {
    world.dockTrips().setDuration(0);
    auto& app = editor({{.title = "One"}, {.title = "Two"}});
    auto t = target(*app.windows()[0]);
    world.faults().on(FaultCall::writeAttribute, "AXMinimized").times(1).refuse();
    EXPECT_FALSE(t->minimize());
    EXPECT_FALSE(app.windows()[0]->isMinimized());
    EXPECT_TRUE(t->minimize());
    EXPECT_TRUE(world.window(t->id)->isMinimized());
}

TEST_F(TargetWindows, TheProgramsOwnEligibleWindowsAreTargetsAndMinimizeThroughAppKit) {
    const double h = world.displays().firstMaxY();
    auto settings = std::make_shared<platform::Window>(
        platform::flipRect(Rect{200, 100, 600, 400}, h),
        platform::titledWindowMask | platform::closableWindowMask | platform::miniaturizableWindowMask);
    settings->orderFront();
    auto panel = std::make_shared<platform::Panel>(platform::flipRect(Rect{0, 100, 200, 200}, h), platform::titledWindowMask);
    panel->setAccessibilitySubrole("AXStandardWindow");
    panel->orderFront();

    const auto t = TargetWindow::create(element(settings->windowNumber()));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->processIdentifier, world.ownProcessIdentifier());
    EXPECT_EQ(t->bundleIdentifier, "com.brindlewick.FurlpaneNovan");
    EXPECT_EQ(t->frame, settings->topLeftFrame());
    EXPECT_FALSE(TargetWindow::create(element(panel->windowNumber())));  // passes the accessibility test, not AppKit's
    EXPECT_TRUE(t->minimize());
    EXPECT_TRUE(settings->isMiniaturized());
    EXPECT_FALSE(t->minimize());  // already in the Dock
    settings->close();
    EXPECT_FALSE(t->minimize());  // no such window any more
}

TEST_F(TargetWindows, SheetAndFullScreenComeInOneRequest) {
    Window& window = only({.title = "Watched"});
    EXPECT_EQ(sheetAndFullScreen(element(window)), (SheetAndFullScreen{false, false}));
    window.attachSheet({.title = "Sheet", .role = "AXSheet", .subrole = ""});
    EXPECT_EQ(sheetAndFullScreen(element(window)), (SheetAndFullScreen{true, false}));
    Window& full = only({.title = "Full", .fullScreen = true});
    EXPECT_EQ(sheetAndFullScreen(element(full)), (SheetAndFullScreen{false, true}));
    world.faults().on(FaultCall::readAttributes).times(1).fail();
    EXPECT_EQ(sheetAndFullScreen(element(full)), (SheetAndFullScreen{false, false}));
    world.faults().on(FaultCall::readAttributes).times(1).answer(
        std::vector<platform::AccessibilityValue>{platform::AccessibilityValue("children"), platform::AccessibilityValue(true)});
    EXPECT_EQ(sheetAndFullScreen(element(window)), (SheetAndFullScreen{false, true}));
}

TEST_F(TargetWindows, ChildrenComeWithTheirRolesAndTheRoleSetsAreFixed) {
    Window& window = only({.title = "Form",
                           .controls = {ControlSpec{.role = "AXTextField", .frame = Rect{10, 40, 100, 20}}}});
    const auto children = childrenWithRoles(element(window));
    ASSERT_FALSE(children.empty());
    EXPECT_EQ(children.front().second, "AXButton");
    EXPECT_EQ(children.back().second, "AXTextField");
    world.faults().on(FaultCall::readAttribute, "AXRole").forControl(window.controls()[0]->id()).wrongType();
    EXPECT_EQ(childrenWithRoles(element(window)).back().second, std::nullopt);
    world.faults().on(FaultCall::readAttribute, "AXChildren").times(1).wrongType();
    EXPECT_TRUE(childrenWithRoles(element(window)).empty());

    EXPECT_EQ(controlRoles().size(), 20u);
    EXPECT_TRUE(controlRoles().contains("AXSegmentedControl"));
    EXPECT_FALSE(controlRoles().contains("AXStaticText"));
    EXPECT_EQ(standardSubroles(), (std::set<std::string>{"AXStandardWindow", "AXDialog"}));
}

}  // namespace
}  // namespace furlpane
