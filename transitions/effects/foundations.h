#pragma once

// What every effect model shares: the seeded generator, easing, phase windows, the
// stage a thumbnail-bound effect plays in and its final shrink onto the thumbnail, and
// the control points of a cubic Bezier.
//
// A model is a plan built once per transition from the uniforms and the seed, and a
// frame function that is a pure function of the plan and the progress t. All model
// arithmetic is in double; records are written as float, each double rounded to the
// nearest float. Frame functions draw no random numbers: all randomness is settled in
// the plan, so one seed always gives the same picture.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "platform/simd/simd.h"

namespace furlpane::effects {

using platform::simd::double2;
using platform::simd::double3;
using platform::simd::double4;
using platform::simd::float4;

// A phase of a transition: a closed span of the progress t, lower never above upper,
// equal bounds allowed (an instant).
struct Phase {
    double lower = 0;
    double upper = 0;
    friend bool operator==(const Phase&, const Phase&) = default;
};

// x limited to 0...1. One rule for every model and shader: a value that is not a number
// gives 0, so that a bad input draws nothing rather than spreading through a frame.
inline double clamp01(double x) { return x > 0 ? std::min(x, 1.0) : 0.0; }
inline float clamp01(float x) { return x > 0.0f ? std::min(x, 1.0f) : 0.0f; }

// Eight ASCII characters packed with the first in the most significant byte:
// "SHADE!SH" is 0x5348414445215348.
constexpr uint64_t packTag8(std::string_view s) {
    uint64_t v = 0;
    for (size_t i = 0; i < 8; ++i) v = (v << 8) | static_cast<uint8_t>(i < s.size() ? s[i] : 0);
    return v;
}
// Four characters packed the same way into 32 bits: "STAM" is 0x5354414D.
constexpr uint32_t packTag4(std::string_view s) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(i < s.size() ? s[i] : 0);
    return v;
}

namespace tags {
inline constexpr uint64_t kClassified = packTag8("CLASSIFY");
inline constexpr uint64_t kSparks = packTag8("SPARKS!!");
inline constexpr uint64_t kShade = packTag8("SHADE!SH");
inline constexpr uint64_t kShatter = packTag8("SHATTER!");
inline constexpr uint64_t kSliderPuzzle = packTag8("PUZZLE!!");
inline constexpr uint64_t kTaco = packTag8("TACOTACO");
inline constexpr uint64_t kWater = packTag8("WATERWAT");
inline constexpr uint32_t kStamps = packTag4("STAM");
inline constexpr uint32_t kStrips = packTag4("STRP");
}  // namespace tags

// The seeded SplitMix64 stream of one effect. A local value of a plan builder; never
// shared and never kept past the build.
class EffectRandom {
public:
    // state = widen(seed) × golden ratio XOR tag (the seed is widened with zeros).
    EffectRandom(uint32_t seed, uint64_t tag) : state_(uint64_t{seed} * kGolden ^ tag) {}
    // An independent sub-stream: the seed XOR a four-character tag, then seeded as above.
    static EffectRandom subStream(uint32_t seed, uint32_t subTag, uint64_t tag) {
        return EffectRandom(seed ^ subTag, tag);
    }

    uint64_t next() {
        state_ += kGolden;
        uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // [0, 1) with 53 random bits.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // [lo, hi).
    double uniform(double lo, double hi) { return lo + unit() * (hi - lo); }
    // One unit draw: below 0.5 gives −1, otherwise +1.
    double sign() { return unit() < 0.5 ? -1.0 : 1.0; }

private:
    static constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;
    uint64_t state_;
};

// ((6x − 15)x + 10)x³ for x already in 0...1 (never clamped here).
inline double smootherstep(double x) { return ((6 * x - 15) * x + 10) * x * x * x; }
// x²(3 − 2x) for x already in 0...1 (never clamped here).
inline double smoothstep(double x) { return x * x * (3 - 2 * x); }

// The local progress of t in a phase: linear and clamped to 0...1; a phase with equal
// bounds is a step (1 at or after its instant).
double phaseProgress(Phase phase, double t);

// The progress of t in the fixed shrink window 0.8...0.9 that effects without a shrink
// window of their own use (divisor: the double difference 0.9 − 0.8).
double fixedShrinkProgress(double t);
inline constexpr Phase kFixedShrinkPhase{0.8, 0.9};

// The centre of a rectangle with half-extents `half`, moved so that the rectangle
// stays 8 points inside the room; an axis on which the room has no size, or cannot
// hold the rectangle with its margins, is left unchanged.
double2 keepInside(double2 center, double2 half, double2 roomOrigin, double2 roomSize);

struct Rect2 {
    double2 origin;
    double2 size;
    friend bool operator==(const Rect2&, const Rect2&) = default;
};

// Where the 1e-6 floor on the thumbnail size applies. Most effects floor the size
// throughout; shatter and click sparks floor it only in the growth ratio and the
// longer side.
enum class SizeFloor { throughout, ratioOnly };

// The stage in which an effect bound for the thumbnail (origin, size) plays: the
// thumbnail grown until its longer side is 240 points, never beyond `fullSize` on
// either axis and never shrunk, kept 8 points inside the room.
Rect2 stageRect(double2 fullSize, double2 origin, double2 size, double2 roomOrigin, double2 roomSize,
                SizeFloor floor = SizeFloor::throughout);

// The rectangle in which the effect is drawn at t: the stage before the shrink window,
// easing (smootherstep) onto the thumbnail inside it, the thumbnail after it.
Rect2 shrinkToThumbnail(double t, Phase shrink, double2 fullSize, double2 origin, double2 size,
                        double2 roomOrigin, double2 roomSize, SizeFloor floor = SizeFloor::throughout);

// The four control points of a cubic Bezier from a to b that leaves a along the unit
// vector d and arrives along the straight line from a; each handle 0.35 of the distance.
std::array<double2, 4> bezierPath(double2 a, double2 b, double2 d);
double2 bezierPoint(const std::array<double2, 4>& p, double t);
double2 bezierDerivative(const std::array<double2, 4>& p, double t);

// Uniforms come from outside the models. A model passes every length, coordinate and
// progress it reads from them through these before using it, so that a value that is
// not finite or absurdly large can neither make a loop run without end nor make a plan
// allocate without bound. Ordinary values pass unchanged.
//
// The longest length a model accepts, in points: the side of the largest window picture.
inline constexpr double kLongestLength = 16384;
// A length: not finite gives 0; otherwise limited to 0...kLongestLength.
double saneLength(double v);
// A coordinate: not finite gives 0; otherwise limited to ±4 × kLongestLength.
double saneCoordinate(double v);
// A fraction such as a progress or an opacity: not finite gives 0; otherwise 0...1.
double saneFraction(double v);
// A rectangle of the uniforms (origin x, y, width, height) with sane coordinates and
// lengths, widened to double.
Rect2 saneRect(float4 r);
inline double2 saneSize(platform::simd::float2 s) {
    return {saneLength(static_cast<double>(s.x)), saneLength(static_cast<double>(s.y))};
}

// Records carry floats: each double rounded to the nearest float.
inline float4 toFloat4(double4 v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z), static_cast<float>(v.w)};
}
inline float4 toFloat4(double x, double y, double z, double w) {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), static_cast<float>(w)};
}

}  // namespace furlpane::effects
