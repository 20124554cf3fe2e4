// Resolving window elements into target windows: who is eligible, where each value
// comes from, and what a window that cannot be described gives.

#include "windows/access/target_window.h"

#include "access_test_support.h"

namespace access_test {
namespace {

using platform::desktop::TitleBarButton;
using platform::desktop::ToolbarDescription;

class TargetWindows : public AccessTest {
protected:
    std::optional<TargetWindow> target(const desktop::Window& window) { return TargetWindow::create(element(window)); }
};

TEST_F(TargetWindows, AStandardWindowIsDescribedWholeInItsOwnGeometry) {
    auto& window = only({.title = "Report", .frame = Rect{100, 50, 800, 600}});
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

TEST_F(TargetWindows, OnlyStandardWindowsAndDialogsWithAMinimizeButtonNotDisabledOutOfFullScreenAreTargets) {
    const std::pair<WindowDescription, bool> cases[] = {
        {{.title = "Palette", .subrole = "AXFloatingWindow"}, false},
        {{.title = "No subrole", .subrole = ""}, false},
        {{.title = "Not a window", .role = "AXGroup"}, false},
        {{.title = "Dialog", .subrole = "AXDialog"}, true},
        {{.title = "No button", .minimize = ButtonDescription{.present = false}}, false},
        {{.title = "Disabled", .minimize = ButtonDescription{.enabled = false}}, false},
        {{.title = "Full", .fullScreen = true}, false},
    };
    for (const auto& [description, eligible] : cases)
        EXPECT_EQ(target(only(description)).has_value(), eligible) << description.title;

    // A minimize button whose enabled state, or a full-screen value, cannot be read counts
    // as enabled, or not in full screen.
    auto& unreadable = only({.title = "Unreadable"});
    faults().on(FaultCall::readAttribute, "AXEnabled").forControl(unreadable.button(TitleBarButton::minimize)->id()).missing();
    faults().on(FaultCall::readAttribute, "AXFullScreen").forWindow(unreadable.number()).wrongType();
    EXPECT_TRUE(target(unreadable));
    // Neither a window with a sheet nor the sheet, nor a window without a number.
    auto& document = only({.title = "Document"});
    auto* sheet = document.attachSheet({.title = "Save", .role = "AXSheet", .subrole = ""});
    EXPECT_FALSE(target(document));
    EXPECT_FALSE(target(*sheet));
    auto& unnumbered = only({.title = "Unnumbered"});
    faults().on(FaultCall::windowNumber).forWindow(unnumbered.number()).answer(uint32_t{0});
    EXPECT_FALSE(target(unnumbered));
}

TEST_F(TargetWindows, TheFrameIsTheWindowServersWhenItAnswersElseTheAccessibilityFrame) {
    auto& window = only({.title = "Moving", .frame = Rect{100, 50, 800, 600}});
    window.lagPrivateBounds(Rect{90, 40, 820, 620}, 10);  // the window server still shows it elsewhere
    EXPECT_EQ(target(window)->frame, (Rect{90, 40, 820, 620}));
    EXPECT_EQ(target(window)->buttons.at(WindowButton::close), (Rect{19, 17, 14, 14}));  // relative to that frame
    faults().on(FaultCall::windowBounds).times(1).fail();
    EXPECT_EQ(target(window)->frame, (Rect{100, 50, 800, 600}));
    // Neither: no target.
    faults().on(FaultCall::windowBounds).times(1).fail();
    faults().on(FaultCall::readAttributes).forWindow(window.number()).times(1).fail();
    EXPECT_FALSE(target(window));
}

TEST_F(TargetWindows, WithoutTheCaptureGroupTheFrameComesFromAccessibility) {
    world.privateCalls().remove("CGSGetWindowBounds");
    auto& window = only({.title = "Moving", .frame = Rect{100, 50, 800, 600}});
    window.lagPrivateBounds(Rect{90, 40, 820, 620}, 10);
    EXPECT_EQ(target(window)->frame, (Rect{100, 50, 800, 600}));
}

TEST_F(TargetWindows, ToolbarsFuseIntoTheTitleBarAndButtonsWithoutFramesAreLeftOut) {
    auto& window = only({.title = "Browser",
                         .frame = Rect{0, 30, 1000, 700},
                         .toolbars = {ToolbarDescription{.frame = Rect{0, 60, 1000, 40}},
                                      ToolbarDescription{.frame = Rect{0, 28, 1000, 31}}},
                         .controls = {ControlDescription{.role = "AXToolbar", .frame = Rect{0, 300, 1000, 10}}}});
    auto t = target(window);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->titleBar, (TitleBar{100, {Rect{0, 28, 1000, 31}, Rect{0, 60, 1000, 40}}, 28}));

    faults().on(FaultCall::readAttributes).forControl(window.button(TitleBarButton::minimize)->id()).fail();
    faults().on(FaultCall::readAttribute, "AXZoomButton").forWindow(window.number()).wrongType();
    t = target(window);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->buttons.size(), 1u);
    EXPECT_EQ(t->buttons.count(WindowButton::close), 1u);
    EXPECT_EQ(t->titleBar.buttonBarHeight, 32);  // no minimize frame known
}

TEST_F(TargetWindows, AMissingTitleOrApplicationNameIsEmptyAndAMissingIdentifierAbsent) {
    auto anonymous = world.application(std::nullopt);
    anonymous.named(std::nullopt).window({.title = "Untitled"});
    auto& window = *anonymous.add().windows()[0];
    faults().on(FaultCall::readAttribute, "AXTitle").forWindow(window.number()).missing();
    const auto t = target(window);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->bundleIdentifier, std::nullopt);
    EXPECT_EQ(t->applicationName, "");
    EXPECT_EQ(t->title, "");
}

TEST_F(TargetWindows, AnApplicationThatDoesNotAnswerCostsOneTimeoutAndGivesNoTarget) {
    auto& busy = only({.title = "Busy"});
    const uint64_t before = requests();
    ASSERT_TRUE(target(busy));
    EXPECT_LE(requests() - before, 24u);
    busy.owner().stopAnswering();
    EXPECT_FALSE(target(busy));
    EXPECT_DOUBLE_EQ(loop.now(), 0.25);
}

TEST_F(TargetWindows, MinimizingAnotherApplicationsWindowSetsItsAttributeAndReportsRefusal) {
    world.dockTrips().setDuration(0);
    auto& window = only({.title = "One"});
    const auto t = target(window);
    faults().on(FaultCall::writeAttribute, "AXMinimized").times(1).refuse();
    EXPECT_NE(t->minimize(), AccessibilityError::success);
    EXPECT_FALSE(window.isMinimized());
    // An application that does not answer in time says so, apart from a refusal.
    window.owner().stopAnswering(1.0);
    EXPECT_EQ(t->minimize(), AccessibilityError::cannotComplete);
    EXPECT_FALSE(window.isMinimized());
    loop.advance(1.0);
    EXPECT_EQ(t->minimize(), AccessibilityError::success);
    EXPECT_TRUE(window.isMinimized());
}

TEST_F(TargetWindows, TheProgramsOwnEligibleWindowsAreTargetsAndMinimizeThroughAppKit) {
    auto settings = ownWindow({200, 100, 600, 400},
                              platform::titledWindowMask | platform::closableWindowMask | platform::miniaturizableWindowMask);
    auto panel = ownWindow<platform::Panel>({0, 100, 200, 200}, platform::titledWindowMask);
    panel->setAccessibilitySubrole("AXStandardWindow");

    const auto t = TargetWindow::create(element(settings->windowNumber()));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->processIdentifier, world.ownProcessIdentifier());
    EXPECT_EQ(t->bundleIdentifier, "com.brindlewick.FurlpaneNovan");
    EXPECT_EQ(t->frame, settings->topLeftFrame());
    EXPECT_FALSE(TargetWindow::create(element(panel->windowNumber())));  // passes the accessibility test, not AppKit's
    EXPECT_EQ(t->minimize(), AccessibilityError::success);
    EXPECT_TRUE(settings->isMiniaturized());
    EXPECT_EQ(t->minimize(), AccessibilityError::failure);  // already in the Dock
    settings->close();
    EXPECT_EQ(t->minimize(), AccessibilityError::failure);  // no such window any more
}

TEST_F(TargetWindows, SheetAndFullScreenComeInOneRequest) {
    auto& window = only({.title = "Watched"});
    EXPECT_EQ(sheetAndFullScreen(element(window)), (SheetAndFullScreen{false, false}));
    window.attachSheet({.title = "Sheet", .role = "AXSheet", .subrole = ""});
    EXPECT_EQ(sheetAndFullScreen(element(window)), (SheetAndFullScreen{true, false}));
    auto& full = only({.title = "Full", .fullScreen = true});
    EXPECT_EQ(sheetAndFullScreen(element(full)), (SheetAndFullScreen{false, true}));
    faults().on(FaultCall::readAttributes).times(1).fail();
    EXPECT_EQ(sheetAndFullScreen(element(full)), (SheetAndFullScreen{false, false}));
    faults().on(FaultCall::readAttributes).times(1).answer(
        std::vector<AccessibilityValue>{AccessibilityValue("children"), AccessibilityValue(true)});
    EXPECT_EQ(sheetAndFullScreen(element(window)), (SheetAndFullScreen{false, true}));
}

TEST_F(TargetWindows, ChildrenComeWithTheirRolesWhenTheyReadAsStrings) {
    auto& window = only(
        {.title = "Form", .controls = {ControlDescription{.role = "AXTextField", .frame = Rect{10, 40, 100, 20}}}});
    const auto children = childrenWithRoles(element(window));
    ASSERT_FALSE(children.empty());
    EXPECT_EQ(children.front().second, "AXButton");
    EXPECT_EQ(children.back().second, "AXTextField");
    faults().on(FaultCall::readAttribute, "AXRole").forControl(window.controls()[0]->id()).wrongType();
    EXPECT_EQ(childrenWithRoles(element(window)).back().second, std::nullopt);
    faults().on(FaultCall::readAttribute, "AXChildren").times(1).wrongType();
    EXPECT_TRUE(childrenWithRoles(element(window)).empty());
}

}  // namespace
}  // namespace access_test
