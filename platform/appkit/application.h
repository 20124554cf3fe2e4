#pragma once

// The application object: the program as AppKit sees it in the current world.
//
// One per run of the program's process (process_run.h): Application::shared() makes it
// on first use, as the run's code, and it goes away when the run ends, taking the
// program's windows off the screen. A run that has ended has none. It knows the
// program's windows (every live Window), the key and main window, activation, the
// pointer, the display cycle, animations and the open menu. Menus shown and alerts
// answered are the simulated person's side (simulated_user.h).
//
// Activation. isActive is the program's own view: it follows the world's activation of
// the program's process on a later loop turn, when "NSApplicationDidBecomeActiveNotification"
// or "NSApplicationDidResignActiveNotification" is posted to the default centre. The key
// window follows (see window.h).
//
// Events. sendEvent takes a mouse or key event from outside (the world's input, a test)
// and delivers it as the system would:
// - the pointer location, the modifier flags and the pressed buttons are updated first;
// - local monitors whose mask selects the event see it next, in the order they were
//   added; one that answers no event consumes it (sendEvent answers true), one that
//   answers an event hands that on;
// - tracking areas of the program's views are brought up to date (mouseEntered and
//   mouseExited) on moves, drags, presses and releases; an area that asks for moves
//   hands its view every move inside it (mouseMoved);
// - a press goes to the frontmost on-screen window of the world under the pointer that
//   takes clicks (alpha above 0, not ignoring the mouse; the world's z-order). When that
//   is a window of another application, nothing here happens and sendEvent answers
//   false. When it is one of the program's windows: a window that is not a
//   non-activating panel activates the program (without raising its other windows) and
//   comes to the front; a window that can become key comes to the front and becomes
//   key; the press reaches the view under the pointer only when that view accepts the
//   first mouse, or the window was already key in an active program, or the window is a
//   non-activating panel. A left press with Control held first asks the views from the
//   one under the pointer upwards for a context menu (menuForEvent); a menu found is
//   shown and the press goes no further. A right press goes to the view's
//   rightMouseDown, which by default shows its menuForEvent or passes the press up. A
//   press on a title-bar button clicks it on release inside it.
// - drags and the release go to the view that took the press, wherever the pointer is;
// - keys go to the key window's first responder;
// - the scroll wheel goes to the view under the pointer in the program's window there,
//   which passes it up to the view that scrolls.
//
// Miniaturize notifications: when the world reports one of the program's windows
// minimized or back, "NSWindowDidMiniaturizeNotification" or
// "NSWindowDidDeminiaturizeNotification" is posted to the default centre on the main
// queue, with the window as object (see kWorldPostsMiniaturizeNotifications).
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/appkit/alert.h"
#include "platform/appkit/app_event.h"
#include "platform/appkit/menu.h"
#include "platform/appkit/window.h"
#include "platform/geometry/geometry.h"
#include "platform/graphics/image.h"
#include "platform/process/activation_policy.h"

namespace platform {

namespace desktop {
class Application;
class Desktop;
struct WorldEvent;
enum class WorldEventKind;
}  // namespace desktop

class Timer;

namespace notifications {
inline const std::string kApplicationWillTerminate = "NSApplicationWillTerminateNotification";
}

enum class TerminateReply { cancel, now, later };

// What the program's delegate is told; every hook has a default.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationWillFinishLaunching() {}
    virtual void applicationDidFinishLaunching() {}
    virtual TerminateReply applicationShouldTerminate() { return TerminateReply::now; }
    virtual void applicationWillTerminate() {}
    // A click on the program's Dock icon; `hasVisibleWindows` tells whether any window
    // of the program is visible.
    virtual bool applicationShouldHandleReopen(bool /*hasVisibleWindows*/) { return true; }
};

// How a menu came to be shown.
enum class MenuPresentationKind { context, statusItem, popUp };

class Application {
public:
    // Whether the world posts the miniaturize notifications of the program's windows
    // itself at the end of a Dock trip; until it does, the application posts them when
    // the world reports the change.
    static constexpr bool kWorldPostsMiniaturizeNotifications = true;
    static constexpr double kDoubleClickInterval = 0.5;

    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The application of the current run; aborts without one (no world, or a run that
    // has ended).
    static Application& shared();
    static Application* sharedOrNull();
    static std::shared_ptr<Application> sharedPointer();

    int32_t processIdentifier() const;

    // ---- Launching and terminating
    void setDelegate(std::weak_ptr<ApplicationDelegate> delegate) { delegate_ = std::move(delegate); }
    // Tells the delegate that launching will finish and has finished; once.
    void finishLaunching();
    bool isFinishedLaunching() const { return launched_; }
    // Asks the delegate; with `now` posts "NSApplicationWillTerminateNotification", tells
    // the delegate and runs the termination handler (by default: stops the main loop).
    void terminate();
    void replyToApplicationShouldTerminate(bool shouldTerminate);
    bool isTerminated() const { return terminated_; }
    void setTerminationHandler(std::function<void()> handler) { terminationHandler_ = std::move(handler); }
    // What a click on the program's Dock icon does: asks the delegate.
    bool reopen();

    // ---- Activation
    ActivationPolicy activationPolicy() const;
    // Regular puts the program in the Dock, accessory takes it out. False without a
    // running process.
    bool setActivationPolicy(ActivationPolicy policy);
    bool isActive() const { return active_; }
    // Activates the program in the world (its windows come forward).
    void activate();
    // Gives up being active: the frontmost regular application becomes active.
    void deactivate();
    void hide();
    void unhide();
    bool isHidden() const;
    Appearance effectiveAppearance() const { return appearance_; }
    void setSystemAppearance(Appearance appearance) { appearance_ = appearance; }

    // ---- Windows
    // Every live window, in the order they were made.
    std::vector<std::shared_ptr<Window>> windows() const;
    // Visible windows, front to back.
    std::vector<std::shared_ptr<Window>> orderedWindows() const;
    std::shared_ptr<Window> windowWithWindowNumber(uint32_t number) const;
    Window* keyWindow() const;
    Window* mainWindow() const;
    // The window of the innermost modal session; null outside one.
    Window* modalWindow() const { return modal_.empty() ? nullptr : modal_.back(); }
    void beginModalSession(Window& window);
    void endModalSession(Window& window);

    // ---- Events
    // True when one of the program's windows took the event.
    bool sendEvent(const AppEvent& event);
    // The pointer in AppKit screen coordinates and in top-left ones.
    Point mouseLocation() const;
    Point pointerLocation() const { return pointer_; }
    uint64_t currentModifierFlags() const { return modifiers_; }
    // Bit 0 the left button, 1 the right one, 2 the others.
    uint32_t pressedMouseButtons() const { return pressed_; }
    // Brings tracking areas up to date with the pointer without an event.
    void updateTracking();
    // A tracking area just added to a view of the window starts out knowing whether the
    // pointer is inside it (unless it assumes so), as AppKit's do: its first event is
    // then the pointer leaving, when it starts inside, and entering otherwise.
    void primeTrackingArea(const Window& window, const View& view, TrackingArea& area) const;
    // Local event monitors are platform::EventMonitor's: they see the program's events
    // before they reach sendEvent.

    // The program's own icon (the Dock's picture of it); none until set.
    const std::optional<Image>& applicationIconImage() const { return icon_; }
    void setApplicationIconImage(std::optional<Image> icon) { icon_ = std::move(icon); }

    // ---- Menus
    const std::shared_ptr<Menu>& mainMenu() const { return mainMenu_; }
    void setMainMenu(std::shared_ptr<Menu> menu) { mainMenu_ = std::move(menu); }
    // Shows a menu (closing the open one first); returns at once.
    void popUpMenu(std::shared_ptr<Menu> menu, MenuPresentationKind kind = MenuPresentationKind::popUp,
                   const AppEvent& event = {}, uint32_t window = 0);
    void popUpContextMenu(std::shared_ptr<Menu> menu, const AppEvent& event, View* view);
    const std::shared_ptr<Menu>& openMenu() const { return openMenu_; }
    // Closes the open menu and then runs the chosen item's action; false when no menu is
    // open or the item cannot be chosen (the menu closes all the same).
    bool chooseMenuItem(size_t index);
    bool chooseMenuItem(const std::string& title);
    void closeMenu();

    // ---- Display cycle
    // Asks for a display cycle on a later loop turn (once however often asked).
    void setNeedsDisplayCycle();
    // Layout and display of every open window, now.
    void runDisplayCycle();
    int displayCycleCount() const { return displayCycles_; }

    // ---- Animations
    bool hasRunningAnimations() const { return !animating_.empty(); }

private:
    friend class Window;

    explicit Application(desktop::Desktop& world);
    static std::shared_ptr<Application> make(desktop::Desktop& world);
    desktop::Desktop& world() const { return world_; }
    // The program's process in the world that this application is.
    desktop::Application& ownProcess() const { return *own_; }

    // Registry and key state, used by Window.
    void registerWindow(Window* window);
    void unregisterWindow(Window* window);
    std::shared_ptr<Application> self() const;
    void setKeyWindow(Window* window);
    void setMainWindow(Window* window);
    void refreshKeyAndMain();
    void animationStarted(Window* window);
    void stepAnimations();
    void postMiniaturized(uint32_t number, bool miniaturized);

    // The world's reports.
    void onWorldEvent(const desktop::WorldEvent& event);
    void handleWorldEvent(desktop::WorldEventKind kind, uint32_t number);
    void activeChanged(bool active);
    Window* registered(uint32_t number) const;

    // Event dispatch.
    Window* ownWindowAt(Point topLeft) const;
    bool dispatchPress(const AppEvent& event);
    bool dispatchToPressTarget(const AppEvent& event);
    bool dispatchKey(const AppEvent& event);
    bool dispatchScroll(const AppEvent& event);
    void updateTracking(const AppEvent* cause);
    bool pointerIsInside(const Window* under, const Window& window, const View& view, const TrackingArea& area) const;
    void updatePointerState(const AppEvent& event);

    desktop::Desktop& world_;
    // Shared: the world lets an ended process's record go once others have ended after it.
    std::shared_ptr<desktop::Application> own_;
    std::weak_ptr<Application> self_;
    int listener_ = 0;
    std::weak_ptr<ApplicationDelegate> delegate_;
    bool launched_ = false;
    bool terminating_ = false;
    bool terminated_ = false;
    std::function<void()> terminationHandler_;
    bool active_ = false;
    Appearance appearance_ = Appearance::light;

    std::vector<Window*> windows_;
    Window* key_ = nullptr;
    Window* main_ = nullptr;
    std::vector<Window*> modal_;

    Point pointer_{};
    uint64_t modifiers_ = 0;
    uint32_t pressed_ = 0;
    // The window of the press under way; drags and the release go to it.
    std::weak_ptr<Window> pressWindow_;

    std::optional<Image> icon_;

    std::shared_ptr<Menu> mainMenu_;
    std::shared_ptr<Menu> openMenu_;

    bool cycleScheduled_ = false;
    int displayCycles_ = 0;

    std::vector<Window*> animating_;
    std::shared_ptr<Timer> animationTimer_;
};

}  // namespace platform
