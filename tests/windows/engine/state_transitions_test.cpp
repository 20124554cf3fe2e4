// The state every action leads every state to, and the round trips users rely on.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "settings/model/raw_enum.h"
#include "windows/engine/state_transitions.h"

namespace {

using namespace furlpane;
using Style = WindowState::Style;

const WindowState kNone{};
const WindowState kFloating{std::nullopt, true};
const WindowState kShaded{Style::shaded, false};
const WindowState kShadedFloating{Style::shaded, true};
const WindowState kThumbnail{Style::minimizedInPlace, false};
const WindowState kThumbnailFloating{Style::minimizedInPlace, true};

std::string describe(const WindowState& state) {
    std::string text = !state.style ? "none" : state.style == Style::shaded ? "shaded" : "minimizedInPlace";
    return text + (state.isFloating ? " floating" : "");
}

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
            EXPECT_EQ(describe(applying(row.current, actions[i])), describe(row.next[i]))
                << describe(row.current) << " with " << rawValue(actions[i]);
        }
        EXPECT_EQ(applying(row.current, WindowAction::hideApplication), row.current);
        EXPECT_EQ(applying(row.current, WindowAction::doNothing), row.current);
    }
}

TEST(StateTransitions, NoActionLeadsIntoAFloatingThumbnail) {
    for (const auto& state : {kNone, kFloating, kShaded, kShadedFloating, kThumbnail, kThumbnailFloating}) {
        for (const auto action : allCases<WindowAction>()) {
            const auto next = applying(state, action);
            if (next == state) continue;
            EXPECT_FALSE(next.style == Style::minimizedInPlace && next.isFloating);
        }
    }
}

TEST(StateTransitions, TheSameActionTwiceReturnsANormalWindow) {
    for (const auto action : {WindowAction::furlpane, WindowAction::minimizeInPlace, WindowAction::floatOnTop}) {
        EXPECT_EQ(applying(applying(kNone, action), action), kNone) << rawValue(action);
    }
    // A floating window minimized in place and back does not float again.
    EXPECT_EQ(applying(applying(kFloating, WindowAction::minimizeInPlace), WindowAction::minimizeInPlace), kNone);
}

}  // namespace
