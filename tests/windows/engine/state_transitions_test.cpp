// The state every action leads every state to, and the round trips users rely on.

#include <array>
#include <string>

#include "tests/windows/engine/engine_test_support.h"
#include "windows/engine/state_transitions.h"

namespace engine_test {
namespace {

const WindowState kNone{};
const WindowState kFloating{std::nullopt, true};
const WindowState kShaded{Style::shaded, false};
const WindowState kShadedFloating{Style::shaded, true};
const WindowState kThumbnail{Style::minimizedInPlace, false};
const WindowState kThumbnailFloating{Style::minimizedInPlace, true};

struct Row {
    WindowState current;
    // furlpane, minimizeInPlace, floatOnTop, minimizeToDock; hideApplication and doNothing
    // keep the current state.
    std::array<WindowState, 4> next;
};

TEST(StateTransitions, EveryActionFromEveryState) {
    const Row rows[] = {
        {kNone, {kShaded, kThumbnail, kFloating, kNone}},
        {kFloating, {kShadedFloating, kThumbnail, kNone, kNone}},
        {kShaded, {kNone, kThumbnail, kShadedFloating, kNone}},
        {kShadedFloating, {kFloating, kThumbnail, kShaded, kNone}},
        {kThumbnail, {kShaded, kNone, kFloating, kNone}},
        {kThumbnailFloating, {kShadedFloating, kFloating, kFloating, kNone}},
    };
    const std::array<WindowAction, 4> actions{WindowAction::furlpane, WindowAction::minimizeInPlace,
                                              WindowAction::floatOnTop, WindowAction::minimizeToDock};
    for (const auto& row : rows) {
        for (size_t i = 0; i < actions.size(); ++i) {
            EXPECT_EQ(stateName(applying(row.current, actions[i])), stateName(row.next[i]))
                << stateName(row.current) << " with " << rawValue(actions[i]);
        }
        EXPECT_EQ(applying(row.current, WindowAction::hideApplication), row.current);
        EXPECT_EQ(applying(row.current, WindowAction::doNothing), row.current);
    }
}

TEST(StateTransitions, NoActionLeadsIntoAFloatingThumbnailAndFloatingIsNotRestored) {
    for (const auto& state : {kNone, kFloating, kShaded, kShadedFloating, kThumbnail}) {
        for (const auto action : allCases<WindowAction>()) {
            const auto next = applying(state, action);
            EXPECT_FALSE(next.style == Style::minimizedInPlace && next.isFloating);
        }
    }
    EXPECT_EQ(applying(applying(kFloating, WindowAction::minimizeInPlace), WindowAction::minimizeInPlace), kNone);
}

}  // namespace
}  // namespace engine_test
