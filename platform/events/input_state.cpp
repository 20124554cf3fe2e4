#include "platform/events/input_state.h"

#include "platform/desktop/desktop.h"

namespace platform {

Point InputState::mouseLocation() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return {};
    auto guard = world->lock();
    return world->input().mouseLocation();
}

EventFlags InputState::currentModifierFlags() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return 0;
    auto guard = world->lock();
    return world->input().modifierFlags();
}

uint32_t InputState::pressedMouseButtons() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return 0;
    auto guard = world->lock();
    return world->input().pressedMouseButtons();
}

double InputState::doubleClickInterval() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return desktop::Input::kDefaultDoubleClickInterval;
    auto guard = world->lock();
    return world->input().doubleClickInterval();
}

bool isSecureEventInputEnabled() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return false;
    auto guard = world->lock();
    return world->input().isSecureInputEnabled();
}

}  // namespace platform
