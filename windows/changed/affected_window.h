#pragma once

// AffectedWindow: the object that stands for one window of another application (or of
// the program itself) while the system has changed it: rolled up into a title strip,
// minimized in place into a thumbnail, floated on top, or on its way to or from the Dock.
//
// A title strip and a thumbnail are, underneath, the real window minimized into the Dock
// by this object, with a stand-in panel where the window stood; a transition played over
// the screen hides the Dock's own animation. A floated window keeps its place, and a
// live copy of it (a stand-in showing a continuous capture) floats above every other
// window until the user works in the window itself ("engaged").
//
// Its state is the pair (state, change) with the kind of stand-in:
// - normal: no style, change none, no stand-in;
// - styled: a style, and while the real window sits in the Dock change minimized with a
//   title strip or thumbnail installed;
// - floating: isFloating with a live copy (or none while engaged), change none;
// - left in the Dock: no style, change minimized, no stand-in: its application would not
//   take it out when it was to come back. It still counts as changed (listed, in the
//   ledger), and leaving it for the normal state tries the way out again.
// A window minimized in place never floats.
//
// The road of a change into a style, as the engine drives it: changeState (announces the
// coming style to other processes) → capturePicture → presentStandIn →
// runStandInTransition (→ showStandInPanel), after which the engine sets the style, then
// setFloating. A change that leaves a style ends in changeState (which brings the real
// window back out of the Dock with the reverse transition, applyState) and setFloating.
//
// Where the work lies: affected_window.cpp (making, the will-change notification),
// affected_window_change.cpp (changing the state, floating on and off, observing,
// tearing down), affected_window_capture.cpp (the settled frame and the pictures),
// affected_window_stand_in.cpp (building, presenting and installing the stand-in),
// affected_window_return.cpp (the way back out of the Dock), affected_window_geometry.cpp
// (where the window comes back, panel levels, the stand-in's shape), and
// affected_window_transition_choice.cpp (which effect plays), affected_window_entries.cpp
// (the engine's entries for a group and the pictures of the way back),
// affected_window_restore.cpp (the put-back at quit and the live copy's picture),
// affected_window_floating.cpp (the live copy and the engaged window),
// affected_window_notifications.cpp (what the window reports through accessibility),
// affected_window_thumbnail.cpp (thumbnails moved, dragged and hovered) and
// affected_window_requests.cpp (waiting for the application and asking the engine).
//
// Lifetime: made only by create and held shared by the engine, which drops it once the
// window is back to normal, gone, or the program ends. Everything that outlives a call
// (tasks, timers, observers, transition closures) holds it weakly and re-checks, after
// every wait, the stand-in kind, isEngaged, the panel's identity and the engine's
// isEnding, giving up silently when one changed. The engine is held weakly too: a
// request to an engine that has gone does nothing, and a gone engine counts as ending.
//
// Main thread only. Off it run the capture work (on the capture queue, awaited for at
// most a second) and the accessibility writes that bring a window back (on the
// accessibility queue, their closures hopping back to the main thread).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/accessibility/names.h"
#include "platform/geometry/geometry.h"
#include "platform/graphics/image.h"
#include "platform/notifications/notification_center.h"
#include "platform/runtime/task.h"
#include "settings/model/animation_choices.h"
#include "settings/model/preferences.h"
#include "settings/model/speed.h"
#include "transitions/driver/transition_makings.h"
#include "transitions/effect_catalogue.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/accessibility_observer.h"
#include "windows/access/own_windows.h"
#include "windows/access/target_window.h"
#include "windows/access/window_server.h"
#include "windows/changed/float_badge.h"
#include "windows/changed/float_badge_panel.h"
#include "windows/changed/focus_watcher.h"
#include "windows/changed/hover_title_panel.h"
#include "windows/changed/live_capture.h"
#include "windows/changed/stand_in_panel.h"
#include "windows/changed/stand_in_responder.h"
#include "windows/changed/thumbnail_arrangement.h"
#include "windows/changed/thumbnail_layout.h"
#include "windows/changed/window_effects_services.h"
#include "windows/framing/window_framing.h"
#include "windows/changed/window_ledger.h"
#include "windows/changed/window_state.h"

namespace furlpane {

class UserChoiceWatch;
class StandInTransition;
class TransitionRenderer;

class AffectedWindow final : public StandInSubject, public std::enable_shared_from_this<AffectedWindow> {
public:
    // ---- Nested types

    using StandIn = furlpane::StandIn;
    using Change = WindowChange;

    // The animation dealt from a random-order playlist to a transition, so that it can be
    // given back when the transition does not play. Equal when the kind and the
    // animation are.
    struct Dealt {
        std::variant<ThumbnailAnimation, TitleStripAnimation> animation;

        static Dealt intoThumbnail(ThumbnailAnimation a) { return Dealt{a}; }
        static Dealt intoTitleStrip(TitleStripAnimation a) { return Dealt{a}; }
        // The stand-in it was dealt for: thumbnail or titleStrip.
        StandIn kind() const {
            return std::holds_alternative<ThumbnailAnimation>(animation) ? StandIn::thumbnail : StandIn::titleStrip;
        }
        friend bool operator==(const Dealt&, const Dealt&) = default;
    };

    // A stand-in that travels with the window to or from the Dock: its panel and the
    // transition that plays meanwhile.
    struct DockTrip {
        StandIn kind = StandIn::none;
        std::shared_ptr<StandInPanel> panel;
        std::shared_ptr<StandInTransition> transition;
        std::optional<Dealt> dealt;
    };

    // What a stand-in is built from, captured before the change: the window's frame
    // (top-left), its picture, and a transition's prepared pictures and surveyed display
    // when there are any.
    struct DockPictures {
        platform::Rect frame;
        platform::Image picture;
        std::optional<TransitionMakings> makings;
        std::optional<TransitionDisplay> display;
    };

    // What is kept while the window is away in the Dock without a stand-in shown yet, to
    // bring its state and stand-in in when it comes back. The engine may fill in the
    // pictures and the trip.
    struct Departure {
        WindowState state;
        StandIn kind = StandIn::none;
        std::optional<DockPictures> pictures;
        std::optional<DockTrip> trip;
    };

    // The pictures of a window going into a stand-in: its plain capture, and a
    // transition's prepared pictures when they could be made.
    struct MinimizePictures {
        std::optional<platform::Image> window;
        std::optional<TransitionMakings> makings;
    };

    // The display the window stood on when its picture was last taken, with that
    // display's top-left corner (top-left coordinates).
    struct DockedFrom {
        uint32_t display = 0;
        platform::Point origin;
        friend bool operator==(const DockedFrom&, const DockedFrom&) = default;
    };

    // The pictures of the way back out of the Dock.
    struct WayBack {
        TransitionMakings makings;
        TransitionDisplay display;
    };

    // The effect a change plays, and the animation dealt for it from a playlist (none
    // when nothing was drawn).
    struct TransitionChoice {
        TransitionEffect effect = TransitionEffect::cut;
        std::optional<Dealt> dealt;
    };

    // Whether the way back replays the window's last random pick or draws a new one.
    enum class PreviousPick { drawAgain, reuse };
    // What becomes of a Dock trip's panel: it stays as the window's stand-in, or goes.
    enum class TripPanel { discard, keep };
    // A thumbnail at rest, or magnified under the pointer.
    enum class ThumbnailHover { resting, hovered };
    // Whether a window that still has the focus stays engaged instead of returning to
    // its live copy.
    enum class WhenFocused { returnToLiveCopy, stayEngaged };
    // Whether the live capture starts again after the real window moved.
    enum class CaptureRestart { no, yes };
    // A stand-in hidden with its application, or shown again.
    enum class Visibility { shown, hidden };

    // ---- Constants

    // The distributed notification that announces a coming change of style.
    static constexpr const char* kWillChangeNotification = "com.brindlewick.FurlpaneNovan.window-state-will-change";
    // The accessibility notifications observed on the window, registered in this order.
    static constexpr std::array<const char*, 6> kObservedNotifications{
        platform::ax::notification::elementDestroyed,   platform::ax::notification::windowMiniaturized,
        platform::ax::notification::windowDeminiaturized, platform::ax::notification::windowResized,
        platform::ax::notification::sheetCreated,        platform::ax::notification::titleChanged};
    // How long a capture off the main thread is waited for.
    static constexpr double kCaptureLimit = WindowServer::kCaptureLimit;
    // The settled frame: how long the window server's bounds are awaited, how often
    // they are read, and within what each side counts as agreeing with accessibility.
    static constexpr double kSettleDeadline = 0.25;
    static constexpr double kSettlePoll = 0.002;
    static constexpr double kSettleTolerance = 1.0;
    // How long the Dock's part of a transition made here may take at normal speed.
    static constexpr double kDockTimeLimit = 1.5;
    // The side of the application-icon picture a thumbnail shows without a capture.
    static constexpr int kIconPictureSide = 256;
    // A thumbnail placed at a point stands this far up and left of it.
    static constexpr double kPlacementOffset = 10;

    // ---- Making (affected_window.cpp)

    // The changed window of the target, owned by the engine (held weakly), with the
    // shared Preferences and WindowLedger.
    static std::shared_ptr<AffectedWindow> create(TargetWindow target, std::weak_ptr<WindowEffectsServices> effects);
    ~AffectedWindow() override;
    AffectedWindow(const AffectedWindow&) = delete;
    AffectedWindow& operator=(const AffectedWindow&) = delete;

    // ---- Fields, in their order

    const TargetWindow& target() const override { return target_; }
    const WindowState& state() const { return state_; }
    // The engine sets the style once the stand-in is up.
    void setState(WindowState state) { state_ = state; }
    Change change() const { return change_; }
    // The engine clears the change when it lets the window go.
    void setChange(Change change) { change_ = change; }
    StandIn standIn() const override { return standIn_; }
    bool isEngaged() const { return isEngaged_; }
    // The engine; none once it has gone.
    std::shared_ptr<WindowEffectsServices> effects() const { return effects_.lock(); }
    Preferences& preferences() const { return *preferences_; }
    WindowLedger& ledger() const { return *ledger_; }
    const std::shared_ptr<StandInPanel>& panel() const { return panel_; }
    const std::shared_ptr<StandInTransition>& transition() const { return transition_; }
    const std::optional<Dealt>& wentWith() const { return wentWith_; }
    const std::shared_ptr<LiveCapture>& capture() const { return capture_; }
    const std::shared_ptr<FocusWatcher>& focus() const { return focus_; }
    bool isMoveWaiting() const { return isMoveWaiting_; }
    const std::vector<platform::NotificationCenter::Token>& showingChanges() const { return showingChanges_; }
    // Whether the accessibility observer on the window is in place.
    bool isObserving() const { return watcher_ != nullptr; }
    const std::shared_ptr<HoverTitlePanel>& hoverTitle() const { return hoverTitle_; }
    const FloatBadge& badge() const { return badge_; }
    const std::shared_ptr<FloatBadgePanel>& badgePanel() const { return badgePanel_; }
    const std::optional<platform::Image>& image() const { return image_; }
    const std::optional<WindowFraming>& framing() const { return framing_; }
    const StandInLook& look() const { return look_; }
    // The window's frame (top-left) as last settled.
    const platform::Rect& windowFrame() const { return windowFrame_; }
    const std::optional<DockedFrom>& dockedFrom() const { return dockedFrom_; }
    const std::optional<ThumbnailLayout>& thumbnail() const { return thumbnail_; }
    const std::optional<ThumbnailArrangement::Place>& place() const { return place_; }
    // The engine clears the place when the screens change.
    void setPlace(std::optional<ThumbnailArrangement::Place> place) { place_ = place; }
    bool isIconThumbnail() const { return isIconThumbnail_; }
    bool isHovered() const { return isHovered_; }
    bool isGrowingOrShrinking() const { return isGrowingOrShrinking_; }
    // The change belongs to an action on several windows of the application at once.
    bool isOneOfMany() const { return isOneOfMany_; }
    void setIsOneOfMany(bool oneOfMany) { isOneOfMany_ = oneOfMany; }
    // How fast the change's transitions play (Shift held: slow motion).
    Speed speed() const { return speed_; }
    void setSpeed(Speed speed) { speed_ = speed; }
    const std::optional<Departure>& departure() const { return departure_; }
    void setDeparture(std::optional<Departure> departure) { departure_ = std::move(departure); }
    // The stand-in panels' delegate: what this window does with their reports (the
    // restore requests, the window buttons and the context menu are its work).
    const std::shared_ptr<StandInResponder>& responder() const { return responder_; }
    std::shared_ptr<AffectedWindow> changedWindow() override { return shared_from_this(); }

    // ---- Changing the state (affected_window_change.cpp)

    // Leaves the old style for the new one: announces the change to other processes and,
    // when the real window sits in the Dock, brings it back (applyState). The new style
    // itself is set by the caller once its stand-in is up. False, doing nothing, when the
    // styles are equal, but for a window left in the Dock, which tries its way out again
    // (false when that is refused once more).
    platform::Task<bool> changeState(WindowState state, Raising raising);
    bool isLeftInDock() const { return !state_.style && change_ == Change::minimized && standIn_ == StandIn::none; }
    // No style, not floating, and not left in the Dock: nothing left to put back.
    bool isNormal() const { return state_ == WindowState{} && !isLeftInDock(); }
    // Sets whether the window floats (never while it is minimized in place) and makes its
    // companions match; the resulting state.
    platform::Task<WindowState> setFloating(WindowState state, Raising raising);
    platform::Task<void> switchFloating(Raising raising);
    void startObserving();
    void stopObserving();
    // Ends a live copy and everything that serves it; nothing for other stand-ins.
    void tearDownCompanions();
    // Takes the stand-in away: its transition, dealt animation, hover title, panel,
    // layout and place. A thumbnail's going lets the others be arranged again.
    void dismissStandIn();

    // ---- The way back out of the Dock (affected_window_return.cpp)

    // Brings the real window back out of the Dock, with the reverse transition when one
    // can be made, and returns once its application has answered. False when the
    // application would not take the window out: it stays in the Dock (change
    // minimized), its stand-in gone and its ledger entry kept.
    platform::Task<bool> applyState(Raising raising);
    // On the accessibility queue: moves the window (when a point is given) and takes it
    // out of the Dock (bringOutOfDock) and, when asked and it came out, raises it.
    // `answered` runs on the main thread with what the application answered.
    static void bringWindowBack(std::optional<platform::Point> moveTo, platform::AccessibilityElement element,
                                Raising raise, int32_t processIdentifier, std::function<void(Answer)> answered);
    // Once the application has settled after its window's trip out of the Dock, raises
    // the window again, unless the watch saw the user choose another application meanwhile.
    static void bringForwardWhenSettled(std::weak_ptr<WindowEffectsServices> engine, int32_t processIdentifier,
                                        platform::AccessibilityElement element,
                                        std::shared_ptr<const UserChoiceWatch> watch);
    // Forgets the window's ledger entry while it is still this recording; nothing
    // without one.
    std::function<void()> forgetIfStillRecorded(std::optional<int64_t> recording) const;

    // ---- Pictures (affected_window_capture.cpp)

    // The window's settled frame and its pictures for a stand-in of the kind, leaving
    // the given windows out of backdrops; none when there is nothing to show.
    platform::Task<std::optional<DockPictures>> capturePicture(StandIn kind, std::vector<uint32_t> leftOut);
    // The window's frame once the window server agrees with accessibility (at most
    // kSettleDeadline later).
    platform::Task<std::optional<platform::Rect>> settledFrame();
    // The body of capturePicture's capture, off the main thread (the capture queue): the
    // window's plain picture and, with a renderer and a backdrop rectangle, the makings
    // of its transition (the framed picture, what lies behind it, the other screens).
    static MinimizePictures captureMinimizePictures(uint32_t window, WindowServer::CaptureResolution resolution,
                                                    std::shared_ptr<TransitionRenderer> renderer,
                                                    std::optional<platform::Rect> backdrop,
                                                    std::set<uint32_t> leftOut,
                                                    std::vector<platform::Rect> elsewhere);
    // The owner application's icon at kIconPictureSide pixels square.
    std::optional<platform::Image> applicationIconPicture() const;
    // Measures the float badge again and hands it to the panels that show it.
    void updateFloatBadge();

    // ---- The stand-in (affected_window_stand_in.cpp)

    // Builds and frames the stand-in panel of the kind and prepares its transition; none
    // for none and liveCopy, and for a window on a Space that no display shows.
    // `placement` is where a thumbnail that has no place in the arrangement goes (none:
    // at the window's own origin); `pending` holds the rectangles of the thumbnails
    // placed earlier in the same group.
    std::optional<DockTrip> presentStandIn(StandIn kind, const DockPictures& pictures,
                                           std::optional<platform::Point> placement,
                                           std::vector<platform::Rect> pending);
    // Sends the real window into the Dock and installs the stand-in; true when it did.
    bool runStandInTransition(const DockTrip& trip);
    // The same, waiting once for an application that does not answer and asking again.
    platform::Task<bool> runStandInTransitionWhenAnswering(DockTrip trip);
    // Adopts (keep) or discards the trip's panel; answers whether it was kept.
    bool showStandInPanel(const DockTrip& trip, TripPanel keep);
    std::shared_ptr<StandInPanel> makeStandInPanel();
    ThumbnailLayout layOutThumbnail(ThumbnailHover hover) const;
    // Where a thumbnail of that size goes without a place (top-left).
    platform::Point thumbnailOrigin(platform::Size size, std::optional<platform::Point> placement) const;
    // The body of the task that waits for one window's trip into or out of the Dock and
    // then releases its application.
    static platform::Task<void> dockWaitTask(std::weak_ptr<WindowEffectsServices> effects, uint32_t window,
                                             DockTripDirection direction, Speed speed, int32_t processIdentifier);

    // ---- Geometry and the choice of transition (affected_window_geometry.cpp,
    //      affected_window_transition_choice.cpp)

    // Where the real window lands when it comes back (top-left), on a screen that exists.
    platform::Rect homeFrame() const;
    void updatePanelLevel();
    // How the stand-in looks to a transition; none for none and liveCopy.
    std::optional<StandInShape> standInShape(const StandInPanel& panel, StandIn kind) const;
    TransitionChoice chooseTransition(StandIn kind, PreviousPick previous);
    // Gives the animation back to its playlist unless its transition has started; what
    // remains of it.
    std::optional<Dealt> giveBackDealt(const std::shared_ptr<StandInTransition>& transition,
                                       std::optional<Dealt> dealt);
    // Starts a transition that hands nothing over and concludes when it is over.
    static void playWithoutHandOff(const std::shared_ptr<StandInTransition>& transition);

    // ---- The engine's entries and Dock trips (affected_window_entries.cpp)

    platform::Task<bool> switchWithoutStandIn(WindowState state, Speed speed);
    platform::Task<WindowState> switchWithStandIn(std::optional<platform::Point> placement);
    platform::Task<WindowState> returnFromDock(TripPanel keep);
    platform::Task<std::optional<WayBack>> captureDockPictures();

    // ---- Restore and the picture refresh (affected_window_restore.cpp)

    // Puts the window back at once (quitting); true when its "AXMinimized" = false was
    // accepted. When the application did not answer, untilAnswering (if given) waits for
    // it, blocking, and tells whether it answers now; it is then asked once more
    // (askWhenAnswering).
    bool restore(const std::function<bool()>& untilAnswering = {});
    platform::Task<bool> refreshPicture();
    bool showOrRelayoutStandIn(std::optional<platform::Image> image);
    void startLiveCapture();
    platform::Task<void> refreshBadgeWhenSettled();
    // refreshBadgeWhenSettled in a main-thread task through the engine.
    void refreshBadgeTask();
    void removeWorkspaceObservers();

    // ---- Floating (affected_window_floating.cpp, affected_window_notifications.cpp)

    void engage() override;
    platform::Task<void> returnToLiveCopy(WhenFocused whenFocused);
    platform::Task<std::optional<platform::Rect>> waitForSettledBounds();
    void watchWorkspace();
    bool isWindowFocused() const;
    void makeBadgePanel();
    void receiveLiveFrame(const LiveCapture::Frame& frame);
    platform::Task<void> handleAccessibilityNotification(std::string name);
    void remeasureBadgeSoon();

    // ---- Thumbnails and the stand-in's reports (affected_window_thumbnail.cpp)

    void moveThumbnail(std::optional<ThumbnailArrangement::Place> place);
    // A title strip that no screen shows any more (its screen gone) comes inside the
    // usable frame for it, at its own height; one that a screen shows stays where it is.
    void keepTitleStripOnScreen();
    void applyThumbnailLayout(const platform::Rect& frame, const ThumbnailLayout& layout);
    void setStandInHidden(Visibility visibility);
    void endDrag(StandInPanel& panel) override;
    void moveWindowToPanel(StandInPanel& panel, CaptureRestart restart);
    void hoverChanged(bool hovered) override;
    void finishGrowOrShrink(std::shared_ptr<StandInPanel> panel, ThumbnailHover hover, platform::Rect frame,
                            ThumbnailLayout layout);
    std::string windowTitleNow() const;

private:
    struct Key {};

public:
    AffectedWindow(const Key&, TargetWindow target, std::weak_ptr<WindowEffectsServices> effects,
                   std::shared_ptr<Preferences> preferences, std::shared_ptr<WindowLedger> ledger);

private:
    // Whether the window is one of the program's own (reached through AppKit).
    bool isOwnWindow() const;
    // The engine is gone or has begun putting every window back.
    bool engineIsEnding() const;
    void postWillChange(std::optional<WindowState::Style> from, std::optional<WindowState::Style> to) const;
    // Brings the real window and its application to the front.
    void bringRealWindowForward() const;
    // Where the window belongs, as its stand-in says, whether a screen shows it there or not.
    platform::Rect belongingFrame() const;
    // Asks, at once, for the window at its home and out of the Dock (bringOutOfDock).
    Answer takeOutOfDock() const;
    // Where the window is moved as it comes out of the Dock towards `home` (homeFrame):
    // there, kept on a screen that exists, when that is not where it left from. Worked
    // out for every ask, so that a screen that went while the application was waited for
    // is seen.
    std::optional<platform::Point> moveOutOfDock(const platform::Rect& home) const;
    // Another application's window to the front: its application frontmost, the window
    // raised and made main; nothing more once the application does not answer. Any
    // thread (the accessibility queue brings windows back).
    static void raiseOtherWindow(int32_t processIdentifier, const platform::AccessibilityElement& window);
    // The owner application's icon, as the workspace (or AppKit, for the program) has it.
    std::optional<platform::Image> ownerIcon() const;
    // The picture in sRGB, as a transition takes the stand-in's look.
    static std::optional<platform::Image> inSRGB(const platform::Image& picture);
    // The stand-in panel's picture, look and frame.
    void frameTitleStrip(StandInPanel& panel, const DockPictures& pictures);
    void frameThumbnail(StandInPanel& panel, const DockPictures& pictures, std::optional<platform::Point> placement,
                        const std::vector<platform::Rect>& pending);
    // Counts a trip of the real window into or out of the Dock with the engine, in a
    // task that ends it once the trip is over.
    void countDockTrip(DockTripDirection direction);
    // Sends the real window into the Dock and counts its trip; what the application
    // answered.
    Answer sendIntoDock();
    // The trip of a stand-in panel with the transition into it, when one can be made.
    std::optional<DockTrip> transitionTrip(StandIn kind, const std::shared_ptr<StandInPanel>& panel,
                                           const DockPictures& pictures);
    // The transition out of the stand-in for a window coming back to `home`.
    std::shared_ptr<StandInTransition> returnTransition(const WayBack& wayBack, const platform::Rect& home);
    // The captures of capturePicture, taken off the main thread within kCaptureLimit;
    // none without Screen Recording or when the time ran out.
    platform::Task<std::optional<MinimizePictures>> takePictures(StandIn kind, std::optional<TransitionDisplay> display,
                                                                 std::vector<uint32_t> leftOut);
    // Another application's window out of the Dock, on the accessibility queue; what the
    // application answered comes back in the WayOut.
    struct WayOut;
    // Returns once the application has answered the way out.
    static platform::Task<void> untilAnswered(std::shared_ptr<WayOut> wayOut);
    // Asks the application for the way out once (askWhenAnswering may ask twice); what
    // it answered.
    platform::Task<Answer> askWayOut(std::shared_ptr<WayOut> wayOut);
    // The way out towards `home`, not yet asked.
    std::shared_ptr<WayOut> wayOutOfDock(const platform::Rect& home, Raising raising,
                                         const std::shared_ptr<StandInTransition>& transition,
                                         std::optional<int64_t> recording);
    // The engine's wait for the application to answer again; none without the engine.
    std::function<platform::Task<bool>()> applicationAnswers() const;
    // The program's own window out of the Dock, through AppKit.
    void bringOwnWindowBack(std::optional<platform::Point> moveTo, Raising raising,
                            const std::shared_ptr<StandInTransition>& transition, std::optional<int64_t> recording);
    // The Dock trip's transition hands over to the trip's panel, and when it is over
    // the panel takes its level (each holding what it needs weakly).
    std::function<void()> dockTripHandOff(std::weak_ptr<StandInPanel> panel,
                                          std::weak_ptr<StandInTransition> transition);
    std::function<void()> dockTripCompletion(std::weak_ptr<StandInPanel> panel, bool wasOneOfMany);
    // Off the main thread: the makings of the way back.
    static std::optional<TransitionMakings> makeDockMakings(std::shared_ptr<TransitionRenderer> renderer,
                                                            platform::Image window,
                                                            std::optional<WindowFraming> framing, int width,
                                                            int height, platform::Rect backdrop,
                                                            std::set<uint32_t> leftOut,
                                                            std::vector<platform::Rect> elsewhere);
    // Off the main thread: a prepared picture with what lay behind the backdrop rectangle
    // and the pictures of the other screens, the given windows left out; none when the
    // backdrop cannot be pictured.
    static std::optional<TransitionMakings> makingsAround(TransitionPicture picture, const platform::Rect& backdrop,
                                                          const std::set<uint32_t>& leftOut,
                                                          const std::vector<platform::Rect>& elsewhere);

    // Puts the stand-in panel at its level once no transition runs any more.
    void settleLevelWhenIdle();

    // ---- Waiting and asking the engine
    // Returns once the owner application has settled (at once without an engine).
    platform::Task<void> untilSettled();
    // Waits for the owner application to settle, holding the window only weakly
    // meanwhile, then runs `then` on it when it still exists.
    static platform::Task<void> whenSettled(std::weak_ptr<AffectedWindow> weak,
                                            std::function<void(AffectedWindow&)> then);
    // A request about this window, started through the engine's launcher.
    using EngineRequest = std::function<platform::Task<void>(WindowEffectsServices&, std::shared_ptr<AffectedWindow>)>;
    void askEngine(EngineRequest request);
    void askEngineToForget();
    // Puts the window back without bringing it forward, at normal speed.
    void askEngineToRestore();
    // One of this window's own tasks, started through the engine's launcher and holding
    // the window weakly until it starts.
    void runThroughEngine(std::function<platform::Task<void>(AffectedWindow&)> work);
    static platform::Task<void> runIfAlive(std::weak_ptr<AffectedWindow> weak,
                                           std::function<platform::Task<void>(AffectedWindow&)> work);

    // ---- Floating's helpers
    // Engaged with the same live copy, and the engine not ending.
    bool isStillEngagedWith(const std::shared_ptr<StandInPanel>& panel) const;
    // Whether the window server still knows the window: its private bounds, else the
    // window list (a list that fails cannot tell, and counts as knowing it).
    bool windowStillExists() const;
    // Whether the window sits in the Dock; none when that cannot be read.
    std::optional<bool> isMinimizedNow() const;
    bool ownerIsHidden() const;
    // A focus watcher whose leave report brings the live copy back.
    void watchFocus();
    void putBadgeAway();

    // ---- Thumbnails' helpers
    // Takes the hover title off its parent and orders it out (it is kept).
    void hideHoverTitle();
    // Shows the hover title beside the panel (at `frame` when the thumbnail is about to
    // take it), or hides it.
    void showHoverTitle(ThumbnailHover hover, std::optional<platform::Rect> frame);
    // Animates the thumbnail's picture from its current size to the layout's at `frame`.
    void growOrShrink(ThumbnailHover hover, const platform::Rect& frame, const ThumbnailLayout& layout);

    const TargetWindow target_;
    WindowState state_;
    Change change_ = Change::none;
    // Whether the window has been asked out of the Dock and that has not yet been
    // answered: its change no longer says so, yet it may still be there.
    bool isLeavingDock_ = false;
    StandIn standIn_ = StandIn::none;
    bool isEngaged_ = false;
    const std::weak_ptr<WindowEffectsServices> effects_;
    // The shared settings and ledger, kept alive while this window lives even when the
    // program puts others in their place.
    const std::shared_ptr<Preferences> preferences_;
    const std::shared_ptr<WindowLedger> ledger_;
    std::shared_ptr<StandInPanel> panel_;
    std::shared_ptr<StandInTransition> transition_;
    std::optional<Dealt> wentWith_;
    std::shared_ptr<LiveCapture> capture_;
    std::shared_ptr<FocusWatcher> focus_;
    bool isMoveWaiting_ = false;
    std::vector<platform::NotificationCenter::Token> showingChanges_;
    AccessibilityObserver::Pointer watcher_;
    std::shared_ptr<HoverTitlePanel> hoverTitle_;
    FloatBadge badge_;
    std::shared_ptr<FloatBadgePanel> badgePanel_;
    std::optional<platform::TaskHandle> badgeRemeasure_;
    std::optional<platform::Image> image_;
    std::optional<WindowFraming> framing_;
    StandInLook look_ = StandInLook::whole();
    platform::Rect windowFrame_;
    std::optional<DockedFrom> dockedFrom_;
    std::optional<ThumbnailLayout> thumbnail_;
    std::optional<ThumbnailArrangement::Place> place_;
    bool isIconThumbnail_ = false;
    bool isHovered_ = false;
    bool isGrowingOrShrinking_ = false;
    bool isOneOfMany_ = false;
    Speed speed_ = Speed::normal;
    std::optional<Departure> departure_;
    std::shared_ptr<StandInResponder> responder_;
};

}  // namespace furlpane
