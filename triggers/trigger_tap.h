#pragma once

// TriggerTap: the one event tap through which the program sees the user's clicks, key
// presses and modifier changes on the whole desktop, and the recognisers of the
// triggers that run inside it.
//
// The tap is installed while the program is switched on (Preferences::isEnabled) and
// Accessibility is granted; without the grant, or when making the tap fails, a poll
// tries again every 2 seconds. It sees left mouse-downs and -ups, right and other
// mouse-downs, key-downs and -ups and modifier changes, never pointer movement, in the
// common modes and in "dockmsg-mode", so that it keeps answering while the program
// waits on a window's trip to or from the Dock.
//
// For every event the callback answers at once whether it is swallowed. It never
// carries out an action: a recognised trigger is queued on the engine's serial chain
// from the callback itself, followed by a job that releases the application's count of
// unfinished triggers (changesWaiting), so that the chain runs the triggers in the
// order their events came and a keyboard trigger for an application with work pending
// waits for it. Only left mouse-downs and -ups, key-downs and key-ups are ever
// swallowed, but while a press is held (below); modifier changes always pass.
//
// A press in the button row of a window whose application does not answer (another
// instance of the program has one of its windows on a trip) cannot be told apart yet: it
// is held, with its moves and its release, until the application answers again, within
// the bound that ends a trip. A press the tap then recognises fires; one it does not, or
// one whose application still does not answer, is given back to the stream after the
// tap, as the user made it, so that the application gets it and nothing of the program
// sees it again. What comes after the press while it is held waits behind it: the tap
// takes it (a second tap, made for the hold alone, takes the pointer's moves, the other
// buttons' releases and the scroll wheel) and gives it back once the press is decided,
// one look at a time: each event the tap sees comes to it again, as new, and what
// follows it waits until it has been looked at, so that a press held anew keeps its own
// moves and release behind it.
//
// The hold's tap sits at the tail, so that it sees what passed the tap above, whoever
// gave it back: another instance's tap, before this one, gives back the moves of a
// press that this one holds again. It lets by what this instance gave back (marked with
// its process identifier as the source's user data) and what instances after it gave
// back, which never passed the tap above. A press given back names the window it was
// made on, so that it reaches that window or none, never one that came under the
// pointer since; nor is it a trigger on such a window.
//
// Where the work lies: trigger_tap.cpp (installing, the settings, routing, dispatch),
// title_bar_triggers.cpp (double-clicks on title bars), minimize_button_trigger.cpp
// (clicks on minimize buttons), held_input.cpp (presses held for an application that
// does not answer), keyboard_triggers.cpp (Command-M and recorded shortcuts, and the
// modifier double taps fed from modifier changes).
//
// Main thread only: the tap's source and the grant poll live on the main loop, and
// every operation runs there.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/events/event_record.h"
#include "platform/events/event_tap.h"
#include "platform/geometry/geometry.h"
#include "platform/runtime/main_loop.h"
#include "settings/model/action_rules.h"
#include "settings/model/preferences.h"
#include "settings/model/speed.h"
#include "triggers/modifier_double_tap.h"
#include "windows/access/target_window.h"
#include "windows/access/window_server.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

class TriggerTap : public std::enable_shared_from_this<TriggerTap> {
public:
    using Scope = WindowEffects::Scope;

    // Left mouse down and up, right mouse down, key down and up, flags changed, other
    // mouse down.
    static constexpr platform::EventMask kEventMask = 0x2001C0E;
    // What the hold's own tap takes while a press is held: the events of the pointer and
    // the buttons that the tap above does not see.
    static constexpr platform::EventMask kHoldMask =
        platform::eventMaskBit(platform::EventType::mouseMoved) |
        platform::eventMaskBit(platform::EventType::leftMouseDragged) |
        platform::eventMaskBit(platform::EventType::rightMouseUp) |
        platform::eventMaskBit(platform::EventType::rightMouseDragged) |
        platform::eventMaskBit(platform::EventType::otherMouseUp) |
        platform::eventMaskBit(platform::EventType::otherMouseDragged) |
        platform::eventMaskBit(platform::EventType::scrollWheel);
    static constexpr double kGrantPollInterval = 2.0;
    // A title bar or a minimize button is looked for only this deep into a window...
    static constexpr double kTitleZoneDepth = 120.0;
    // ... and a minimize button only this far from a side edge.
    static constexpr double kButtonZoneWidth = 160.0;

    // The minimize button whose press last fired, in top-left screen coordinates.
    struct PressedButton {
        uint32_t window = 0;
        platform::Rect frame;
        friend bool operator==(const PressedButton&, const PressedButton&) = default;
    };

    // A key press that is a keyboard trigger: its action, on the focused window or on
    // every window of the application.
    struct KeyTriggerMatch {
        WindowAction action = WindowAction::furlpane;
        Scope scope = Scope::oneWindow;
        friend bool operator==(const KeyTriggerMatch&, const KeyTriggerMatch&) = default;
    };

    // A tap over these settings that dispatches to this engine; not installed.
    static std::shared_ptr<TriggerTap> create(std::shared_ptr<Preferences> preferences,
                                              std::shared_ptr<ActionRules> rules, std::weak_ptr<WindowEffects> engine);
    // The program's tap, made on first use over the shared settings and engine.
    static TriggerTap& shared();
    // Puts another tap in place of the shared one (tests and tools); null drops it.
    static void setShared(std::shared_ptr<TriggerTap> tap);
    ~TriggerTap();
    TriggerTap(const TriggerTap&) = delete;
    TriggerTap& operator=(const TriggerTap&) = delete;

    // ---- Installing

    // Brings the tap in line with the master switch and the Accessibility grant: off
    // stops everything; on installs the tap when it is not there, or polls for the grant.
    void update();
    // Takes the tap down and forgets every pending press.
    void removeTap();
    // removeTap, and the grant poll ends. At quit and on the termination signals.
    void stop();
    // Follows Preferences::isEnabled: each change (either way) is followed by one
    // update() that sees the new value. The shell arms it once at start-up.
    void observePreferences();
    // The two halves of that observation: the tracked read and the change handler.
    void trackPreferences() const;
    std::function<void()> preferencesChanged();

    // ---- Routing

    // The tap's callback: nothing (the event is swallowed) or the event unchanged.
    static std::optional<platform::EventRecord> eventCallback(platform::EventTapProxy proxy, platform::EventType type,
                                                              const platform::EventRecord& event, void* userInfo);
    // Whether the event is swallowed.
    bool handleEvent(platform::EventType type, const platform::EventRecord& event);
    bool mouseDown(const platform::EventRecord& event);
    bool mouseUp(const platform::EventRecord& event);
    bool keyDown(const platform::EventRecord& event);
    // Never swallows: applications see every modifier change.
    void flagsChanged(const platform::EventRecord& event);

    // ---- Recognisers

    // The window whose title bar lies under a top-left point; none when there is none.
    std::optional<TargetWindow> titleBarTarget(platform::Point location, std::optional<int32_t> targetProcess);
    // The window and its minimize button (screen frame) under a point.
    struct ButtonTarget {
        TargetWindow target;
        platform::Rect frame;
    };
    std::optional<ButtonTarget> minimizeButtonTarget(platform::Point location, std::optional<int32_t> targetProcess);
    bool minimizeButtonPress(platform::EventFlags flags, std::optional<int32_t> targetProcess,
                             const std::set<Trigger>& intercepted, platform::Point location);
    // The keyboard trigger a key-down is in the application with this bundle identifier.
    std::optional<KeyTriggerMatch> matchHotkey(const platform::EventRecord& event, int64_t keyCode,
                                               ActionRules::BundleIdentifier bundleIdentifier) const;
    // Whether the key is M for Command-M: it types "m", or it is the key at the M
    // position typing a letter of a script other than Latin.
    static bool isCommandMKey(const platform::EventRecord& event);
    // Whether the application has a window on its way to or from the Dock, or triggers
    // handed to the engine and not yet finished.
    bool isBusy(int32_t processIdentifier) const;

    // ---- Handing triggers to the engine

    // Queues the action on the window (or every window of its application) and, behind
    // it, the release of the application's count.
    void dispatchWindowTrigger(WindowAction action, TargetWindow target, Scope scope, Speed speed,
                               std::optional<platform::Point> point, int32_t processIdentifier);
    // Queues the action for whichever window has the focus once the application has
    // settled, and the release of its count behind it.
    void dispatchKeyTrigger(WindowAction action, int32_t processIdentifier, Scope scope);

    // Option held on a trigger applies it to every window of the application; Shift
    // plays it in slow motion.
    static Scope scopeOf(platform::EventFlags held);
    static Speed speedOf(platform::EventFlags held);

    // ---- State, for the shell, the status menu and tests

    bool isInstalled() const { return tap_ != nullptr; }
    bool isPollingForGrant() const { return grantPoll_ != nullptr; }
    const std::shared_ptr<platform::EventTap>& tap() const { return tap_; }
    bool isSwallowingMouseUp() const { return isSwallowingMouseUp_; }
    bool hasPendingPress() const { return buttonPress_.has_value() || hold_.has_value(); }
    // Whether input is held back: a press held for an application that does not answer
    // and the events behind it, or events the tap took that it has not all given back yet.
    bool isHolding() const { return hold_.has_value() || lookedAtAgain_.has_value() || !waiting_.empty(); }
    const std::optional<PressedButton>& pressedButton() const { return pressedButton_; }
    const std::optional<int64_t>& swallowedKeyCode() const { return swallowedKeyCode_; }
    const std::map<int32_t, int>& changesWaiting() const { return changesWaiting_; }
    const ModifierDoubleTap& doubleTap() const { return doubleTap_; }

private:
    struct Key {};

    // A minimize-button press waiting for its mouse-up.
    struct ButtonPress {
        platform::Rect frame;
        TargetWindow target;
        WindowAction action = WindowAction::furlpane;
        Scope scope = Scope::oneWindow;
        Speed speed = Speed::normal;
    };
    // A press held for an application that did not answer: what it is to the tap once the
    // application answers, a click on the window's minimize button or a title-bar
    // double-click, where it was, on which window, and what it is to do then.
    enum class HeldKind { buttonClick, titleBarDoubleClick };
    struct HeldPress {
        HeldKind kind = HeldKind::buttonClick;
        platform::Point location;
        uint32_t window = 0;
        int32_t processIdentifier = 0;
        std::optional<int32_t> targetProcess;
        WindowAction action = WindowAction::furlpane;
        Scope scope = Scope::oneWindow;
        Speed speed = Speed::normal;
    };
    // An event taken while a press is held: one of the press's own (the press, its drags
    // and its release) or one that came after it.
    struct HeldEvent {
        platform::EventRecord event;
        bool isPressOwn = false;
    };
    struct Hold {
        uint64_t number = 0;
        HeldPress press;
        std::vector<HeldEvent> events = {};
        bool isReleased = false;
        std::optional<platform::Point> release = {};
    };

public:
    TriggerTap(const Key&, std::shared_ptr<Preferences> preferences, std::shared_ptr<ActionRules> rules,
               std::weak_ptr<WindowEffects> engine);

private:
    bool installTap();
    // A session tap, active from creation, with this object as its user info; false when
    // none can be made.
    bool addTap(platform::EventTapPlacement placement, platform::EventMask mask, platform::EventTapCallback callback,
                std::shared_ptr<platform::EventTap>& tap, std::shared_ptr<platform::RunLoopSource>& source);
    // The tap ended for good and its source taken off the main loop.
    static void dropTap(std::shared_ptr<platform::EventTap>& tap, std::shared_ptr<platform::RunLoopSource>& source);
    void startGrantPoll();
    bool keyUp(const platform::EventRecord& event);

    // Title-bar double-clicks (title_bar_triggers.cpp).
    bool titleBarDoubleClick(platform::Point location, platform::EventFlags flags,
                             std::optional<int32_t> targetProcess, const std::set<Trigger>& intercepted);
    // What lies under a point for a title-bar trigger: the window whose title bar it is,
    // or the window the window server shows there when its application did not answer.
    struct TitleBarLookup {
        std::optional<TargetWindow> target = {};
        std::optional<WindowServer::WindowHit> unansweredHit = {};
        // The window is one of this instance's own on its trip.
        bool isOnOwnTrip = false;
    };
    TitleBarLookup lookUpTitleBar(platform::Point location, std::optional<int32_t> targetProcess);
    // Holds a title-bar double-click on a window whose application did not answer, to be
    // recognised once it answers again; whether the click is swallowed.
    bool deferTitleBarDoubleClick(Trigger trigger, platform::Point location, platform::EventFlags held,
                                  std::optional<int32_t> targetProcess, const WindowServer::WindowHit& hit);
    // The same for a minimize button: its window and button, or the window the window
    // server shows there when its application did not answer.
    struct ButtonLookup {
        std::optional<ButtonTarget> target = {};
        std::optional<WindowServer::WindowHit> unansweredHit = {};
    };
    ButtonLookup lookUpButton(platform::Point location, std::optional<int32_t> targetProcess);
    // Takes a press in the button row of a window whose application did not answer, to be
    // looked at with its release once the application answers again; whether it is
    // swallowed.
    bool holdButtonPress(platform::Point location, platform::EventFlags held, std::optional<int32_t> targetProcess,
                         const WindowServer::WindowHit& hit);
    // Whether a held press is the trigger now that its application answers: then it is
    // handed to the engine. The click needs its release on the same minimize button.
    bool firesHeldButtonClick(const HeldPress& press, std::optional<platform::Point> release);
    bool firesHeldDoubleClick(const HeldPress& press);

    // Presses held for an application that did not answer (held_input.cpp).
    void beginHold(HeldPress press);
    // Keeps the press that began a hold as the first of its events.
    void keepPressOfNewHold(const platform::EventRecord& press);
    // Takes an event into the hold; it is swallowed.
    void takeIntoHold(platform::EventType type, const platform::EventRecord& event);
    // The press's release (or the next press, when the release went by unseen): the
    // application is given the bound to answer, and the press is decided then.
    void closePress(std::optional<platform::Point> release);
    void decideHold(uint64_t number, bool answered);
    // The tap was switched off while it held a press or gave back what it held (the
    // notice's type): what it may have missed meanwhile, the press that began the hold,
    // the press's release or the event given back last.
    void holdMissedEvents(platform::EventType notice);
    // Gives the held events back in their order: the press's own after the tap (none when
    // `withPress` is false), the others to be looked at again (giveBackNext).
    void giveBack(const std::vector<HeldEvent>& events, bool withPress, size_t from = 0);
    // Gives back what waits, up to the next event the tap looks at, which it is shown again.
    void giveBackNext();
    // After the tap has looked at the event given back: a hold it began takes what waits,
    // else the giving back goes on.
    void goOnGivingBack();
    // The tap is shown an event while one given back is still to come to it: whether it is
    // swallowed to wait behind what is still to be given back (never the one given back).
    bool lookAgainAt(const platform::EventRecord& event);
    // An event as the tap gives it back: marked as this instance's, and a press naming the
    // window it was made on.
    static platform::EventRecord givenBack(platform::EventRecord event);
    // Whether the event passed the tap above: the user's input, or given back by another
    // instance whose tap comes before this one's; not what this instance gave back.
    bool hasPassedTapAbove(const platform::EventRecord& event) const;
    void noteGiver(const platform::EventRecord& event);
    // A press that names the window it was made on, when another window (or none) lies
    // under the pointer now.
    static bool isOffItsWindow(const platform::EventRecord& event);
    // The process an event's field names (the target, or who gave it back), when it can be
    // a real one.
    static std::optional<int32_t> processIn(const platform::EventRecord& event, platform::EventField field);
    // What handleEvent does with an event, the giving back of held events aside.
    bool lookAt(platform::EventType type, const platform::EventRecord& event);
    // Ends the hold and gives back everything it kept, the press with it.
    void releaseHold();
    void installHoldTap();
    void removeHoldTap();
    static std::optional<platform::EventRecord> holdCallback(platform::EventTapProxy proxy, platform::EventType type,
                                                             const platform::EventRecord& event, void* userInfo);
    // The action the trigger runs in the application with this process identifier.
    std::optional<WindowAction> actionInApplication(Trigger trigger, int32_t processIdentifier) const;
    // The repeated clicks of a double-click on a minimize button that has just fired.
    bool repeatsPressedButton(const std::optional<PressedButton>& previous, platform::Point location,
                              std::optional<int32_t> targetProcess);
    // The frontmost window under a point, in the on-screen list without desktop
    // elements; the window-server side of both click recognisers.
    static std::optional<WindowServer::WindowHit> windowHit(platform::Point location,
                                                            std::optional<int32_t> targetProcess);
    // windowHit, when it is a window of layer 0 and the point lies in its top zone.
    static std::optional<WindowServer::WindowHit> titleZoneHit(platform::Point location,
                                                               std::optional<int32_t> targetProcess);
    // Whether the owner of a window is busy with a trip into or out of the Dock, so that
    // it must not be asked anything; then its remembered window, if kept.
    bool isTravelling(int32_t processIdentifier) const;
    std::optional<TargetWindow> knownTarget(uint32_t window, int32_t processIdentifier) const;
    bool holdsWindow(uint32_t window) const;
    // Whether another running instance of the program holds the window: the trigger is
    // left to that instance's tap, which sees the event next.
    bool isHeldElsewhere(uint32_t window) const;

    // The application in front when a keyboard trigger may act in it: none while the
    // program itself is in front recording a shortcut.
    struct FrontApplication {
        int32_t processIdentifier = 0;
        std::optional<std::string> bundleIdentifier;
    };
    static std::optional<FrontApplication> keyboardTarget();
    // Hands a keyboard trigger to the engine: queued for a busy application, else for
    // its focused window now. False when there is no window to act on.
    bool dispatchToFocusedWindow(WindowAction action, int32_t processIdentifier, Scope scope);

    // Counts one more unfinished trigger of the application, queues its change on the
    // engine's chain and the count's release behind it. Nothing without an engine.
    void queueTrigger(int32_t processIdentifier, WindowEffects::Job change);
    void releaseChange(int32_t processIdentifier);

    std::shared_ptr<platform::EventTap> tap_;
    std::shared_ptr<platform::RunLoopSource> source_;
    std::shared_ptr<platform::Timer> grantPoll_;
    ModifierDoubleTap doubleTap_;
    bool isSwallowingMouseUp_ = false;
    std::optional<ButtonPress> buttonPress_;
    std::optional<Hold> hold_;
    uint64_t holds_ = 0;
    // What came after a press that was decided, still to be given back, and the one given
    // back last at the tap until the tap has been shown it.
    std::deque<platform::EventRecord> waiting_;
    std::optional<platform::EventRecord> lookedAtAgain_;
    // The instances whose given-back events the tap above was shown while the hold's tap
    // was up: theirs come before it.
    std::set<int32_t> giversBefore_;
    std::shared_ptr<platform::EventTap> holdTap_;
    std::shared_ptr<platform::RunLoopSource> holdSource_;
    std::optional<PressedButton> pressedButton_;
    std::optional<int64_t> swallowedKeyCode_;
    std::map<int32_t, int> changesWaiting_;
    std::shared_ptr<Preferences> preferences_;
    std::shared_ptr<ActionRules> rules_;
    std::weak_ptr<WindowEffects> engine_;
};

}  // namespace furlpane
