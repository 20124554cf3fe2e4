// Triggers carried out: what the engine does with the windows once the tap has handed
// it a double-click, a minimize-button click, Command-M pressed quickly again and again,
// and a modifier double tap.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "platform/services/bundle.h"
#include "tap_test_support.h"
#include "windows/changed/affected_window.h"
#include "windows/changed/stand_in_panel.h"

namespace triggers_test {
namespace {

using furlpane::WindowState;
using platform::plist::Array;
using platform::plist::Dictionary;
using platform::plist::Value;
using Style = WindowState::Style;

class TriggerActions : public TapTest {
protected:
    void SetUp() override { install(); }

    std::optional<WindowState> stateOf(const desktop::Window& w) const {
        const auto changed = engine->findAffected(w.number());
        if (!changed) return std::nullopt;
        return changed->state();
    }
    // Fires with Option held on the first of an application's two windows: every window
    // of that application gets the style, and no other application's window.
    void expectEveryWindowOfTheApplication(const std::function<void(const desktop::Window&)>& fire, Style style) {
        auto& editor = application({{.title = "One", .frame = Rect{100, 100, 500, 300}},
                                    {.title = "Two", .frame = Rect{150, 450, 500, 300}}});
        const auto& other = window({.title = "Elsewhere", .frame = Rect{700, 100, 500, 300}}, "com.example.Mail");
        fire(*editor.windows()[0]);
        settle();
        for (const auto* w : editor.windows()) {
            ASSERT_TRUE(stateOf(*w)) << w->title();
            EXPECT_EQ(stateOf(*w)->style, style) << w->title();
        }
        EXPECT_FALSE(stateOf(other));
    }
    // The window of an application of its own, 800 × 150 at the top given, whose
    // application does not answer for `silence` seconds from the input that follows (a
    // second later), or refuses its next hit test at once when there is no silence.
    desktop::Window& silentWindow(const std::string& title, double top, double silence) {
        auto& w = window({.title = title, .frame = Rect{100, top, 800, 150}}, "com.example." + title);
        if (silence > 0) {
            w.owner().stopAnswering(1 + silence);
        } else {
            world.faults().on(desktop::FaultCall::elementAtPosition).forApplication(w.pid()).times(1).refuse();
        }
        return w;
    }
    // A second after whatever came before, the press, and the rest once the press has
    // reached the tap, as a hand makes them.
    void byHand(const std::vector<EventRecord>& events) {
        loop.advance(1.0);
        platform::injectEvent(events.front());
        loop.runUntilIdle();
        platform::injectEvents({events.begin() + 1, events.end()});
    }
    static std::vector<EventRecord> clickThenDrag(Point click, Point from, Point to) {
        std::vector<EventRecord> events = platform::input_sequences::click(click);
        const auto drag = platform::input_sequences::drag(from, to);
        events.insert(events.end(), drag.begin(), drag.end());
        return events;
    }
    bool isInFront(const desktop::Window& w, const desktop::Window& behind) const {
        const auto order = world.windowsFrontToBack();
        return std::find(order.begin(), order.end(), &w) < std::find(order.begin(), order.end(), &behind);
    }
    // Closes the windows (and their stand-ins with them), so that the next case stands alone.
    void closeAll(std::initializer_list<desktop::Window*> windows) {
        for (auto* w : windows) w->close();
        settle();
    }
};

TEST_F(TriggerActions, ADoubleClickOnATitleBarRollsItsWindowUp) {
    const auto& w = window();
    doubleClick(titleBarOf(w));
    settle();
    ASSERT_TRUE(stateOf(w));
    EXPECT_EQ(stateOf(w)->style, Style::shaded);
}

// Option held on the press takes every window of the clicked window's application, and
// no other application's.
TEST_F(TriggerActions, OptionOnADoubleClickRollsUpEveryWindowOfTheApplication) {
    expectEveryWindowOfTheApplication([this](const desktop::Window& w) { doubleClick(titleBarOf(w), flags::option); },
                                      Style::shaded);
}

TEST_F(TriggerActions, OptionOnAMinimizeButtonPressMakesThumbnailsOfEveryWindowOfTheApplication) {
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    expectEveryWindowOfTheApplication([this](const desktop::Window& w) { click(minimizeButtonOf(w), flags::option); },
                                      Style::minimizedInPlace);
}

TEST_F(TriggerActions, ShiftOnATriggerPlaysTheChangeInSlowMotion) {
    const auto& w = window();
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    click(minimizeButtonOf(w), flags::shift);
    ASSERT_EQ(engine->changing().size(), 1u);
    EXPECT_EQ(engine->changing().front()->speed(), furlpane::Speed::slowMotion);
    settle();
    ASSERT_TRUE(stateOf(w));
    EXPECT_EQ(stateOf(w)->style, Style::minimizedInPlace);
}

// The click's release is where the thumbnail goes, 10 points up and left of it.
TEST_F(TriggerActions, AClickOnTheMinimizeButtonPutsTheThumbnailWhereItWasReleased) {
    const auto& w = window();
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    const Point release{w.frame().minX() + 44, w.frame().minY() + 14};  // 1 point right of the button
    pressAndRelease(minimizeButtonOf(w), release);
    settle();
    ASSERT_TRUE(stateOf(w));
    EXPECT_EQ(stateOf(w)->style, Style::minimizedInPlace);
    const auto panel = engine->findAffected(w.number())->panel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->topLeftFrame().origin, (Point{release.x - 10, release.y - 10}));
    EXPECT_TRUE(w.isMinimized());  // the window waits in the Dock behind its thumbnail
}

// Each press acts on the window in front once the one before has been dealt with, so
// that three quick presses take three windows in turn and none twice (a press that
// overtook the one before would find its window again and put it back). The presses
// come as fast as the tap's callbacks can: one after another, before any task has run.
TEST_F(TriggerActions, QuickCommandMPressesActOnTheWindowsInFrontInTurn) {
    auto& app = application({{.title = "One", .frame = Rect{100, 100, 500, 300}},
                             {.title = "Two", .frame = Rect{150, 150, 500, 300}},
                             {.title = "Three", .frame = Rect{200, 200, 500, 300}}});
    setTrigger(Trigger::commandM, WindowAction::furlpane);
    auto press = EventRecord::key(EventType::keyDown, keys::m, flags::command);
    press.setCharacters("m", "m");
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(tap->handleEvent(press.type(), press));
    settle();
    for (const auto* w : app.windows()) {
        ASSERT_TRUE(stateOf(*w)) << w->title();
        EXPECT_EQ(stateOf(*w)->style, Style::shaded) << w->title();
    }
    EXPECT_TRUE(tap->changesWaiting().empty());
}

TEST_F(TriggerActions, ADoubleTapActsOnTheFocusedWindow) {
    const auto& w = window();
    setTrigger(Trigger::controlDoubleTap, WindowAction::furlpane);
    for (const EventFlags held : {flags::control, EventFlags{0}, flags::control, EventFlags{0}}) {
        loop.advance(0.0625);
        platform::injectEvent(EventRecord::flagsChanged(held, keys::control));
        loop.runUntilIdle();
    }
    settle();
    ASSERT_TRUE(stateOf(w));
    EXPECT_EQ(stateOf(w)->style, Style::shaded);
}

// Another instance of the program has sent a window of the application on a trip, and
// the application does not answer the hit test. A double-click on a window's button row
// is swallowed and looked at again once the application answers, within the bound that
// ends a trip; one deeper in the window, or one the application refuses, goes through.
TEST_F(TriggerActions, ADoubleClickOnAnApplicationThatDoesNotAnswerActsOnceItDoes) {
    const struct {
        const char* what;
        double silence;  // the application's from the click on; none: it refuses the hit test at once
        double depth;    // of the click below the window's top edge
        bool isSwallowed;
        bool rollsUp;
    } cases[] = {
        {"answers within the wait", 0.5, 10, true, true},
        {"below the button row", 0.5, 60, false, false},
        {"refuses", 0, 10, false, false},
        {"answers too late", 3, 10, true, false},
    };
    double top = 20;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto& w = silentWindow(c.what, top, c.silence);
        top += 170;
        const auto fates = doubleClick({w.frame().minX() + 300, w.frame().minY() + c.depth});
        EXPECT_EQ(fates.back() == EventFate::swallowed, c.isSwallowed);
        settle();
        EXPECT_EQ(stateOf(w).has_value(), c.rollsUp);
        EXPECT_EQ(w.isMinimized(), c.rollsUp);
        EXPECT_TRUE(tap->changesWaiting().empty());
    }
}

// The same for a click on a minimize button: the press in the button row is held, and
// the action runs once the application answers, within the bound, when the press and
// its release lie on the button then. An application that answers too late gets the
// click, as it does when the lookup fails: its own button sends the window to the Dock.
TEST_F(TriggerActions, AMinimizeButtonClickOnAnApplicationThatDoesNotAnswerActsOnceItDoes) {
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    const struct {
        const char* what;
        double silence;           // none: the application refuses the hit test at once
        double pressY, releaseY;  // in the window; its minimize button is 29, 7, 14 × 14
        // Both events swallowed; a thumbnail made; the window in the Dock (behind the
        // thumbnail, or by its own button).
        bool isSwallowed, isThumbnail, isMinimized;
    } cases[] = {
        {"answers within the wait", 0.5, 14, 15, true, true, true},
        {"released off the button", 0.5, 14, 40, true, false, false},
        {"answers too late", 3, 14, 14, true, false, true},
        {"below the button row", 0.5, 60, 60, false, false, false},
        {"refuses", 0, 14, 14, false, false, true},
    };
    double top = 20;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto& w = silentWindow(c.what, top, c.silence);
        top += 170;
        const double x = w.frame().minX() + 36;
        const auto fates = pressAndRelease({x, w.frame().minY() + c.pressY}, {x, w.frame().minY() + c.releaseY});
        EXPECT_EQ(fates, std::vector<EventFate>(2, c.isSwallowed ? kSwallowed : kDelivered));
        settle();
        EXPECT_EQ(stateOf(w) && stateOf(w)->style == Style::minimizedInPlace, c.isThumbnail);
        EXPECT_EQ(w.isMinimized(), c.isMinimized);
        EXPECT_TRUE(tap->changesWaiting().empty());
    }
}

// A press held for an application that does not answer, and that turns out to be no
// trigger or cannot be decided before the application answers again, reaches it as the
// user made it (press, moves, release): it has the effect it has on an application that
// answers at once, and the program acts on nothing. A drag that follows a held click at
// once stays behind the click, and its own press is held in turn with its moves.
TEST_F(TriggerActions, AHeldPressThatIsNoTriggerReachesTheApplication) {
    namespace sequences = platform::input_sequences;
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    const struct {
        const char* what;
        std::vector<EventRecord> events;  // on the window at 100, 100
        std::function<bool(const desktop::Window&, const desktop::Window& cover)> hasEffect;
    } presses[] = {
        {"close button", sequences::click({116, 114}), [](auto& w, auto&) { return w.isClosed(); }},
        {"zoom button", sequences::click({156, 114}), [](auto& w, auto&) { return w.isZoomed(); }},
        {"title bar beside the buttons", sequences::click({200, 110}),
         [this](auto& w, auto& cover) { return isInFront(w, cover); }},
        {"drag from the corner", sequences::drag({200, 110}, {300, 170}),
         [](auto& w, auto&) { return w.frame().origin == Point{200, 160}; }},
        {"double-click on the title bar's control", sequences::doubleClick({400, 114}),
         [](auto& w, auto&) { return w.controls().front()->pressCount() == 2; }},
        {"click in the corner, then a drag from it", clickThenDrag({250, 110}, {200, 110}, {300, 170}),
         [](auto& w, auto&) { return w.frame().origin == Point{200, 160}; }},
    };
    int made = 0;
    // Silent from the press: answering within the bound, and past it.
    for (const double silence : {0.0, 0.3, 1.2, 1.5, 3.0}) {
        for (const auto& p : presses) {
            SCOPED_TRACE(std::string(p.what) + ", silent for " + std::to_string(silence));
            const std::string app = "com.example.App" + std::to_string(++made);
            auto& w = window({.title = "Report", .frame = Rect{100, 100, 800, 150},
                              .controls = {{.frame = Rect{290, 4, 20, 20}}}}, app);
            auto& cover = window({.title = "Cover", .frame = Rect{100, 400, 300, 100}}, app + ".Cover");
            if (silence > 0) w.owner().stopAnswering(1 + silence);
            byHand(p.events);
            settle();
            EXPECT_TRUE(p.hasEffect(w, cover));
            EXPECT_FALSE(stateOf(w));
            closeAll({&w, &cover});
        }
    }
}

// What comes while a press is held waits behind it and follows it in order, looked at as
// new: a held click beside the buttons raises its window, then a click raises another and
// one on a third window's minimize button makes a thumbnail (not a trip by its own button).
// When the application answers too late, the held click reaches it all the same.
TEST_F(TriggerActions, WhatComesWhileAPressIsHeldFollowsItInItsOrder) {
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    int made = 0;
    for (const double silence : {0.5, 3.0}) {
        SCOPED_TRACE(silence);
        const std::string app = "com.example.App" + std::to_string(++made);
        auto& w = window({.title = "Report", .frame = Rect{100, 100, 800, 150}}, app);
        auto& other = window({.title = "Other", .frame = Rect{100, 300, 800, 150}}, app + ".Other");
        auto& third = window({.title = "Third", .frame = Rect{100, 500, 800, 150}}, app + ".Third");
        auto& cover = window({.title = "Cover", .frame = Rect{1000, 100, 300, 100}}, app + ".Cover");
        w.owner().stopAnswering(1 + silence);
        std::vector<EventRecord> events;
        for (const Point at : {Point{200, 110}, Point{400, 310}, minimizeButtonOf(third)}) {
            for (const EventRecord& e : platform::input_sequences::click(at)) events.push_back(e);
        }
        byHand(events);
        settle();
        EXPECT_TRUE(isInFront(other, w));
        EXPECT_TRUE(isInFront(w, cover));
        EXPECT_TRUE(stateOf(third) && stateOf(third)->style == Style::minimizedInPlace);
        EXPECT_FALSE(tap->isHolding());
        closeAll({&w, &other, &third, &cover});
    }
}

// A held press whose window goes while it is held (its application closes it, or quits)
// reaches no other window once given back, nor acts on one: the window beneath, whose
// close button lies under the click (or whose title bar under the double-click), stays
// as it was, whether the application answers within the bound or not. While the window
// stays, the click closes it.
TEST_F(TriggerActions, AHeldPressReachesTheWindowItWasMadeOnOrNone) {
    namespace sequences = platform::input_sequences;
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    const std::function<void(desktop::Window&)> closes = [](desktop::Window& w) { w.close(); };
    const std::function<void(desktop::Window&)> quits = [](desktop::Window& w) { w.owner().quit(); };
    const auto click = sequences::click({116, 114});
    const struct {
        const char* what;
        std::vector<EventRecord> events;
        double silence;
        std::function<void(desktop::Window&)> meanwhile;  // none: the window stays
    } cases[] = {
        {"click, closed, answering within the bound", click, 0.5, closes},
        {"click, closed, silent past it", click, 3, closes},
        {"click, quits, answering within the bound", click, 0.5, quits},
        {"click, quits, silent past it", click, 3, quits},
        {"double-click, closed, answering within the bound", sequences::doubleClick({400, 112}), 0.5, closes},
        {"click, stays", click, 3, nullptr},
    };
    int made = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string app = "com.example.App" + std::to_string(++made);
        auto& behind = window({.title = "Behind", .frame = Rect{100, 100, 800, 400}}, app + ".Behind");
        auto& report = window({.title = "Report", .frame = Rect{100, 100, 800, 400}}, app);
        report.owner().stopAnswering(1 + c.silence);
        byHand(c.events);
        loop.runUntilIdle();
        ASSERT_TRUE(tap->isHolding());
        if (c.meanwhile) c.meanwhile(report);
        settle();
        EXPECT_FALSE(behind.isClosed());
        EXPECT_FALSE(stateOf(behind));
        if (!c.meanwhile) {
            EXPECT_TRUE(report.isClosed());
        }
        closeAll({&behind});
    }
}

// A double-click on a floating window's live copy is a click into the window, whatever
// its modifiers: the first click puts the copy away, and the second is no double-click on
// the real window that stands there by the time the tap looks at it, though its
// application did not answer meanwhile (another instance sends one of its windows into
// the Dock) and the press waited for it.
TEST_F(TriggerActions, ADoubleClickOnAFloatingWindowsCopyLeavesItFloating) {
    setTrigger(Trigger::commandTitleBarDoubleClick, WindowAction::minimizeInPlace);
    // The other instance's tap, which sees every event first.
    const auto other = platform::EventTap::create(
        platform::EventTapLocation::session, platform::EventTapPlacement::headInsert,
        platform::EventTapOptions::defaultTap, TriggerTap::kEventMask,
        [](platform::EventTapProxy, EventType, const EventRecord& e, void*) { return std::optional<EventRecord>(e); },
        nullptr);
    platform::MainLoop::main().add(other->runLoopSource(), platform::modes::kCommon);
    int made = 0;
    for (const double silence : {0.0, 0.3}) {
        for (const EventFlags held : {EventFlags{0}, flags::command, flags::option, flags::control}) {
            SCOPED_TRACE("flags " + std::to_string(held) + ", silent for " + std::to_string(silence));
            auto& w = window({.title = "Groceries", .frame = Rect{100, 100, 600, 300}},
                             "com.example.App" + std::to_string(++made));
            doubleClick(titleBarOf(w), flags::control);
            settle();
            ASSERT_TRUE(stateOf(w) && stateOf(w)->isFloating);
            if (silence > 0) w.owner().stopAnswering(1 + silence);
            doubleClick(titleBarOf(w), held);
            settle();
            EXPECT_EQ(stateOf(w), (WindowState{std::nullopt, true}));
            closeAll({&w});
        }
    }
}

// Taken down while it holds a press (the program is switched off), the tap gives the press
// back: the window's own button takes it with its release.
TEST_F(TriggerActions, ATapTakenDownGivesWhatItHoldsToTheApplication) {
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    auto& w = silentWindow("Report", 100, 3);
    const Point close{w.frame().minX() + 16, w.frame().minY() + 14};
    byHand({EventRecord::mouse(EventType::leftMouseDown, close)});
    ASSERT_TRUE(tap->isHolding());
    preferences->setIsEnabled(false);
    tap->update();
    inject({EventRecord::mouse(EventType::leftMouseUp, close)});
    EXPECT_TRUE(w.isClosed());
}

// Another running instance of the program holds a window (it floats it, say): a trigger
// on it is left to that instance, whose tap sees the event next. The list of an instance
// that has ended, one under this process's own identifier (an earlier process's), and
// one of no window numbers hold nothing.
TEST_F(TriggerActions, ATriggerOnAWindowAnotherInstanceHoldsGoesOnToIt) {
    setTrigger(Trigger::minimizeButton, WindowAction::minimizeInPlace);
    setTrigger(Trigger::commandM, WindowAction::furlpane);
    const auto& instance = world.application(platform::kProgramBundleIdentifier).inBackground().add();
    const std::string other = std::to_string(instance.pid());
    const std::function<std::vector<EventFate>(const desktop::Window&)> gestures[] = {
        [this](const desktop::Window& w) { return doubleClick(titleBarOf(w)); },
        [this](const desktop::Window& w) { return click(minimizeButtonOf(w)); },
        [this](const desktop::Window&) { return inject(platform::input_sequences::keyPress(keys::m, flags::command)); },
    };
    const struct {
        std::string owner;
        bool isNumber;  // else the number as text and beyond 32 bits
        bool isLeftAlone;
    } holders[] = {{other, true, true},
                   {"999", true, false},
                   {std::to_string(world.ownProcessIdentifier()), true, false},
                   {other, false, false}};
    int made = 0;
    for (size_t g = 0; g < std::size(gestures); ++g) {
        for (const auto& h : holders) {
            SCOPED_TRACE("gesture " + std::to_string(g) + ", held by " + h.owner + (h.isNumber ? "" : " in no number"));
            auto& w = window({.title = "Report"}, "com.example.App" + std::to_string(++made));
            const int64_t number = w.number();
            const Array list = h.isNumber ? Array{number} : Array{std::to_string(number), number + (int64_t{1} << 32)};
            defaults.set(WindowEffects::kHeldWindowsKey, Value(Dictionary{{h.owner, list}}));
            EXPECT_EQ(gestures[g](w).back() == kDelivered, h.isLeftAlone);
            settle();
            EXPECT_EQ(stateOf(w).has_value(), !h.isLeftAlone);
            w.close();  // and its stand-in with it, so that the next window stands alone there
            settle();
        }
    }
}

}  // namespace
}  // namespace triggers_test
