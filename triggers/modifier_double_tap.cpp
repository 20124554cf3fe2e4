#include "triggers/modifier_double_tap.h"

namespace furlpane {

namespace flags = platform::event_flags;

std::optional<Trigger> ModifierDoubleTap::step(platform::EventFlags eventFlags, SecureInput secureInput, double now) {
    const platform::EventFlags held = eventFlags & flags::modifierKeys;
    const platform::EventFlags previous = previousHeld;
    previousHeld = held;
    if (secureInput == SecureInput::on || (eventFlags & (flags::shift | flags::option)) != 0) {
        reset();
        return std::nullopt;
    }
    const bool expired = steps >= 1 && now - lastStep > interval;
    if (held == 0) return release(expired, now);
    if (held == flags::command || held == flags::control) {
        press(held, previous, expired, now);
    } else {
        reset();
    }
    return std::nullopt;
}

// Only the release of a counted press counts; the second one fires.
std::optional<Trigger> ModifierDoubleTap::release(bool expired, double now) {
    if (expired || steps % 2 == 0 || modifier == 0) {
        reset();
        return std::nullopt;
    }
    ++steps;
    lastStep = now;
    if (steps < 4) return std::nullopt;
    const Trigger fired = modifier == flags::command ? Trigger::commandDoubleTap : Trigger::controlDoubleTap;
    reset();
    return fired;
}

// A press while another modifier was down never counts; the second press of the same
// modifier in time continues the count; any other clean press starts a new one.
void ModifierDoubleTap::press(platform::EventFlags held, platform::EventFlags previous, bool expired, double now) {
    if (previous != 0) {
        reset();
        return;
    }
    if (!expired && steps % 2 == 0 && held == modifier) {
        ++steps;
    } else {
        modifier = held;
        steps = 1;
    }
    lastStep = now;
}

}  // namespace furlpane
