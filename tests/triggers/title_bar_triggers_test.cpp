// Double-clicks on title bars, injected on the desktop: which trigger the modifiers
// choose, where a title bar is and is not (fused toolbars, controls, sheets, the top
// 120 points), the program's own windows, busy applications answered from memory, and
// the rules of each application deciding.

#include <gtest/gtest.h>

#include "platform/appkit/window.h"
#include "platform/desktop/faults.h"
#include "tap_test_support.h"

namespace triggers_test {
namespace {

using platform::desktop::ControlDescription;
using platform::desktop::ToolbarDescription;
using platform::desktop::WindowDescription;

// A double-click fires (its second press and release are swallowed and a trigger of the
// window's application is queued) or passes whole.
enum class Outcome { fires, passes };
const std::vector<EventFate> kFired{EventFate::deliveredToApplication, EventFate::deliveredToApplication,
                                    EventFate::swallowed, EventFate::swallowed};
const std::vector<EventFate> kPassed(4, EventFate::deliveredToApplication);

class TitleBarTriggers : public TapTest {
protected:
    void SetUp() override {
        install();
        holdChain();
    }

    void expectDoubleClick(Point at, EventFlags held, Outcome outcome, int32_t pid, const std::string& what) {
        const int before = waiting(pid);
        EXPECT_EQ(doubleClick(at, held), outcome == Outcome::fires ? kFired : kPassed) << what;
        EXPECT_EQ(waiting(pid) - before, outcome == Outcome::fires ? 1 : 0) << what;
    }
};

TEST_F(TitleBarTriggers, ControlAndCommandChooseTheTriggerAndBothTogetherChooseNone) {
    const auto& w = window();
    setTrigger(Trigger::commandTitleBarDoubleClick, WindowAction::minimizeInPlace);
    const struct {
        EventFlags held;
        Outcome outcome;
        const char* what;
    } cases[] = {
        {0, Outcome::fires, "none"},
        {flags::control, Outcome::fires, "Control"},
        {flags::command, Outcome::fires, "Command"},
        {flags::control | flags::command, Outcome::passes, "Control and Command"},
        // Option and Shift only widen the action and slow it down.
        {flags::option | flags::shift, Outcome::fires, "Option and Shift"},
        {flags::control | flags::option, Outcome::fires, "Control and Option"},
        {flags::capsLock, Outcome::fires, "Caps Lock"},
    };
    for (const auto& c : cases) expectDoubleClick(titleBarOf(w), c.held, c.outcome, w.pid(), c.what);
    // A trigger switched off lets the double-click through; doing nothing is an action.
    setTrigger(Trigger::commandTitleBarDoubleClick, WindowAction::minimizeInPlace, false);
    expectDoubleClick(titleBarOf(w), flags::command, Outcome::passes, w.pid(), "Command, off");
    setTrigger(Trigger::titleBarDoubleClick, WindowAction::doNothing);
    expectDoubleClick(titleBarOf(w), 0, Outcome::fires, w.pid(), "doing nothing");
}

TEST_F(TitleBarTriggers, OnlyTheBareTitleBarAndFusedToolbarsCountAndNeverBelow120Points) {
    // A toolbar fused to the title bar reaching 140 points down, with a button on it, and
    // a pop-up button in the title row itself.
    const auto& w =
        window({.title = "Browser",
                .toolbars = {ToolbarDescription{.frame = Rect{0, 28, 800, 112},
                                                .items = {ControlDescription{.frame = Rect{400, 40, 30, 24}}}}},
                .controls = {ControlDescription{.role = "AXPopUpButton", .frame = Rect{600, 4, 80, 20}}}});
    const Point origin = w.frame().origin;
    const struct {
        Point at;
        Outcome outcome;
        const char* where;
    } cases[] = {
        {{origin.x + 300, origin.y + 10}, Outcome::fires, "title row"},
        {{origin.x + 300, origin.y + 60}, Outcome::fires, "empty toolbar"},
        {{origin.x + 300, origin.y + 120}, Outcome::fires, "toolbar at 120 points"},
        {{origin.x + 300, origin.y + 121}, Outcome::passes, "toolbar at 121 points"},
        {{origin.x + 410, origin.y + 50}, Outcome::passes, "toolbar button"},
        {{origin.x + 620, origin.y + 10}, Outcome::passes, "pop-up button in the title row"},
        {{origin.x + 300, origin.y + 200}, Outcome::passes, "content"},
    };
    for (const auto& c : cases) expectDoubleClick(c.at, 0, c.outcome, w.pid(), c.where);
}

TEST_F(TitleBarTriggers, WindowsTheSystemDoesNotActOnLetTheDoubleClickThrough) {
    auto& document = window({.title = "Document"});
    auto* sheet = document.attachSheet({.title = "Save", .frame = Rect{200, 122, 400, 200}, .role = "AXSheet",
                                        .subrole = ""});
    // Neither the window with its sheet nor the sheet.
    EXPECT_EQ(doubleClick(titleBarOf(document)), kPassed);
    EXPECT_EQ(doubleClick({sheet->frame().minX() + 100, sheet->frame().minY() + 10}), kPassed);
    // Nor a floating palette of another application above a window, nor a full-screen
    // window.
    auto& palette = window({.title = "Palette", .frame = Rect{150, 90, 300, 200}, .subrole = "AXFloatingWindow",
                            .layer = 3},
                           "com.example.Paint");
    EXPECT_EQ(doubleClick({palette.frame().minX() + 100, palette.frame().minY() + 10}), kPassed);
    const auto& full = window({.title = "Movie", .frame = Rect{0, 0, 1440, 900}, .fullScreen = true},
                              "com.example.Player");
    EXPECT_EQ(doubleClick(titleBarOf(full)), kPassed);
}

TEST_F(TitleBarTriggers, AWindowNumberThatDoesNotMatchTheWindowUnderThePointerActsOnNothing) {
    const auto& w = window();
    world.faults().on(platform::desktop::FaultCall::windowNumber).forWindow(w.number()).answer(uint32_t{9999});
    EXPECT_EQ(doubleClick(titleBarOf(w)), kPassed);
}

TEST_F(TitleBarTriggers, TheProgramsOwnWindowsAreHitTestedThroughAppKit) {
    const double maxY = world.displays().firstMaxY();
    auto own = std::make_shared<platform::Window>(platform::flipRect(Rect{200, 200, 500, 400}, maxY),
                                                  platform::titledWindowMask | platform::miniaturizableWindowMask);
    own->orderFront();
    const Rect frame = own->topLeftFrame();
    const std::vector<EventFate> passed(4, EventFate::deliveredToOwnProcess);
    const std::vector<EventFate> fired{EventFate::deliveredToOwnProcess, EventFate::deliveredToOwnProcess,
                                       kSwallowed, kSwallowed};
    const int32_t pid = world.ownProcessIdentifier();
    EXPECT_EQ(doubleClick({frame.minX() + 200, frame.minY() + 10}), fired);
    EXPECT_EQ(waiting(pid), 1);
    // The close button (disabled here, so that the click leaves the window open) is a
    // control.
    const Rect close = own->standardWindowButton(platform::WindowButtonKind::close)->frame();
    EXPECT_EQ(doubleClick({frame.minX() + close.midX(), frame.maxY() - close.midY()}), passed);
    // A panel is never acted on.
    auto panel = std::make_shared<platform::Panel>(platform::flipRect(Rect{800, 200, 300, 200}, maxY),
                                                   platform::titledWindowMask);
    panel->orderFront();
    EXPECT_EQ(doubleClick({panel->topLeftFrame().minX() + 100, panel->topLeftFrame().minY() + 10}), passed);
    EXPECT_EQ(waiting(pid), 1);
}

// While an application is busy with a trip into or out of the Dock, it is asked
// nothing: its windows as the engine remembers them decide, on the bare title bar only.
TEST_F(TitleBarTriggers, ABusyApplicationIsAnsweredFromTheRememberedWindowsWithoutAsking) {
    const auto& w = window({.title = "Browser", .toolbars = {ToolbarDescription{.frame = Rect{0, 28, 800, 40}}}});
    engine->markBusy(w.pid());
    EXPECT_EQ(doubleClick(titleBarOf(w)), kPassed);  // nothing remembered
    engine->refreshKnownTargets(w.pid(), {});
    ASSERT_TRUE(engine->knownTarget(w.number(), w.pid()));
    const uint64_t before = requests();
    const struct {
        Point at;
        Outcome outcome;
        const char* where;
    } cases[] = {
        {titleBarOf(w), Outcome::fires, "bare title bar"},
        {{w.frame().minX() + 300, w.frame().minY() + 50}, Outcome::passes, "toolbar"},
        {minimizeButtonOf(w), Outcome::passes, "button"},
    };
    for (const auto& c : cases) expectDoubleClick(c.at, 0, c.outcome, w.pid(), c.where);
    EXPECT_EQ(requests(), before);
}

TEST_F(TitleBarTriggers, AThirdClickNeverFiresATitleBarTrigger) {
    const auto& w = window();
    const auto point = titleBarOf(w);
    const auto fates = inject({EventRecord::mouse(EventType::leftMouseDown, point),
                               EventRecord::mouse(EventType::leftMouseUp, point),
                               EventRecord::mouse(EventType::leftMouseDown, point),
                               EventRecord::mouse(EventType::leftMouseUp, point),
                               EventRecord::mouse(EventType::leftMouseDown, point),
                               EventRecord::mouse(EventType::leftMouseUp, point)});
    EXPECT_EQ(fates, (std::vector<EventFate>{kDelivered, kDelivered, kSwallowed, kSwallowed, kDelivered, kDelivered}));
}

TEST_F(TitleBarTriggers, EachApplicationsRuleDecidesAndAnApplicationLeftAloneGetsEverything) {
    const auto& editor = window({.title = "Editor", .frame = Rect{100, 100, 500, 300}});
    const auto& mail = window({.title = "Mail", .frame = Rect{700, 100, 500, 300}}, "com.example.Mail");
    const auto& paint = window({.title = "Paint", .frame = Rect{100, 500, 500, 300}}, "com.example.Paint");
    addRule("com.example.Mail");
    setTrigger(Trigger::titleBarDoubleClick, WindowAction::furlpane, false, "com.example.Mail");
    addRule("com.example.Paint");
    rules->setExcluded(true, "com.example.Paint");
    expectDoubleClick(titleBarOf(editor), 0, Outcome::fires, editor.pid(), "Editor, Default Settings");
    expectDoubleClick(titleBarOf(mail), 0, Outcome::passes, mail.pid(), "Mail, switched off");
    expectDoubleClick(titleBarOf(mail), flags::control, Outcome::fires, mail.pid(), "Mail, Control");
    expectDoubleClick(titleBarOf(paint), 0, Outcome::passes, paint.pid(), "Paint, left alone");
    expectDoubleClick(titleBarOf(paint), flags::control, Outcome::passes, paint.pid(), "Paint, left alone, Control");
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    EXPECT_EQ(click(minimizeButtonOf(paint)), std::vector<EventFate>(2, kDelivered));
}

}  // namespace
}  // namespace triggers_test
