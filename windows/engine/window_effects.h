#pragma once

// WindowEffects: the window actions engine, the one object that changes other
// applications' windows. Every request reaches it: the triggers, clicks and menus on
// stand-ins, the status menu, and its own observers of applications, Spaces, screens and
// settings. It owns the changed windows (AffectedWindow), runs every request on one
// serial chain, waits until the request's application is settled, announces each change
// with a sound and a distributed notification, follows the changed windows' applications
// as they hide, quit, relaunch and change Spaces, places and arranges thumbnails, and puts
// every window back on request, when it is switched off and at quit.
//
// The serial chain (onMainActor). Each job is a main-thread task that first waits for
// the job queued before it, so jobs never overlap and keep their order, whatever they
// wait on. A job whose turn comes once the engine is gone or ending is dropped. Triggers
// never call the entries directly: the entries suspend (settling, captures, transitions),
// and the event tap's callbacks run in between.
//
// Ending. isEnding is set once, at quit, by restoreAll; from then on no queued job starts,
// and every loop over windows stops at its next look at the flag.
//
// Where the work lies: window_effects.cpp (making, the list of changed windows, the
// serial chain), actions.cpp (one window, every window, the keyboard's path),
// busy_applications.cpp, announcements.cpp and effect_sounds.cpp (sounds, the
// state-changed notification, the list's upkeep, letting windows go), every_window.cpp,
// restoring.cpp, windows_of_application.cpp, dock_group.cpp, several_windows.cpp,
// departing_together.cpp, start_up.cpp, application_events.cpp, reopening.cpp,
// thumbnail_placement.cpp and ledger_retries.cpp (the ledger's passes and their
// retries); the ledger's recovery and the windows left collapsed have their own classes
// (ledger_recovery.h, left_collapsed.h).
//
// Main thread only. Tasks that outlive a call hold the engine weakly and do nothing of
// the engine's part once it is gone.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/geometry/geometry.h"
#include "platform/notifications/notification_center.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/observation.h"
#include "platform/runtime/task.h"
#include "settings/model/preferences.h"
#include "settings/model/speed.h"
#include "settings/model/triggers.h"
#include "windows/access/screens.h"
#include "windows/access/target_window.h"
#include "windows/changed/affected_window.h"
#include "windows/changed/thumbnail_arrangement.h"
#include "windows/changed/window_effects_services.h"
#include "windows/changed/window_state.h"
#include "windows/engine/busy_applications.h"
#include "windows/engine/effect_sounds.h"
#include "windows/engine/ledger_recovery.h"
#include "windows/engine/left_collapsed.h"

namespace furlpane {

class WindowEffects final : public WindowEffectsServices, public std::enable_shared_from_this<WindowEffects> {
public:
    // ---- Nested types

    using Before = WindowEffectsServices::Before;
    using WindowList = std::vector<std::shared_ptr<AffectedWindow>>;
    // A job of the serial chain: given the engine, the task to await.
    using Job = std::function<platform::Task<void>(WindowEffects&)>;
    // A job that does not wait on anything.
    using Step = std::function<void(WindowEffects&)>;
    // The keyboard's path: the window to act on once the application has settled, and
    // what to do with it.
    using Resolver = std::function<std::optional<TargetWindow>(int32_t)>;
    using Continuation = std::function<platform::Task<void>(TargetWindow)>;

    // Where the user last left a window's thumbnail (top-left), and the display it lay
    // on with that display's top-left corner at the time; no display when it lay on none.
    struct RememberedSpot {
        struct LeftOn {
            uint32_t display = 0;
            platform::Point origin;
            friend bool operator==(const LeftOn&, const LeftOn&) = default;
        };
        platform::Point origin;
        std::optional<LeftOn> leftOn;
        friend bool operator==(const RememberedSpot&, const RememberedSpot&) = default;
    };

    // The search for an application's windows left collapsed: what is still to be found,
    // and until when (the loop's clock).
    struct Reopening {
        std::string bundleIdentifier;
        std::vector<LeftCollapsed> windows;
        double deadline = 0;
        bool isLooking = false;
    };

    // One window of a group change and the state it is to reach.
    struct GroupEntry {
        std::shared_ptr<AffectedWindow> window;
        WindowState goal;
    };

    // What orders windows front to back: the window's number, and its stand-in panel's
    // when the panel is visible (it takes the place of a window that is not on screen).
    struct OrderKey {
        uint32_t window = 0;
        std::optional<uint32_t> panel;
        friend bool operator==(const OrderKey&, const OrderKey&) = default;
    };

    // The thumbnails on screen on the active Space, and those whose transition is still
    // bringing them there, as the arrangement sees them.
    struct VisibleThumbnails {
        WindowList arranged;
        WindowList placedByHand;
    };

    // The screens' frames and their usable frames (over an auto-hidden Dock), top-left,
    // one of each per screen in the same order.
    struct ScreenFrames {
        std::vector<platform::Rect> frames;
        std::vector<platform::Rect> usable;
    };

    // Everything the window-state-changed notification says.
    struct StateChange {
        uint32_t window = 0;
        int32_t processIdentifier = 0;
        std::optional<WindowState::Style> oldStyle;
        std::optional<WindowState::Style> newStyle;
        WindowChange wasInDock = WindowChange::none;
        WindowChange isInDock = WindowChange::none;
        bool soundIsDue = false;
        bool soundWasPlayed = false;
    };

    // An action on the window fired on, or on every window of its application.
    enum class Scope { oneWindow, everyWindow };
    // Whether the caller wants the change's sound (a batch wants it once).
    enum class SoundWish { notWanted, wanted };
    // Whether the application's other windows are kept as known targets first.
    enum class RefreshTargets { no, yes };
    // A change of one window alone, or of one window among several of its application.
    enum class Grouping { single, oneOfMany };

    // ---- Constants

    static constexpr const char* kStateChangedNotification = "com.brindlewick.FurlpaneNovan.window-state-changed";
    // The windows each running instance of the program holds (its list of changed
    // windows), kept in the user's defaults as one list of window numbers per instance
    // under its owner key, as the ledger keeps its lists: another instance leaves them
    // alone, so that no window is ever in two instances' lists.
    static constexpr const char* kHeldWindowsKey = "HeldWindows";
    // The search for windows left collapsed: after a launch, after an unhide, activation
    // or Space change, and the pause between tries.
    static constexpr double kReopeningSearch = 10.0;
    static constexpr double kReopeningProlongation = 2.0;
    static constexpr double kReopeningPause = 0.25;
    // Trying again what the ledger's recovery kept: how many passes in a row an
    // application that stays busy gets, how long each waits for it to answer, and how
    // often the grant of Accessibility is looked at.
    static constexpr int kLedgerRetries = 3;
    static constexpr double kLedgerRetryWait = 10.0;
    static constexpr double kGrantPoll = 1.0;

    // ---- Making (window_effects.cpp)

    // An engine over the preferences (which must outlive it), not started.
    static std::shared_ptr<WindowEffects> create(Preferences& preferences);
    // The program's engine, made on first use over the shared Preferences.
    static WindowEffects& shared();
    // Puts another engine in place of the shared one (tests and tools); null drops it.
    static void setShared(std::shared_ptr<WindowEffects> effects);
    ~WindowEffects() override;
    WindowEffects(const WindowEffects&) = delete;
    WindowEffects& operator=(const WindowEffects&) = delete;

    // ---- Fields, in their order

    // The changed windows, in the order they were changed. Reading registers observation
    // access; a write of the same windows in the same order notifies nobody.
    const WindowList& windows() const { return windows_.get(); }
    void setWindows(WindowList windows);
    // The windows of the change under way.
    const WindowList& changing() const { return changing_; }
    const std::map<uint32_t, RememberedSpot>& thumbnailOrigins() const { return thumbnailOrigins_; }
    const std::set<uint32_t>& thumbnailsPlacedByHand() const { return thumbnailsPlacedByHand_; }
    bool isArrangementPending() const { return isArrangementPending_; }
    const std::map<int32_t, Reopening>& reopening() const { return reopening_; }
    const std::vector<platform::NotificationCenter::Token>& observations() const { return observations_; }
    bool isEnding() const override { return isEnding_; }
    Preferences& preferences() const { return preferences_; }
    // Beside the engine's own fields: the busy-applications tables.
    BusyApplications& busy() { return busy_; }
    const BusyApplications& busy() const { return busy_; }

    // ---- The serial chain and the changed windows (window_effects.cpp)

    void onMainActor(Request request) override;
    void onMainActor(Job job);
    // onMainActor for work without waits (it needs no task of its own).
    void queueStep(Step step);
    // The changed window of the window number; none when it is not changed.
    std::shared_ptr<AffectedWindow> findAffected(uint32_t window) const;
    // Whether the window is changed or among the windows being changed.
    bool holdsWindow(uint32_t window) const;

    // ---- Actions (actions.cpp)

    platform::Task<void> act(WindowAction action, TargetWindow target, std::optional<platform::Point> thumbnailOrigin,
                             Raising raisesWindow, Speed speed) override;
    // The action on every window of the target's application.
    platform::Task<void> perform(WindowAction action, TargetWindow target,
                                 std::optional<platform::Point> thumbnailOrigin, Speed speed);
    platform::Task<void> performFromTrigger(WindowAction action, TargetWindow target,
                                            std::optional<platform::Point> thumbnailOrigin, Speed speed) override;
    // A trigger's action on the window found: on it alone or on every window of its
    // application; a keyboard's has no thumbnail origin and plays at normal speed.
    static platform::Task<void> respond(TargetWindow target, std::weak_ptr<WindowEffects> effects, Scope scope,
                                        WindowAction action, std::optional<platform::Point> thumbnailOrigin = {},
                                        Speed speed = Speed::normal);
    // Waits until the application has settled, then runs the continuation on the window
    // the resolver finds then; nothing when the engine is gone or ending, or none is found.
    static platform::Task<void> performForApplication(int32_t pid, std::weak_ptr<WindowEffects> effects,
                                                      Resolver resolver, Continuation continuation);
    // The application's focused window (a sheet's parent for a sheet) as a target.
    static std::optional<TargetWindow> resolveTarget(int32_t pid);

    // ---- Busy applications (actions.cpp delegates to busy_applications.cpp)

    platform::Task<void> settled(int32_t pid) override;
    bool isBusy(int32_t pid) const override;
    void markBusy(int32_t pid) override;
    platform::Task<void> releaseAfterDockTrip(uint32_t window, DockTripDirection direction, Speed speed,
                                              int32_t pid) override;
    void refreshKnownTargets(int32_t pid, std::set<uint32_t> leftOut) override;
    void forgetKnownTargets(int32_t pid) override;
    platform::Task<bool> answers(int32_t pid) override;
    std::optional<TargetWindow> knownTarget(uint32_t window, int32_t pid) const;
    // Counts a trip of the window that has just begun and starts the task that ends it.
    void beginDockTrip(uint32_t window, int32_t pid, DockTripDirection direction, Speed speed);

    // ---- Announcements (announcements.cpp)

    // Plays the change's sound (when wanted, chosen and sounds are on) and posts the
    // state-changed notification when the style changed; whether a sound was due.
    bool announce(const std::shared_ptr<AffectedWindow>& window, Before before, SoundWish wish);
    // Lists a window that has a style or floats, and unlists one that has neither.
    void refreshList(const std::shared_ptr<AffectedWindow>& window);
    void stateDidChange(std::shared_ptr<AffectedWindow> window, Before before) override;
    platform::Task<void> forget(std::shared_ptr<AffectedWindow> window) override;
    platform::Task<void> forgetAndAnnounce(std::shared_ptr<AffectedWindow> window) override;
    static void postStateChanged(const StateChange& change);
    EffectSounds& sounds() { return sounds_; }

    // ---- Changing every window of an application (every_window.cpp)

    // The action on every window of the target's application, once it has settled and
    // no transition runs: the windows the clicked window's state calls for change, one
    // by one or through the application's Minimize All; one sound, at most one beep.
    platform::Task<void> changeWindow(WindowAction action, TargetWindow target,
                                      std::optional<platform::Point> thumbnailOrigin, Speed speed);

    // ---- Restoring (restoring.cpp)

    platform::Task<void> restoreWindow(std::shared_ptr<AffectedWindow> window, Raising activates, Speed speed,
                                       std::function<void()> completion);
    // restoreWindow, as changed windows ask for it.
    platform::Task<void> changeState(std::shared_ptr<AffectedWindow> window, Raising activates, Speed speed,
                                     std::function<void()> then) override;
    // Restores the windows back to front, `last` after all others (and alone brought
    // forward), with at most one sound when withSound is wanted.
    platform::Task<void> restoreWindows(WindowList list, std::shared_ptr<AffectedWindow> last, SoundWish withSound,
                                        Speed speed);
    // Restores every changed window as one batch; a window whose return fails stays listed.
    platform::Task<void> restoreEverything(SoundWish withSound, Speed speed);
    platform::Task<void> restoreApplicationWindows(std::shared_ptr<AffectedWindow> window, Speed speed);
    // restoreApplicationWindows, as changed windows ask for it.
    platform::Task<void> restoreWindows(std::shared_ptr<AffectedWindow> window, Speed speed) override;
    platform::Task<void> restoreOnActiveSpace(std::shared_ptr<AffectedWindow> window, Speed speed) override;
    // At quit: sets isEnding and puts every window back before it returns, blocking; the
    // list of changed windows is empty afterwards.
    void restoreAll();
    // Prepares the window for the Dock; false when the program had it there already (it
    // is let go instead).
    platform::Task<bool> releaseForDock(TargetWindow target);
    platform::Task<void> minimizeOneToDock(TargetWindow target, RefreshTargets refreshTargets, Speed speed);

    // ---- Windows of an application (windows_of_application.cpp)

    // The application's windows front to back, the window fired on among them.
    std::vector<TargetWindow> windowsOfApplication(const TargetWindow& like);
    // Whether the window fired on is another's to change: it has gone into the Dock by
    // other hands since it was pointed at (another instance's trip, the application
    // itself), so that it no longer stands where the user pointed, or another instance
    // holds it. Nothing is done to it.
    bool belongsElsewhere(const TargetWindow& target) const;
    // Whether another running instance holds the window, and this one does not.
    bool isHeldElsewhere(uint32_t window) const;
    // The windows other running instances hold.
    std::set<uint32_t> windowsHeldElsewhere() const;
    // Takes down a list of held windows under this process's identifier: at start-up it
    // can only be an earlier process's, which ended without taking it down.
    void forgetEarlierHeldWindows();
    // The permutation that puts the keys front to back by the on-screen order; keys
    // nowhere on screen keep their order, after all others.
    static std::vector<size_t> frontToBackOrder(const std::vector<OrderKey>& keys,
                                                const std::vector<uint32_t>& onScreen);
    static OrderKey orderKey(const AffectedWindow& window);
    // The windows ordered back to front (the front-most last).
    static WindowList backToFront(WindowList windows);
    static std::optional<std::string> notifiedBundleIdentifier(const platform::Notification& notification);
    static std::optional<int32_t> notifiedProcessIdentifier(const platform::Notification& notification);

    // ---- Every window into the Dock (dock_group.cpp)

    // Sends the windows into the Dock: through the application's Minimize All when it
    // would take exactly the windows meant, else one trip after another.
    platform::Task<void> minimizeApplicationToDock(std::vector<TargetWindow> windows, TargetWindow like, Speed speed);
    // Sends one window into the Dock and counts its trip; a failure only drops the
    // application's kept windows (unless another trip is under way). What the
    // application answered.
    Answer minimizeToDock(const TargetWindow& window, Speed speed);
    // minimizeToDock, asked once more when the application did not answer (another
    // instance of the program has sent one of its windows on a trip) and answers again
    // within the bound that ends a trip.
    platform::Task<void> minimizeToDockWhenAnswering(TargetWindow window, Speed speed);
    // Presses the item, and once more on a freshly found item when that fails.
    bool pressMenuItem(const platform::AccessibilityElement& item, int32_t pid);

    // ---- Several windows, and departing windows together (several_windows.cpp,
    //      departing_together.cpp)

    // Changes the group's windows, sending those that depart into the Dock together
    // when Minimize All would take exactly them; whether every window reached its goal.
    platform::Task<bool> changeSeveral(std::vector<GroupEntry> group, TargetWindow like,
                                       platform::AccessibilityElement minimizeAll,
                                       std::optional<platform::Point> thumbnailOrigin, Speed speed);
    // Shows every departing window's stand-in, then presses Minimize All once; false,
    // with nothing left shown, when a window cannot be prepared or the press is refused.
    platform::Task<bool> minimizeAllWithStandIns(WindowList departing, TargetWindow like,
                                                 platform::AccessibilityElement minimizeAll,
                                                 std::optional<platform::Point> thumbnailOrigin, Speed speed);

    // ---- Start-up and settings observation (start_up.cpp)

    // Observes applications, Spaces, screens and the settings; a second call does nothing.
    void start();

    // ---- Application and Space events (application_events.cpp)

    void applicationDidHide(const platform::Notification& notification);
    void applicationDidUnhide(const platform::Notification& notification);
    void applicationDidTerminate(const platform::Notification& notification);
    void applicationDidLaunch(const platform::Notification& notification);
    void applicationDidActivate(const platform::Notification& notification);
    void activeSpaceDidChange(const platform::Notification& notification);
    void screenParametersDidChange(const platform::Notification& notification);
    void keepStandInsOnScreen();
    void setStandInsHidden(std::optional<int32_t> pid, AffectedWindow::Visibility visibility);
    void applicationTerminated(std::optional<int32_t> pid);

    // ---- What earlier runs left changed (ledger_retries.cpp)

    // One pass of the ledger's recovery. What it keeps because its application is busy
    // is tried again once the application has settled and answers, and what it keeps
    // because Accessibility is not granted once it is, each by one more pass without
    // waits on the serial chain.
    void recoverLedger(LedgerRecovery::Waiting waiting);

    // ---- Reopening windows left collapsed (reopening.cpp)

    void applicationLaunched(int32_t pid, std::string bundleIdentifier);
    // The search of the application (of every application searched, without one) goes on
    // for at least `seconds` from now.
    void keepLooking(std::optional<int32_t> pid, double seconds);
    platform::Task<void> lookForLeftCollapsed(int32_t pid);

    // ---- Thumbnail placement and arrangement (thumbnail_placement.cpp)

    std::optional<ThumbnailArrangement::Place> placeForNewThumbnail(const platform::Rect& frame,
                                                                    const std::vector<platform::Rect>& pending) override;
    std::optional<platform::Point> rememberedThumbnailOrigin(uint32_t window) const override;
    void scheduleArrangement(std::shared_ptr<AffectedWindow> after) override;
    void thumbnailWasMoved(std::shared_ptr<AffectedWindow> window, platform::Point topLeft) override;
    void screenParametersChanged();
    // Queues one arrangement unless one is pending.
    void requestArrangement();
    platform::Task<void> arrangementTask();
    void retryArrangement();
    void rearrangeThumbnails();
    VisibleThumbnails visibleThumbnails() const;
    static ScreenFrames screensWithUsableFrames();
    static std::map<uint32_t, RememberedSpot> carrySpots(const std::map<uint32_t, RememberedSpot>& spots,
                                                         const std::vector<ScreenDisplay>& screens);
    // Where a thumbnail stands now (top-left), at its unmagnified size. (The cell side
    // of the arrangement is ThumbnailLayout::side of the thumbnail scale.)
    static platform::Rect thumbnailRect(const AffectedWindow& window);

private:
    struct Key {};
    // One job of the serial chain, for the next one to wait on.
    struct ChainLink {
        bool isDone = false;
        platform::ContinuationList waiters;
    };

public:
    WindowEffects(const Key&, Preferences& preferences);

private:
    // ---- Shared steps of the changes (actions.cpp, restoring.cpp)

    // Brings one window toward its goal: changes its style, shows its stand-in with the
    // transition when the goal has one, and sets its floating.
    platform::Task<void> applyGoal(std::shared_ptr<AffectedWindow> window, WindowState goal,
                                   std::optional<platform::Point> thumbnailOrigin, Raising raisesWindow,
                                   Speed speed, Grouping grouping);
    // Runs the continuation on the window the resolver finds now; nothing when the engine
    // is ending or none is found.
    platform::Task<void> performOnResolved(int32_t pid, Resolver resolver, Continuation continuation);
    // Brings one window back to normal: its style, then its floating.
    platform::Task<void> returnToNormal(std::shared_ptr<AffectedWindow> window, Raising activates, Speed speed,
                                        Grouping grouping);
    // Raises the stand-in panels (title strips and thumbnails without a running
    // transition) to the overlay level, so that they stay above other windows while
    // their windows come back one by one.
    static void raiseReturningStandIns(const WindowList& windows);
    // Puts each window's stand-in panel back at its resting level.
    static void restPanelLevels(const WindowList& windows);
    void hideApplication(const TargetWindow& target);
    // Lets the window go without putting it back: its companions, stand-in and observer
    // go, the ledger forgets it, and it becomes a normal window.
    static void letGo(AffectedWindow& window);
    // Writes this instance's list of held windows when it changed.
    void publishHeldWindows(const WindowList& windows);

    // ---- Every window of an application (every_window.cpp, several_windows.cpp,
    //      departing_together.cpp)

    // The application's windows that the action changes, front to back, each with its
    // goal; `isUndoing` when the window fired on is in the action's state already.
    std::vector<GroupEntry> gatherGroup(WindowAction action, const TargetWindow& like, bool isUndoing);
    // Changes the group's windows one after another; whether every one reached its goal.
    platform::Task<bool> changeOneByOne(std::vector<GroupEntry> group, uint32_t clicked,
                                        std::optional<platform::Point> thumbnailOrigin, Speed speed);
    // What a group's changes add up to: whether every window reached its goal, and
    // whether one of them has already called for the group's sound.
    struct GroupTally {
        bool allReached = true;
        bool soundReported = false;
    };
    // Tallies one window of a group and announces it, wanting a sound only until one was due.
    void concludeInGroup(const std::shared_ptr<AffectedWindow>& window, const WindowState& goal, Before before,
                         GroupTally& tally);
    // After the departing windows went into the Dock together: their stand-ins rest at
    // their levels, and each window still on screen is let go; false when one was.
    platform::Task<bool> letGoWindowsLeftOut(WindowList departing, int32_t pid);
    // Takes back the stand-ins shown for a joint trip that does not happen.
    static void takeBackTrips(const WindowList& departing);

    // ---- Start-up (start_up.cpp)

    void observeEnabled();
    void observeStayPut();
    void observeThumbnailLayout();
    void observeThumbnailLook();
    void applyStayPut();
    platform::Task<void> applyThumbnailLook();

    // ---- What earlier runs left changed (ledger_retries.cpp)

    // A pass that counts as a retry of the applications it keeps busy.
    void runLedgerPass(LedgerRecovery::Waiting waiting);
    void retryLedgerWhenSettled(int32_t pid);
    static platform::Task<void> ledgerRetry(std::weak_ptr<WindowEffects> weak, int32_t pid);
    void retryLedgerWhenTrusted();

    // ---- Reopening (reopening.cpp)

    // One try of the application's search; whether to try again after a pause.
    bool tryReopening(int32_t pid);

    platform::ObservationRegistrar registrar_;
    platform::Observed<WindowList> windows_;
    WindowList changing_;
    std::set<uint32_t> heldPublished_;
    std::map<uint32_t, RememberedSpot> thumbnailOrigins_;
    std::set<uint32_t> thumbnailsPlacedByHand_;
    bool isArrangementPending_ = false;
    std::map<int32_t, Reopening> reopening_;
    std::vector<platform::NotificationCenter::Token> observations_;
    std::shared_ptr<ChainLink> lastChange_;
    bool isEnding_ = false;
    Preferences& preferences_;
    BusyApplications busy_;
    EffectSounds sounds_;
    // The ledger's retries in a row of each application kept busy, the applications
    // watched for one, and the look at the grant of Accessibility.
    std::map<int32_t, int> ledgerRetries_;
    std::set<int32_t> ledgerRetriesArmed_;
    std::shared_ptr<platform::Timer> grantPoll_;
};

}  // namespace furlpane
