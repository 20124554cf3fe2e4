#pragma once

// What changed windows and their stand-ins ask of the window actions engine.
//
// The engine (WindowEffects) owns every changed window and carries out actions on other
// applications' windows, serialised per application. The stand-ins' handlers reach it
// only through this interface, so that they can be built and tested before the engine
// exists, and so that the engine's inner working stays its own. Every request is started
// through onMainActor: it runs after the current event has been handled, on the main
// thread, and not at all once the engine is gone.
//
// Failures are absorbed by the engine: nothing here reports one. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/geometry/geometry.h"
#include "platform/runtime/task.h"
#include "settings/model/speed.h"
#include "settings/model/triggers.h"
#include "windows/access/target_window.h"

namespace furlpane {

class AffectedWindow;

// Whether a window that returns to normal comes forward. A change the user asked for
// brings it forward; one the program makes on its own (a sheet appeared, the window went
// full screen) leaves it where it stands in the stacking order.
enum class Raising { inPlace, bringForward };

class WindowEffectsServices {
public:
    // A request run on the engine; it answers the task to await. Write it as a plain
    // lambda that returns the engine call's task (not as a coroutine lambda, which must
    // capture nothing).
    using Request = std::function<platform::Task<void>(WindowEffectsServices&)>;

    virtual ~WindowEffectsServices() = default;

    // True once the engine has begun putting every window back at the end of the run;
    // then no change, capture, live copy or move is started.
    virtual bool isEnding() const = 0;

    // Runs the request in a task on the main thread that holds the engine weakly; nothing
    // runs when the engine is gone by then.
    virtual void onMainActor(Request request) = 0;

    // Returns once the application of the process has no change under way (at once when
    // none is).
    virtual platform::Task<void> settled(int32_t processIdentifier) = 0;

    // The action on one window. A window already changed takes the state the action gives
    // from its current one; hideApplication hides its application. `thumbnailOrigin` is
    // where a new thumbnail goes when nothing else places it; `raisesWindow` says whether
    // the window comes forward when it returns to normal. `speed` is the transition's.
    virtual platform::Task<void> act(WindowAction action, TargetWindow target,
                                     std::optional<platform::Point> thumbnailOrigin, Raising raisesWindow,
                                     Speed speed) = 0;

    // The action on every window of the target's application.
    virtual platform::Task<void> performFromTrigger(WindowAction action, TargetWindow target,
                                                    std::optional<platform::Point> thumbnailOrigin, Speed speed) = 0;

    // Puts a changed window back to normal (no style, not floating); `interactive` is
    // bringForward for a restore the user asked for. `then` runs afterwards, also when the
    // window was already normal.
    virtual platform::Task<void> changeState(std::shared_ptr<AffectedWindow> window, Raising interactive, Speed speed,
                                             std::function<void()> then) = 0;

    // Restores, as one batch, every changed window of the window's application.
    virtual platform::Task<void> restoreWindows(std::shared_ptr<AffectedWindow> window, Speed speed) = 0;

    // Restores, as one batch, the thumbnails of the window's application, leaving out
    // those shown on another Space.
    virtual platform::Task<void> restoreOnActiveSpace(std::shared_ptr<AffectedWindow> window, Speed speed) = 0;
};

}  // namespace furlpane
