// Stand-in shaders of the taco effect. The sheet is the picture bent around the crease
// by the fold angle (a circular bend, then the straight back flap), placed by the sheet
// transform and seen through a camera at the look's distance; its outline is cut to the
// rounded shape and the finished bites in the fragment stage, and where the sheet shows
// its back it is tortilla-coloured. The pieces are soft ellipses coloured by kind.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <string>
#include <vector>

#include "platform/gpu/hot_path.h"
#include "platform/gpu/lanes.h"
#include "transitions/drawing/taco/taco_drawing.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;
using platform::simd::float4x4;
using shaders::clamp01;

namespace {

using Piece = effects::Taco::PieceFrame;

constexpr int kPieces = 2;
constexpr int kLook = 3;
constexpr int kBites = 4;

VertexOutput hidden() {
    VertexOutput out;
    out.position = {-2, -2, 0, 1};
    return out;
}

float4 perspective(float4 p, float camera, const TransitionUniforms& u) {
    const float2 c{u.viewSize.x / 2, u.viewSize.y / 2};
    const float w = std::max(camera - p.z, 1.0f) / std::max(camera, 1.0f);
    const float2 seen{c.x + (p.x - c.x) / w, c.y + (p.y - c.y) / w};
    const float4 clip = shaders::clipPosition(seen, u);
    return {clip.x * w, clip.y * w, 0, w};
}

struct Bent {
    float y;
    float z;
    float facing;  // cos of the surface's turn: below 0 the sheet shows its back
};

// Where sheet row y lies once the sheet is bent by theta around the crease.
Bent bend(float y, float crease, float radius, float theta) {
    if (y <= crease || !(radius > 0) || !(theta > 0)) return {y, 0, 1};
    const float d = y - crease;
    if (d <= radius * theta) {
        const float phi = d / radius;
        return {crease + radius * std::sin(phi), radius * (1 - std::cos(phi)), std::cos(phi)};
    }
    const float beyond = d - radius * theta;
    return {crease + radius * std::sin(theta) + beyond * std::cos(theta),
            radius * (1 - std::cos(theta)) + beyond * std::sin(theta), std::cos(theta)};
}

// Varyings: 0-1 the sheet point (before bending), 2 facing, 3 the bent point's y (where
// the bites, planned on the folded taco, are tested).
VertexOutput tacoVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto look = in.resources.array<float4>(kLook);
    if (look.size() < 22) return hidden();
    const float top = look[5].x, height = look[5].x + look[5].y, width = 2 * look[6].x;
    const int rows = tacoSheetRows(u);
    const int boundary = static_cast<int>(in.vertexId / 2);
    const float x = (in.vertexId & 1u) ? width : 0.0f;
    const float y = boundary == 0 ? 0.0f : top + static_cast<float>(boundary - 1) * (height - top) / rows;
    const Bent b = bend(y, look[4].x, look[4].y, look[4].z);
    const float4x4 sheet{look[0], look[1], look[2], look[3]};
    VertexOutput out;
    out.position = perspective(sheet * float4{x, b.y, b.z, 1}, look[7].z, u);
    out.varyings = {x, y, b.facing, b.y};
    return out;
}

// The bites taken so far, as the look holds them: each one's centre and how far it
// reaches. The same for every pixel of a frame: gathered once per draw (tacoBites) and
// bound to the sheet's fragments, or once per quad when nothing is bound.
struct Bites {
    std::array<float4, 12> taken{};  // centre x, y, reach
    std::size_t count = 0;
};

Bites bitesOf(std::span<const float4> look) {
    Bites b;
    for (std::size_t i = 0; i < 12; ++i) {
        const float4 bite = look[10 + i];
        if (!(bite.z > 0 && bite.w > 0)) continue;
        b.taken[b.count++] = {bite.x, bite.y, 0.925f * bite.z * shaders::smoothstep01(bite.w), 0};
    }
    return b;
}

// The bound bites: their count, then the bites.
Bites bitesOf(const StageResources& r, std::span<const float4> look) {
    const auto bound = r.array<float4>(kBites);
    if (bound.empty() || !(bound[0].x >= 0 && bound[0].x <= 12) || bound.size() < 1 + std::size_t(bound[0].x))
        return bitesOf(look);
    Bites b;
    b.count = std::size_t(bound[0].x);
    std::copy_n(bound.begin() + 1, b.count, b.taken.begin());
    return b;
}

// What the coverage of every pixel of a frame shares, read from the look once per quad.
struct Outline {
    float top, height, half, round, middle, upper, lower, exponent;
    float pixelsPerPoint;
    bool titleStrip, eaten;
    // A pixel above the first and below the second (a pixel or more inside the lowest
    // upper edge and the highest lower edge the outline can have) is whole whatever the
    // outline's factor.
    float lowestLower, highestUpper;
    // Within these the rounding of either way of working out a pixel's depth stays far
    // below the slack of outlineBounds.
    bool bounded;
    // The edges where the outline's factor is 1 (edgeDepth unrounded).
    float flatLower, flatUpper;

    Outline() = default;
    Outline(std::span<const float4> look, float pixelsPerPoint, bool titleStrip)
        : top(look[5].x), height(look[5].x + look[5].y), half(look[6].x), round(look[5].w), middle(look[5].z),
          upper(look[6].y), lower(look[6].z), exponent(look[6].w), pixelsPerPoint(pixelsPerPoint),
          titleStrip(titleStrip), eaten(look[8].z == 0) {
        const float margin = 1 / std::max(pixelsPerPoint, 0.5f);
        lowestLower = shaders::mix(height, middle, round) - margin;
        highestUpper = shaders::mix(0.0f, middle, round) + margin;
        bounded = exponent >= 2 && exponent <= 8 && round >= 0 && round <= 1 && upper >= 0 && lower >= 0 &&
                  pixelsPerPoint > 0 && pixelsPerPoint <= 8 && std::fabs(height) <= 16384 &&
                  std::fabs(middle) <= 16384 && upper <= 16384 && lower <= 16384;
        flatLower = shaders::mix(height, middle + lower, round);
        flatUpper = titleStrip ? 0.0f : shaders::mix(0.0f, middle - upper, round);
    }
};

// How far the pixel at y lies inside the nearer edge of the outline at column q, in
// points; with the superellipse's factor when rounded, else with the straight edges.
float edgeDepth(float y, float q, const Outline& o, bool rounded) {
    float f = 1;
    if (rounded) {
        const float e = o.exponent;
        const float qe = e == 5.0f ? q * q * q * q * q : std::pow(q, e);
        f = std::pow(std::max(0.0f, 1 - qe), 1 / e);
    }
    const float lowerEdge = shaders::mix(o.height, o.middle + o.lower * f, o.round);
    const float upperEdge = o.titleStrip ? 0.0f : shaders::mix(0.0f, o.middle - o.upper * f, o.round);
    return std::min(lowerEdge - y, y - upperEdge);
}

// The outline's factor at column q (0 in the middle, 1 at the sides) lies between that
// of a circle and that of a superellipse of exponent 8 for any exponent from 2 to 8;
// where the pixel lies inside (or outside) the outline whichever factor in that range
// it has, by a margin far larger than the rounding of either, its coverage is known
// without the two powers.
enum class Known : std::uint8_t { unknown, inside, outside };

Known outlineBounds(float q, float y, const Outline& o) {
    if (!o.bounded) return Known::unknown;
    const float q2 = q * q, q8 = q2 * q2 * q2 * q2;
    const float least = std::sqrt(std::max(0.0f, 1 - q2));
    const float most = std::sqrt(std::sqrt(std::sqrt(std::max(0.0f, 1 - q8))));
    // Pixels from the nearer edge, for a factor f: both grow with f.
    const auto depth = [&](float f) {
        const float below = shaders::mix(o.height, o.middle + o.lower * f, o.round) - y;
        const float above = o.titleStrip ? y : y - shaders::mix(0.0f, o.middle - o.upper * f, o.round);
        return std::min(below, above) * o.pixelsPerPoint;
    };
    constexpr float kSlack = 0.25f;  // pixels
    if (depth(least) >= 0.5f + kSlack) return Known::inside;
    if (depth(most) <= -0.5f - kSlack) return Known::outside;
    return Known::unknown;
}

// How far the pixel at sheet point p lies inside the rounded outline's edges, in points;
// false where the outline leaves it out whatever the bites.
bool outlineDepth(float2 p, const Outline& o, float& inside) {
    const float q = std::min(1.0f, std::fabs(p.x - o.half) / std::max(o.half, 1e-6f));
    // The outline's factor at this column; not needed while the sheet is a rectangle, nor
    // between lowestLower and highestUpper.
    const bool nearLower = p.y > o.lowestLower;
    const bool nearUpper = !o.titleStrip && p.y < o.highestUpper;
    // Where the edges leave the pixel whole, the bites alone decide (an edge that does not
    // cut the pixel stands for any depth of half a pixel or more).
    inside = 0.5f / std::max(o.pixelsPerPoint, 1e-6f) + 1;
    if (o.round > 0 && (nearLower || nearUpper)) {
        const Known known = outlineBounds(q, p.y, o);
        if (known == Known::outside) return false;
        if (known == Known::unknown) inside = edgeDepth(p.y, q, o, true);
    } else {
        inside = edgeDepth(p.y, q, o, false);
    }
    return true;
}

float coverageOf(float inside, const Outline& o) { return clamp01(0.5f + inside * o.pixelsPerPoint); }

// The share of the pixel inside the rounded outline, less the bites taken; p is the
// sheet point, folded its y once bent.
float sheetCoverage(float2 p, float folded, const Outline& o, const Bites& bites) {
    float inside;
    if (!outlineDepth(p, o, inside)) return 0;
    if (p.y > o.top) {
        if (o.eaten) return 0;  // only the flat strip is left
        for (std::size_t i = 0; i < bites.count; ++i) {
            const float4 bite = bites.taken[i];
            const float dx = p.x - bite.x, dy = std::max(folded, o.top) - bite.y;
            inside = std::min(inside, std::sqrt(dx * dx + dy * dy) - bite.z);
        }
    }
    return coverageOf(inside, o);
}

// The sheet's colour at a lane: the picture, through the tortilla where the sheet shows
// its back.
float4 sheetColor(float4 front, float facing, float coverage) {
    const float4 back = mix(front, float4{0.93f, 0.80f, 0.52f, 1}, 0.6f);
    return (facing < 0 ? back : front) * coverage;
}

void tacoFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    const auto look = r.array<float4>(kLook);
    if (!picture || !sampler || look.size() < 22) {
        q.discardMask = 0xF;
        return;
    }
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const bool silhouette = shaders::isSilhouettePass(r);
    const float width = std::max(2 * look[6].x, 1.0f), height = std::max(look[5].x + look[5].y, 1.0f);
    const auto points = q.varying2(0);
    const float fade = look[7].y;
    const Bites bites = bitesOf(r, look);
    const Outline outline(look, u.pixelsPerPoint, look[8].y > 0.5f);
    // A lane the outline or the bites leave uncovered adds nothing (the pipeline blends
    // premultiplied colour and leaves depth alone): it is discarded, and a quad with no
    // lane left reads no picture.
    float cover[4];
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<std::size_t>(lane);
        cover[i] = sheetCoverage(points[i], q.varying(3, lane), outline, bites) * fade;
        if (cover[i] == 0) q.discard(lane);
    }
    if (q.discardMask == 0xF) return;
    platform::gpu::Quad<float2> uv;
    for (std::size_t i = 0; i < 4; ++i) uv[i] = {points[i].x / width, points[i].y / height};
    const auto colors = picture->sample(*sampler, uv);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<std::size_t>(lane);
        const float a = cover[i];
        if (a == 0) continue;
        shaders::emit(q, lane, sheetColor(colors[i], q.varying(2, lane), a), silhouette);
    }
}

// The same a span at a time, with the picture bound and the look read once per draw.
constexpr int kFactorSteps = 32;

struct TacoConstants {
    BoundTexture picture;  // empty when there is nothing to draw
    Bites bites;
    Outline outline;
    // The outline's factor at columns k / kFactorSteps for the draw's own exponent (when
    // bounded): it falls from the middle to the sides, so a lane between two of these
    // columns has a factor between their two, a far narrower range than outlineBounds
    // allows for any exponent, and the powers are left to the lanes that lie within a
    // pixel or so of the edge.
    float factors[kFactorSteps + 1];
    float width, height, fade;
    bool silhouette;
};

void prepareSheet(const StageResources& r, TacoConstants& c) {
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    const auto look = r.array<float4>(kLook);
    if (!picture || !sampler || look.size() < 22) return;
    const TransitionUniforms& u = shaders::uniformsOf(r);
    c.picture = {picture, sampler};
    c.bites = bitesOf(r, look);
    c.outline = Outline(look, u.pixelsPerPoint, look[8].y > 0.5f);
    if (c.outline.bounded)
        for (int k = 0; k <= kFactorSteps; ++k) {
            const double e = c.outline.exponent, q = double(k) / kFactorSteps;
            c.factors[k] = float(std::pow(std::max(0.0, 1 - std::pow(q, e)), 1 / e));
        }
    c.width = std::max(2 * look[6].x, 1.0f);
    c.height = std::max(look[5].x + look[5].y, 1.0f);
    c.fade = look[7].y;
    c.silhouette = shaders::isSilhouettePass(r);
}

using lanes::f32x8;
using lanes::i32x8;

unsigned maskOf(i32x8 m) {
    unsigned bits = 0;
    for (int lane = 0; lane < kSpanLanes; ++lane) bits |= (m[lane] != 0 ? 1u : 0u) << lane;
    return bits;
}

i32x8 laneMask(unsigned bits) {
    return (lanes::splat8(std::int32_t(bits)) & i32x8{1, 2, 4, 8, 16, 32, 64, 128}) != 0;
}

f32x8 magnitude(f32x8 x) { return std::bit_cast<f32x8>(std::bit_cast<i32x8>(x) & 0x7FFFFFFF); }

// The coverage of the span's lanes, as sheetCoverage gives it times the fade: eight lanes
// at once with the same operations, but for the lanes near a rounded edge, which take
// outlineDepth lane by lane.
f32x8 spanCoverage(const FragmentSpan& s, const TacoConstants& c) {
    const Outline& o = c.outline;
    const f32x8 x = lanes::load8(s.varyings[0]), y = lanes::load8(s.varyings[1]);
    // edgeDepth with the factor 1.
    const f32x8 below = o.flatLower - y, above = y - o.flatUpper;
    alignas(32) float inside[kSpanLanes];
    lanes::store8(inside, above < below ? above : below);
    unsigned none = 0;
    const unsigned near = o.round > 0 ? maskOf(o.titleStrip ? y > o.lowestLower
                                                            : (y > o.lowestLower) | (y < o.highestUpper))
                                      : 0u;
    if (near) {
        const f32x8 zero = lanes::splat8(0.0f), one = lanes::splat8(1.0f);
        const f32x8 across = magnitude(x - o.half) / std::max(o.half, 1e-6f);
        alignas(32) float q[kSpanLanes];
        lanes::store8(q, across < 1.0f ? across : one);  // std::min(1.0f, across)
        unsigned unknown = near;
        if (o.bounded) {
            // Pixels from the nearer edge at the factor f, as outlineBounds has them.
            const auto depth = [&o](auto f, auto at) {
                const auto under = o.height + ((o.middle + o.lower * f) - o.height) * o.round - at;
                const auto over = o.titleStrip ? at : at - (0.0f + ((o.middle - o.upper * f) - 0.0f) * o.round);
                return (over < under ? over : under) * o.pixelsPerPoint;
            };
            const float deep = 0.5f / std::max(o.pixelsPerPoint, 1e-6f) + 1;
            // outlineBounds for every lane, then the table's narrower bounds for the lanes
            // left unknown but for those in the last step, where the factor plunges to 0
            // and the rounding of q and of the powers could carry it past the next value.
            // The margin covers the table's own rounding.
            const f32x8 q2 = lanes::load8(q) * lanes::load8(q), q8 = q2 * q2 * q2 * q2;
            const f32x8 least = lanes::sqrt(0.0f < 1 - q2 ? 1 - q2 : zero);
            const f32x8 most = lanes::sqrt(lanes::sqrt(lanes::sqrt(0.0f < 1 - q8 ? 1 - q8 : zero)));
            const unsigned whole = maskOf(depth(least, y) >= 0.75f) & near;
            const unsigned out = maskOf(depth(most, y) <= -0.75f) & near & ~whole;
            unknown = near & ~whole & ~out;
            none |= out;
            for (unsigned bits = whole; bits; bits &= bits - 1) inside[std::countr_zero(bits)] = deep;
            constexpr float kMargin = 1e-6f;
            for (unsigned bits = unknown; bits; bits &= bits - 1) {
                const int lane = std::countr_zero(bits);
                const int k = int(q[lane] * kFactorSteps);
                if (k < 0 || k >= kFactorSteps - 1) continue;
                if (depth(c.factors[k + 1] - kMargin, y[lane]) >= 0.75f) {
                    inside[lane] = deep;
                    unknown &= ~(1u << lane);
                } else if (depth(c.factors[k] + kMargin, y[lane]) <= -0.75f) {
                    none |= 1u << lane;
                    unknown &= ~(1u << lane);
                }
            }
        }
        for (; unknown; unknown &= unknown - 1) {
            const int lane = std::countr_zero(unknown);
            inside[lane] = edgeDepth(y[lane], q[lane], o, true);
        }
    }
    f32x8 depth = lanes::load8(inside);
    const unsigned bitten = maskOf(y > o.top) & ~none;
    if (bitten && o.eaten) none |= bitten;
    else if (bitten && c.bites.count) {
        const f32x8 folded = lanes::load8(s.varyings[3]);
        const f32x8 at = folded < o.top ? lanes::splat8(o.top) : folded;  // std::max(folded, top)
        f32x8 least = depth;
        for (std::size_t i = 0; i < c.bites.count; ++i) {
            const float4 bite = c.bites.taken[i];
            const f32x8 dx = x - bite.x, dy = at - bite.y;
            const f32x8 d = lanes::sqrt(dx * dx + dy * dy) - bite.z;
            least = d < least ? d : least;  // std::min(least, d)
        }
        depth = laneMask(bitten) ? least : depth;
    }
    // clamp01(0.5 + inside * pixelsPerPoint) * fade, 0 where the outline or the eaten
    // sheet leaves the lane out.
    const f32x8 t = 0.5f + depth * o.pixelsPerPoint;
    const f32x8 zero = lanes::splat8(0.0f), clamped = t > 0.0f ? (1.0f < t ? lanes::splat8(1.0f) : t) : zero;
    return (laneMask(none) ? zero : clamped) * c.fade;
}

FURLPANE_HOT_PATH void sheetSpan(FragmentSpan& s, const TacoConstants& c) {
    if (!c.picture) {
        s.discardMask = 0xFF;
        return;
    }
    const f32x8 cover = spanCoverage(s, c);
    s.discardMask = static_cast<std::uint8_t>(maskOf(cover == 0.0f));
    if (s.discardMask == 0xFF) return;
    alignas(32) float u[kSpanLanes], v[kSpanLanes];
    lanes::store8(u, lanes::load8(s.varyings[0]) / c.width);
    lanes::store8(v, lanes::load8(s.varyings[1]) / c.height);
    SpanColors colors;
    c.picture.sample(u, v, colors);
    // sheetColor, channel by channel.
    const i32x8 back = lanes::load8(s.varyings[2]) < 0.0f;
    const auto face = [&](const float* front, float tortilla) {
        const f32x8 f = lanes::load8(front);
        return (back ? f + (tortilla - f) * 0.6f : f) * cover;
    };
    const f32x8 a = face(colors.a, 1);
    lanes::store8(s.color.a, a);
    lanes::store8(s.color.r, c.silhouette ? a : face(colors.r, 0.93f));
    lanes::store8(s.color.g, c.silhouette ? a : face(colors.g, 0.80f));
    lanes::store8(s.color.b, c.silhouette ? a : face(colors.b, 0.52f));
}

// Varyings: 0-1 position in the piece (-1 ... 1), 2 kind, 3 tint, 4 visibility (2 to 4 flat).
VertexOutput tacoPiecesVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto pieces = in.resources.array<Piece>(kPieces);
    const auto look = in.resources.array<float4>(kLook);
    if (in.instanceId >= pieces.size() || look.size() < 22) return hidden();
    const Piece& p = pieces[in.instanceId];
    if (!(p.look.z > 0)) return hidden();
    const float2 c = shaders::stripCorner(in.vertexId);
    const float2 local{(c.x - 0.5f) * p.form.x * p.place.w, (c.y - 0.5f) * p.form.y * p.place.w};
    const float co = std::cos(p.form.z), si = std::sin(p.form.z);
    const float4 at{p.place.x + local.x * co - local.y * si, p.place.y + local.x * si + local.y * co, p.place.z, 1};
    VertexOutput out;
    out.position = perspective(at, look[7].z, u);
    out.varyings = {c.x * 2 - 1, c.y * 2 - 1, p.look.x, p.look.y, p.look.z * look[7].y};
    return out;
}

float4 kindColor(int kind, float tint) {
    static constexpr float4 kColors[] = {
        {0.36f, 0.70f, 0.20f, 1},  // lettuce
        {0.98f, 0.78f, 0.20f, 1},  // cheese
        {0.86f, 0.16f, 0.10f, 1},  // tomato
        {0.46f, 0.25f, 0.12f, 1},  // meat
        {0.95f, 0.93f, 0.86f, 1},  // onion
        {0.16f, 0.50f, 0.16f, 1},  // cilantro
        {0.92f, 0.77f, 0.45f, 1},  // shell
        {0.42f, 0.76f, 0.26f, 1},  // leaf
    };
    const float4 base = kColors[std::clamp(kind, 0, 7)];
    const float light = 0.8f + 0.4f * tint;
    return {std::min(1.0f, base.x * light), std::min(1.0f, base.y * light), std::min(1.0f, base.z * light), 1};
}

void tacoPiecesFragment(FragmentQuad& q) {
    const bool silhouette = shaders::isSilhouettePass(*q.resources);
    const float4 color = kindColor(static_cast<int>(q.varying(2, 0) + 0.5f), q.varying(3, 0));
    const float visibility = clamp01(q.varying(4, 0));
    for (int lane = 0; lane < 4; ++lane) {
        const float x = q.varying(0, lane), y = q.varying(1, lane);
        const float a = clamp01((1 - (x * x + y * y)) * 3) * visibility;
        shaders::emit(q, lane, color * a, silhouette);
    }
}

}  // namespace

std::vector<float4> tacoBites(std::span<const float4> look) {
    if (look.size() < 22) return {};
    const Bites bites = bitesOf(look);
    std::vector<float4> bound{{float(bites.count), 0, 0, 0}};
    bound.insert(bound.end(), bites.taken.begin(), bites.taken.begin() + std::ptrdiff_t(bites.count));
    return bound;
}

void registerTacoShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("tacoVertex", {4, 0}, tacoVertex);
    catalog.addFragmentFunction("tacoFragment", tacoFragment, spanFunction<TacoConstants, prepareSheet, sheetSpan>());
    catalog.addVertexFunction("tacoPiecesVertex", {5, 0b11100u}, tacoPiecesVertex);
    catalog.addFragmentFunction("tacoPiecesFragment", tacoPiecesFragment);
}

}  // namespace furlpane
