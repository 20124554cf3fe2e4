#pragma once

// Every value a stand-in transition's timing and look are chosen by, in one place, each
// with the reason it has. Nothing else in the driver holds a number of its own.
//
// Coordinates of the uniforms are points of the overlay (origin at the top-left corner
// of the overlay's area, y downwards).

#include <cstdint>
#include <optional>

#include "platform/geometry/geometry.h"
#include "settings/model/speed.h"
#include "transitions/driver/transition_makings.h"
#include "transitions/transition_scene.h"

namespace furlpane::transition_choices {

// ---- Time

// How long a transition's frames take at normal speed. The effects ease their own
// motion, so the driver hands them a progress that grows evenly with time. 0.6 seconds
// is 72 frames at 120 Hz: enough for the modelled effects to show each of their phases,
// and about as long as the Dock's own trip, which the transition hides. The two plain
// effects only move or fade one picture and look sluggish at that length; a cut has
// nothing to move and ends at once.
double frameDuration(TransitionEffect effect);

// Slow motion stretches every duration of a transition (frames, Dock limit, fades) ten
// times, as the effects' own frame steps assume.
inline constexpr double kSlowMotionFactor = 10;
double slowdown(Speed speed);

// The Dock's part of a transition is watched by asking the window server every 10 ms:
// often enough that the overlay comes down within a frame or two of the trip's end,
// rarely enough to cost nothing.
inline constexpr double kDockPollInterval = 0.01;

// A display link that has missed three refreshes in a row counts as stalled (its display
// went away, or the loop was busy); the fallback timer, 30 times a second, then draws
// the frames until the transition ends.
inline constexpr double kFallbackInterval = 1.0 / 30;
inline constexpr double kStalledRefreshes = 3;

// A transition whose frames and Dock part are both over but that nobody has ended
// (a hand-over that never came, say because the window could not be brought back) would
// keep its overlay over the screen for good. After this long it ends by itself, taking
// its panels away and running the idle waiters. Long next to any real hand-over.
inline constexpr double kUnendedGrace = 1.0;

// ---- Look

// The window's corner radius: the system's standard windows round theirs by 10 points.
inline constexpr float kWindowCornerRadius = 10;

// Shadows as the system draws them: a large soft one under a window, a smaller one
// under a stand-in, a title strip's a little heavier than a thumbnail's since the strip
// stands where the whole window stood.
TransitionShadow windowShadow();
TransitionShadow standInShadow(const StandInShape& shape);
// The light line inside a stand-in's edge shows on dark stand-ins and barely on light
// ones, as the system's own panels have it.
TransitionInnerRim standInInnerRim(const StandInShape& shape);

// How much of the fresh picture shows. Minimizing, the fresh picture is the stand-in's
// own look: the effect turns into it over the last quarter of its way, so that handing
// over to the stand-in panel changes nothing on screen. Restoring, the fresh picture is
// the returning window's newest one: it fades in over 0.15 seconds from its arrival
// (stretched in slow motion), so that it never pops in.
inline constexpr float kArrivalBlendStart = 0.75f;
inline constexpr double kFreshFade = 0.15;
float freshness(TransitionDirection direction, float drawnProgress, std::optional<double> sinceFresh,
                double slowdown);

// ---- Geometry

// What a transition's overlay covers: the display without its menu bar, whose strip
// stays above the overlay anyway, so that effects have the whole screen as their stage.
// Where displays share their Spaces one window may stand on several of them, so the
// overlay reaches out to wherever the stand-in lies, as far as the screens go; with
// separate Spaces a window shows on one display only, and the effect stops at its edge.
// Whole points, so that the overlay's pixels line up with the screen's. None for a
// stand-in frame that is empty or not finite, or that the area does not meet.
std::optional<platform::Rect> overlayArea(const StandInShape& standIn, const TransitionDisplay& display);

// The uniforms of a transition before its first frame: rectangles in overlay points,
// the grid, the stand-in's crop, opacity and radius, the seed; progress and freshness
// are set per frame (frameUniforms).
struct UniformInputs {
    platform::Rect area;     // the overlay's area
    platform::Rect window;   // the window's frame
    StandInShape standIn;
    platform::Rect visible;  // the display's visible frame: the room effects keep to
    double scale = 1;
    double titleBarHeight = 0;
    TransitionEffect effect = TransitionEffect::cut;
    TransitionDirection direction = TransitionDirection::minimizing;
    uint32_t seed = 0;
};
TransitionUniforms initialUniforms(const UniformInputs& in);

// A top-left rectangle in the overlay's points (origin at the area's top-left corner).
platform::simd::float4 inOverlay(const platform::Rect& r, const platform::Rect& area);

// A title strip shows the window's title bar: the share of the picture's height the
// strip keeps, kept below 1 (which is what tells a strip from a thumbnail). 1 for a
// thumbnail.
float standInCrop(const StandInShape& shape, const platform::Rect& window);

// The progress drawn at a share of the transition's time (0...1): the share itself
// minimizing, turned round restoring.
float drawnProgress(TransitionDirection direction, double timeShare);

}  // namespace furlpane::transition_choices
