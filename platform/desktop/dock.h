#pragma once

// The Dock: its own process ("com.apple.dock", named "Dock"), its window at the Dock
// level on one display, the desktop pictures it draws (one window per display at the
// desktop level), and its settings in the "com.apple.dock" preferences domain of the
// world ("orientation": "bottom", "left" or "right"; "autohide": a Boolean;
// "genie-speed": a number that scales the time of trips into and out of the Dock, 0
// making them instant; "mineffect": the minimize animation's name; and
// "minimize-to-application": a Boolean, minimized windows going into their
// application's icon).
//
// The Dock reads its domain when it starts. Settings changed through setEdge and
// setAutohides are written to the domain and applied at once, as System Settings does;
// values written to the domain by others take effect at the next restart().

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop/world_lock.h"
#include "platform/desktop/world_types.h"
#include "platform/geometry/geometry.h"

namespace platform::desktop {

class Application;
class Desktop;
class Window;

class Dock {
public:
    static constexpr const char* kDomain = "com.apple.dock";
    static constexpr double kThickness = 70;
    static constexpr double kHiddenThickness = 4;

    explicit Dock(Desktop& world) : world_(world) {}

    DockEdge edge() const { return readLocked(world_, edge_); }
    bool autohides() const { return readLocked(world_, autohides_); }
    // How the trips into and out of the Dock are timed: 1 unless the domain held another
    // number not below 0 when the Dock started.
    double genieSpeed() const { return readLocked(world_, genieSpeed_); }
    // "genie" unless the domain held another string when the Dock started.
    std::string minimizeEffect() const { return readLocked(world_, minimizeEffect_); }
    bool minimizesToApplication() const { return readLocked(world_, minimizesToApplication_); }
    double thickness() const { return autohides() ? kHiddenThickness : kThickness; }
    uint32_t display() const { return readLocked(world_, display_); }
    Application* application() const;
    Window* window() const;
    std::vector<uint32_t> desktopPictureWindows() const { return readLocked(world_, pictures_); }

    void setEdge(DockEdge edge);
    void setAutohides(bool autohides);
    // Moves the Dock to another display; false for an unknown display.
    bool moveToDisplay(uint32_t display);
    // The Dock quits and starts again: a new process and new windows, settings read
    // again from the domain. The workspace reports both.
    void restart();

private:
    friend class Desktop;
    void start();
    void readSettings();
    // Places its windows after a change of settings or displays.
    void place();
    Rect stripFrame() const;
    void applied();

    Desktop& world_;
    int32_t pid_ = 0;
    uint32_t window_ = 0;
    std::vector<uint32_t> pictures_;
    uint32_t display_ = 0;
    DockEdge edge_ = DockEdge::bottom;
    bool autohides_ = false;
    double genieSpeed_ = 1;
    std::string minimizeEffect_ = "genie";
    bool minimizesToApplication_ = false;
};

}  // namespace platform::desktop
