#pragma once

// What the effects without a model share: the window picture as a sheet that is cut into
// a mesh, moved point by point in a vertex function and drawn by one fragment function.
//
// A sheet point carries its place in the view, its depth towards the viewer, its
// picture coordinates and how it is lit. The fragment samples the picture there (with
// the fresher picture mixed in), cuts the window's rounded corners out of it, and shows
// the back of the paper where the sheet is turned away.
//
// Rows of a sheet. A mesh is drawn as one triangle strip per row of cells (instance
// `row`, vertices 2 × (columns + 1)), which keeps every shared corner the same bits in
// both rows that meet there. For a title strip the first row is the title bar itself and
// the other rows share the body below it, so that an effect can keep the title bar still.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/gpu/gpu.h"
#include "platform/gpu/lanes.h"
#include "platform/simd/simd.h"
#include "transitions/effects/transition_uniforms.h"
#include "transitions/shaders/shader_support.h"
#include "transitions/shaders/span_quads.h"

namespace furlpane::shaders {

struct SheetPoint {
    float2 at;         // view points
    float depth = 0;   // points towards the viewer (perspective and depth test)
    float2 uv;         // picture coordinates
    float alpha = 1;
    float light = 1;   // a factor on the colour
    float facing = 1;  // below 0 the back of the paper shows
    float scale = 1;   // the sheet's size against the window's, for the corners' soft edge
};

// Varyings of the sheet: 0-1 uv, 2 alpha, 3 light, 4 facing, 5 scale.
inline constexpr platform::gpu::VaryingLayout kSheetVaryings{6, 0};

// The distance of the camera from the view: perspective grows what stands out.
float cameraDistance(const TransitionUniforms& u);
VertexOutput sheetVertex(const SheetPoint& point, const TransitionUniforms& u);
// A vertex that draws nothing.
VertexOutput hiddenVertex();
// Fragment texture 0 with the fresher picture mixed in by the uniforms' freshness.
[[gnu::always_inline]] inline platform::gpu::Quad<float4> pictureColors(const StageResources& r,
                                                                         const platform::gpu::Quad<float2>& uv) {
    const platform::gpu::Texture* picture = r.texture(0);
    const platform::gpu::Texture* fresh = r.texture(1);
    const platform::gpu::Sampler* sampler = r.sampler(0);
    if (!picture || !sampler) return {};
    platform::gpu::Quad<float4> colors = picture->sample(*sampler, uv);
    const float freshness = clamp01(uniformsOf(r).freshness);
    if (fresh && fresh != picture && freshness > 0) {
        const auto later = fresh->sample(*sampler, uv);
        for (std::size_t i = 0; i < 4; ++i) colors[i] = mix(colors[i], later[i], freshness);
    }
    return colors;
}
// How much of the pixel at picture coordinates uv the window's rounded corners leave.
// Inline, as are the other helpers shaders call per lane or per quad: a float4 (or a quad
// of floats) passed to or returned from a call goes through the stack in halves.
[[gnu::always_inline]] inline float sheetCorners(float2 uv, float scale, const TransitionUniforms& u) {
    const float2 size{std::max(u.window.z, 1.0f), std::max(u.window.w, 1.0f)};
    const float radius = std::clamp(u.cornerRadius, 0.0f, 0.5f * std::min(size.x, size.y));
    return cornerCoverage((uv - float2{0.5f, 0.5f}) * size, size * 0.5f, radius,
                          u.pixelsPerPoint * std::max(scale, 1e-3f));
}
// The back of the paper, lit like its front.
inline constexpr float4 kPaperBack{0.9f, 0.89f, 0.86f, 1};
// Writes lane `lane` of a sheet colour (premultiplied, before the sheet's alpha), with
// the back of the paper where facing is below 0.
[[gnu::always_inline]] inline void emitSheet(FragmentQuad& q, int lane, float4 color, float alpha, bool silhouette) {
    const float light = q.varying(3, lane);
    const float4 face = q.varying(4, lane) >= 0 ? color : kPaperBack * color.w;
    emit(q, lane, float4{face.x * light, face.y * light, face.z * light, face.w} * clamp01(alpha), silhouette);
}
// The sheet fragment: the picture (or the back of the paper) at the varyings.
void sheetFragment(FragmentQuad& q);

// The picture's share of its height the title bar takes: the stand-in's crop for a
// title strip, 0 for a thumbnail.
float titleShare(const TransitionUniforms& u);
// How the rows of a mesh share the picture's height: evenly, or (for a title strip) with
// the title bar as row 0 and the other rows sharing the body below it.
enum class Rows : std::uint8_t { even, titleBarFirst };
// The top of row `row` of `rows` in picture coordinates; row `rows` is the bottom edge.
float rowTop(std::uint32_t row, std::uint32_t rows, Rows layout, const TransitionUniforms& u);
// The picture coordinates of vertex `vertex` of row strip `row`: columns + 1 pairs of
// (top, bottom) corners from left to right.
float2 rowVertexUV(std::uint32_t row, std::uint32_t vertex, std::uint32_t columns, std::uint32_t rows, Rows layout,
                   const TransitionUniforms& u);
// The rows of a mesh with `bodyRows` rows below the title bar for a title strip (and the
// title bar's own row), or `bodyRows` for a thumbnail.
std::uint32_t meshRows(std::uint32_t bodyRows, const TransitionUniforms& u);
// Whether the uniforms place the sheet anywhere sound: the window, the stand-in and the
// view finite, no side beyond the largest picture's and no corner beyond four of them.
// Anything else draws nothing rather than triangles the size of the universe.
bool placesSoundly(const TransitionUniforms& u);
// Draws the scene's effect (its pair, the depth test as asked) as one triangle strip per
// row of a mesh; nothing without a picture or a sound placement.
void drawRows(const EffectPass& pass, std::uint32_t columns, std::uint32_t rows,
              DepthTest depth = DepthTest::off);

// Registers an effect's pair, "<name>Vertex" and "<name>Fragment" (with its span form,
// if any); without a fragment function, the sheet fragment and its span form.
void registerPair(platform::gpu::ShaderCatalog& catalog, std::string_view name, platform::gpu::VaryingLayout layout,
                  platform::gpu::VertexFunction vertex, platform::gpu::FragmentFunction fragment = {},
                  platform::gpu::SpanFunction span = {});
// Whether the quad has a picture and a sampler to draw with; when not, it is discarded.
bool readyToDraw(FragmentQuad& q);

// Twin quads, for effects that take the picture apart where the window stands and put
// it together where the stand-in stands: instance 0 is the window, instance 1 (for a
// thumbnail only) the stand-in, each grown by `margin` points of the window on every
// side, so that uv runs beyond 0 ... 1 on the margin. Varyings: the sheet's, then 6 the
// instance (flat); alpha 1 at the window, the stand-in's opacity on the stand-in.
inline constexpr platform::gpu::VaryingLayout kTwinVaryings{7, 0x40u};
VertexOutput twinQuadVertex(const VertexInput& in, float margin);
void drawTwinQuads(const EffectPass& pass);
// How far the effect has gone on twin quad `instance` at the uniforms' progress: at the
// window from 0 (whole) up to 1 (gone) by kTwinGone, at the stand-in back down to 0 from
// kTwinBack on, so that the two overlap in the middle; a title strip's window goes the
// whole transition.
inline constexpr float kTwinGone = 0.7f;
inline constexpr float kTwinBack = 0.3f;
float twinProgress(const TransitionUniforms& u, float instance);

// A deterministic hash of two integers and the seed, as a number in [0, 1).
float hash01(std::uint32_t a, std::uint32_t b, std::uint32_t seed);
// Smooth noise in [0, 1] from the renderer's noise texture (fragment texture 2) for the
// four lanes, all four channels (independent noises) at once; 0.5 without the texture.
// `cells` noise cells span one unit of p.
[[gnu::always_inline]] inline platform::gpu::Quad<float4> noiseTexels(const StageResources& r,
                                                                      const platform::gpu::Quad<float2>& p,
                                                                      float cells) {
    const platform::gpu::Texture* noise = r.texture(2);
    const platform::gpu::Sampler* sampler = r.sampler(0);
    if (!noise || !sampler) return {float4(0.5f), float4(0.5f), float4(0.5f), float4(0.5f)};
    const float side = float(noise->width());
    platform::gpu::Quad<float2> at;
    for (std::size_t i = 0; i < 4; ++i) at[i] = (p[i] * cells + float2{0.5f, 0.5f}) / side;
    return noise->sample(*sampler, at);
}
// One channel c of that noise.
[[gnu::always_inline]] inline platform::gpu::Quad<float> noiseAt(const StageResources& r,
                                                                  const platform::gpu::Quad<float2>& p, float cells,
                                                                  int channel) {
    const auto texels = noiseTexels(r, p, cells);
    platform::gpu::Quad<float> out;
    for (std::size_t i = 0; i < 4; ++i) out[i] = texels[i][channel & 3];
    return out;
}

// std::round (halves away from zero) without the library call it costs on processors
// without a rounding instruction; the same value for every float. Without branches, so
// that loops over the lanes of a quad run four at once.
[[gnu::always_inline]] inline float roundHalfAway(float x) {
    const bool whole = !(std::fabs(x) < 8388608.0f);  // whole already, infinite or NaN
    const float t = float(static_cast<std::int32_t>(whole ? 0.0f : x));  // towards zero
    const float r = std::copysign(std::fabs(x - t) >= 0.5f ? t + std::copysign(1.0f, x) : t, x);
    return whole ? x : r;
}

// The sheet's per-lane helpers for the four lanes of a quad at once: each lane takes the
// same IEEE operations in the same order as the scalar helpers, so the bytes stay the same.
namespace lanes4 {
using platform::gpu::lanes::f32x4;
using platform::gpu::lanes::f32x8;
using platform::gpu::lanes::i32x4;
using platform::gpu::lanes::i32x8;
inline f32x4 of(const float (&v)[4]) {
    f32x4 out;
    std::memcpy(&out, v, sizeof out);
    return out;
}
// A varying of a span's eight lanes.
inline f32x8 of(const float (&v)[platform::gpu::kSpanLanes]) { return platform::gpu::lanes::load8(v); }
inline f32x4 of(const platform::gpu::Quad<float>& v) {
    f32x4 out;
    std::memcpy(&out, v.data(), sizeof out);
    return out;
}
// select, magnitude, larger, smaller and sheetCorners take the eight lanes of a span
// (lanes::f32x8) as well.
template <class F, class I>
F select(I mask, F a, F b) {
    return mask ? a : b;
}
template <class F>
F magnitude(F x) {
    using I = decltype(x < x);
    return std::bit_cast<F>(std::bit_cast<I>(x) & 0x7FFFFFFF);
}
// x with the sign of s.
inline f32x4 withSignOf(f32x4 x, f32x4 s) {
    const i32x4 sign = std::bit_cast<i32x4>(s) & platform::gpu::lanes::splat(std::int32_t(0x80000000u));
    return std::bit_cast<f32x4>((std::bit_cast<i32x4>(x) & 0x7FFFFFFF) | sign);
}
// roundHalfAway.
inline f32x4 roundHalfAway(f32x4 x) {
    const i32x4 whole = !(magnitude(x) < 8388608.0f);
    const f32x4 zero = platform::gpu::lanes::splat(0.0f), one = platform::gpu::lanes::splat(1.0f);
    const f32x4 t = platform::gpu::lanes::toFloat(__builtin_convertvector(select(whole, zero, x), i32x4));
    const f32x4 r = withSignOf(select(magnitude(x - t) >= 0.5f, t + withSignOf(one, x), t), x);
    return select(whole, x, r);
}
// std::max and std::min, NaN included.
template <class F>
F larger(F a, F b) {
    return select(a < b, b, a);
}
template <class F>
F smaller(F a, F b) {
    return select(b < a, b, a);
}
// The colours of the four lanes as four channels, red first.
inline void channels(const platform::gpu::Quad<float4>& colors, f32x4 (&out)[4]) {
    for (int k = 0; k < 4; ++k) out[k] = f32x4{colors[0][k], colors[1][k], colors[2][k], colors[3][k]};
}
// sheetCorners.
template <class F>
[[gnu::always_inline]] inline F sheetCorners(F u, F v, F scale, const TransitionUniforms& uniforms) {
    const F one = F{} + 1.0f;
    const float2 size{std::max(uniforms.window.z, 1.0f), std::max(uniforms.window.w, 1.0f)};
    const float radius = std::clamp(uniforms.cornerRadius, 0.0f, 0.5f * std::min(size.x, size.y));
    if (radius <= 0) return one;
    const float2 half = size * 0.5f;
    const F cx = magnitude((u - 0.5f) * size.x) - (half.x - radius);
    const F cy = magnitude((v - 0.5f) * size.y) - (half.y - radius);
    const F ppp = uniforms.pixelsPerPoint * larger(scale, F{} + 1e-3f);
    const F distance = platform::gpu::lanes::sqrt(cx * cx + cy * cy) - radius;
    return select((cx <= 0.0f) | (cy <= 0.0f), one, platform::gpu::lanes::clamp01(0.5f - distance * ppp));
}
// emitSheet: the colour's channels (premultiplied, before the sheet's alpha) lit and
// faced by the sheet's varyings.
// The channels of the colour as emitSheet writes them, for lanes of either width.
template <class F>
[[gnu::always_inline]] inline void litSheet(const F (&color)[4], F alpha, F light, F facing, F (&out)[4]) {
    const F a = platform::gpu::lanes::clamp01(alpha);
    const auto front = facing >= 0.0f;
    const F w = color[3];
    for (int k = 0; k < 3; ++k) out[k] = select(front, color[k], kPaperBack[k] * w) * light * a;
    out[3] = select(front, w, kPaperBack[3] * w) * a;
}
[[gnu::always_inline]] inline void emitSheet(FragmentQuad& q, const f32x4 (&color)[4], f32x4 alpha, bool silhouette) {
    f32x4 out[4];
    litSheet(color, alpha, of(q.varyings[3]), of(q.varyings[4]), out);
    for (int lane = 0; lane < 4; ++lane) {
        const float4 c{out[0][lane], out[1][lane], out[2][lane], out[3][lane]};
        q.color[lane] = silhouette ? float4(c.w) : c;
    }
}
// The same for the eight lanes of a span.
[[gnu::always_inline]] inline void emitSheet(platform::gpu::FragmentSpan& s, const f32x8 (&color)[4], f32x8 alpha,
                                             bool silhouette) {
    f32x8 out[4];
    litSheet(color, alpha, of(s.varyings[3]), of(s.varyings[4]), out);
    if (silhouette) out[0] = out[1] = out[2] = out[3];
    platform::gpu::lanes::store8(s.color.r, out[0]);
    platform::gpu::lanes::store8(s.color.g, out[1]);
    platform::gpu::lanes::store8(s.color.b, out[2]);
    platform::gpu::lanes::store8(s.color.a, out[3]);
}
// Discards the lanes of a span whose colour is 0 in every channel: blended premultiplied
// over the target they would leave it as it is, at the cost of a merge. Only for draws
// that blend so and write no depth.
inline void discardClearLanes(platform::gpu::FragmentSpan& s) {
    const auto clear = (of(s.color.r) == 0.0f) & (of(s.color.g) == 0.0f) & (of(s.color.b) == 0.0f) &
                       (of(s.color.a) == 0.0f);
    for (int lane = 0; lane < platform::gpu::kSpanLanes; ++lane)
        if (clear[lane]) s.discardMask = static_cast<std::uint8_t>(s.discardMask | (1u << lane));
}
}  // namespace lanes4

// pictureColors for the lanes of a span at u, v, channel by channel; 0 without a picture.
void pictureColors(const SpanPicture& picture, const float* u, const float* v, lanes4::f32x8 (&out)[4]);
// The sheet fragment a span at a time.
struct SheetConstants {
    SpanPicture picture;
    const TransitionUniforms* uniforms;
    float fade;
    bool silhouette;
};
void prepareSheet(const StageResources& r, SheetConstants& c);
void sheetSpan(platform::gpu::FragmentSpan& s, const SheetConstants& c);

// The stand-in's alpha at the eased progress e: 1 at the window, its opacity at the end.
inline float arrivingAlpha(const TransitionUniforms& u, float e) { return mix(1.0f, u.opacity, e); }

}  // namespace furlpane::shaders
