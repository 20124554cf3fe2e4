#include "platform/windowserver/private_window_server.h"

#include "platform/desktop/desktop.h"

namespace platform {

namespace {
constexpr int32_t kMainConnection = 0x5603;

int32_t code(WindowServerError e) { return static_cast<int32_t>(e); }
}  // namespace

int32_t windowServerMainConnection() { return kMainConnection; }

int32_t windowServerWindowBounds(int32_t connection, uint32_t window, Rect* bounds) {
    if (!bounds) return code(WindowServerError::illegalArgument);
    if (connection != kMainConnection) return code(WindowServerError::invalidConnection);
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return code(WindowServerError::failure);
    auto guard = world->lock();
    const desktop::Window* w = world->window(window);
    if (!w) return code(WindowServerError::illegalArgument);
    if (auto fault = world->faults().take({desktop::FaultCall::windowBounds, "", w->pid(), window, 0})) {
        if (const auto* given = std::any_cast<Rect>(&fault->payload)) {
            *bounds = *given;
            return code(WindowServerError::success);
        }
        return fault->effect == desktop::FaultEffect::error && fault->code != 0 ? fault->code
                                                                                : code(WindowServerError::failure);
    }
    *bounds = w->privateBounds();
    return code(WindowServerError::success);
}

}  // namespace platform
