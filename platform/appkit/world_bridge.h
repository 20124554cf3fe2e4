#pragma once

// Where the world and the program's own windows meet: input the world routes to the
// program reaches the application's event dispatch; pictures the window server takes of
// the program's windows are drawn from their layers; the Dock's end-of-trip
// notifications for them carry the window's notification object.

#include <cstdint>
#include <optional>

#include "platform/appkit/app_event.h"
#include "platform/events/event_record.h"

namespace platform {

namespace desktop {
class Desktop;
}

class Application;
class Window;

// The event as the application dispatches it; nothing for events the application does
// not take (tap notices).
std::optional<AppEvent> appEventFrom(const EventRecord& record);

// Called once by the application when it is made in its world.
void connectApplicationToWorld(Application& application, desktop::Desktop& world);
// Called once a window of the program exists in the world.
void connectWindowToWorld(Window& window, uint32_t windowNumber);

}  // namespace platform
