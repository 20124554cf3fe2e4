#pragma once

// Asking an application that another instance of the program may keep busy.
//
// While one of its windows travels into or out of the Dock an application answers no
// accessibility request. This instance waits for the trips it starts itself before it
// asks; a trip that another instance started it cannot see coming, so its request goes
// unanswered. Every request that may meet such an application goes the one way of
// askWhenAnswering: asked once; when the application left it unanswered, the application
// is given the time to answer that ends a trip (the caller's wait); when it answered and
// the request still stands, it is asked once more, and that answer is the request's.
// Otherwise the first answer stands.
//
// The wait is the caller's, in one of two forms of the same road: blocking, where the
// thread may wait (the put-back at quit, the recovery of the ledger), or awaited on the
// main loop, where the program goes on meanwhile.
//
// bringOutOfDock is the request every road back to a screen makes, with the origin that
// AffectedWindow::homeFrame or frameOnConnectedScreen chose.

#include <functional>
#include <optional>

#include "platform/accessibility/element.h"
#include "platform/geometry/geometry.h"
#include "platform/runtime/task.h"
#include "windows/access/accessibility_elements.h"

namespace furlpane {

// The awaited form's request, wait and condition. Main thread.
struct AskingAgain {
    // The request; its answer may come later (a request sent through the accessibility
    // queue comes back by posting).
    std::function<platform::Task<Answer>()> ask{};
    // Waits until the application answers again, within the bound that ends a trip;
    // whether it answered. None: nothing is waited for and the first answer stands.
    std::function<platform::Task<bool>()> answers{};
    // Whether the request still stands once the application answers (the program may
    // have begun to end, or the window have gone elsewhere meanwhile); none: it does.
    std::function<bool()> stillWanted{};
};

platform::Task<Answer> askWhenAnswering(AskingAgain asking);

// The blocking form; `untilAnswering` blocks until the application answers again within
// the bound and tells whether it did (none: nothing is waited for).
Answer askWhenAnswering(const std::function<Answer()>& ask, const std::function<bool()>& untilAnswering,
                        const std::function<bool()>& stillWanted = {});

// An answer given where it was asked, as the awaited form takes it.
platform::Task<Answer> answeredAlready(Answer answer);

// Another application's window out of the Dock, moved to `moveTo` first when given. A
// move that the application leaves unanswered leaves the window in the Dock, answered as
// unanswered: taken out unmoved it would come back where it left, which may be where no
// screen shows it any more. A move refused outright takes the window out where it is.
// Any thread (the accessibility queue brings windows back).
Answer bringOutOfDock(const platform::AccessibilityElement& window, std::optional<platform::Point> moveTo);

}  // namespace furlpane
