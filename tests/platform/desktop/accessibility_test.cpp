#include "platform/accessibility/accessibility.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/accessibility/world_elements.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/dispatch_queue.h"
#include "platform/windowserver/symbols.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Desktop;
using desktop::FaultCall;
using desktop::TitleBarButton;
using desktop::Window;

// A world with an editor of two standard windows, as most cases need.
struct EditorWorld {
    MainLoop loop{ClockKind::simulated};
    Desktop world{loop};
    Application& editor = world.application("com.example.Editor")
                              .window({.title = "One", .frame = Rect{100, 100, 800, 600}})
                              .window({.title = "Two", .frame = Rect{300, 200, 500, 400}})
                              .add();
    AccessibilityElement app = AccessibilityElement::application(editor.pid());

    std::vector<AccessibilityElement> windows() const {
        std::vector<AccessibilityElement> result;
        auto value = app.copyAttributeValue("AXWindows");
        if (!value.ok() || !value->array()) return result;
        for (const auto& item : *value->array()) {
            if (item.element()) result.push_back(*item.element());
        }
        return result;
    }
    std::string string(const AccessibilityElement& e, const std::string& name) const {
        auto value = e.copyAttributeValue(name);
        return value.ok() && value->string() ? *value->string() : "<none>";
    }
};

TEST(Accessibility, AnApplicationShowsItsWindowsFrontToBackWithTheirAttributes) {
    EditorWorld w;
    const auto windows = w.windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(w.string(windows[0], "AXTitle"), "Two");
    EXPECT_EQ(w.string(windows[0], "AXRole"), "AXWindow");
    EXPECT_EQ(w.string(windows[0], "AXSubrole"), "AXStandardWindow");
    EXPECT_EQ(w.app.copyAttributeValue("AXFocusedWindow")->element() ? *w.app.copyAttributeValue("AXFocusedWindow")->element()
                                                                     : w.app,
              windows[0]);
    EXPECT_EQ(w.app.processIdentifier().value(), w.editor.pid());

    // Position and size in one request, each slot a structured value of its kind.
    auto frame = windows[1].copyAttributeValues({"AXPosition", "AXSize"});
    ASSERT_TRUE(frame.ok());
    ASSERT_EQ(frame->size(), 2u);
    EXPECT_EQ((*frame)[0].structuredKind(), 1);
    EXPECT_EQ((*frame)[0].point(), (Point{100, 100}));
    EXPECT_EQ((*frame)[1].size(), (Size{800, 600}));

    auto minimize = windows[0].copyAttributeValue("AXMinimizeButton");
    ASSERT_TRUE(minimize.ok() && minimize->element());
    EXPECT_EQ(w.string(*minimize->element(), "AXSubrole"), "AXMinimizeButton");
    EXPECT_EQ(minimize->element()->copyAttributeValue("AXEnabled")->boolean(), true);
    EXPECT_EQ(minimize->element()->copyAttributeValue("AXPosition")->point(), (Point{329, 207}));
    EXPECT_EQ(windows[0].copyAttributeValue("AXNoSuchThing").error(), AccessibilityError::attributeUnsupported);
    EXPECT_TRUE(windows[0].isAttributeSettable("AXPosition").value());
    EXPECT_FALSE(windows[0].isAttributeSettable("AXTitle").value());
}

TEST(Accessibility, WritingAttributesChangesTheWorld) {
    EditorWorld w;
    const auto windows = w.windows();
    Window& two = *w.editor.windows()[0];
    EXPECT_EQ(windows[0].setAttributeValue("AXPosition", Point{10, 30}), AccessibilityError::success);
    EXPECT_EQ(two.frame(), (Rect{10, 30, 500, 400}));
    EXPECT_EQ(windows[0].setAttributeValue("AXSize", Size{320, 240}), AccessibilityError::success);
    EXPECT_EQ(two.frame().size, (Size{320, 240}));
    EXPECT_EQ(windows[0].setAttributeValue("AXPosition", "nowhere"), AccessibilityError::illegalArgument);
    EXPECT_EQ(windows[0].setAttributeValue("AXTitle", "New"), AccessibilityError::attributeUnsupported);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(windows[0].setAttributeValue("AXPosition", Point{nan, 0}), AccessibilityError::illegalArgument);
    EXPECT_EQ(windows[0].setAttributeValue("AXSize", Size{-1, 10}), AccessibilityError::illegalArgument);
    EXPECT_EQ(two.frame(), (Rect{10, 30, 320, 240}));

    EXPECT_EQ(windows[0].setAttributeValue("AXMinimized", true), AccessibilityError::success);
    EXPECT_TRUE(two.isMinimized());
    w.loop.advance(1);  // the trip into the Dock; the application answers again after it
    EXPECT_FALSE(two.isOnScreen());
    EXPECT_EQ(w.app.copyAttributeValue("AXFocusedWindow")->element()->objectId(), w.editor.windows()[0]->number());
    EXPECT_EQ(windows[0].setAttributeValue("AXMinimized", false), AccessibilityError::success);
    EXPECT_FALSE(two.isMinimized());

    // Raising the back window makes it the main window without activating anything else.
    EXPECT_EQ(windows[1].performAction("AXRaise"), AccessibilityError::success);
    EXPECT_EQ(w.editor.mainWindow()->title(), "One");
    EXPECT_EQ(windows[1].copyAttributeValue("AXMain")->boolean(), true);

    // A window whose minimize button is disabled refuses to be minimized.
    two.button(TitleBarButton::minimize)->setEnabled(false);
    EXPECT_EQ(windows[0].setAttributeValue("AXMinimized", true), AccessibilityError::cannotComplete);
    EXPECT_FALSE(two.isMinimized());

    EXPECT_EQ(w.app.setAttributeValue("AXHidden", true), AccessibilityError::success);
    EXPECT_TRUE(w.editor.isHidden());
    EXPECT_EQ(w.app.setAttributeValue("AXFrontmost", true), AccessibilityError::success);
    EXPECT_TRUE(w.editor.isActive());
}

TEST(Accessibility, AnApplicationThatDoesNotAnswerCostsTheTimeoutAndCannotComplete) {
    EditorWorld w;
    EXPECT_EQ(AccessibilityElement::systemWide().setMessagingTimeout(std::numeric_limits<float>::infinity()),
              AccessibilityError::illegalArgument);
    ASSERT_EQ(AccessibilityElement::systemWide().setMessagingTimeout(0.25f), AccessibilityError::success);
    w.editor.stopAnswering();
    EXPECT_EQ(w.app.copyAttributeValue("AXWindows").error(), AccessibilityError::cannotComplete);
    EXPECT_DOUBLE_EQ(w.loop.now(), 0.25);
    // An element's own timeout wins over the process-wide one.
    AccessibilityElement patient = AccessibilityElement::application(w.editor.pid());
    patient.setMessagingTimeout(1.0f);
    EXPECT_EQ(patient.copyAttributeValue("AXRole").error(), AccessibilityError::cannotComplete);
    EXPECT_DOUBLE_EQ(w.loop.now(), 1.25);

    // One that answers again before the timeout keeps the request waiting that long.
    w.editor.stopAnswering(0.1);
    EXPECT_EQ(*w.app.copyAttributeValue("AXRole")->string(), "AXApplication");
    EXPECT_NEAR(w.loop.now(), 1.35, 1e-9);

    // On a serial queue the wait lengthens the job, not the main thread's time.
    w.editor.stopAnswering(10);
    std::vector<AccessibilityError> results;
    DispatchQueue& queue = w.loop.queue("com.brindlewick.FurlpaneNovan.accessibility");
    queue.async([&] { results.push_back(w.app.copyAttributeValue("AXRole").error()); });
    queue.async([&] { results.push_back(w.app.copyAttributeValue("AXRole").error()); });
    w.loop.runUntilIdle();
    EXPECT_NEAR(w.loop.now(), 1.35, 1e-9);
    w.loop.advance(0.6);
    EXPECT_EQ(results, (std::vector<AccessibilityError>{AccessibilityError::cannotComplete,
                                                        AccessibilityError::cannotComplete}));
}

TEST(Accessibility, TheWorldCountsEveryRequestOnceAMultipleRequestOnce) {
    EditorWorld w;
    const auto windows = w.windows();  // one request
    const uint64_t start = w.world.accessibilityRequestCount();
    EXPECT_EQ(start, 1u);
    (void)windows[0].copyAttributeValue("AXTitle");
    (void)windows[0].copyAttributeValues({"AXPosition", "AXSize", "AXTitle"});
    uint32_t number = 0;
    copyElementWindowNumber(windows[0], &number);
    (void)AccessibilityElement::systemWide().copyElementAtPosition(400, 300);
    EXPECT_EQ(w.world.accessibilityRequestCount(), start + 4);
    // Refused and unanswered requests are requests all the same.
    w.world.setAccessibilityTrusted(false);
    windows[0].setAttributeValue("AXMinimized", true);
    w.world.setAccessibilityTrusted(true);
    w.editor.stopAnswering();
    windows[0].performAction("AXRaise");
    EXPECT_EQ(w.world.accessibilityRequestCount(), start + 6);
}

TEST(Accessibility, GoneObjectsAndGoneProcessesFailWithTheirOwnErrors) {
    EditorWorld w;
    const auto windows = w.windows();
    w.editor.windows()[0]->close();
    EXPECT_EQ(windows[0].copyAttributeValue("AXTitle").error(), AccessibilityError::invalidElement);
    EXPECT_EQ(w.windows().size(), 1u);
    w.editor.quit();
    EXPECT_EQ(windows[1].copyAttributeValue("AXTitle").error(), AccessibilityError::cannotComplete);
    EXPECT_EQ(w.app.copyAttributeValue("AXWindows").error(), AccessibilityError::cannotComplete);
    EXPECT_EQ(w.app.processIdentifier().value(), w.editor.pid());  // the element still knows its process
}

TEST(Accessibility, WithoutTrustEveryRequestIsRefusedAndThePromptIsRecorded) {
    EditorWorld w;
    w.world.setAccessibilityTrusted(false);
    EXPECT_FALSE(AccessibilityTrust::isProcessTrusted());
    EXPECT_EQ(w.app.copyAttributeValue("AXWindows").error(), AccessibilityError::apiDisabled);
    EXPECT_FALSE(AccessibilityTrust::isProcessTrustedWithOptions({{"AXTrustedCheckOptionPrompt", 1}}));
    EXPECT_EQ(w.world.accessibilityPromptCount(), 0);  // a number is not a Boolean
    EXPECT_FALSE(AccessibilityTrust::isProcessTrustedWithOptions({{"AXTrustedCheckOptionPrompt", true}}));
    EXPECT_EQ(w.world.accessibilityPromptCount(), 1);
    w.world.setAccessibilityTrusted(true);
    EXPECT_TRUE(AccessibilityTrust::isProcessTrustedWithOptions({{"AXTrustedCheckOptionPrompt", true}}));
    EXPECT_EQ(w.world.accessibilityPromptCount(), 1);
}

TEST(Accessibility, FaultsChangeAnswersPerAttributeApplicationAndCall) {
    EditorWorld w;
    const auto windows = w.windows();
    auto& faults = w.world.faults();
    faults.on(FaultCall::readAttribute, "AXWindows").forApplication(w.editor.pid()).wrongType();
    EXPECT_TRUE(w.app.copyAttributeValue("AXWindows")->string());

    faults.on(FaultCall::readAttribute, "AXPosition").forWindow(w.editor.windows()[1]->number()).fail(AccessibilityError::noValue);
    auto frame = windows[1].copyAttributeValues({"AXPosition", "AXSize"});
    ASSERT_TRUE(frame.ok());
    EXPECT_EQ((*frame)[0].error(), AccessibilityError::noValue);
    EXPECT_EQ((*frame)[0].structuredKind(), 5);
    EXPECT_TRUE((*frame)[1].size());
    EXPECT_EQ(windows[1].copyAttributeValues({"AXPosition", "AXSize"}, MultipleAttributeOptions::stopOnError).error(),
              AccessibilityError::noValue);
    EXPECT_TRUE(windows[0].copyAttributeValues({"AXPosition", "AXSize"})->at(0).point());

    // A whole answer of the wrong shape.
    faults.on(FaultCall::readAttributes).forWindow(w.editor.windows()[0]->number()).times(1).answer(
        std::vector<AccessibilityValue>{Point{1, 2}, Size{3, 4}, true});
    EXPECT_EQ(windows[0].copyAttributeValues({"AXPosition", "AXSize"})->size(), 3u);
    EXPECT_EQ(windows[0].copyAttributeValues({"AXPosition", "AXSize"})->size(), 2u);

    // A missing attribute of one control, an unresponsive call, a refused write.
    const AccessibilityElement button = *windows[0].copyAttributeValue("AXMinimizeButton")->element();
    faults.on(FaultCall::readAttribute, "AXEnabled").forControl(w.editor.windows()[0]->button(TitleBarButton::minimize)->id()).missing();
    EXPECT_EQ(button.copyAttributeValue("AXEnabled").error(), AccessibilityError::attributeUnsupported);
    EXPECT_EQ(windows[0].copyAttributeValue("AXCloseButton")->element()->copyAttributeValue("AXEnabled")->boolean(), true);

    faults.on(FaultCall::readAttribute, "AXTitle").hang(0.1).times(1);
    EXPECT_EQ(w.string(windows[0], "AXTitle"), "Two");
    EXPECT_NEAR(w.loop.now(), 0.1, 1e-9);

    faults.on(FaultCall::writeAttribute, "AXMinimized").forApplication(w.editor.pid()).refuse();
    EXPECT_EQ(windows[0].setAttributeValue("AXMinimized", true), AccessibilityError::cannotComplete);
    EXPECT_FALSE(w.editor.windows()[0]->isMinimized());
    EXPECT_EQ(faults.uses(FaultCall::writeAttribute, "AXMinimized"), 1);
}

TEST(Accessibility, TheElementAtAPointIsTheDeepestControlOrTheWindow) {
    EditorWorld w;
    Window& two = *w.editor.windows()[0];  // at 300,200 500×400
    two.addToolbar({.frame = Rect{0, 28, 500, 30},
                    .items = {{.role = "AXButton", .title = "Share", .frame = Rect{400, 32, 40, 22}}}});
    const AccessibilityElement system = AccessibilityElement::systemWide();

    auto bare = system.copyElementAtPosition(450, 205);
    ASSERT_TRUE(bare.ok());
    EXPECT_EQ(bare.value(), platform::elementOf(two));
    auto minimize = system.copyElementAtPosition(335, 212);
    EXPECT_EQ(*minimize->copyAttributeValue("AXSubrole")->string(), "AXMinimizeButton");
    EXPECT_EQ(minimize->copyAttributeValue("AXWindow")->element()->objectId(), two.number());
    auto share = system.copyElementAtPosition(710, 240);
    EXPECT_EQ(*share->copyAttributeValue("AXTitle")->string(), "Share");
    auto toolbar = system.copyElementAtPosition(310, 240);
    EXPECT_EQ(*toolbar->copyAttributeValue("AXRole")->string(), "AXToolbar");
    auto title = system.copyElementAtPosition(550, 212);
    EXPECT_EQ(*title->copyAttributeValue("AXRole")->string(), "AXStaticText");
    // Window One lies beneath; an application element looks among its own windows only.
    EXPECT_EQ(system.copyElementAtPosition(150, 150).value(), platform::elementOf(*w.editor.windows()[1]));
    EXPECT_EQ(system.copyElementAtPosition(5000, 5000).error(), AccessibilityError::noValue);

    // A click-through window on top is passed over.
    Application& overlay = w.world.application("com.example.Overlay").inBackground().add();
    Window& glass = *overlay.openWindow({.title = "Glass", .frame = Rect{0, 0, 1440, 900}, .layer = 3});
    glass.setIgnoresMouseEvents(true);
    EXPECT_EQ(system.copyElementAtPosition(450, 205).value(), platform::elementOf(two));
    glass.setIgnoresMouseEvents(false);
    EXPECT_EQ(system.copyElementAtPosition(450, 205).value(), platform::elementOf(glass));

    // The owner of the window under the point is the one asked.
    glass.close();
    w.editor.stopAnswering();
    EXPECT_EQ(system.copyElementAtPosition(450, 205).error(), AccessibilityError::cannotComplete);
}

TEST(Accessibility, TextBoundsComeFromTheRangeOfTheTitle) {
    EditorWorld w;
    const auto windows = w.windows();
    auto titleValue = windows[0].copyAttributeValue("AXTitleUIElement");
    ASSERT_TRUE(titleValue.ok() && titleValue->element());
    const AccessibilityElement* title = titleValue->element();
    EXPECT_EQ(title->copyAttributeValue("AXNumberOfCharacters")->integer(), 3);
    auto bounds = title->copyParameterizedAttributeValue("AXBoundsForRange", AccessibilityRange{0, 3});
    ASSERT_TRUE(bounds.ok());
    EXPECT_EQ(bounds->structuredKind(), 3);
    EXPECT_EQ(bounds->rect(), (Rect{300 + 239.5, 206, 21, 16}));
    EXPECT_EQ(title->copyParameterizedAttributeValue("AXBoundsForRange", AccessibilityRange{1, 5}).error(),
              AccessibilityError::illegalArgument);
    EXPECT_EQ(title->copyParameterizedAttributeValue("AXBoundsForRange", 3).error(), AccessibilityError::illegalArgument);
    EXPECT_EQ(windows[0].copyParameterizedAttributeValue("AXBoundsForRange", AccessibilityRange{0, 1}).error(),
              AccessibilityError::parameterizedAttributeUnsupported);
}

TEST(Accessibility, TheWindowNumberCallIsLookedUpByNameAndMayBeMissing) {
    EditorWorld w;
    const auto windows = w.windows();
    auto getWindow = lookupSymbol<ElementWindowNumberCall>("_AXUIElementGetWindow");
    ASSERT_NE(getWindow, nullptr);
    uint32_t number = 0;
    EXPECT_EQ(getWindow(windows[0], &number), AccessibilityError::success);
    EXPECT_EQ(number, w.editor.windows()[0]->number());
    EXPECT_EQ(getWindow(w.app, &number), AccessibilityError::illegalArgument);
    EXPECT_EQ(getWindow(windows[0], nullptr), AccessibilityError::illegalArgument);

    w.world.faults().on(FaultCall::windowNumber).times(1).answer(uint32_t{0});
    EXPECT_EQ(getWindow(windows[0], &number), AccessibilityError::success);
    EXPECT_EQ(number, 0u);

    // Asked for with another shape, it is not found.
    EXPECT_EQ(lookupSymbol<int (*)()>("_AXUIElementGetWindow"), nullptr);
    w.world.privateCalls().remove("_AXUIElementGetWindow");
    EXPECT_EQ(lookupSymbol<ElementWindowNumberCall>("_AXUIElementGetWindow"), nullptr);
    EXPECT_EQ(w.world.privateCalls().lookupCount("_AXUIElementGetWindow"), 3);
}

std::vector<AccessibilityValue> children(const AccessibilityElement& e) {
    auto value = e.copyAttributeValue("AXChildren");
    return value.ok() && value->array() ? *value->array() : std::vector<AccessibilityValue>{};
}

// Walks the menu bar from its last menu backwards, as the search for Minimize All does.
std::optional<AccessibilityElement> minimizeAllItem(const AccessibilityElement& app) {
    auto bar = app.copyAttributeValue("AXMenuBar");
    if (!bar.ok() || !bar->element()) return std::nullopt;
    const auto barItems = children(*bar->element());
    for (auto it = barItems.rbegin(); it != barItems.rend(); ++it) {
        for (const auto& menu : children(*it->element())) {
            for (const auto& item : children(*menu.element())) {
                auto fields = item.element()->copyAttributeValues(
                    {"AXIdentifier", "AXMenuItemCmdChar", "AXMenuItemCmdModifiers"});
                if (fields.ok() && (*fields)[0].string() && *(*fields)[0].string() == "miniaturizeAll:") {
                    EXPECT_EQ(*(*fields)[1].string(), "M");
                    EXPECT_EQ((*fields)[2].integer(), 2);
                    return *item.element();
                }
            }
        }
    }
    return std::nullopt;
}

TEST(Accessibility, PressingMinimizeAllMinimizesTheMinimizableWindowsOfTheShownSpace) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.App")
                           .window("Plain")
                           .window({.title = "Locked", .minimize = {.enabled = false}})
                           .window({.title = "Full", .fullScreen = true})
                           .window("Elsewhere")
                           .add();
    const uint32_t display = world.displays().first()->number();
    app.windows()[0]->moveToSpace(world.spaces().add(display));  // "Elsewhere"
    auto item = minimizeAllItem(AccessibilityElement::application(app.pid()));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->performAction("AXPress"), AccessibilityError::success);
    std::vector<std::string> minimized;
    for (const Window* w : app.windows()) {
        if (w->isMinimized()) minimized.push_back(w->title());
    }
    EXPECT_EQ(minimized, std::vector<std::string>{"Plain"});

    for (desktop::Control* c : app.menuItems()) {
        if (c->identifier() == "miniaturizeAll:") c->setEnabled(false);
    }
    EXPECT_EQ(item->copyAttributeValue("AXEnabled")->boolean(), false);
    EXPECT_EQ(item->performAction("AXPress"), AccessibilityError::cannotComplete);
    EXPECT_EQ(item->performAction("AXShowMenu"), AccessibilityError::actionUnsupported);
    app.setMenus({});
    EXPECT_EQ(item->copyAttributeValue("AXTitle").error(), AccessibilityError::invalidElement);
    EXPECT_EQ(AccessibilityElement::application(app.pid()).copyAttributeValue("AXMenuBar").error(),
              AccessibilityError::noValue);
}

}  // namespace
}  // namespace platform
