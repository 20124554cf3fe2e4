#pragma once

// What changed windows and their stand-ins ask of the window actions engine.
//
// The engine (WindowEffects) owns every changed window and carries out actions on other
// applications' windows, serialised per application. Changed windows and their stand-ins
// reach it only through this interface, so that they can be built and tested before the
// engine exists, and so that the engine's inner working stays its own. Every request a
// stand-in makes is started through onMainActor: it runs after the current event has
// been handled, on the main thread, and not at all once the engine is gone. A changed
// window calls the synchronous services directly, from the main thread.
//
// Busy applications. While one of its windows travels into or out of the Dock an
// application counts as busy: the one who starts a trip marks it (markBusy) and runs
// releaseAfterDockTrip in a task of its own, which waits for the trip's end and for the
// application to answer again, then ends that one count. settled returns once no count
// is left. Changed windows wait with it before they act on a busy application.
//
// Failures are absorbed by the engine: nothing here reports one. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/runtime/task.h"
#include "settings/model/speed.h"
#include "settings/model/triggers.h"
#include "windows/access/own_windows.h"
#include "windows/access/target_window.h"
#include "windows/changed/thumbnail_arrangement.h"
#include "windows/changed/window_state.h"

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

    // A window's state just before a change, as the announcement of the change needs it.
    struct Before {
        WindowState state;
        WindowChange change = WindowChange::none;
        friend bool operator==(const Before&, const Before&) = default;
    };

    virtual ~WindowEffectsServices() = default;

    // True once the engine has begun putting every window back at the end of the run;
    // then no change, capture, live copy or move is started.
    virtual bool isEnding() const = 0;

    // Runs the request in a task on the main thread that holds the engine weakly; nothing
    // runs when the engine is gone by then.
    virtual void onMainActor(Request request) = 0;

    // ---- Busy applications

    // Returns once the application of the process has no change under way (at once when
    // none is).
    virtual platform::Task<void> settled(int32_t processIdentifier) = 0;
    // Whether the application has a change or Dock trip under way.
    virtual bool isBusy(int32_t processIdentifier) const = 0;
    // Counts one more trip of the application into or out of the Dock.
    virtual void markBusy(int32_t processIdentifier) = 0;
    // Waits until the window's trip is over and its application answers accessibility
    // requests again (a bounded wait), then ends one count of markBusy; those waiting in
    // settled resume once no count is left.
    virtual platform::Task<void> releaseAfterDockTrip(uint32_t window, DockTripDirection direction, Speed speed,
                                                      int32_t processIdentifier) = 0;
    // Reads the application's windows, less those left out, and keeps them as the
    // targets a trigger may still find while the application does not answer.
    virtual void refreshKnownTargets(int32_t processIdentifier, std::set<uint32_t> leftOut) = 0;
    // Drops the application's kept targets.
    virtual void forgetKnownTargets(int32_t processIdentifier) = 0;
    // Returns once the application answers accessibility requests again, within the
    // bound of the wait that ends every trip; whether it answered. Another instance of
    // the program may have sent one of the application's windows on a trip that this one
    // does not count: a change that finds the application not answering waits here, as
    // after a trip of its own, and then tries once more.
    virtual platform::Task<bool> answers(int32_t processIdentifier) = 0;

    // ---- Thumbnails

    // The place in the arrangement for a thumbnail about to be shown for a window of
    // this frame (top-left); `pending` holds the rectangles of the thumbnails placed
    // earlier in the same group and not yet shown. None when thumbnails are not
    // arranged (or no screen exists): the thumbnail then goes to its default spot.
    virtual std::optional<ThumbnailArrangement::Place> placeForNewThumbnail(const platform::Rect& frame,
                                                                            const std::vector<platform::Rect>& pending) = 0;
    // Where the user last left the window's thumbnail (top-left), when anywhere.
    virtual std::optional<platform::Point> rememberedThumbnailOrigin(uint32_t window) const = 0;
    // The window's stand-in went away; the thumbnails are arranged again unless that is
    // pending already.
    virtual void scheduleArrangement(std::shared_ptr<AffectedWindow> after) = 0;
    // The user dropped the window's thumbnail with its top-left corner here: the spot is
    // remembered, and the thumbnails are arranged again around it.
    virtual void thumbnailWasMoved(std::shared_ptr<AffectedWindow> window, platform::Point topLeft) = 0;

    // ---- Changes

    // The window's state changed by itself (its floating ended as the user minimized
    // it): announce it, record or forget it in the ledger, and drop the window when it
    // is back to normal.
    virtual void stateDidChange(std::shared_ptr<AffectedWindow> window, Before before) = 0;
    // Drops the window without putting it back: its window no longer exists.
    virtual platform::Task<void> forget(std::shared_ptr<AffectedWindow> window) = 0;
    // forget, and announce the change: the user brought the window out of the Dock.
    virtual platform::Task<void> forgetAndAnnounce(std::shared_ptr<AffectedWindow> window) = 0;

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
