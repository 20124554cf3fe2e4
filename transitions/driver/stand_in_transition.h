#pragma once

// One running transition between a window of another application (or of the program)
// and its stand-in, played while the real window travels into or out of the Dock.
//
// Life of a transition:
// 1. create: the overlay and frozen panels go on screen at once, showing the first frame
//    over what lay behind the window, so that the stand-in panel or the window may go
//    underneath without a flash. From here the transition counts as running.
// 2. start: the frames begin (a display link of the display, in the common modes and
//    "dockmsg-mode", with a fallback timer beside it), and so does the watch on the
//    Dock's part (the window's trip, at most `dockLimit` seconds).
// 3. beginEnding: the caller hands over what to do at the end. The transition concludes
//    once it is ending, its frames are done and its Dock part is done, whichever of the
//    three comes last; a transition nobody ends concludes by itself a while after the
//    other two (see transition_choices.h).
// 4. conclude (once only): the hand-off (the stand-in panel takes over above the
//    overlay), finish, then the completion.
// finish ends the transition at once, from any state: the display link and the timers
// stop, the panels go, the transition leaves `running`, and when it was the last one the
// idle waiters run, each once. Calling it again does nothing.
//
// Faults end in a transition that draws less, never in one that stays: a frame that
// cannot be drawn leaves the previous one on screen; a display that goes away leaves the
// frames to the fallback timer; a panel closed from outside is simply not seen; the
// Dock's part always ends at its limit.
//
// Main thread only. The renderer is the shared one (TransitionRenderer::shared).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/appkit/display_link.h"
#include "platform/appkit/window.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/task.h"
#include "settings/model/speed.h"
#include "transitions/driver/transition_frames.h"
#include "transitions/driver/transition_makings.h"
#include "transitions/driver/transition_panels.h"
#include "windows/access/own_windows.h"

namespace furlpane {

class StandInTransition : public std::enable_shared_from_this<StandInTransition> {
public:
    using Effect = TransitionEffect;
    using Display = TransitionDisplay;
    using Frozen = FrozenPicture;
    using Makings = TransitionMakings;
    using Direction = TransitionDirection;

    // Whether a finished transition came to its end or was cut short.
    enum class Completion { completed, cutShort };

    struct Setup {
        platform::Rect frame{};  // the window's frame, top-left
        uint32_t windowNumber = 0;
        Direction direction = Direction::minimizing;
        Effect effect = Effect::cut;
        Makings makings;
        std::optional<Display> display{};
        StandInShape standIn;
        // The stand-in's own look, in sRGB: minimizing, the effect turns into it as it
        // arrives.
        std::optional<platform::Image> standInPicture{};
        double titleBarHeight = 0;
        // How long the Dock's part may take at normal speed (the slowdown stretches it).
        double dockTimeLimit = kDockTripLimit;
        // Restoring: a panel at the overlay level the overlay stays directly above.
        std::shared_ptr<platform::Window> stayAbove{};
        // Minimizing: one of a group of windows, sent front to back; its effect goes
        // behind the effects of the group's earlier windows.
        bool isOneOfMany = false;
        Speed speed = Speed::normal;
    };

    // None without the shared renderer, for a window frame that is empty or not finite,
    // without a display or an overlay area, or when a texture or panel cannot be made.
    static std::shared_ptr<StandInTransition> create(Setup setup);
    ~StandInTransition();
    StandInTransition(const StandInTransition&) = delete;
    StandInTransition& operator=(const StandInTransition&) = delete;

    void start();
    void beginEnding(std::function<void()> handOff, std::function<void()> completion);
    void conclude();
    void finish(Completion completion);
    // Takes a fresh picture of the returning window (on the capture queue, within a
    // second) and fades it into the frames.
    void refreshPicture(uint32_t windowNumber);

    // ---- What the changed windows and the engine read and write
    bool isOver() const { return isOver_; }
    void setIsOver(bool over) { isOver_ = over; }
    bool isEnding() const { return isEnding_; }
    void setIsEnding(bool ending) { isEnding_ = ending; }
    const std::function<void()>& handOff() const { return handOff_; }
    void setHandOff(std::function<void()> handOff) { handOff_ = std::move(handOff); }
    const std::function<void()>& completion() const { return completion_; }
    void setCompletion(std::function<void()> completion) { completion_ = std::move(completion); }
    bool framesAreDone() const { return framesAreDone_; }
    bool dockIsDone() const { return dockIsDone_; }
    // The loop time at which start was called; none before.
    std::optional<double> startTime() const { return startTime_; }
    const std::shared_ptr<platform::Panel>& overlay() const { return panels_.overlay(); }

    // ---- What it plays
    uint32_t windowNumber() const { return windowNumber_; }
    Effect effect() const { return effect_; }
    Direction direction() const { return direction_; }
    // The overlay's area, top-left.
    const platform::Rect& area() const { return area_; }
    double slowdown() const { return slowdown_; }
    double dockLimit() const { return dockLimit_; }
    double frameDuration() const { return frameDuration_; }
    // The scene as last drawn; none once finished.
    const TransitionScene* scene() const { return frames_ ? &frames_->scene() : nullptr; }
    int framesRendered() const { return frames_ ? frames_->renderedCount() : rendered_; }
    const TransitionPanels& panels() const { return panels_; }

    // ---- Every transition
    // On a later loop turn, once no transition runs, makes the shared renderer (its shader
    // library, pipelines and noise) and, for the main display's overlay, the main pass's
    // attachments and a pair of frame targets, so that the first transition the user sees
    // waits for none of it. Run at start-up, after the first screens are known, and again
    // after the displays changed (renderer_warm_up.h), preparing for the main display as
    // it is then; a cancelled run prepares nothing.
    static platform::Task<void> warmUpRenderer();
    // The size in pixels of the frames of a transition on the main display (the one with
    // the menu bar); none without screens.
    static std::optional<std::pair<int, int>> mainOverlayPixels();
    // The level of transition overlays: just below the main menu.
    static int32_t overlayLevel();
    // The transitions in progress, from creation to finish, oldest first.
    static const std::vector<std::shared_ptr<StandInTransition>>& running();
    // Closures run once each when the last running transition finishes. A caller that
    // finds nothing running runs its closure itself instead.
    static const std::vector<std::function<void()>>& idleWaiters();
    static void addIdleWaiter(std::function<void()> waiter);
    // Returns at once when nothing runs, else once the last running transition finished.
    static platform::Task<void> idle();
    // Returns when the window's trip into (miniaturizing) or out of the Dock is over, at
    // the latest after 1.5 seconds (15 in slow motion).
    static platform::Task<void> dockIsDone(uint32_t window, DockTripDirection direction, Speed speed);

    // The display of a window frame (top-left); none without screens.
    static std::optional<Display> surveyDisplay(const platform::Rect& frame);
    // What a transition's overlay covers (top-left), as transition_choices.h chooses it;
    // none when the stand-in lies outside it.
    static std::optional<platform::Rect> overlayArea(const StandInShape& standIn, const Display& display);
    // The program's transition panels and the windows of running transitions, to be
    // left out of backdrop pictures.
    static std::set<uint32_t> excludedWindowNumbers();
    // Pictures of what the screens show (without the excluded windows), one for each
    // frame that could be pictured. Off the main thread (the capture queue).
    static std::vector<Frozen> backdropPicture(const std::vector<platform::Rect>& screens,
                                               const std::set<uint32_t>& excluded);

private:
    struct Key {
        explicit Key() = default;
    };

public:
    StandInTransition(Key, const Setup& setup, const platform::Rect& area, TransitionFrames frames,
                      TransitionPanels panels);

private:
    static OverlayPlacement placement(const Setup& setup);
    void showFirstFrame(OverlayPlacement placement);
    void tick(double now);
    void fallbackTick();
    void stopFrames();
    void dockPartDone();
    void partDone();
    void armUnendedTimer();
    void addTimer(const std::shared_ptr<platform::Timer>& timer);
    void startDockWatch();
    static std::vector<std::shared_ptr<StandInTransition>>& runningList();
    static void leaveRunning(const StandInTransition* transition);

    uint32_t windowNumber_;
    Direction direction_;
    Effect effect_;
    std::optional<Display> display_;
    double slowdown_;
    double dockLimit_;
    double frameDuration_;
    platform::Rect area_;
    std::optional<TransitionFrames> frames_;
    TransitionPanels panels_;
    std::shared_ptr<platform::DisplayLink> link_;
    std::shared_ptr<platform::Timer> fallback_;
    std::shared_ptr<platform::Timer> unended_;
    platform::TaskHandle dockWatch_;
    double lastFrameTime_ = 0;
    int rendered_ = 0;

    bool isOver_ = false;
    bool isEnding_ = false;
    bool framesAreDone_ = false;
    bool dockIsDone_ = false;
    bool concluded_ = false;
    bool finished_ = false;
    std::optional<double> startTime_;
    std::function<void()> handOff_;
    std::function<void()> completion_;
};

}  // namespace furlpane
