#include "windows/access/asking_again.h"

#include "platform/accessibility/names.h"
#include "platform/accessibility/value.h"

namespace furlpane {

using platform::Task;
namespace ax = platform::ax;

namespace {

bool stands(const std::function<bool()>& stillWanted) { return !stillWanted || stillWanted(); }

}  // namespace

Task<Answer> askWhenAnswering(AskingAgain asking) {
    auto first = asking.ask();
    const Answer asked = co_await first;
    if (!asked.isUnanswered || !asking.answers) co_return asked;
    auto waiting = asking.answers();
    const bool answered = co_await waiting;
    if (!answered || !stands(asking.stillWanted)) co_return asked;
    auto again = asking.ask();
    const Answer last = co_await again;
    co_return last;
}

Answer askWhenAnswering(const std::function<Answer()>& ask, const std::function<bool()>& untilAnswering,
                        const std::function<bool()>& stillWanted) {
    const Answer first = ask();
    if (!first.isUnanswered || !untilAnswering || !untilAnswering() || !stands(stillWanted)) return first;
    return ask();
}

Task<Answer> answeredAlready(Answer answer) { co_return answer; }

Answer bringOutOfDock(const platform::AccessibilityElement& window, std::optional<platform::Point> moveTo) {
    if (moveTo) {
        const Answer moved = timedRequest(window, [&window, &moveTo] {
            return window.setAttributeValue(ax::attribute::position, platform::AccessibilityValue(*moveTo));
        });
        if (moved.isUnanswered) return moved;
    }
    return timedRequest(window, [&window] { return window.setAttributeValue(ax::attribute::minimized, false); });
}

}  // namespace furlpane
