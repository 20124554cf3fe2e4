#pragma once

// A window of the simulated desktop: what the window server knows of it (number, owner,
// layer, bounds, alpha, whether it is ordered in) and what its application shows through
// accessibility (role, subrole, title, buttons, toolbars, sheets, minimized, full screen).
//
// Frames are in global top-left coordinates (origin at the top-left corner of the first
// screen, y downwards), in points. A window is on screen when it is open, ordered in,
// not minimized, its owner runs and is not hidden, and its Space is shown (see
// Desktop::isOnScreen). Window numbers are unique in a world, greater than 0 and never
// reused.
//
// The owner may be the program itself: its own windows are records like any other, so
// that they appear in window lists with their levels. A closed window keeps its record,
// marked closed, for a while (see "Threads" in desktop.h); the record holds its owner's.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/control.h"
#include "platform/desktop/world_lock.h"
#include "platform/desktop/world_types.h"
#include "platform/geometry/geometry.h"

namespace platform::desktop {

class Application;
class Desktop;

// A window on its way into or out of the Dock (see dock_trips.h).
enum class DockTravel { none, intoDock, outOfDock };

struct ButtonDescription {
    bool present = true;
    bool enabled = true;
    std::optional<Rect> frame{};  // relative to the window; default: the standard place
};

struct ToolbarDescription {
    Rect frame{};  // relative to the window's top-left corner
    std::vector<ControlDescription> items{};
};

struct WindowDescription {
    std::string title{};
    std::optional<Rect> frame{};  // default: cascaded on the first screen
    std::string role = "AXWindow";
    std::string subrole = "AXStandardWindow";  // empty: none
    int32_t layer = 0;
    double alpha = 1;
    bool minimized = false;
    bool fullScreen = false;
    double titleBarHeight = 28;
    ButtonDescription close{};
    ButtonDescription minimize{};
    ButtonDescription zoom{};
    ButtonDescription fullScreenButton{.present = false};
    std::vector<ToolbarDescription> toolbars{};
    std::vector<ControlDescription> controls{};
    // The Space it lies on; default: the shown Space of the display under it. 0 puts it
    // on every Space.
    std::optional<uint64_t> space{};
    // What its pictures are drawn from, with its title and size.
    uint64_t contentSeed = 0;
    Size minimumSize{};
    bool ignoresMouseEvents = false;
    // Whether its application shows it through accessibility (the window server's own
    // windows, the Dock's and desktop pictures do not).
    bool accessible = true;
    // Whether it is ordered in from the start. The program's own windows are made
    // ordered out and shown when AppKit orders them in.
    bool orderedIn = true;
};

// A window of the system's own (the menu bar, the Dock, a desktop picture): no title bar
// and no buttons, on every Space, not shown through accessibility.
WindowDescription systemWindowDescription(std::string title, const Rect& frame, int32_t layer);

// Where a window goes in the stacking order relative to another one.
enum class WindowOrdering { above, below };

class Window {
public:
    // Fixed when the window is made; read without the lock.
    uint32_t number() const { return number_; }
    int32_t pid() const { return pid_; }
    Application& owner() const;
    const std::string& role() const { return role_; }
    bool isAccessible() const { return accessible_; }
    double titleBarHeight() const { return titleBarHeight_; }
    // Whether it has a title bar; a borderless window has none.
    bool isTitled() const { return titleBarHeight_ > 0; }
    const Size& minimumSize() const { return minimumSize_; }
    // A sheet's parent window number; 0 for a window that is not a sheet.
    uint32_t parentWindow() const { return parent_; }
    bool isSheet() const { return parent_ != 0; }

    // What changes, read under the world's lock.
    int32_t layer() const { return readLocked(world_, layer_); }
    Rect frame() const { return readLocked(world_, frame_); }
    double alpha() const { return readLocked(world_, alpha_); }
    std::string title() const { return readLocked(world_, title_); }
    std::string subrole() const { return readLocked(world_, subrole_); }
    // The layer, frame and alpha together, as one read (a window list's entry shows them).
    struct Placement {
        int32_t layer;
        Rect frame;
        double alpha;
    };
    Placement placement() const;
    // Minimized as its application reports it: true from the moment a trip into the Dock
    // begins, false from the moment a trip out of it begins.
    bool isMinimized() const { return readLocked(world_, minimized_); }
    // The trip under way, if any. A window travelling into the Dock is still on screen
    // until it arrives; one travelling out is on screen from the start.
    DockTravel dockTravel() const;
    bool isFullScreen() const { return readLocked(world_, fullScreen_); }
    bool isZoomed() const { return readLocked(world_, zoomed_); }
    bool isClosed() const { return readLocked(world_, closed_); }
    bool isOrderedIn() const { return readLocked(world_, orderedIn_); }
    bool ignoresMouseEvents() const { return readLocked(world_, ignoresMouseEvents_); }
    uint64_t space() const { return readLocked(world_, space_); }
    uint64_t contentSeed() const { return readLocked(world_, contentSeed_); }
    std::vector<uint32_t> sheets() const { return readLocked(world_, sheets_); }
    // Controls: title-bar buttons (null when absent), the title element, toolbars and
    // the other controls directly in the window.
    Control* button(TitleBarButton which) const;
    Control* titleElement() const;
    // The toolbars and controls whose records the world still holds: those of a window
    // closed a while ago may have gone (see Desktop, "Threads"), and are left out.
    std::vector<Control*> toolbars() const;
    std::vector<Control*> controls() const;
    // Every control of the window, toolbars' items and nested controls included, in the
    // order they were made.
    std::vector<Control*> allControls() const;
    // Whether the window has a minimize button that is enabled.
    bool isMinimizable() const;
    bool isOnScreen() const;
    // What the private bounds call reports: the frame; the old bounds while they lag; the
    // shape on its way between the frame and the Dock during a trip.
    Rect privateBounds() const;

    // Changes as the user or the application makes them; each tells the world's
    // listeners. Operations that make no sense for the window's state do nothing and
    // return false.
    bool setFrame(const Rect& frame);
    bool moveTo(Point topLeft);
    bool resize(Size size);
    void setTitle(std::string title);
    // Trips into and out of the Dock, which take the world's trip time (DockTrips).
    bool minimize();
    bool deminimize();
    bool zoom();
    bool setFullScreen(bool on);
    void close();
    // Brings the window in front of the others of its layer and makes it its
    // application's main window; does not activate the application.
    void raise();
    // Brings the window, its sheets with it, in front of every other window, as a window
    // server does with the window a click lands on, and makes it its application's main
    // window; does not activate the application.
    void bringToFront();
    void orderOut();
    void orderIn();
    // Orders the window in directly above or below another window of the stacking order
    // (its level still comes first); with no other window (0, or one that is not open),
    // in front of or behind every window. Its sheets stay in front of it. Nothing for a
    // closed window or when asked to order relative to itself; false then.
    bool orderRelativeTo(WindowOrdering ordering, uint32_t other);
    void setAlpha(double alpha);
    void setLayer(int32_t layer);
    bool moveToSpace(uint64_t space);
    void setIgnoresMouseEvents(bool ignores);
    void setContentSeed(uint64_t seed);
    void setSubrole(std::string subrole);
    // Attaches a sheet (a window with the role "AXSheet") in front of this window; null
    // for a closed window.
    Window* attachSheet(WindowDescription description);
    // Controls added to a closed window are destroyed at once.
    Control& addControl(const ControlDescription& description);
    Control& addToolbar(const ToolbarDescription& description);
    // The private bounds call keeps reporting `shown` for `seconds` (a window on its way).
    void lagPrivateBounds(const Rect& shown, double seconds);

    Window(Desktop& world, uint32_t number, std::shared_ptr<Application> owner, const WindowDescription& description,
           const Rect& frame, uint64_t space);

private:
    friend class Application;
    friend class Desktop;
    friend class DockTrips;
    friend class Spaces;

    bool applyFrame(const Rect& frame);
    void makeButtons(const WindowDescription& description);
    void makeTitleElement();
    void layOutTitle();
    void destroyControls();
    // The controls made directly in the window: buttons, title, toolbars, controls.
    std::vector<uint64_t> ownControlIds() const;
    // The records of these controls that the world still holds.
    std::vector<Control*> recordsOf(const std::vector<uint64_t>& ids) const;

    Desktop& world_;
    uint32_t number_;
    int32_t pid_;
    std::shared_ptr<Application> owner_;
    int32_t layer_;
    Rect frame_;
    Rect restoreFrame_;  // the frame to go back to after zoom or full screen
    double alpha_;
    std::string title_;
    std::string role_;
    std::string subrole_;
    bool minimized_ = false;
    bool fullScreen_ = false;
    bool zoomed_ = false;
    bool closed_ = false;
    bool orderedIn_ = true;
    bool accessible_;
    bool ignoresMouseEvents_;
    uint64_t space_;
    uint64_t contentSeed_;
    double titleBarHeight_;
    Size minimumSize_;
    uint32_t parent_ = 0;
    std::vector<uint32_t> sheets_;
    std::map<TitleBarButton, uint64_t> buttons_;
    uint64_t titleElement_ = 0;
    std::vector<uint64_t> toolbars_;
    std::vector<uint64_t> controls_;
    struct Lag {
        Rect shown;
        double until;
    };
    std::optional<Lag> lag_;
    struct Travel {
        DockTravel direction;
        double start;
        double end;
        Rect from;
        Rect to;
        uint64_t trip;  // which trip, so that the end of a cancelled one does nothing
    };
    std::optional<Travel> travel_;
};

// The standard frame of a title-bar button, relative to the window.
Rect standardButtonFrame(TitleBarButton which);

}  // namespace platform::desktop
