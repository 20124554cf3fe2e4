#include "windows/access/asking_again.h"

#include "tests/windows/access/access_test_support.h"

namespace access_test {
namespace {

using platform::Task;

class AskingAgainTest : public AccessTest {};

// The move is part of the way out: a window whose move went unanswered stays in the Dock
// for the next ask, rather than coming out where it left, maybe off every screen.
TEST_F(AskingAgainTest, AWindowComesOutOfTheDockOnlyOnceMovedOrUnmovable) {
    const struct {
        const char* name;
        void (*fault)(desktop::Faults&);
        bool staysInDock;
        Point at;
    } cases[] = {
        {"answered", [](desktop::Faults&) {}, false, {100, 120}},
        {"move unanswered", [](desktop::Faults& f) { f.on(FaultCall::writeAttribute, "AXPosition").times(1).hang(); },
         true, {1600, 100}},
        {"move refused", [](desktop::Faults& f) { f.on(FaultCall::writeAttribute, "AXPosition").times(1).refuse(); },
         false, {1600, 100}},
    };
    for (const auto& c : cases) {
        desktop::Window& window = only({.title = c.name, .frame = Rect{1600, 100, 400, 300}, .minimized = true});
        c.fault(faults());
        const Answer answer = bringOutOfDock(element(window), Point{100, 120});
        EXPECT_EQ(answer.isUnanswered, c.staysInDock) << c.name;
        EXPECT_EQ(window.isMinimized(), c.staysInDock) << c.name;
        EXPECT_EQ(window.frame().origin, c.at) << c.name;
    }
}

Task<bool> answering(bool answers) { co_return answers; }

Task<Answer> askedAwaiting(int* asks, Answer first, bool answers, bool wanted) {
    auto asking = askWhenAnswering({.ask = [asks, first] { return answeredAlready(++*asks == 1 ? first : Answer{}); },
                                    .answers = [answers] { return answering(answers); },
                                    .stillWanted = [wanted] { return wanted; }});
    const Answer answer = co_await asking;
    co_return answer;
}

// Both forms ask once more exactly when the first ask went unanswered, the application
// answers again and the request still stands.
TEST_F(AskingAgainTest, BothFormsAskOnceMoreOnlyAfterSilenceThatEnds) {
    const Answer unanswered{AccessibilityError::cannotComplete, true};
    const Answer refused{AccessibilityError::cannotComplete, false};
    const struct {
        Answer first;
        bool answers;
        bool wanted;
        int asks;
    } cases[] = {
        {Answer{}, true, true, 1},  {refused, true, true, 1},     {unanswered, true, true, 2},
        {unanswered, false, true, 1}, {unanswered, true, false, 1},
    };
    for (const auto& c : cases) {
        int blocking = 0;
        const Answer answer = askWhenAnswering(
            [&] { return ++blocking == 1 ? c.first : Answer{}; }, [&] { return c.answers; }, [&] { return c.wanted; });
        int awaited = 0;
        const auto awaitedAnswer = platform::runToCompletion(loop, askedAwaiting(&awaited, c.first, c.answers, c.wanted));
        ASSERT_TRUE(awaitedAnswer);
        EXPECT_EQ(blocking, c.asks);
        EXPECT_EQ(awaited, c.asks);
        EXPECT_EQ(answer.isUnanswered, c.asks == 1 && c.first.isUnanswered);
        EXPECT_EQ(awaitedAnswer->error, answer.error);
    }
}

}  // namespace
}  // namespace access_test
