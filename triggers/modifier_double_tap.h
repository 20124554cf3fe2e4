#pragma once

// ModifierDoubleTap: the count of a modifier double tap, Command or Control pressed and
// released twice in quick succession with nothing else held, typed or clicked in
// between. It fires on the second release; each of the three gaps between the four
// steps may be at most `interval` (a gap of exactly that still counts); the first press
// is never too late. Shift or Option at any step, a second modifier, a release with
// nothing counted, secure input, and (by the tap) any click or key reset it. Caps Lock
// and the other flag bits take no part: held only counts Shift, Control, Option and
// Command. A Caps Lock toggle between the taps is a modifier change with nothing held,
// which resets the count like any other.
//
// A plain value, changed in place by the event tap on the main thread.

#include <cstdint>
#include <optional>

#include "platform/events/event_record.h"
#include "settings/model/triggers.h"

namespace furlpane {

struct ModifierDoubleTap {
    // Whether some process has turned on secure event input (a password field has the
    // keyboard).
    enum class SecureInput { off, on };

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

    // One modifier change with the flags after it, at `now` (system uptime): the double
    // tap it completes, if any.
    std::optional<Trigger> step(platform::EventFlags flags, SecureInput secureInput, double now);

    // Back to idle; the held modifiers and the interval stay known.
    void reset() {
        modifier = 0;
        steps = 0;
        lastStep = 0;
    }

private:
    std::optional<Trigger> release(bool expired, double now);
    void press(platform::EventFlags held, platform::EventFlags previous, bool expired, double now);
};

}  // namespace furlpane
