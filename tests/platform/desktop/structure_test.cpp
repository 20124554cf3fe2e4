// How windows are put together as accessibility shows them: children, sheets, the
// program's own windows; and how fault rules take precedence.

#include <gtest/gtest.h>

#include <unordered_set>

#include "platform/accessibility/accessibility.h"
#include "platform/accessibility/world_elements.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/windowserver/window_list.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Desktop;
using desktop::FaultCall;
using desktop::Window;

std::vector<std::string> roles(const AccessibilityElement& e) {
    std::vector<std::string> result;
    auto children = e.copyAttributeValue("AXChildren");
    if (!children.ok() || !children->array()) return result;
    for (const auto& child : *children->array()) {
        auto role = child.element()->copyAttributeValue("AXRole");
        result.push_back(role.ok() && role->string() ? *role->string() : "?");
    }
    return result;
}

TEST(WindowStructure, ChildrenListButtonsTitleToolbarsControlsAndSheets) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.App")
                           .window({.title = "Doc",
                                    .frame = Rect{100, 100, 600, 400},
                                    .zoom = {.present = false},
                                    .toolbars = {{.frame = Rect{0, 28, 600, 30}}},
                                    .controls = {{.role = "AXTextArea", .value = "text", .frame = Rect{0, 60, 600, 340}}}})
                           .add();
    Window& doc = *app.windows()[0];
    const AccessibilityElement element = platform::elementOf(doc);
    EXPECT_EQ(roles(element), (std::vector<std::string>{"AXButton", "AXButton", "AXStaticText", "AXToolbar", "AXTextArea"}));
    EXPECT_EQ(element.copyAttributeValue("AXZoomButton").error(), AccessibilityError::noValue);

    Window& sheet = *doc.attachSheet({.title = "Save"});
    EXPECT_EQ(roles(element).back(), "AXSheet");
    // The focused window is the sheet; its parent is the window it belongs to.
    const AccessibilityElement appElement = AccessibilityElement::application(app.pid());
    auto focused = appElement.copyAttributeValue("AXFocusedWindow");
    ASSERT_TRUE(focused.ok() && focused->element());
    EXPECT_EQ(*focused->element(), platform::elementOf(sheet));
    EXPECT_EQ(*focused->element()->copyAttributeValue("AXRole")->string(), "AXSheet");
    EXPECT_EQ(*focused->element()->copyAttributeValue("AXParent")->element(), element);
    world.faults().on(FaultCall::readAttribute, "AXParent").forWindow(sheet.number()).missing();
    EXPECT_FALSE(focused->element()->copyAttributeValue("AXParent").ok());

    // Children and the full-screen flag in one request, as a floating window is watched.
    auto both = element.copyAttributeValues({"AXChildren", "AXFullScreen"});
    ASSERT_TRUE(both.ok());
    EXPECT_EQ((*both)[0].array()->size(), 6u);
    EXPECT_EQ((*both)[1].boolean(), false);
}

TEST(WindowStructure, ElementsAreTheSameWhenTheyStandForTheSameObject) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.App").window("A").window("B").add();
    const AccessibilityElement appElement = AccessibilityElement::application(app.pid());
    auto first = appElement.copyAttributeValue("AXWindows");
    auto second = appElement.copyAttributeValue("AXWindows");
    ASSERT_TRUE(first.ok() && second.ok());
    EXPECT_EQ(first.value(), second.value());
    std::unordered_set<AccessibilityElement> seen;
    for (const auto& v : *first->array()) seen.insert(*v.element());
    for (const auto& v : *second->array()) seen.insert(*v.element());
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_NE(platform::elementOf(*app.windows()[0]), platform::elementOf(*app.windows()[1]));
    EXPECT_NE(AccessibilityElement::application(app.pid()), AccessibilityElement::systemWide());
}

TEST(WindowStructure, TheProgramsOwnWindowsAreWindowsOfTheWorld) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& own = world.ownApplication();
    Window& settings = *own.openWindow({.title = "Settings", .frame = Rect{200, 200, 500, 400}});
    Window& panel = *own.openWindow({.title = "", .frame = Rect{10, 40, 100, 30}, .subrole = "AXFloatingWindow",
                                    .layer = 3, .titleBarHeight = 0, .close = {.present = false},
                                    .minimize = {.present = false}, .zoom = {.present = false}});
    panel.setIgnoresMouseEvents(true);
    auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, 0);
    bool listed = false;
    for (const auto& entry : *list) {
        const auto& d = *entry.dictionary();
        if (d.find(WindowList::kNumber)->integer() == panel.number()) {
            listed = true;
            EXPECT_EQ(d.find(WindowList::kLayer)->integer(), 3);
            EXPECT_EQ(d.find(WindowList::kOwnerPID)->integer(), world.ownProcessIdentifier());
            EXPECT_EQ(*d.find(WindowList::kOwnerName)->string(), "Furlpane Novan");
        }
    }
    EXPECT_TRUE(listed);
    auto windows = AccessibilityElement::application(own.pid()).copyAttributeValue("AXWindows");
    ASSERT_TRUE(windows.ok());
    EXPECT_EQ(windows->array()->size(), 2u);
    EXPECT_NE(world.windowAt({20, 50}), &panel);  // the click-through panel lets clicks pass
    EXPECT_EQ(world.windowAt({300, 300}), &settings);
    EXPECT_EQ(own.mainWindow(), &settings);
}

TEST(FaultRules, TheNewestMatchingRuleDecidesAndCountedRulesRunOut) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.App").window("A").add();
    const AccessibilityElement element = platform::elementOf(*app.windows()[0]);
    auto& faults = world.faults();
    faults.on(FaultCall::readAttribute).forApplication(app.pid()).fail(AccessibilityError::failure);
    faults.on(FaultCall::readAttribute, "AXTitle").times(2).answer(AccessibilityValue("Given"));
    EXPECT_EQ(*element.copyAttributeValue("AXTitle")->string(), "Given");
    EXPECT_EQ(*element.copyAttributeValue("AXTitle")->string(), "Given");
    EXPECT_EQ(element.copyAttributeValue("AXTitle").error(), AccessibilityError::failure);
    EXPECT_EQ(element.copyAttributeValue("AXRole").error(), AccessibilityError::failure);
    EXPECT_EQ(faults.uses(FaultCall::readAttribute), 4);
    // A rule for another application leaves this one alone.
    faults.clear();
    faults.on(FaultCall::readAttribute).forApplication(app.pid() + 1).fail();
    EXPECT_TRUE(element.copyAttributeValue("AXRole").ok());
}

TEST(FaultRules, AWorldTornDownUnderLiveObserversLeavesThemHarmless) {
    MainLoop loop(ClockKind::simulated);
    std::shared_ptr<AccessibilityProcessObserver> observer;
    int calls = 0;
    {
        Desktop world(loop);
        Application& app = world.application("com.example.App").window("A").add();
        observer = AccessibilityProcessObserver::create(app.pid(), [&](auto&, auto&, auto&, void*) { ++calls; }).value();
        loop.add(observer->runLoopSource(), modes::kCommon);
        observer->addNotification(AccessibilityElement::application(app.pid()), "AXWindowMoved", nullptr);
        app.windows()[0]->moveTo({1, 30});
    }
    loop.runUntilIdle();
    EXPECT_EQ(calls, 1);  // what was already on its way still arrives
    EXPECT_EQ(observer->addNotification(AccessibilityElement::application(1), "AXWindowMoved", nullptr),
              AccessibilityError::cannotComplete);
    observer.reset();
}

}  // namespace
}  // namespace platform
