#pragma once

// The program's own windows and panels.
//
// Each Window is a window of the program's own process in the current world
// (desktop::Application::openWindow): it has the world's window number, stands at its
// level in the world's stacking order, appears in window lists and in accessibility, and
// is hit by the mouse like any other window. A window is made ordered out and appears
// when it is ordered in. What the world knows of it (frame, level, alpha, ordered in or
// out, minimized, full screen, title, ignoring the mouse) is read from the world, so that
// a change made from outside (an accessibility write, a press of its title-bar button)
// is seen here too; the rest (style, collection behaviour, shadow, content) lives here.
// Without a world a window still keeps its values, but has no number and is never shown.
//
// Frames are in AppKit screen coordinates (origin at the bottom-left corner of the first
// screen, y upwards), converted to and from the world's top-left coordinates with the
// first screen's maxY (0 without screens). A titled window has a title bar of 28 points
// above its content; other windows are all content.
//
// Closing orders the window out and closes its world window; a closed window that is
// ordered in again gets a new world window, and with it a new number.
//
// Key and main: the application keeps one key and one main window. A window is key when
// it is that window, is visible, and the program is active (a non-activating panel is key
// without that). Changes post "NSWindowDidBecomeKeyNotification" and
// "NSWindowDidResignKeyNotification" (and the main-window pair) to the default centre,
// with the window (notificationObject()) as object.
//
// Miniaturizing goes through the world's minimize; "NSWindowDidMiniaturizeNotification"
// and "NSWindowDidDeminiaturizeNotification" follow when the world reports the window
// minimized or back (see Application). Frame animations: see animation.h.
//
// Windows are shared (std::shared_ptr, made with std::make_shared; a window not held by
// one is not found by lookups) and main-thread objects. The application holds no strong
// reference: a window lives while the program holds it, or while it is a child window or
// sheet of a window that lives.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/animation.h"
#include "platform/appkit/app_event.h"
#include "platform/appkit/screen.h"
#include "platform/appkit/view.h"
#include "platform/geometry/geometry.h"
#include "platform/graphics/color_space.h"

namespace platform {

namespace desktop {
class Desktop;
class Window;
}

class Application;

namespace notifications {
inline const std::string kWindowDidBecomeMain = "NSWindowDidBecomeMainNotification";
inline const std::string kWindowDidResignMain = "NSWindowDidResignMainNotification";
inline const std::string kWindowWillClose = "NSWindowWillCloseNotification";
inline const std::string kWindowDidMove = "NSWindowDidMoveNotification";
inline const std::string kWindowDidResize = "NSWindowDidResizeNotification";
inline const std::string kWindowDidChangeBackingProperties = "NSWindowDidChangeBackingPropertiesNotification";
}  // namespace notifications

// Style bits, as the system numbers them.
enum WindowStyleMask : uint64_t {
    borderlessWindowMask = 0,
    titledWindowMask = 1,
    closableWindowMask = 2,
    miniaturizableWindowMask = 4,
    resizableWindowMask = 8,
    utilityWindowMask = 16,
    docModalWindowMask = 64,
    nonactivatingPanelMask = 128,
    unifiedTitleAndToolbarMask = 4096,
    hudWindowMask = 8192,
    fullScreenWindowMask = 16384,
    fullSizeContentViewWindowMask = 32768,
};

// Collection behaviour bits, as the system numbers them. canJoinAllSpaces puts the
// window on every Space of the world; moveToActiveSpace brings it to the shown Space of
// its screen whenever it is ordered in; fullScreenNone keeps it out of full screen. The
// other bits (managed, stationary, transient, the cycle) are kept for callers to read:
// nothing here acts on them.
enum WindowCollectionBehavior : uint64_t {
    canJoinAllSpacesBehavior = 1,
    moveToActiveSpaceBehavior = 2,
    managedBehavior = 4,
    transientBehavior = 8,
    stationaryBehavior = 16,
    participatesInCycleBehavior = 32,
    ignoresCycleBehavior = 64,
    fullScreenPrimaryBehavior = 128,
    fullScreenAuxiliaryBehavior = 256,
    fullScreenNoneBehavior = 512,
    fullScreenAllowsTilingBehavior = 2048,
    fullScreenDisallowsTilingBehavior = 4096,
};

// Window levels.
namespace window_levels {
inline constexpr int32_t normal = 0;
inline constexpr int32_t floating = 3;
inline constexpr int32_t modalPanel = 8;
inline constexpr int32_t mainMenu = 24;
inline constexpr int32_t status = 25;
inline constexpr int32_t popUpMenu = 101;
inline constexpr int32_t screenSaver = 1000;
// The level of the transitions' overlay: just below the menu bar.
inline constexpr int32_t overlay = mainMenu - 1;
}  // namespace window_levels

enum class BackingStore { retained, nonretained, buffered };
enum class WindowAnimationBehavior { standard = 0, none = 2, documentWindow = 3, utilityWindow = 4, alertPanel = 5 };
enum class Appearance { light, dark };
// orderWindow's modes, with the system's values.
enum class WindowOrderingMode { below = -1, out = 0, above = 1 };
// Whether a frame change displays the window at once.
enum class Redisplay { no, yes };
// The standard title-bar buttons, in the system's order (close 0, miniaturize 1, zoom 2).
enum class WindowButtonKind { close = 0, miniaturize = 1, zoom = 2 };

class Window;
class WindowAnimator;

// A standard title-bar button of a titled window. Its frame is in the window's base
// coordinates. Enabled follows the style (closable, miniaturizable, resizable) until it is
// set explicitly.
class WindowButton {
public:
    WindowButton(Window& window, WindowButtonKind kind) : window_(window), kind_(kind) {}
    WindowButtonKind kind() const { return kind_; }
    bool isEnabled() const;
    void setEnabled(bool enabled);
    Rect frame() const;
    int clickCount() const { return clicks_; }
    // Does what a click does: nothing when disabled; otherwise closes, miniaturizes or
    // zooms the window (performClose, performMiniaturize, performZoom).
    void performClick();

private:
    Window& window_;
    WindowButtonKind kind_;
    std::optional<bool> enabled_;
    int clicks_ = 0;
};

// What an accessibility hit test finds: the role and subrole of the object hit, each
// missing when the object does not tell.
struct AccessibilityHit {
    std::optional<std::string> role;
    std::optional<std::string> subrole;
    friend bool operator==(const AccessibilityHit&, const AccessibilityHit&) = default;
};

class Window : public std::enable_shared_from_this<Window> {
public:
    static constexpr double kTitleBarHeight = 28;

    // `contentRect` in AppKit screen coordinates. `defer` is accepted and changes
    // nothing: the world window is made at once so that the window has its number.
    Window(const Rect& contentRect, uint64_t styleMask, BackingStore backing = BackingStore::buffered,
           bool defer = false);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // ---- Identity
    // The world's number; the last one it had once closed; 0 without a world.
    uint32_t windowNumber() const { return number_; }
    // The object of the notifications this window posts.
    const void* notificationObject() const { return static_cast<const Window*>(this); }
    bool isPanel() const { return panel_; }

    // ---- Style and look
    uint64_t styleMask() const { return style_; }
    void setStyleMask(uint64_t mask);
    bool hasStyle(uint64_t bits) const { return (style_ & bits) == bits && bits != 0; }
    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    // The subrole accessibility reports: "AXStandardWindow" for titled windows and
    // "AXFloatingWindow" for panels unless set; missing for other windows.
    std::optional<std::string> accessibilitySubrole() const;
    void setAccessibilitySubrole(std::optional<std::string> subrole);
    int32_t level() const;
    void setLevel(int32_t level);
    uint64_t collectionBehavior() const { return collection_; }
    void setCollectionBehavior(uint64_t behavior);
    double alphaValue() const;
    void setAlphaValue(double alpha);
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    const std::optional<Color>& backgroundColor() const { return background_; }
    void setBackgroundColor(std::optional<Color> color) { background_ = color; }
    bool hasShadow() const { return shadow_; }
    void setHasShadow(bool shadow) { shadow_ = shadow; }
    void invalidateShadow() { ++shadowInvalidations_; }
    int shadowInvalidationCount() const { return shadowInvalidations_; }
    bool ignoresMouseEvents() const;
    void setIgnoresMouseEvents(bool ignores);
    bool hidesOnDeactivate() const { return hidesOnDeactivate_; }
    void setHidesOnDeactivate(bool hides) { hidesOnDeactivate_ = hides; }
    bool canHide() const { return canHide_; }
    void setCanHide(bool can) { canHide_ = can; }
    bool isReleasedWhenClosed() const { return releasedWhenClosed_; }
    void setReleasedWhenClosed(bool released) { releasedWhenClosed_ = released; }
    WindowAnimationBehavior animationBehavior() const { return animationBehavior_; }
    void setAnimationBehavior(WindowAnimationBehavior behavior) { animationBehavior_ = behavior; }
    BackingStore backingType() const { return backing_; }
    // The window's own appearance, if set; else the application's.
    const std::optional<Appearance>& appearance() const { return appearance_; }
    void setAppearance(std::optional<Appearance> appearance) { appearance_ = appearance; }
    Appearance effectiveAppearance() const;

    // ---- Key and main
    virtual bool canBecomeKeyWindow() const;
    virtual bool canBecomeMainWindow() const;
    bool isKeyWindow() const;
    bool isMainWindow() const;
    // Nothing when the window cannot become key (main).
    void makeKeyWindow();
    void makeMainWindow();
    void makeKeyAndOrderFront();

    // ---- Showing and ordering
    // Ordered in, not miniaturized, and the program not hidden.
    bool isVisible() const;
    // Whether the window lies on a Space that is shown: on every Space, or on the one
    // its display shows now. Ordered in or out alike; a window without a world window
    // counts as on it.
    bool isOnActiveSpace() const;
    bool isMiniaturized() const;
    bool isZoomed() const;
    bool isClosed() const { return closed_; }
    // In front of every window of its level. orderFront does so whether or not the
    // program is active, as orderFrontRegardless does.
    void orderFront();
    void orderFrontRegardless();
    void orderBack();
    void orderOut();
    // Above or below the window with that number (any window of the world; 0: every
    // window of the level), or out.
    void orderWindow(WindowOrderingMode mode, uint32_t relativeTo);
    // Nothing without the miniaturizable style bit, when not visible, or when the world
    // refuses (a sheet, full screen).
    void miniaturize();
    void deminiaturize();
    void zoom();
    void toggleFullScreen();
    // As the title-bar buttons do: performClose asks shouldClose first.
    void performClose();
    void performMiniaturize();
    void performZoom();
    virtual void close();
    void setShouldClose(std::function<bool(Window&)> shouldClose) { shouldClose_ = std::move(shouldClose); }

    // ---- Frame
    Rect frame() const;
    Rect topLeftFrame() const;
    // Cancels a running frame animation first (its completion still runs).
    void setFrame(const Rect& frame, Redisplay display = Redisplay::yes);
    void setFrameOrigin(Point origin);
    void setFrameTopLeftPoint(Point topLeft);
    void setContentSize(Size size);
    Rect contentRectForFrameRect(const Rect& frame) const;
    Rect frameRectForContentRect(const Rect& content) const;
    double titleBarHeight() const;
    // Moves the frame to `frame` over `duration` seconds on the loop's clock; see
    // animation.h for cancellation and completion.
    void animateFrame(const Rect& frame, double duration, TimingFunction timing = TimingFunction::easeInEaseOut,
                      std::function<void()> completion = {});
    bool isAnimatingFrame() const;
    // Changes that animate inside an animation group (AnimationContext::runAnimationGroup).
    WindowAnimator animator();
    // The scale of the screen the window is on; the first screen's without one; 2
    // without screens.
    double backingScaleFactor() const;
    std::optional<Screen> screen() const;

    // ---- Content
    const std::shared_ptr<View>& contentView() const { return contentView_; }
    // The view takes the content rectangle and the window's views join the window.
    void setContentView(std::shared_ptr<View> view);
    // Layout and then display of the window's views, where marked.
    void displayIfNeeded();
    // Marks the content view for display and displays at once.
    void display();
    int displayCount() const { return displays_; }
    View* firstResponder() const;
    // Null makes the content view the first responder again.
    void makeFirstResponder(View* view);

    // ---- Child windows: they move with this window and stand above (or below) it. They
    // leave the screen with it (ordered out or miniaturized) and come back with it.
    void addChildWindow(std::shared_ptr<Window> child, WindowOrderingMode ordering);
    void removeChildWindow(Window* child);
    std::vector<std::shared_ptr<Window>> childWindows() const;
    Window* parentWindow() const { return parent_; }

    // ---- Sheets
    // Attaches `sheet` below the title bar and makes it key; the completion runs with
    // the response given to endSheet, on a later loop turn. Nothing when a sheet is
    // already attached or `sheet` is this window.
    void beginSheet(std::shared_ptr<Window> sheet, std::function<void(int64_t)> completion = {});
    void endSheet(Window& sheet, int64_t response = 0);
    Window* attachedSheet() const { return sheet_.get(); }
    bool isSheet() const { return sheetParent_ != nullptr; }
    Window* sheetParent() const { return sheetParent_; }

    // ---- Buttons and hit testing
    // Null for a window that is not titled.
    WindowButton* standardWindowButton(WindowButtonKind kind) const;
    // What lies at an AppKit screen point: nothing outside the frame; the button under
    // it; the window itself ("AXWindow" and its subrole) in the title bar; otherwise the
    // view under it, with the role and subrole it tells (either may be missing).
    std::optional<AccessibilityHit> accessibilityHitTest(Point screenPoint) const;

    // ---- Events
    // Delivers a mouse or key event that the application has addressed to this window
    // (locationInWindow filled). Subclasses may look at events first and call this.
    virtual void sendEvent(const AppEvent& event);
    // Keys that no view took.
    virtual void keyDown(const AppEvent&) {}

protected:
    enum class Kind { window, panel };
    Window(const Rect& contentRect, uint64_t styleMask, BackingStore backing, bool defer, Kind kind);

private:
    friend class Application;
    friend class WindowAnimator;
    friend class WindowButton;

    desktop::Window* worldWindow() const;
    Application* application() const;
    double flipHeight() const;
    void openWorldWindow();
    void pushToWorld();
    void syncButtons();
    void applyFrame(const Rect& frame, Redisplay display);
    // The world told of a change; called on the main thread.
    void worldFrameChanged();
    void worldFrameChanged(const Rect& now);
    void worldClosed();
    // The program's process ended: the window leaves the screen, telling nobody.
    void processEnded(desktop::Desktop& world);
    void worldFullScreenChanged();
    // Whether a point in base coordinates lies in the title bar.
    bool isInTitleBar(Point local) const;
    void backingPropertiesChanged();
    void detachChildren();
    void layOutContentView();
    void closeWithoutWorld();
    void orderInWorld(WindowOrderingMode mode, uint32_t relativeTo);
    void orderChildrenAboveSelf();
    void hideChildren();
    void deliverMouseEvent(const AppEvent& event);
    // Animations; stepped by the application's animation timer.
    void startFrameAnimation(const Rect& to, double duration, TimingFunction timing,
                             std::shared_ptr<AnimationGroup> group);
    void startAlphaAnimation(double to, double duration, TimingFunction timing, std::shared_ptr<AnimationGroup> group);
    void cancelFrameAnimation();
    void cancelAlphaAnimation();
    // Moves the running animations to `now`; false when none runs any more.
    bool stepAnimations(double now);
    void setAlphaDirectly(double alpha);

    std::weak_ptr<Application> app_;
    bool panel_;
    uint32_t number_ = 0;
    uint64_t style_;
    BackingStore backing_;
    std::string title_;
    std::optional<std::string> subrole_;
    int32_t level_ = window_levels::normal;
    uint64_t collection_ = 0;
    double alpha_ = 1;
    bool opaque_ = true;
    std::optional<Color> background_;
    bool shadow_;
    int shadowInvalidations_ = 0;
    bool ignoresMouse_ = false;
    bool hidesOnDeactivate_ = false;
    bool canHide_ = true;
    bool releasedWhenClosed_ = true;
    WindowAnimationBehavior animationBehavior_ = WindowAnimationBehavior::standard;
    std::optional<Appearance> appearance_;
    // Top-left frame while no world window holds it.
    Rect topLeft_;
    bool orderedIn_ = false;
    bool closed_ = false;
    double lastScale_ = 0;
    std::shared_ptr<View> contentView_;
    std::weak_ptr<View> firstResponder_;
    // The press under way: the view that took it, or the title-bar button it began on.
    std::weak_ptr<View> pressView_;
    std::optional<WindowButtonKind> pressButton_;
    bool hiddenByDeactivation_ = false;
    bool hiddenWithParent_ = false;
    int displays_ = 0;
    std::vector<std::unique_ptr<WindowButton>> buttons_;
    struct Child {
        std::shared_ptr<Window> window;
        WindowOrderingMode ordering;
    };
    std::vector<Child> children_;
    Window* parent_ = nullptr;
    std::shared_ptr<Window> sheet_;
    std::function<void(int64_t)> sheetCompletion_;
    Window* sheetParent_ = nullptr;
    std::function<bool(Window&)> shouldClose_;
    // Key and main state last reported by notifications.
    bool reportedKey_ = false;
    bool reportedMain_ = false;
    std::optional<detail::PropertyAnimation<Rect>> frameAnimation_;
    std::optional<detail::PropertyAnimation<double>> alphaAnimation_;
};

// A panel: a window that never becomes main, hides when the program deactivates unless
// told otherwise, and with the non-activating style becomes key without activating the
// program. Its accessibility subrole is "AXFloatingWindow" unless set.
class Panel : public Window {
public:
    Panel(const Rect& contentRect, uint64_t styleMask, BackingStore backing = BackingStore::buffered,
          bool defer = false);
    bool canBecomeMainWindow() const override { return false; }
    bool isFloatingPanel() const { return level() == window_levels::floating; }
    // Floating panels stand at the floating level, others at the normal one.
    void setFloatingPanel(bool floating) { setLevel(floating ? window_levels::floating : window_levels::normal); }
    bool becomesKeyOnlyIfNeeded() const { return becomesKeyOnlyIfNeeded_; }
    void setBecomesKeyOnlyIfNeeded(bool only) { becomesKeyOnlyIfNeeded_ = only; }
    bool worksWhenModal() const { return worksWhenModal_; }
    void setWorksWhenModal(bool works) { worksWhenModal_ = works; }

private:
    bool becomesKeyOnlyIfNeeded_ = false;
    bool worksWhenModal_ = false;
};

// Changes of a window that animate with the current animation group's duration and
// timing; outside a group, over 0.25 seconds on the standard curve. A temporary: use it
// in the statement that asks for it.
class WindowAnimator {
public:
    // Every step of a frame animation displays the window.
    void setFrame(const Rect& frame);
    void setFrameOrigin(Point origin);
    void setAlphaValue(double alpha);

private:
    friend class Window;
    explicit WindowAnimator(Window& window) : window_(window) {}
    Window& window_;
};

}  // namespace platform
