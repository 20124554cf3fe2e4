// The span form of "water": the quad form's layers (water_shaders.cpp) for eight lanes at
// once, the same operations in the same order lane by lane, with what a draw looks up
// read once. Quads that a puddle reaches, rare and costly, are shaded by the quad form.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>

#include "platform/gpu/hot_path.h"
#include "platform/gpu/lanes.h"
#include "transitions/drawing/water/water_drawing.h"
#include "transitions/drawing/water/water_shading.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane::water_shading {

using namespace platform::gpu;
using lanes::f32x8;
using lanes::i32x8;
using platform::simd::float2;
using platform::simd::float4;

namespace {

// A sampler for every descriptor atLevelZero can make, which a draw binds with its picture:
// a span form's constants cannot hold one of their own (they are copied).
const Sampler* levelZeroSampler(const Sampler& sampler) {
    static const std::array<Sampler, 8> kSamplers = [] {
        const auto make = [](unsigned i) {
            SamplerDescriptor d;
            d.minFilter = d.magFilter = (i & 1) ? SamplerFilter::linear : SamplerFilter::nearest;
            d.mipFilter = MipFilter::notMipmapped;
            d.sAddressMode = (i & 2) ? AddressMode::repeat : AddressMode::clampToEdge;
            d.tAddressMode = (i & 4) ? AddressMode::repeat : AddressMode::clampToEdge;
            return Sampler(d);
        };
        return std::array<Sampler, 8>{make(0), make(1), make(2), make(3), make(4), make(5), make(6), make(7)};
    }();
    const SamplerDescriptor d = shaders::atLevelZero(sampler).descriptor();
    for (const Sampler& s : kSamplers) {
        const SamplerDescriptor& e = s.descriptor();
        if (e.minFilter == d.minFilter && e.magFilter == d.magFilter && e.mipFilter == d.mipFilter &&
            e.sAddressMode == d.sAddressMode && e.tAddressMode == d.tAddressMode)
            return &s;
    }
    return nullptr;
}

struct WaterConstants {
    bool ready;        // false: every quad is shaded by the quad form
    bool nothing;      // nothing is bound to draw with: every lane is discarded
    BoundTexture picture;  // at level of detail 0
    const Texture* field;  // null where the frame reads no field
    const Sampler* levelZero;
    const TransitionUniforms* u;
    const float4* look;  // 15 entries
    float2 extent;       // of the field, points
    DropCells cells;     // side 0: none bound, the field may be touched anywhere
    const std::uint8_t* marks;
    float fade;
    bool silhouette;
};

void prepareWater(const StageResources& r, WaterConstants& c) {
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    const auto look = r.array<float4>(kLook);
    if (!picture || !sampler || look.size() < 15) {
        c.nothing = true;
        return;
    }
    c.levelZero = levelZeroSampler(*sampler);
    if (!c.levelZero) return;
    c.ready = true;
    c.picture = {picture, c.levelZero};
    c.u = &shaders::uniformsOf(r);
    c.look = look.data();
    const float4 info = look[2];
    c.extent = {info.z * info.x, info.w * info.x};
    if (look[4].y > 0.5f && c.extent.x > 0 && c.extent.y > 0) c.field = r.texture(kField);
    const auto* cells = r.value<DropCells>(kDropCellsIndex);
    const auto marks = r.array<std::uint8_t>(kDropCellMarksIndex);
    if (cells && cells->side > 0 && cells->columns != 0 && cells->rows != 0 &&
        marks.size() >= std::size_t(cells->columns) * cells->rows) {
        c.cells = *cells;
        c.marks = marks.data();
    }
    c.fade = shaders::shadowOf(r).unframedFade;
    c.silhouette = shaders::isSilhouettePass(r);
}

struct Colors {
    f32x8 r, g, b, a;
};

Colors zeros() { return {lanes::splat8(0.0f), lanes::splat8(0.0f), lanes::splat8(0.0f), lanes::splat8(0.0f)}; }
Colors times(const Colors& c, f32x8 k) { return {c.r * k, c.g * k, c.b * k, c.a * k}; }
Colors where(i32x8 mask, const Colors& c, const Colors& otherwise) {
    return {mask ? c.r : otherwise.r, mask ? c.g : otherwise.g, mask ? c.b : otherwise.b, mask ? c.a : otherwise.a};
}
Colors over(const Colors& below, const Colors& above) {
    const f32x8 k = 1.0f - above.a;
    return {above.r + below.r * k, above.g + below.g * k, above.b + below.b * k, above.a + below.a * k};
}

f32x8 clamp01(f32x8 x) { return x > 0.0f ? (1.0f < x ? lanes::splat8(1.0f) : x) : lanes::splat8(0.0f); }
f32x8 smoothstep01(f32x8 x) {
    const f32x8 c = clamp01(x);
    return c * c * (3.0f - 2.0f * c);
}
f32x8 magnitude(f32x8 x) { return std::bit_cast<f32x8>(std::bit_cast<i32x8>(x) & 0x7FFFFFFF); }
bool any(i32x8 mask) { return !lanes::allZero(mask); }

// shaders::cornerCoverage, lane by lane, at (x, y) from the rectangle's centre.
f32x8 cornerCoverage(f32x8 x, f32x8 y, float2 half, float radius, float pixelsPerPoint) {
    if (radius <= 0) return lanes::splat8(1.0f);
    const f32x8 cx = magnitude(x) - (half.x - radius), cy = magnitude(y) - (half.y - radius);
    const f32x8 distance = lanes::sqrt(cx * cx + cy * cy) - radius;
    return (cx <= 0.0f) | (cy <= 0.0f) ? lanes::splat8(1.0f) : clamp01(0.5f - distance * pixelsPerPoint);
}

// What a span reads besides its points.
struct Span {
    const WaterConstants& c;
    f32x8 x, y;  // view points

    // The picture on the rectangle `rect` read at (px, py), cut with rounded corners of
    // radius at the lanes' own points (Scene::pictureIn); read only where some lane lies
    // on it.
    Colors pictureIn(float4 rect, f32x8 px, f32x8 py, float radius) const {
        if (!(rect.z > 0 && rect.w > 0)) return zeros();
        alignas(32) float u[kSpanLanes], v[kSpanLanes];
        const f32x8 uu = (px - rect.x) / rect.z, vv = (py - rect.y) / rect.w;
        const i32x8 on = ~((uu < 0.0f) | (vv < 0.0f) | (uu > 1.0f) | (vv > 1.0f));
        if (!any(on)) return zeros();
        lanes::store8(u, uu), lanes::store8(v, vv);
        SpanColors read;
        c.picture.sample(u, v, read);
        const float2 half = rect.zw() * 0.5f;
        const f32x8 cover = cornerCoverage(x - rect.x - half.x, y - rect.y - half.y, half,
                                           std::min(radius, std::min(half.x, half.y)), c.u->pixelsPerPoint);
        const Colors color{lanes::load8(read.r), lanes::load8(read.g), lanes::load8(read.b), lanes::load8(read.a)};
        return where(on, times(color, cover), zeros());
    }
    Colors window() const { return pictureIn(c.u->window, x, y, c.u->cornerRadius); }
};

// Bit q set where quad q may read the field where a drop touched it, as nearDrops finds.
unsigned nearDrops(const Span& s) {
    const DropCells& cells = s.c.cells;
    if (!(cells.side > 0)) return 3u;
    const i32x8 finite = (magnitude(s.x) <= std::numeric_limits<float>::max()) &
                         (magnitude(s.y) <= std::numeric_limits<float>::max());
    // floor, then clamp to the cells, is clamp, then floor (truncation, at 0 or above).
    const auto cell = [&](f32x8 at, std::uint32_t count) {
        const f32x8 c = at / cells.side, last = lanes::splat8(static_cast<float>(count - 1));
        return __builtin_convertvector(c > 0.0f ? (c < last ? c : last) : lanes::splat8(0.0f), i32x8);
    };
    const i32x8 index = cell(s.y, cells.rows) * std::int32_t(cells.columns) + cell(s.x, cells.columns);
    unsigned near = 0;
    for (int i = 0; i < kSpanLanes; ++i)
        if (!finite[i] || s.c.marks[std::uint32_t(index[i])]) near |= 1u << (i >> 2);
    return near;
}

// Bit q set where a puddle reaches a lane of quad q, as puddleReaches finds.
unsigned puddlesReach(const Span& s) {
    const float4* look = s.c.look;
    unsigned reached = 0;
    for (const std::size_t first : {std::size_t(5), std::size_t(10)}) {
        if (!(look[first + 4].x > 0.5f)) continue;
        const float4 target = look[first];
        const float2 half = target.zw() * 0.5f + float2(look[first + 2].x);
        const i32x8 within = (magnitude(s.x - target.x - target.z * 0.5f) <= half.x) &
                             (magnitude(s.y - target.y - target.w * 0.5f) <= half.y);
        for (int q = 0; q < 2; ++q)
            if (!lanes::allZero(lanes::i32x4{within[4 * q], within[4 * q + 1], within[4 * q + 2], within[4 * q + 3]}))
                reached |= 1u << q;
    }
    return reached;
}

// The field's red and green in the lanes of the quads in `quads` (bit q: quad q).
void fieldIn(const Span& s, unsigned quads, f32x8& red, f32x8& green) {
    red = lanes::splat8(0.0f), green = red;
    for (int q = 0; q < 2; ++q) {
        if (!(quads & (1u << q))) continue;
        Quad<float2> at;
        for (int i = 0; i < 4; ++i) at[std::size_t(i)] = float2{s.x[4 * q + i], s.y[4 * q + i]} / s.c.extent;
        const Quad<float4> f = s.c.field->sample(*s.c.levelZero, at);
        for (int i = 0; i < 4; ++i) red[4 * q + i] = f[std::size_t(i)].x, green[4 * q + i] = f[std::size_t(i)].y;
    }
}

// ripplePoint for the lanes in `moving`, the swell worked out lane by lane only where it is
// not 0; the other lanes keep their points.
void ripplePoints(float4 ripple, f32x8 x, f32x8 y, i32x8 moving, f32x8& movedX, f32x8& movedY) {
    const f32x8 dx = x - ripple.x, dy = y - ripple.y;
    const f32x8 distance = lanes::sqrt(dx * dx + dy * dy);
    const f32x8 t = (distance - ripple.z) / 14.0f;
    moving &= ~(distance < 1e-3f);
    f32x8 swell = lanes::splat8(0.0f);
    for (int i = 0; i < kSpanLanes; ++i)
        if (moving[i] && !(t[i] * t[i] > 104.0f)) swell[i] = std::exp(-t[i] * t[i]);
    const f32x8 k = 5.0f * ripple.w * swell;
    movedX = moving ? x - dx / distance * k : x;
    movedY = moving ? y - dy / distance * k : y;
}

// The water the drops make (dropsAt), where `wet` lanes pass the level; `window` is the
// unrippled window, read already.
Colors drops(const Span& s, f32x8 red, f32x8 green, i32x8 wet, const Colors& window) {
    const float4* look = s.c.look;
    const float level = std::max(look[1].x, 1e-3f);
    const f32x8 a = smoothstep01((red - 0.85f * level) / (0.3f * level));
    wet &= a > 0.0f;
    if (!any(wet)) return zeros();
    const f32x8 share = clamp01(green / (red < 1e-4f ? lanes::splat8(1e-4f) : red));
    Colors under = window;
    if (const float4 ripple = look[3]; ripple.w > 0) {
        f32x8 x, y;
        ripplePoints(ripple, s.x, s.y, wet, x, y);
        under = s.pictureIn(s.c.u->window, x, y, s.c.u->cornerRadius);
    }
    const f32x8 edge = 4.0f * a * (1.0f - a), rest = 1.0f - share;
    const auto channel = [&](f32x8 below, float water, float sheen) {
        return (below * share + (water + below * (1 - kWater.w) * 0.4f) * rest + sheen * edge) * a;
    };
    const Colors c{channel(under.r, kWater.x, 0.25f), channel(under.g, kWater.y, 0.25f),
                   channel(under.b, kWater.z, 0.25f), channel(under.a, kWater.w, 0.0f)};
    return where(wet, c, zeros());
}

// The quad form's lane loop for the quads in `quads`, without puddles: `field` holds the
// quads whose field is read.
void shadeLanes(FragmentSpan& span, const Span& s, unsigned field) {
    const WaterConstants& c = s.c;
    const TransitionUniforms& u = *c.u;
    const float4* look = c.look;
    const i32x8 fieldLanes = lanes::perQuad(field & 1 ? -1 : 0, field & 2 ? -1 : 0);
    const bool titleStrip = isTitleStrip(u);
    const bool windowRead = look[4].x > 0.5f || titleStrip || (field && !(look[3].w > 0));
    const Colors window = windowRead ? s.window() : zeros();
    Colors color = zeros();
    if (look[4].x > 0.5f) color = over(color, window);
    if (field) {
        f32x8 red, green;
        fieldIn(s, field, red, green);
        color = where(fieldLanes, over(color, drops(s, red, green, fieldLanes, window)), color);
    }
    if (look[4].z > 0.5f) {
        const float scale = u.window.z > 0 ? std::min(1.0f, u.standIn.z / u.window.z) : 1.0f;
        const Colors standIn = s.pictureIn(u.standIn, s.x, s.y, u.cornerRadius * scale);
        color = over(color, times(standIn, lanes::splat8(shaders::clamp01(u.opacity))));
    }
    Colors titleBar = zeros();
    if (titleStrip) {
        const float bar = std::clamp(u.titleBarHeight, 0.0f, std::max(u.window.w - 1, 0.0f));
        titleBar = where(s.y > u.window.y + bar, zeros(), window);
    }
    color = over(color, titleBar);
    const Colors shown = times(color, lanes::splat8(c.fade));
    alignas(32) std::uint32_t adds[kSpanLanes];
    const i32x8 nonZero = (shown.r != 0.0f) | (shown.g != 0.0f) | (shown.b != 0.0f) | (shown.a != 0.0f);
    lanes::store8(reinterpret_cast<float*>(adds), std::bit_cast<f32x8>(nonZero));
    span.discardMask = static_cast<std::uint8_t>(~lanes::nonZeroMask(adds));
    const Colors out = c.silhouette ? Colors{shown.a, shown.a, shown.a, shown.a} : shown;
    lanes::store8(span.color.r, out.r);
    lanes::store8(span.color.g, out.g);
    lanes::store8(span.color.b, out.b);
    lanes::store8(span.color.a, out.a);
}

// Quad q of the span through the quad form.
void shadeQuad(FragmentSpan& span, int q) {
    FragmentQuad quad;
    quad.x = span.x + 2 * q;
    quad.y = span.y;
    quad.liveMask = static_cast<std::uint8_t>(span.liveMask >> (4 * q) & 15u);
    quad.frontFacing = span.frontFacing;
    quad.instanceId = span.instanceId;
    quad.resources = span.resources;
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < 4; ++i) quad.varyings[k][i] = span.varyings[k][4 * q + i];
    waterFragment(quad);
    for (int i = 0; i < 4; ++i) {
        const int lane = 4 * q + i;
        const float4 c = quad.color[i];
        span.color.r[lane] = c.x, span.color.g[lane] = c.y, span.color.b[lane] = c.z, span.color.a[lane] = c.w;
    }
    span.discardMask = static_cast<std::uint8_t>((span.discardMask & ~(15u << (4 * q))) | quad.discardMask << (4 * q));
}

FURLPANE_HOT_PATH void waterSpanShade(FragmentSpan& span, const WaterConstants& c) {
    if (c.nothing) {
        span.discardMask = 0xFF;
        return;
    }
    if (!c.ready) {
        shadeQuad(span, 0);
        shadeQuad(span, 1);
        return;
    }
    const Span s{c, lanes::load8(span.varyings[0]), lanes::load8(span.varyings[1])};
    const unsigned puddled = puddlesReach(s), field = c.field ? nearDrops(s) & ~puddled : 0u;
    // Quads that no layer reaches.
    const bool layers = c.look[4].x > 0.5f || c.look[4].z > 0.5f || isTitleStrip(*c.u) || !std::isfinite(c.fade);
    const unsigned empty = layers ? 0u : 3u & ~puddled & ~field;
    if ((puddled | empty) != 3u) shadeLanes(span, s, field);
    for (int q = 0; q < 2; ++q) {
        if (puddled & (1u << q)) shadeQuad(span, q);
        if (empty & (1u << q)) span.discardMask = static_cast<std::uint8_t>(span.discardMask | 15u << (4 * q));
    }
}

}  // namespace

SpanFunction waterSpan() { return spanFunction<WaterConstants, prepareWater, waterSpanShade>(); }

}  // namespace furlpane::water_shading
