// Typed reads, frames, text bounds, windows and window numbers through accessibility.

#include "windows/access/accessibility_elements.h"

#include "access_test_support.h"
#include "platform/accessibility/world_elements.h"

namespace access_test {
namespace {

using AccessibilityReads = AccessTest;

TEST_F(AccessibilityReads, AnApplicationThatDoesNotAnswerCostsAQuarterSecondPerRequestAndGivesNothing) {
    auto& app = editor({{.title = "One"}, {.title = "Two"}});
    ASSERT_EQ(applicationWindows(app.pid()).size(), 2u);
    ASSERT_TRUE(focusedWindow(app.pid()));
    app.stopAnswering();
    EXPECT_TRUE(applicationWindows(app.pid()).empty());
    EXPECT_DOUBLE_EQ(loop.now(), 0.25);
    EXPECT_FALSE(focusedWindow(app.pid()));
    EXPECT_DOUBLE_EQ(loop.now(), 0.5);
    EXPECT_FALSE(stringAttribute(ax::attribute::title, element(*app.windows()[0])));
    EXPECT_DOUBLE_EQ(loop.now(), 0.75);
}

TEST_F(AccessibilityReads, ReadsOfTheWrongTypeGiveNothingAndAMissingBooleanIsNotFalse) {
    auto& app = editor({{.title = "One"}});
    const AccessibilityElement window = element(*app.windows()[0]);
    EXPECT_EQ(stringAttribute(ax::attribute::title, window), "One");
    EXPECT_EQ(boolAttribute(ax::attribute::minimized, window), false);
    EXPECT_EQ(boolAttribute("AXNoSuchThing", window), std::nullopt);
    EXPECT_EQ(boolAttribute(ax::attribute::title, window), std::nullopt);
    EXPECT_FALSE(stringAttribute(ax::attribute::minimized, window));
    EXPECT_FALSE(elementAttribute(ax::attribute::title, window));
    EXPECT_TRUE(elementAttribute(ax::attribute::minimizeButton, window));

    // "AXWindows" that is not an array, or an array holding anything but elements.
    faults().on(FaultCall::readAttribute, "AXWindows").times(1).wrongType();
    EXPECT_TRUE(applicationWindows(app.pid()).empty());
    faults().on(FaultCall::readAttribute, "AXWindows").times(1).answer(AccessibilityValue(
        std::vector<AccessibilityValue>{AccessibilityValue(window), AccessibilityValue("x")}));
    EXPECT_TRUE(applicationWindows(app.pid()).empty());
    EXPECT_EQ(applicationWindows(app.pid()), std::vector<AccessibilityElement>{window});
}

TEST_F(AccessibilityReads, AFocusedSheetStandsForItsWindowUnlessItsParentCannotBeRead) {
    auto& document = only({.title = "Document", .frame = Rect{100, 100, 800, 600}});
    EXPECT_EQ(focusedWindow(document.pid()), element(document));
    auto* sheet = document.attachSheet({.title = "Save", .role = "AXSheet", .subrole = ""});
    ASSERT_TRUE(sheet);
    EXPECT_EQ(focusedWindow(document.pid()), element(document));
    faults().on(FaultCall::readAttribute, "AXParent").forWindow(sheet->number()).missing();
    EXPECT_EQ(focusedWindow(document.pid()), element(*sheet));
    faults().on(FaultCall::readAttribute, "AXFocusedWindow").missing();
    EXPECT_FALSE(focusedWindow(document.pid()));
}

TEST_F(AccessibilityReads, AFrameComesInOneRequestOrFailsWithTheCodeOfItsFirstBadSlot) {
    const AccessibilityElement window = element(only({.title = "One", .frame = Rect{100.5, 120, 640, 480}}));
    const uint64_t before = requests();
    EXPECT_EQ(elementFrame(window).value(), (Rect{100.5, 120, 640, 480}));
    EXPECT_EQ(requests() - before, 1u);

    auto answered = [&](std::vector<AccessibilityValue> slots) {
        faults().on(FaultCall::readAttributes).times(1).answer(std::move(slots));
        return elementFrame(window).error();
    };
    const auto positionError = AccessibilityValue::fromError(AccessibilityError::cannotComplete);
    const auto sizeError = AccessibilityValue::fromError(AccessibilityError::noValue);
    const AccessibilityValue position(Point{1, 2});
    const AccessibilityValue size(Size{3, 4});
    EXPECT_EQ(answered({positionError, size}), AccessibilityError::cannotComplete);
    EXPECT_EQ(answered({positionError, sizeError}), AccessibilityError::cannotComplete);
    EXPECT_EQ(answered({position, sizeError}), AccessibilityError::noValue);
    EXPECT_EQ(answered({position, size, size}), AccessibilityError::failure);
    EXPECT_EQ(answered({position, AccessibilityValue(4.0)}), AccessibilityError::failure);  // not a structured value
    EXPECT_EQ(answered({size, size}), AccessibilityError::failure);                         // a size where the point goes
    EXPECT_EQ(answered({position, AccessibilityValue(Rect{})}), AccessibilityError::failure);
    EXPECT_EQ(answered({position, size}), AccessibilityError::success);
    faults().on(FaultCall::readAttributes).times(1).fail(AccessibilityError::invalidElement);
    EXPECT_EQ(elementFrame(window).error(), AccessibilityError::invalidElement);
}

TEST_F(AccessibilityReads, TextBoundsSpanEveryCharacterCountedInUtf16Units) {
    auto& window = only({.title = "One",
                         .frame = Rect{100, 100, 800, 600},
                         .controls = {ControlDescription{.role = "AXTextField",
                                                         .value = "a\xF0\x9F\x98\x80"
                                                                  "b",
                                                         .frame = Rect{10, 40, 300, 20}}}});
    const AccessibilityElement field = platform::elementOf(*window.controls()[0]);
    // Four UTF-16 units: the emoji counts two; the stand-in lays characters 7 points apart.
    EXPECT_EQ(textBounds(field), (Rect{110, 140, 28, 20}));
    // Without a character count, the length of the value, in the same units.
    faults().on(FaultCall::readAttribute, "AXNumberOfCharacters").times(1).missing();
    EXPECT_EQ(textBounds(field), (Rect{110, 140, 28, 20}));

    // A count of 0 ends the question at once, without reading the value.
    faults().on(FaultCall::readAttribute, "AXNumberOfCharacters").times(1).answer(AccessibilityValue(0));
    const uint64_t before = requests();
    EXPECT_FALSE(textBounds(field));
    EXPECT_EQ(requests() - before, 1u);
    // Bounds without width, or not a rectangle; a window has no text at all.
    faults().on(FaultCall::readParameterized, "AXBoundsForRange").times(1).answer(AccessibilityValue(Rect{5, 5, 0, 9}));
    EXPECT_FALSE(textBounds(field));
    faults().on(FaultCall::readParameterized, "AXBoundsForRange").times(1).answer(AccessibilityValue("wide"));
    EXPECT_FALSE(textBounds(field));
    EXPECT_FALSE(textBounds(element(window)));
}

TEST_F(AccessibilityReads, AWindowElementIsFoundByItsNumberAndANumberOfZeroNeverMatches) {
    auto& app = editor({{.title = "One"}, {.title = "Two"}});
    const auto& two = *app.windows()[0];
    const auto& one = *app.windows()[1];
    EXPECT_EQ(windowNumber(element(one)), one.number());
    EXPECT_EQ(windowElement(one.number(), app.pid()), element(one));
    EXPECT_FALSE(windowElement(one.number(), app.pid() + 1));
    EXPECT_FALSE(windowElement(0, app.pid()));

    faults().on(FaultCall::windowNumber).forWindow(two.number()).answer(uint32_t{0});
    EXPECT_FALSE(windowNumber(element(two)));
    EXPECT_FALSE(windowElement(two.number(), app.pid()));
    EXPECT_EQ(windowElement(one.number(), app.pid()), element(one));  // passed over, the search goes on
    faults().on(FaultCall::windowNumber).forWindow(one.number()).fail();
    EXPECT_FALSE(windowElement(one.number(), app.pid()));
}

TEST_F(AccessibilityReads, WithoutTheWindowNumberCallNoElementHasANumberAndItIsLookedUpOnce) {
    world.privateCalls().remove("_AXUIElementGetWindow");
    auto& one = only({.title = "One"});
    EXPECT_FALSE(windowNumber(element(one)));
    EXPECT_FALSE(windowElement(one.number(), one.pid()));
    world.privateCalls().restore("_AXUIElementGetWindow");
    EXPECT_FALSE(windowElement(one.number(), one.pid()));  // never looked up again
    EXPECT_EQ(world.privateCalls().lookupCount("_AXUIElementGetWindow"), 1);
}

TEST_F(AccessibilityReads, ReadsRunOnTheAccessibilityQueueButAFrameDemandsTheMainThread) {
    const AccessibilityElement window = element(only({.title = "One"}));
    std::optional<std::string> title;
    accessibilityQueue().async([&] { title = stringAttribute(ax::attribute::title, window); });
    loop.runUntilIdle();
    EXPECT_EQ(title, "One");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            accessibilityQueue().async([&] { (void)elementFrame(window); });
            loop.runUntilIdle();
        },
        "elementFrame must run on the main thread");
}

}  // namespace
}  // namespace access_test
