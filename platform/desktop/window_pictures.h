#pragma once

// What windows show. Every window of the simulated desktop has content: a picture drawn,
// the same every time, from its title, its size, its title-bar buttons and its content
// seed, so that picture analysis has real pixels to work on:
//
// - a standard window: rounded corners (10 points) that are transparent outside, a
//   title-bar band of its title-bar height with the close, minimize and zoom buttons it
//   has (grey when disabled) and its title centred in it, a separating line, and a body
//   tinted by the seed with rows of text-like marks whose lengths follow the seed;
// - a sheet or a window without a title bar: the body alone; the window server's own
//   windows (the menu bar) are square;
// - the Dock: a translucent strip with icon tiles; a desktop picture: an opaque
//   gradient.
//
// A framed picture is the plain picture with the window's frame around it: a margin for
// the shadow (24 points left and right, 16 above, 32 below, in pixels at the picture's
// scale), a soft shadow falling downwards, the plain picture in the margin's place, and
// a one-pixel outline drawn over its outermost pixels. Inside, away from the edges and
// the corners, the two pictures agree pixel for pixel.
//
// Pictures are 32-bit BGRA, premultiplied, in the display's colour space, at a scale of
// pixels per point (the backing scale factor of the window's display for display
// resolution, 1 for nominal). A window whose picture would be empty or more than 16384
// pixels a side has none.
//
// The program's own windows get their content from the AppKit stand-in: a content
// provider set per window draws the plain picture (nothing from it: the world draws its
// own). A test may set a provider for any window. A provider runs where the capture
// runs (a job of the capture queue, not the main thread's context) with the world
// locked: it should draw from what it holds, not wait on the main thread. Its pictures
// are not cached. Without Screen Recording, the windows
// of other applications show only their frame: the title band and the buttons, without
// the title and without the marks; the program's own windows, the Dock's and the window
// server's show in full.
//
// Captures cost time on the world's clock (see the window server's capture calls):
// captureCost() for one hardware capture, backdropCost() for one backdrop picture.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <string>
#include <vector>

#include "platform/desktop/world_lock.h"
#include "platform/geometry/geometry.h"
#include "platform/graphics/image.h"
#include "platform/graphics/text.h"
#include "platform/runtime/handover.h"

namespace platform::desktop {

class Desktop;
class Window;

// Draws a window's content (the program's own windows draw theirs from their layers); it
// belongs to the run that gives it and draws as that run, nothing once the run has ended.
using ContentProvider = Handover<std::optional<Image>(const Window& window, double scale)>;

enum class PictureFraming { plain, framed };

// The framed picture's margins around the plain picture, in pixels.
struct FramedMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class Pictures {
public:
    static constexpr double kDefaultCaptureCost = 0.01;
    static constexpr double kDefaultBackdropCost = 0.02;
    static constexpr double kCornerRadius = 10;

    explicit Pictures(Desktop& world) : world_(world) {}

    // A provider for a window's plain picture; an empty one removes it.
    void setContentProvider(uint32_t window, ContentProvider provider);

    double captureCost() const { return readLocked(world_, captureCost_); }
    void setCaptureCost(double seconds);
    double backdropCost() const { return readLocked(world_, backdropCost_); }
    void setBackdropCost(double seconds);

    // The backing scale factor of the display a window lies on (1 without displays).
    double displayScale(const Window& window) const;
    // The largest backing scale factor of the displays a rectangle touches.
    double bestScale(const Rect& area) const;

    // A window's picture at a scale, plain or framed; none when it would be empty or too
    // large, or the scale is not a positive finite number.
    std::optional<Image> windowPicture(const Window& window, double scale, PictureFraming framing);
    // Everything the given windows (front to back) show inside an area (top-left global
    // points), at a scale; windows that are not on screen show nothing, parts without
    // windows are transparent. None for an empty or too large area.
    std::optional<Image> backdrop(const Rect& area, const std::vector<uint32_t>& frontToBack, double scale);

    static FramedMargins framedMargins(double scale);

    // Pictures drawn (not taken from the cache), hardware captures and backdrops taken.
    int picturesDrawn() const { return readLocked(world_, drawn_); }
    int captures() const { return readLocked(world_, captures_); }
    int backdrops() const { return readLocked(world_, backdrops_); }
    void countCapture();
    void countBackdrop();

private:
    using CacheKey = std::tuple<uint32_t, int, int, int64_t, uint64_t, std::string, int, bool, uint32_t>;

    bool showsInFull(const Window& window) const;
    std::optional<Image> plainPicture(const Window& window, double scale, bool full);
    std::optional<Image> framedPicture(const Window& window, const Image& plain, double scale);
    CacheKey keyFor(const Window& window, double scale, PictureFraming framing, bool full) const;
    // The title's font at a picture's scale, so that a title reads the same size in a
    // picture at any scale; none when no font can be had.
    const Font* titleFont(double scale);

    Desktop& world_;
    std::map<uint32_t, ContentProvider> providers_;
    double captureCost_ = kDefaultCaptureCost;
    double backdropCost_ = kDefaultBackdropCost;
    std::map<CacheKey, Image> cache_;
    // By the scale in thousandths; an empty entry when the font could not be made.
    std::map<long long, std::optional<Font>> fonts_;
    int drawn_ = 0;
    int captures_ = 0;
    int backdrops_ = 0;
};

}  // namespace platform::desktop
