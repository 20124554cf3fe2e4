#pragma once

// ModifierDoubleTap: the count of a modifier double tap (Command or Control pressed and
// released twice in quick succession, nothing else in between), fed by the event tap's
// modifier changes. A plain value, changed in place by the tap on the main thread.

#include <cstdint>

#include "platform/events/event_record.h"

namespace furlpane {

struct ModifierDoubleTap {
    // The longest gap allowed between two counted steps, in seconds; set once when the
    // tap is made.
    double interval = 0;
    // The modifier being counted (Command or Control alone), empty while idle.
    platform::EventFlags modifier = 0;
    // 1 after the first press, 2 after its release, 3 after the second press.
    int steps = 0;
    // The system uptime at the last counted step.
    double lastStep = 0;
    // The modifiers held at the previous modifier change.
    platform::EventFlags previousHeld = 0;

    // Back to idle; the held modifiers and the interval stay known.
    void reset() {
        modifier = 0;
        steps = 0;
        lastStep = 0;
    }
};

}  // namespace furlpane
