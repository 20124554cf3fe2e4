#include "platform/windowserver/screen_capture_access.h"

#include "platform/desktop/desktop.h"

namespace platform {

bool ScreenCaptureAccess::preflight() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return false;
    auto guard = world->lock();
    return world->permissions().canRecordScreen();
}

bool ScreenCaptureAccess::request() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return false;
    auto guard = world->lock();
    return world->permissions().requestScreenRecording();
}

}  // namespace platform
