// Clicks on minimize buttons, injected on the desktop: taken on the press, fired on a
// release over the button, the window's own button never pressed; modifiers, rules that
// keep the system's minimize, repeated clicks, the zone outside which no application is
// asked, the program's own windows, busy applications, and a press the tap forgets.

#include <gtest/gtest.h>

#include "platform/appkit/window.h"
#include "tap_test_support.h"

namespace triggers_test {
namespace {

using platform::desktop::WindowDescription;

const std::vector<EventFate> kBothSwallowed(2, EventFate::swallowed);
const std::vector<EventFate> kBothDelivered(2, EventFate::deliveredToApplication);

class MinimizeButtonTrigger : public TapTest {
protected:
    void SetUp() override {
        install();
        holdChain();
        setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    }
    // The minimize button's frame on screen (29, 7, 14 × 14 in the window).
    static Rect buttonOf(const desktop::Window& w) { return {w.frame().minX() + 29, w.frame().minY() + 7, 14, 14}; }
};

TEST_F(MinimizeButtonTrigger, ReleasedOverTheButtonItFiresOnceAndTheWindowsButtonIsNeverPressed) {
    const auto& w = window();
    const Rect button = buttonOf(w);
    const struct {
        Point release;
        int fired;
        const char* where;
    } cases[] = {
        {button.mid(), 1, "on the button"},
        {{button.maxX() + 1, button.midY()}, 1, "1 point right of it"},
        {{button.minX() - 1.5, button.minY() - 1.5}, 1, "1.5 points above and left of it"},
        {{button.maxX() + 3, button.midY()}, 0, "3 points right of it"},
        {{button.midX(), button.maxY() + 3}, 0, "3 points below it"},
        {contentOf(w), 0, "in the content"},
    };
    for (const auto& c : cases) {
        const int before = waiting(w.pid());
        EXPECT_EQ(pressAndRelease(button.mid(), c.release), kBothSwallowed) << c.where;
        EXPECT_EQ(waiting(w.pid()) - before, c.fired) << c.where;
        EXPECT_EQ(tap->pressedButton().has_value(), c.fired == 1) << c.where;
    }
    EXPECT_FALSE(w.isMinimized());
}

TEST_F(MinimizeButtonTrigger, ControlOrCommandOnThePressAndRulesThatKeepTheSystemsMinimizeLetTheClickThrough) {
    const struct {
        EventFlags held;
        bool fires;
    } cases[] = {
        {0, true},
        {flags::option, true},
        {flags::shift, true},
        {flags::capsLock | flags::option | flags::shift, true},
        {flags::control, false},
        {flags::command, false},
        {flags::command | flags::option, false},
    };
    for (const auto& c : cases) {
        const auto& w = window({.title = "Report"}, "com.example.Editor" + std::to_string(c.held));
        EXPECT_EQ(click(minimizeButtonOf(w), c.held), c.fires ? kBothSwallowed : kBothDelivered) << std::hex << c.held;
        // A click let through presses the window's own button.
        EXPECT_EQ(w.isMinimized(), !c.fires) << std::hex << c.held;
    }
    // The Dock minimize on the button is the system's own: left to it.
    const auto& mail = window({.title = "Inbox"}, "com.example.Mail");
    addRule("com.example.Mail");
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeToDock, true, "com.example.Mail");
    EXPECT_EQ(click(minimizeButtonOf(mail)), kBothDelivered);
    EXPECT_TRUE(mail.isMinimized());
}

TEST_F(MinimizeButtonTrigger, TheFurtherClicksOfADoubleClickOnAButtonThatFiredAreSwallowedAndFireNothing) {
    const auto& w = window();
    const Point on = minimizeButtonOf(w);
    EXPECT_EQ(doubleClick(on), std::vector<EventFate>(4, kSwallowed));
    EXPECT_EQ(waiting(w.pid()), 1);
    // A triple click likewise.
    const auto down = EventRecord::mouse(EventType::leftMouseDown, on);
    const auto up = EventRecord::mouse(EventType::leftMouseUp, on);
    EXPECT_EQ(inject({down, up, down, up, down, up}), std::vector<EventFate>(6, kSwallowed));
    EXPECT_EQ(waiting(w.pid()), 2);
    // After a mouse-down elsewhere, a click on the same place is a new press.
    const Point away = contentOf(w);
    EXPECT_EQ(inject({down, up, EventRecord::mouse(EventType::leftMouseDown, away),
                      EventRecord::mouse(EventType::leftMouseUp, away), down, up}),
              (std::vector<EventFate>{kSwallowed, kSwallowed, kDelivered, kDelivered, kSwallowed, kSwallowed}));
    EXPECT_EQ(waiting(w.pid()), 4);
}

TEST_F(MinimizeButtonTrigger, NoApplicationIsAskedAboutAPressOutsideTheTopCornersOfItsWindow) {
    // A window with a control that calls itself a minimize button in the middle of its
    // title bar and further down.
    const auto& w = window(
        {.title = "Odd",
         .controls = {
             platform::desktop::ControlDescription{.subrole = "AXMinimizeButton", .frame = Rect{390, 4, 20, 20}},
             platform::desktop::ControlDescription{.subrole = "AXMinimizeButton", .frame = Rect{20, 130, 20, 20}}}});
    const uint64_t before = requests();
    EXPECT_EQ(click({w.frame().minX() + 400, w.frame().minY() + 14}), kBothDelivered);  // 300 from both edges
    EXPECT_EQ(click({w.frame().minX() + 30, w.frame().minY() + 140}), kBothDelivered);  // 140 points down
    EXPECT_EQ(requests(), before);
    // 160 points from the right edge is near enough to ask.
    const auto& narrow = window({.title = "Narrow",
                                 .frame = Rect{300, 300, 400, 300},
                                 .controls = {platform::desktop::ControlDescription{.subrole = "AXMinimizeButton",
                                                                                    .frame = Rect{230, 4, 20, 20}}}},
                                "com.example.Narrow");
    EXPECT_EQ(click({narrow.frame().minX() + 240, narrow.frame().minY() + 14}), kBothSwallowed);
    EXPECT_GT(requests(), before);
}

TEST_F(MinimizeButtonTrigger, TheProgramsOwnWindowsCountOnlyWithAnEnabledMinimizeButton) {
    const double maxY = world.displays().firstMaxY();
    auto make = [&](Rect topLeft, uint64_t style) {
        auto own = std::make_shared<platform::Window>(platform::flipRect(topLeft, maxY), style);
        own->orderFront();
        return own;
    };
    auto enabled = make(Rect{200, 200, 500, 300}, platform::titledWindowMask | platform::miniaturizableWindowMask);
    auto disabled = make(Rect{800, 200, 500, 300}, platform::titledWindowMask);
    auto onButton = [](const platform::Window& own) {
        const Rect b = own.standardWindowButton(platform::WindowButtonKind::miniaturize)->frame();
        return Point{own.topLeftFrame().minX() + b.midX(), own.topLeftFrame().maxY() - b.midY()};
    };
    const int32_t pid = world.ownProcessIdentifier();
    EXPECT_EQ(click(onButton(*disabled)), std::vector<EventFate>(2, EventFate::deliveredToOwnProcess));
    EXPECT_EQ(waiting(pid), 0);
    EXPECT_EQ(click(onButton(*enabled)), kBothSwallowed);
    EXPECT_EQ(waiting(pid), 1);
    EXPECT_FALSE(enabled->isMiniaturized());
}

TEST_F(MinimizeButtonTrigger, ABusyApplicationsButtonIsTheRememberedOneAndNothingIsAsked) {
    const auto& w = window();
    engine->markBusy(w.pid());
    engine->refreshKnownTargets(w.pid(), {});
    ASSERT_TRUE(engine->knownTarget(w.number(), w.pid()));
    const uint64_t before = requests();
    EXPECT_EQ(click({buttonOf(w).maxX() + 1, buttonOf(w).midY()}), kBothSwallowed);
    EXPECT_EQ(click({buttonOf(w).maxX() + 3, buttonOf(w).midY()}), kBothDelivered);
    EXPECT_EQ(waiting(w.pid()), 1);
    EXPECT_EQ(requests(), before);
}

TEST_F(MinimizeButtonTrigger, APressForgottenByTheTapLeavesItsReleaseToTheApplication) {
    const auto& w = window();
    inject({EventRecord::mouse(EventType::leftMouseDown, minimizeButtonOf(w))});
    ASSERT_TRUE(tap->hasPendingPress());
    preferences->setIsEnabled(false);
    tap->update();
    EXPECT_FALSE(tap->hasPendingPress());
    EXPECT_FALSE(tap->isSwallowingMouseUp());
    EXPECT_EQ(inject({EventRecord::mouse(EventType::leftMouseUp, minimizeButtonOf(w))}),
              std::vector<EventFate>{kDelivered});
    EXPECT_TRUE(platform::EventRouter::of(world).injected().back().taps.empty());
    EXPECT_EQ(waiting(w.pid()), 0);
}

}  // namespace
}  // namespace triggers_test
