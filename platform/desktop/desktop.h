#pragma once

// The simulated desktop: one world of running applications, their windows and
// accessibility trees, displays, Spaces and the Dock, living on the main loop's clock.
// Every stand-in of the platform layer (accessibility, window server, workspace, AppKit)
// reads and writes this one world, so what one does the others see.
//
// One world per test: a test makes it on its MainLoop and it is the current world until
// it goes away; stand-ins reach it through Desktop::current(). Each world begins a new
// process lifetime (ProcessOnce), so the program meets it as a fresh process. Its destruction detaches
// everything: application records held elsewhere stay readable but do nothing, work it
// posted to the loop is dropped.
//
//   MainLoop loop(ClockKind::simulated);
//   Desktop world(loop);
//   Application& editor = world.application("com.example.Editor").window("One").window("Two").add();
//
// A fresh world has one 1440 × 900 display with one Space, the program itself (an
// accessory application), the Dock with its window and desktop picture, and the window
// server's menu bar. No application is active.
//
// Threads: the world may be read and changed from any thread; the program's queues do
// both on the real clock while the main thread reads it. What holds it together:
// - One lock, the world's (lock(), recursive). Every change takes it, and so does every
//   read: the getters of records and parts take it themselves and hand out copies, never
//   references into state a change on another thread may replace. A caller that needs
//   several reads to agree with each other (or with its own change) holds lock() around
//   them.
// - Records of running applications, open windows, live controls and displays live as
//   long as they do, and a while after: the world keeps the newest records of ended
//   processes, closed windows and destroyed controls (RecordTable, the kKept... counts
//   below) and lets older ones go, so that the ten-thousandth launch of the program, or
//   opening of a window, costs what the first did. A pointer to a record stays good on
//   every thread while the record lives and until that many others have ended after it:
//   long enough for every report of its end and every call that had just been handed
//   it, not for keeping. Hold numbers (pids, window numbers, control ids) and look them
//   up again: a number whose record has gone finds nothing, as a closed window's does,
//   and numbers are never reused. An application record is shared (processRecord): a
//   holder keeps it readable, ended, for as long as it likes; a window holds its owner's.
//   What a record holds is read through its getters. What a record was made with
//   (number, owner, role, ...) never changes.
// - Listeners hear a change in the thread that made it, under the lock; they hand what
//   they report to the main thread (onMainThread, postToMainQueue) and touch no state
//   of the main thread's from where they are.
// - Content providers of window pictures run under the lock on the thread that asks for
//   the picture. The program's own windows are drawn from their layers, which belong to
//   the main thread: their pictures are taken there.
// - The world is made and destroyed on the main thread, while no off-main work can reach
//   it: work sent to queues before it goes must have ended (a queue job that starts
//   afterwards finds no current world).
// A ThreadSanitizer build of the runtime and desktop tests (build.sh test) holds the
// world to this.
//
// Events: every change tells the world's listeners (WorldEvent) on the spot, in the
// thread that made it. Listeners turn them into what their side of the system reports:
// accessibility notifications through observers' run-loop sources, workspace
// notifications on the main queue, the screen-parameters notification on the main
// queue. Work that stands for something happening later in another process (a trip into
// the Dock, an application that answers again) is scheduled on the loop's clock with
// schedule(), which runs in every run-loop mode.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <typeindex>
#include <vector>

#include "platform/defaults/foreign_preferences.h"
#include "platform/desktop/application.h"
#include "platform/desktop/control.h"
#include "platform/desktop/displays.h"
#include "platform/desktop/dock.h"
#include "platform/desktop/dock_trips.h"
#include "platform/desktop/faults.h"
#include "platform/desktop/hot_keys.h"
#include "platform/desktop/permissions.h"
#include "platform/desktop/private_calls.h"
#include "platform/desktop/record_table.h"
#include "platform/desktop/region.h"
#include "platform/desktop/spaces.h"
#include "platform/desktop/window.h"
#include "platform/desktop/window_pictures.h"
#include "platform/desktop/world_types.h"
#include "platform/geometry/geometry.h"
#include "platform/runtime/handover.h"

namespace platform {
class MainLoop;
}

namespace platform::desktop {

struct DesktopOptions {
    std::string ownBundleIdentifier = "com.brindlewick.FurlpaneNovan";
    std::optional<std::string> ownName = "Furlpane Novan";
    ActivationPolicy ownPolicy = ActivationPolicy::accessory;
    std::vector<DisplayDescription> displays{DisplayDescription{}};
    bool accessibilityTrusted = true;
};

class ApplicationBuilder;
class Region;

class Desktop {
public:
    // Belongs to the run that adds it: a listener of a run that has ended hears nothing.
    using Listener = Handover<void(const WorldEvent&)>;
    // The system's default messaging timeout of accessibility requests.
    static constexpr double kDefaultMessagingTimeout = 6.0;

    explicit Desktop(MainLoop& loop, DesktopOptions options = {});
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // The current world; aborts when there is none.
    static Desktop& current();
    static Desktop* currentOrNull();

    MainLoop& loop() const { return loop_; }
    double now() const;
    // The world's lock; see "Threads" above.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> lock() const {
        return std::unique_lock<std::recursive_mutex>(mutex_);
    }

    // ---- Processes
    // Starts describing an application; add() or launch() puts it in the world.
    ApplicationBuilder application(std::optional<std::string> bundleIdentifier);
    // The program's own process, as the code that asks sees it: the process of its run
    // (ProcessRun::current: the run that executes, or the world's own while no host runs
    // the program, which is the process the world was made with), ended or not. It is
    // never another run's: the system's code under a host has none and fails, and so does
    // a run that is no process of this world once a host has started one. Any thread.
    Application& ownApplication() const;
    int32_t ownProcessIdentifier() const { return ownApplication().pid(); }
    // The program's process that is `run`, ended or not, even once the world has let go
    // of its record (the run holds it); null when none is.
    Application* ownProcess(const std::shared_ptr<ProcessRun>& run) const;
    // A process of the program for `run`: the one the world was made with while no run
    // has been started in it, else a new one with a pid of its own, reported as
    // launched. The program may run several times at once, each run a process of its
    // own; one that ends is ended with quit().
    Application& startOwnProcess(std::shared_ptr<ProcessRun> run);
    // A running process (application or background).
    Application* process(int32_t pid) const;
    // A running process, or one that ended recently (see "Threads" above); null for one
    // that ended long ago.
    std::shared_ptr<Application> processRecord(int32_t pid) const;
    // Running applications in launch order; background processes left out.
    std::vector<Application*> runningApplications() const;
    // The active (frontmost) application; null when none is.
    Application* activeApplication() const;

    // ---- Windows and controls
    // An open window; null for unknown and closed ones.
    Window* window(uint32_t number) const;
    // A window record: an open window, or one closed recently (see "Threads" above).
    Window* windowRecord(uint32_t number) const;
    // Open windows front to back: higher layers first, then the stacking order.
    std::vector<Window*> windowsFrontToBack() const;
    bool isOnScreen(const Window& window) const;
    // Whether a click would reach the window where it stands: on screen, alpha above 0,
    // not ignoring mouse events and not on its way into the Dock.
    bool takesClicks(const Window& window) const;
    // The frontmost window under a top-left point that takes clicks; null for none.
    Window* windowAt(Point point) const;
    // A live control, or one destroyed recently (see "Threads" above).
    Control* control(uint64_t id) const;

    // How many records of ended processes, closed windows and destroyed controls the
    // world keeps at most, newest first.
    static constexpr size_t kKeptEndedProcesses = 32;
    static constexpr size_t kKeptClosedWindows = 64;
    static constexpr size_t kKeptDestroyedControls = 256;
    // The records the world holds now, live and recently ended: what a session costs
    // the world, for tests that watch it stay bounded.
    struct RecordCounts {
        size_t processes = 0;
        size_t windows = 0;
        size_t controls = 0;
        friend bool operator==(const RecordCounts&, const RecordCounts&) = default;
    };
    RecordCounts recordCounts() const;

    // ---- Parts of the world
    Displays& displays() { return displays_; }
    const Displays& displays() const { return displays_; }
    Spaces& spaces() { return spaces_; }
    const Spaces& spaces() const { return spaces_; }
    Dock& dock() { return dock_; }
    const Dock& dock() const { return dock_; }
    Faults& faults() { return faults_; }
    PrivateCalls& privateCalls() { return privateCalls_; }
    // Other domains' preferences, the Dock's among them; current while the world lives.
    ForeignPreferences& preferences() { return preferences_; }
    // Trips into and out of the Dock: their times, the silence of the travelling
    // window's application, the program's own end-of-trip notifications.
    DockTrips& dockTrips();
    // What windows show: their pictures, captures and backdrops, and what they cost.
    Pictures& pictures();
    // The privacy settings: Screen Recording, the privacy database's answers, the
    // system's permission prompt.
    Permissions& permissions();
    // The system's global hot-key operating mode and its symbolic hot keys.
    SystemHotKeys& hotKeys();

    // ---- System settings and what the system was asked to do
    bool isAccessibilityTrusted() const { return readLocked(*this, trusted_); }
    void setAccessibilityTrusted(bool trusted);
    int accessibilityPromptCount() const { return readLocked(*this, prompts_); }
    // Accessibility requests sent so far: every call of the accessibility stand-in that
    // asks an application something counts one (a multiple-attribute request counts one
    // in all, a refused or failed request counts too), so that tests and benchmarks can
    // tell what an operation costs in messages. Any thread.
    uint64_t accessibilityRequestCount() const { return accessibilityRequests_.load(std::memory_order_relaxed); }
    void countAccessibilityRequest() { accessibilityRequests_.fetch_add(1, std::memory_order_relaxed); }
    void recordAccessibilityPrompt();
    // The process-wide messaging timeout set on the system-wide element; the system's
    // default until one is set.
    double messagingTimeout() const { return readLocked(*this, messagingTimeout_); }
    void setMessagingTimeout(double seconds);
    bool reduceMotion() const { return readLocked(*this, reduceMotion_); }
    void setReduceMotion(bool on);
    std::vector<std::string> openedURLs() const { return readLocked(*this, openedURLs_); }
    void recordOpenedURL(std::string url);
    // The user's language and region: the locale and time zone dates are shown in.
    Region& region();

    // ---- Signals between processes
    struct SentSignal {
        int32_t pid;
        int signal;
        friend bool operator==(const SentSignal&, const SentSignal&) = default;
    };
    // A signal from the program to a process of the world, answered as the system's
    // kill call answers (0, or ESRCH, EPERM, EINVAL). A signal that ends a process ends
    // an application; the Dock is started again at once by the system, as a new
    // process that reads its preferences anew (Dock::restart). Other signals reach the
    // process and change nothing. The program's own process and background processes
    // of the system are not the program's to signal (EPERM).
    int deliverSignal(int32_t pid, int signal);
    // Every signal sent (signal 0 left out), in order.
    std::vector<SentSignal> sentSignals() const { return readLocked(*this, sentSignals_); }

    // ---- Events and time
    int addListener(Listener listener);
    void removeListener(int id);
    void emit(WorldEventKind kind, int32_t pid = 0, uint32_t window = 0, uint64_t control = 0);
    // Runs `work` now when on the main thread, otherwise hands it to the main thread (in
    // any run-loop mode). Dropped when the world is gone by then.
    void onMainThread(Handover<void()> work);
    // Posts to the main queue (common modes only). Dropped when the world is gone.
    void postToMainQueue(Handover<void()> work);
    // Hands `work` to the main thread as the run of the program's process `pid` (as the
    // system when no run is started in it), on the main queue or in any run-loop mode;
    // nothing when that process has ended. For what the system tells one process of the
    // program, whichever run executes now.
    enum class Delivery { mainQueue, anyMode };
    void postToOwnProcess(int32_t pid, Delivery delivery, std::function<void()> work);
    // The same for every process of the program that runs.
    void postToEachOwnProcess(Delivery delivery, const std::function<void()>& work);
    // A world event after `seconds` on the loop's clock, in any run-loop mode, with the
    // world locked. It is the world's own doing, whoever's call set it going: it happens
    // whatever becomes of the program meanwhile. Dropped when the world is gone.
    void schedule(double seconds, std::function<void()> work);

    // Per-world state of a stand-in, made on first use with T(Desktop&) and destroyed
    // with the world, before its records, newest first. T may keep that constructor
    // private to the world (friend class desktop::Desktop). It is the world's: what it
    // hands over as it is made (listeners above all) belongs to the system, whichever
    // run first asked for it.
    template <class T>
    T& extension();
    template <class T>
    std::shared_ptr<T> extensionPointer();

private:
    friend class Application;
    friend class ApplicationBuilder;
    friend class Control;
    friend class Displays;
    friend class Dock;
    friend class DockTrips;
    friend class Spaces;
    friend class Window;

    struct ListenerEntry {
        int id;
        Listener listener;
    };
    struct Extension {
        std::type_index type;
        std::shared_ptr<void> object;
    };
    // Silences events while a world is being set up.
    struct Quiet {
        explicit Quiet(Desktop& w) : world(w) { ++world.quiet_; }
        ~Quiet() { --world.quiet_; }
        Desktop& world;
    };

    Application& createProcess(ProcessKind kind, std::optional<std::string> bundleIdentifier,
                               std::optional<std::string> name, ActivationPolicy policy, bool own = false);
    // A new window in front (or behind the active application's windows); a sheet
    // stands directly in front of its parent window.
    Window& createWindow(Application& owner, WindowDescription description, bool inFront, uint32_t parent = 0);
    Control& createControl(int32_t pid, uint32_t window, uint64_t parent, const ControlDescription& description);
    // Destroys a control with everything under it; nothing for one destroyed already.
    void destroyControlTree(uint64_t id);
    // A window closed, a process ended: their records go once enough others have ended
    // after them, with what the world's parts keep for them.
    void windowClosed(uint32_t number);
    void processEnded(int32_t pid);
    void letGo(std::vector<std::unique_ptr<Window>> windows);
    void letGo(std::vector<std::shared_ptr<Application>> processes);
    // A stand-in's per-world state if it has been made; null otherwise.
    template <class T>
    T* madeExtension() const;
    Rect cascadeFrame(Application& owner);
    uint64_t defaultSpace(const Rect& frame) const;
    uint32_t allocateWindowNumber() { return nextWindow_++; }

    // Stacking order.
    void bringToFront(const std::vector<uint32_t>& numbers);
    void raiseWithinApplication(Window& window);
    void sendToBack(uint32_t number);
    void removeFromOrder(uint32_t number);
    std::vector<uint32_t> withSheets(const Window& window) const;

    // Focus and activation.
    void refreshFocus(Application& app);
    void activate(Application& app, bool raiseWindows);
    void resignActive(Application& app);
    void terminate(Application& app);
    void pressControl(Control& control);
    void minimizeAll(Application& app);

    // The world's own windows (menu bars) and what follows a change of displays.
    void placeMenuBars();
    void displaysChanged();
    // Brings the titled windows that stood on a display that went away (its top-left
    // frame) onto the first display, the program's own among them.
    void gatherWindows(const Rect& gone);
    void spaceShown();

    static void setCurrent(Desktop* world);
    // `work` as a hand-over of its own owner that does nothing once the world is gone.
    Handover<void()> whileAlive(Handover<void()> work) const;

    MainLoop& loop_;
    // The program's process as the world is made, before any host starts a run in it:
    // what is made once per process while no program runs belongs to it, and goes with
    // the world.
    std::shared_ptr<ProcessRun> run_;
    mutable std::recursive_mutex mutex_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    ForeignPreferences preferences_;
    Faults faults_;
    PrivateCalls privateCalls_;
    Displays displays_;
    Spaces spaces_;
    Dock dock_;

    // Running processes and the newest ended ones, by pid (which is launch order).
    RecordTable<int32_t, std::shared_ptr<Application>> processes_{kKeptEndedProcesses};
    // Application records that went from the table while someone still held them: they
    // are told when the world goes. Those no one holds any more are dropped as others go.
    std::vector<std::weak_ptr<Application>> heldElsewhere_;
    RecordTable<uint32_t, std::unique_ptr<Window>> windows_{kKeptClosedWindows};     // open and recently closed
    RecordTable<uint64_t, std::unique_ptr<Control>> controls_{kKeptDestroyedControls};  // live and recently destroyed
    std::vector<uint32_t> order_;                          // open windows, front to back
    std::vector<uint32_t> menuBars_;                       // the window server's menu bar windows

    // The program's process started last (the one the world was made with, until a host
    // starts a run in it), kept whatever becomes of the other records: a launch takes it
    // over while no run has started in it.
    std::shared_ptr<Application> lastOwn_;
    DesktopOptions options_;
    int32_t windowServerPid_ = 0;
    int32_t activePid_ = 0;
    int32_t nextPid_ = 400;
    uint32_t nextWindow_ = 1;
    uint64_t nextControl_ = 1;
    uint64_t nextLaunch_ = 1;
    bool trusted_;
    int prompts_ = 0;
    std::atomic<uint64_t> accessibilityRequests_{0};
    double messagingTimeout_ = kDefaultMessagingTimeout;
    bool reduceMotion_ = false;
    std::vector<std::string> openedURLs_;
    std::vector<SentSignal> sentSignals_;

    std::vector<ListenerEntry> listeners_;
    int nextListener_ = 1;
    int quiet_ = 0;
    std::vector<Extension> extensions_;
};

// Describes one application; add() puts it in the world as already running, launch()
// launches it now. Either way a regular application becomes the active one with its
// windows in front, unless inBackground() or hidden() says otherwise. add() reports
// nothing at all, not even the change of the active application it implies: it sets the
// scene before the system under test starts. launch() reports everything (the launch,
// the windows, the activation), as a launch while the system runs does.
class ApplicationBuilder {
public:
    ApplicationBuilder& named(std::optional<std::string> name);
    ApplicationBuilder& policy(ActivationPolicy policy);
    // A standard window with this title, cascaded on the first display. (A title held in
    // a string goes through a WindowDescription: window({.title = title}).)
    ApplicationBuilder& window(const char* title);
    ApplicationBuilder& window(WindowDescription description);
    ApplicationBuilder& menus(std::vector<MenuDescription> menus);
    ApplicationBuilder& withoutMenus();
    ApplicationBuilder& hidden();
    ApplicationBuilder& inBackground();
    ApplicationBuilder& icon(Image picture);
    Application& add();
    Application& launch();

private:
    friend class Desktop;
    ApplicationBuilder(Desktop& world, std::optional<std::string> bundleIdentifier);
    Application& build(bool announce);

    Desktop& world_;
    std::optional<std::string> bundleIdentifier_;
    std::optional<std::string> name_;
    ActivationPolicy policy_ = ActivationPolicy::regular;
    std::vector<WindowDescription> windows_;
    std::optional<std::vector<MenuDescription>> menus_;
    bool hidden_ = false;
    bool background_ = false;
    std::optional<Image> icon_;
};

template <class T>
T& Desktop::extension() {
    return *extensionPointer<T>();
}

template <class T>
T* Desktop::madeExtension() const {
    const std::type_index key(typeid(T));
    for (const auto& e : extensions_) {
        if (e.type == key) return static_cast<T*>(e.object.get());
    }
    return nullptr;
}

template <class T>
std::shared_ptr<T> Desktop::extensionPointer() {
    auto guard = lock();
    const std::type_index key(typeid(T));
    for (const auto& e : extensions_) {
        if (e.type == key) return std::static_pointer_cast<T>(e.object);
    }
    InRun asSystem(nullptr);
    std::shared_ptr<T> object(new T(*this));
    extensions_.push_back({key, object});
    return object;
}

}  // namespace platform::desktop
