#pragma once

// Small types shared by the records of the simulated desktop.

#include <cstdint>

#include "platform/process/activation_policy.h"

namespace platform::desktop {

// The world's processes have the system's activation policies.
using platform::ActivationPolicy;

// Applications appear in the workspace and have an accessibility tree; background
// processes (the window server) own windows and nothing else.
enum class ProcessKind { application, background };

// The buttons of a window's title bar.
enum class TitleBarButton { close, minimize, zoom, fullScreen };

enum class DockEdge { bottom, left, right };

enum class SpaceKind { user, fullScreen };

// What happened in the world. Listeners (the accessibility observers, the workspace,
// the program's own windows) turn these into what their side of the system reports.
enum class WorldEventKind {
    applicationLaunched,
    applicationTerminated,
    applicationHidden,
    applicationUnhidden,
    applicationActivated,
    applicationDeactivated,
    windowCreated,
    windowClosed,
    windowMoved,
    windowResized,
    windowMinimized,
    windowDeminimized,
    windowTitleChanged,
    windowOrderChanged,
    windowSpaceChanged,
    windowFullScreenChanged,
    windowOrderedIn,
    windowOrderedOut,
    sheetCreated,
    focusedWindowChanged,
    mainWindowChanged,
    controlPressed,
    screensChanged,
    activeSpaceChanged,
    dockChanged,
    urlOpened,
    displayOptionsChanged,
};

struct WorldEvent {
    WorldEventKind kind{};
    int32_t pid = 0;          // the application concerned, 0 for none
    uint32_t window = 0;      // the window concerned, 0 for none
    uint64_t control = 0;     // the control concerned, 0 for none
    double time = 0;          // on the loop's clock
};

const char* describe(WorldEventKind kind);

}  // namespace platform::desktop
