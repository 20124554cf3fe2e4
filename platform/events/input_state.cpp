#include "platform/events/input_state.h"

#include "platform/desktop/desktop.h"
#include "platform/events/simulated_input.h"

namespace platform {

Point InputState::mouseLocation() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return {};
    auto guard = world->lock();
    return SimulatedInput::of(*world).mouseLocation();
}

EventFlags InputState::currentModifierFlags() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return 0;
    auto guard = world->lock();
    return SimulatedInput::of(*world).modifierFlags();
}

uint32_t InputState::pressedMouseButtons() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return 0;
    auto guard = world->lock();
    return SimulatedInput::of(*world).pressedMouseButtons();
}

double InputState::doubleClickInterval() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return SimulatedInput::kDefaultDoubleClickInterval;
    auto guard = world->lock();
    return SimulatedInput::of(*world).doubleClickInterval();
}

bool isSecureEventInputEnabled() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return false;
    auto guard = world->lock();
    return SimulatedInput::of(*world).isSecureInputEnabled();
}

}  // namespace platform
