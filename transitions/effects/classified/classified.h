#pragma once

// The classified effect: the window becomes a classified document. Black marker bars
// cover its writing, two rubber stamps slam onto the page, and the page is cut into
// vertical strips that are shredded and fly onto the thumbnail, or (bound for a title
// strip) are let go below the title bar and fall away.
//
// Three stages, each a pure function:
//   readInk      the window picture (read back at a small mip level) to an ink map;
//   classifiedPlan / buildClassified
//                the plan: timing, redaction bars (placeBars), stamps and strips, drawn
//                from three seeded streams;
//   barFrames / stripFrames
//                the records the graphics processor draws: bars once, strips per frame.
//
// Coordinates are points of the window, origin at its top-left corner, y downward; the
// title bar is the band 0 ... titleBar at the top. Records carry floats rounded from the
// model's doubles.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "transitions/effects/effect_model.h"
#include "transitions/effects/foundations.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {

using platform::simd::double4x4;
using platform::simd::float4x4;

struct Classified {
    // Where the writing of the window picture is, one flag per texel.
    struct Ink {
        int width = 0;          // texels per row
        int height = 0;         // rows
        double texel = 1;       // points per texel
        // width × height flags, row-major, row 0 at the top; 1 = ink, 0 = not. Bytes
        // rather than packed bits: the analysis writes and reads them per texel.
        std::vector<std::uint8_t> marks;
        double lightness = 1;   // mean luma of the opaque texels, 0 ... 1; 1 when there are none
    };

    // A 4-connected blob of ink, in texels; right and bottom are exclusive.
    struct Blob {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        int count = 0;
        friend bool operator==(const Blob&, const Blob&) = default;
    };

    // One redaction bar: its rectangle (x, y, width, height) in points, the progress at
    // which its marker stroke begins and how much progress the stroke takes.
    struct Bar {
        double4 rect;
        double start = 0;
        double takes = 0;
    };

    // Phase windows of the progress t. A window whose lower bound is 2 never begins.
    struct Timing {
        Phase redact;
        std::array<double, 2> impacts{};
        Phase shred;
        Phase releases;
        Phase fade;
        double flight = 0;
        Phase seams;
        Phase corners;
        Phase shrink;
    };

    struct Stamp {
        double2 center;
        double2 size;       // height = width / 3.6
        double angle = 0;   // radians
        double impact = 0;  // the t at which it hits
        double ink = 0;     // strength of the print
        double force = 0;   // strength of the blow
    };

    // The motion of one strip; see stripFrames for how each value moves it.
    struct Strip {
        double sway = 0;
        double swayPhase = 0;
        double twist = 0;
        double twistPhase = 0;
        double curl = 0;
        double lean = 0;
        double release = 2;  // title strip: when the strip is let go (2: never)
        double3 velocity;    // title strip: its fall after the release
        double spin = 0;
        double flip = 0;
        double freed = 0;    // when the shredder has cut it free
        double turns = 1;    // thumbnail: direction of the full turn in flight, ±1
        double wobble = 0;   // thumbnail: largest rotation in the page plane in flight
    };

    // 32 bytes per bar: (x, y, width, height) and (start, takes, (i mod 977) / 977, 0).
    struct BarFrame {
        float4 rect;
        float4 timing;
    };

    // 128 bytes per drawn strip. transform maps the strip's own frame (origin at its top
    // centre, x across, y down its length) into the overlay; source is its rectangle on
    // the page; wave = (attached, sway, sway phase, twist); bend = (twist phase, turn,
    // curl, lean); look = (alpha, flight, seam, 0).
    struct StripFrame {
        float4x4 transform;
        float4 source;
        float4 wave;
        float4 bend;
        float4 look;
    };

    double2 size;          // W × H, each at least 2
    bool isTitleStrip = false;
    double titleBar = 0;   // 0 ... H − 1
    double top = 0;        // top of the shredded part: titleBar for a title strip, else 0
    Timing timing;
    std::vector<Bar> bars;  // sorted by start
    std::vector<Stamp> stamps;  // always two
    std::vector<Strip> strips;  // left to right
    double stripWidth = 0;
    double lightness = 1;
    bool towardRight = false;  // the stand-in's centre lies right of the window's
};

inline constexpr int kMaxRedactionBars = 1500;

// ---- Ink map (ink_map.cpp) ----

// The ink map of a picture: 8-bit BGRA, premultiplied alpha, rows rowBytes apart. A
// range too short for the rows, a row pitch shorter than a row, or sides beyond 16384
// give a map without marks and lightness 1 (with sides of 0 for the absurd sizes).
Classified::Ink readInk(std::span<const std::uint8_t> pixels, int width, int height, std::size_t rowBytes,
                        double texel);

// Which mip level of a picture is read back for the ink map, and how the copy is laid
// out: the first level at or below the picture's size in points whose texel count is at
// most 420,000 (the last level when none is), rows padded to 256 bytes.
struct ReadBackLayout {
    int level = 0;
    int width = 1;
    int height = 1;
    std::size_t rowBytes = 256;
    std::size_t length = 256;  // rowBytes × height
    double texel = 1;          // points per texel of that level
};
inline constexpr long kReadBackTexelLimit = 420'000;
ReadBackLayout readBackLayout(int levelCount, int width, int height, double pixelsPerPoint);

// ---- Redaction bars (redaction_bars.cpp) ----

// The 4-connected blobs of marks, in the order of their first texel (row-major). Marks
// shorter than width × height give no blobs.
std::vector<Classified::Blob> inkBlobs(int width, int height, std::span<const std::uint8_t> marks);

// The redaction bars over the ink, sorted by start, at most 1,500. Draws one unit from
// random per word looked at and one per bar kept.
std::vector<Classified::Bar> placeBars(int width, int height, double texel, std::span<const std::uint8_t> marks,
                                       double2 size, double titleBar, const Classified::Timing& timing,
                                       EffectRandom& random);

// ---- Plan (classified_plan.cpp) ----

// Strips for a window of this width: about one per 6 to 12 points, 2 ... 256.
int stripCount(double width);
Classified::Timing classifiedTiming(bool isTitleStrip);
// Without an ink map (none) the plan has no bars and lightness 1.
Classified classifiedPlan(const TransitionUniforms& uniforms, const std::optional<Classified::Ink>& ink = std::nullopt);
Classified buildClassified(bool isTitleStrip, std::uint32_t seed, const std::optional<Classified::Ink>& ink, int count,
                           bool towardRight, double2 size, double titleBar);
std::vector<Classified::Stamp> placeStamps(const Classified::Timing& timing, EffectRandom& random, double2 size,
                                           double titleBar);

// ---- Frames (classified_frames.cpp) ----

std::vector<Classified::BarFrame> barFrames(const Classified& plan);
// How hard the page is shaken at t by the stamps' blows.
double stampThump(const Classified& plan, double t);
// The page matrix at t, shared by the strips that still hang on the page.
double4x4 stripTransform(const Classified& plan, double t, double2 windowOrigin);
// The strips in drawing order and the frame-wide look values:
//   0  (mode, camera distance, corner phase, 0): mode 1 before the redaction, 2 once a
//      thumbnail's shrink is over, else 0
//   1  (1 for a title strip else 0, tone, lightness, 0)
//   2  (W, H, top, stripWidth)
//   3  (the progress the stamp prints have reached, number of bars, 0, 0)
//   4 + 2k, 5 + 2k  stamp k: (centre, size) and (angle, impact, ink, 0)
//   then seven entries per stamp, all zero while it is not in the air or pressed:
//      its model matrix on the page (four columns; origin at the stamp's centre, x
//      along its width, z up from the page), (visibility, ink, height above the
//      page, 1 while pressed), (width, height, tilt, swing), (offset x, offset y,
//      force, k)
using ClassifiedFrame = EffectFrame<Classified::StripFrame>;
ClassifiedFrame stripFrames(const Classified& plan, double t, const Placement& placement);

static_assert(sizeof(Classified::BarFrame) == 32);
static_assert(sizeof(Classified::StripFrame) == 128);

}  // namespace furlpane::effects
