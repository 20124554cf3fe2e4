#include "windows/access/asking_again.h"

#include "tests/windows/access/access_test_support.h"

namespace access_test {
namespace {

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

}  // namespace
}  // namespace access_test
