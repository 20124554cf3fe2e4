// moonless: the picture goes dark and turns into smoke. Night creeps in from the edges
// through the smoke field (moonless_drawing.h): each cell darkens at its time and then
// breaks up into smoke that rises, curls and thins out above it. Bound for a thumbnail
// the stand-in's picture then forms out of the smoke the same way, backwards; a title
// strip's body goes up in smoke below its title bar, which stays.
//
// Twin quads (sheet.h) with room above for the smoke; the field as fragment texture 3.
// Also the field pass, which draws each cell's time and number once.

#include <algorithm>
#include <cmath>

#include "transitions/drawing/moonless/moonless_drawing.h"
#include "transitions/shaders/effect_shaders.h"
#include "transitions/shaders/picture_quad.h"
#include "transitions/shaders/sheet.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

constexpr float kMargin = 40;        // points the smoke rises beyond the window
constexpr float kRise = 0.22f;       // how far smoke rises while it lives, in picture heights
constexpr float4 kSmoke{0.11f, 0.12f, 0.17f, 1};
constexpr float kNight = 0.18f;      // how long a cell darkens before it turns

VertexOutput smokeVertex(const VertexInput& in) { return shaders::twinQuadVertex(in, kMargin); }

// Field pass: per cell, when it turns (the edges first, ragged by the noise) and a
// number of its own.
void fieldFragment(FragmentQuad& q) {
    const auto f = q.varying2(0);
    const auto coarse = shaders::noiseAt(*q.resources, f, 6, 0), fine = shaders::noiseAt(*q.resources, f, 23, 1);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const float edge = 2 * std::min({f[i].x, 1 - f[i].x, f[i].y, 1 - f[i].y});
        const float turns = shaders::clamp01(0.45f * edge + 0.4f * coarse[i] + 0.15f * fine[i]);
        q.color[lane] = {turns, fine[i], 0, 1};
    }
}

// The smoke field at picture coordinates uv (its rows lie below a title bar).
platform::gpu::Quad<float4> fieldAt(const StageResources& r, const platform::gpu::Quad<float2>& uv, float share) {
    const Texture* field = r.texture(kSmokeFieldTexture);
    if (!field) return {};
    platform::gpu::Quad<float2> at;
    for (size_t i = 0; i < 4; ++i) at[i] = {uv[i].x, (uv[i].y - share) / std::max(1 - share, 1e-3f)};
    return field->sample(*r.sampler(0), at);
}

// Whether the whole quad still shows the picture as it was: on the picture, and not yet
// darkening at the clock.
bool untouched(const platform::gpu::Quad<float2>& uv, const platform::gpu::Quad<float4>& field, float clock) {
    for (size_t i = 0; i < 4; ++i) {
        const bool onPicture = uv[i].x >= 0 && uv[i].x <= 1 && uv[i].y >= 0 && uv[i].y <= 1;
        if (!onPicture || clock - field[i].x >= -kNight) return false;
    }
    return true;
}

// How much of the picture still stands solid at a lane: all of a title bar, and of the
// rest until its cell turns; none off the picture.
float solidAt(float2 uv, float here, float clock, float share) {
    const bool onPicture = uv.x >= 0 && uv.x <= 1 && uv.y >= 0 && uv.y <= 1;
    const bool bar = onPicture && uv.y < share;
    return bar ? 1 : onPicture ? 1 - shaders::smoothstep01((clock - here) / 0.06f) : 0;
}

// How far inside the picture (below its title bar) the cell under the smoke lies, as
// a share of the smoke's soft edge.
float smokeColumn(float2 below, float share) {
    return shaders::clamp01(std::min({below.x, 1 - below.x, below.y - share, 1 - below.y}) / 0.04f);
}

void smokeFragment(FragmentQuad& q) {
    if (!shaders::readyToDraw(q)) return;
    const StageResources& r = *q.resources;
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const bool silhouette = shaders::isSilhouettePass(r);
    const float gone = shaders::twinProgress(u, q.varying(6, 0));
    const float clock = 1.45f * gone - 0.25f, share = shaders::titleShare(u);
    const float keep = shaders::arrivingAlpha(u, shaders::clamp01(u.progress));
    const auto uv = q.varying2(0);
    const float lingering = 1 - shaders::smoothstep01((gone - 0.7f) / 0.3f);  // the smoke has cleared by the end
    if (!(lingering > 0) && !isTitleStrip(u)) {
        q.discardMask = 0xF;
        return;
    }
    // Off the picture only smoke shows: a quad wholly beside it reads neither the picture
    // nor the field there.
    bool showsPicture = false;
    for (size_t i = 0; i < 4; ++i)
        showsPicture = showsPicture || (uv[i].x >= 0 && uv[i].x <= 1 && uv[i].y >= 0 && uv[i].y <= 1);
    const auto here = showsPicture ? fieldAt(r, uv, share) : platform::gpu::Quad<float4>{};
    const auto colors = showsPicture ? shaders::pictureColors(r, uv) : platform::gpu::Quad<float4>{};
    const float fade = shaders::shadowOf(r).unframedFade;
    if (untouched(uv, here, clock)) {
        for (int lane = 0; lane < 4; ++lane) {
            const auto i = static_cast<size_t>(lane);
            const float alpha = q.varying(2, lane) * fade * (uv[i].y < share ? keep : 1.0f);
            shaders::emitSheet(q, lane, colors[i] * shaders::sheetCorners(uv[i], q.varying(5, lane), u), alpha,
                               silhouette);
        }
        return;
    }
    platform::gpu::Quad<float2> below, curl;
    for (size_t i = 0; i < 4; ++i) below[i] = uv[i] + float2{0, kRise * gone};
    // Plumes: the noise stretched upwards and carried up as the smoke rises.
    for (size_t i = 0; i < 4; ++i) curl[i] = float2{1.1f * uv[i].x, 0.35f * uv[i].y + 0.5f * gone};
    // Smoke rises only where the picture has gone, and only above the picture: while every
    // lane still stands solid or lies beside the smoke's column (or the smoke has cleared)
    // its density is 0 whatever the field below, the swirl and the puffs, which are then
    // not read.
    bool smoky = false;
    for (size_t i = 0; i < 4; ++i)
        smoky = smoky || (1 - solidAt(uv[i], here[i].x, clock, share) != 0 && smokeColumn(below[i], share) != 0);
    smoky = smoky && lingering != 0;
    // Beside the picture with no smoke there is nothing to draw (and nothing to blend).
    if (!showsPicture && !smoky) {
        q.discardMask = 0xF;
        return;
    }
    const auto source = smoky ? fieldAt(r, below, share) : platform::gpu::Quad<float4>{};
    const auto swirl = smoky ? shaders::noiseAt(r, curl, 11, 2) : platform::gpu::Quad<float>{};
    const auto puffs = smoky ? shaders::noiseAt(r, curl, 29, 3) : platform::gpu::Quad<float>{};
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const bool onPicture = uv[i].x >= 0 && uv[i].x <= 1 && uv[i].y >= 0 && uv[i].y <= 1;
        const bool bar = onPicture && uv[i].y < share;
        const float age = clock - here[i].x;
        const float solid = solidAt(uv[i], here[i].x, clock, share);
        const float night = bar ? 0 : 0.8f * shaders::smoothstep01((age + kNight) / kNight);
        const float4 picture = colors[i] * solid;
        const float4 dark{picture.x * (1 - night), picture.y * (1 - night), picture.z * (1 - night), picture.w};
        // Smoke above a cell that has turned, thinning as it rises and as the cell ages.
        const float smokeAge = clock - source[i].x + 0.1f * (swirl[i] - 0.5f);
        const float life = shaders::smoothstep01(smokeAge / 0.08f) * (1 - shaders::smoothstep01(smokeAge / 0.7f));
        const float2 b = below[i];
        const float inside = smokeColumn(b, share);
        const float wisp = shaders::smoothstep01((0.6f * puffs[i] + 0.4f * swirl[i] - 0.3f) / 0.45f);
        const float density = inside * life * wisp * (1 - solid) * 0.9f * lingering;
        const float4 smoke = kSmoke * density;
        const float alpha = q.varying(2, lane) * fade * (bar ? keep : 1.0f);
        const float corners = onPicture ? shaders::sheetCorners(uv[i], q.varying(5, lane), u) : 1.0f;
        shaders::emitSheet(q, lane, dark * corners + smoke * (1 - dark.w * corners), alpha, silhouette);
    }
}

}  // namespace

void registerMoonlessShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "moonless", shaders::kTwinVaryings, smokeVertex, smokeFragment);
    registerCopyShaders(catalog, "moonlessField");
    catalog.addFragmentFunction("moonlessFieldFragment", fieldFragment);
}

}  // namespace furlpane
