#pragma once

// The screens of the simulated desktop, as AppKit reports them: frames and visible
// frames in AppKit coordinates (origin at the bottom-left corner of the first screen,
// y upwards), the display number, the backing scale factor and the device description.
// The first display carries the menu bar; its frame's maxY is the height H by which
// top-left coordinates convert.
//
// A visible frame is the frame less the menu bar (25 points at the top) and, on the
// Dock's display, the Dock's strip (70 points, 4 while it hides itself), unless a test
// sets one explicitly. Every change posts "NSApplicationDidChangeScreenParametersNotification"
// to the default notification centre on the main queue.
//
// Each display refreshes at its own rate (120 Hz unless a test sets another); display
// links of the display fire at that rate on the world's clock.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/world_lock.h"
#include "platform/geometry/geometry.h"
#include "platform/plist/value.h"

namespace platform::desktop {

class Desktop;

struct DisplayDescription {
    Rect frame{0, 0, 1440, 900};     // AppKit coordinates
    std::optional<Rect> visibleFrame{};  // AppKit coordinates; default: computed
    double backingScaleFactor = 2;
    double refreshRate = 120;  // frames per second
    std::optional<uint32_t> displayNumber{};  // default: assigned
    std::string name = "Display";
};

class Display {
public:
    uint32_t number() const { return number_; }
    const std::string& name() const { return name_; }
    Rect frame() const { return readLocked(world_, frame_); }
    Rect visibleFrame() const;
    double backingScaleFactor() const { return readLocked(world_, scale_); }
    double refreshRate() const { return readLocked(world_, refreshRate_); }
    // "NSScreenNumber" (the display number), "NSDeviceSize" and "NSDeviceIsScreen".
    plist::Dictionary deviceDescription() const { return readLocked(world_, description_); }

    Display(Desktop& world, uint32_t number, const DisplayDescription& description);

private:
    friend class Displays;
    Desktop& world_;
    uint32_t number_;
    Rect frame_;
    std::optional<Rect> explicitVisible_;
    double scale_;
    double refreshRate_;
    std::string name_;
    plist::Dictionary description_;
};

class Displays {
public:
    static constexpr double kMenuBarHeight = 25;

    explicit Displays(Desktop& world) : world_(world) {}

    // In AppKit's order; the first has the menu bar.
    std::vector<const Display*> all() const;
    const Display* find(uint32_t number) const;
    const Display* first() const;
    // maxY of the first display's frame; 0 without displays.
    double firstMaxY() const;
    // A display's frame or visible frame in top-left coordinates.
    Rect topLeftFrame(const Display& display) const;
    Rect topLeftVisibleFrame(const Display& display) const;
    // The display for a top-left rectangle: the first holding its midpoint, else the one
    // it overlaps most, else the first. Null without displays.
    const Display* displayFor(const Rect& topLeft) const;

    // Replaces every display.
    void set(const std::vector<DisplayDescription>& descriptions);
    uint32_t add(const DisplayDescription& description);
    // A display goes as when its cable is pulled: what it showed comes to the first
    // display (see Spaces), and other applications' windows that stood on it, and now on
    // no display, move there too (Desktop), minimized ones left where they were.
    bool remove(uint32_t number);
    bool setFrame(uint32_t number, const Rect& frame);
    bool setVisibleFrame(uint32_t number, std::optional<Rect> visibleFrame);
    bool setBackingScaleFactor(uint32_t number, double scale);
    // False, changing nothing, for a rate that is not a positive finite number.
    bool setRefreshRate(uint32_t number, double framesPerSecond);
    // Changes one entry of the device description (nothing removes it).
    bool setDeviceDescriptionValue(uint32_t number, const std::string& key, std::optional<plist::Value> value);

private:
    friend class Desktop;
    Display* findMutable(uint32_t number);
    void insert(const DisplayDescription& description);
    void changed();

    Desktop& world_;
    std::vector<std::unique_ptr<Display>> displays_;
    // Displays taken away stay here until the world goes, so that a display pointer that
    // another thread still holds never dangles.
    std::vector<std::unique_ptr<Display>> removed_;
    uint32_t nextNumber_ = 1;
};

}  // namespace platform::desktop
