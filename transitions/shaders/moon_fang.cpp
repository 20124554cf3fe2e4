// moonFang: the picture is bitten away in arcs. Round bites, one after another, take
// arcs out of the picture from one side to the other (the seed chooses the side and
// where each lands), each bite's edge shadowed like a fang's mark, until the last bite
// takes what is left. Bound for a thumbnail the stand-in's picture then waxes into view
// like the moon, behind a curved edge that sweeps across it; a title strip's body is
// bitten away from the bottom up to its title bar, which stays.
//
// Twin quads (sheet.h). The bites are worked out from the seed once per draw and bound
// as fragment buffer 2.

#include <algorithm>
#include <array>
#include <cmath>

#include "transitions/shaders/effect_shaders.h"
#include "transitions/shaders/sheet.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;
using platform::gpu::Quad;

namespace {

constexpr int kBites = 14;
constexpr float kChomp = 0.06f;  // how long one bite takes, in the effect's own progress
constexpr float kFirstBite = 0.03f;
constexpr float kMark = 10;      // points of shadow inside a bite's edge
constexpr float kTeeth = 5;      // points by which the teeth roughen a bite's edge

struct Bite {
    float2 centre;  // points of the window picture
    float radius;   // at its full size
    float time;     // when it starts
};

// The bites of a picture of `size` points whose body starts at `top`: they march across
// (or, for a title strip, up) with the seed's scatter; the last one takes everything.
std::array<Bite, kBites> bitesOf(float2 size, float top, bool upward, std::uint32_t seed) {
    std::array<Bite, kBites> bites{};
    const bool fromRight = (seed >> 1) & 1u;
    const float reach = length(size);
    for (int k = 0; k < kBites; ++k) {
        const float a = shaders::hash01(static_cast<std::uint32_t>(k), 1, seed);
        const float b = shaders::hash01(static_cast<std::uint32_t>(k), 2, seed);
        const float along = (float(k) + 0.3f + 0.4f * a) / float(kBites);
        Bite& bite = bites[static_cast<size_t>(k)];
        if (upward) bite.centre = {size.x * (0.15f + 0.7f * b), size.y - (size.y - top) * along};
        else bite.centre = {size.x * (fromRight ? 1 - along : along), top + (size.y - top) * (0.1f + 0.8f * b)};
        bite.radius = (0.12f + 0.07f * a) * reach * (upward ? 0.7f : 1.0f);
        bite.time = kFirstBite + 0.85f * float(k) / float(kBites - 1);
    }
    bites.back().radius = 1.2f * reach;
    return bites;
}

// The bites of a picture as the draw binds them (fragment buffer kBitesIndex), worked
// out once per draw rather than once per quad; worked out here when none are bound.
constexpr int kBitesIndex = 2;

std::array<Bite, kBites> bitesOf(const StageResources& r, float2 size, float top, const TransitionUniforms& u) {
    const auto bound = r.array<Bite>(kBitesIndex);
    if (bound.size() < kBites) return bitesOf(size, top, isTitleStrip(u), u.seed);
    std::array<Bite, kBites> bites;
    std::copy_n(bound.begin(), kBites, bites.begin());
    return bites;
}

// The bites that matter to one quad, in order of their times: those begun, with their
// radius at `gone`, less those that stay further from every lane than a bite's shadow
// and teeth reach (beyond that the lanes are whole and lit whatever the bite). Swallowed:
// a bite has taken every lane by more than a pixel, so that none of them shows. Lanes at
// points that are not finite leave every bite in.
struct Reach {
    std::array<float2, kBites> centre{};
    std::array<float, kBites> radius{};
    std::size_t count = 0;
    bool swallowed = false;
};

Reach reachOf(const std::array<Bite, kBites>& bites, float gone, const Quad<float2>& at, float pixelsPerPoint) {
    float x0 = at[0].x, x1 = at[0].x, y0 = at[0].y, y1 = at[0].y;
    bool finite = true;
    for (const float2 p : at) {
        finite = finite && std::isfinite(p.x) && std::isfinite(p.y);
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    const bool cull = finite && pixelsPerPoint > 0 && std::isfinite(pixelsPerPoint);
    const float pixel = cull ? 1 / pixelsPerPoint : 0;
    const float far = std::max(kMark, pixel) + kTeeth + 1, deep = pixel + 1;  // points, with a point to spare
    Reach reach;
    for (const Bite& bite : bites) {
        if (!(gone > bite.time)) break;
        const float bitten = shaders::smoothstep01((gone - bite.time) / kChomp);
        const float radius = bite.radius * bitten;
        if (cull) {
            const float2 c = bite.centre;
            const float nearest =
                length(float2{std::max({c.x - x1, x0 - c.x, 0.0f}), std::max({c.y - y1, y0 - c.y, 0.0f})});
            if (nearest - radius >= far) continue;
            const float farthest = length(float2{std::max(std::fabs(c.x - x0), std::fabs(c.x - x1)),
                                                 std::max(std::fabs(c.y - y0), std::fabs(c.y - y1))});
            reach.swallowed = reach.swallowed || farthest <= radius - deep;
        }
        reach.centre[reach.count] = bite.centre;
        reach.radius[reach.count++] = radius;
    }
    return reach;
}

// How far inside the remaining picture the point lies (points; below 0 bitten away).
float uneaten(float2 at, const Reach& reach) {
    float left = 1e9f;
    for (std::size_t k = 0; k < reach.count; ++k) left = std::min(left, length(at - reach.centre[k]) - reach.radius[k]);
    return left;
}

// The stand-in waxing: how much of the point at uv shows behind the curved edge.
float waxing(float2 uv, float shown) {
    const float x = 2 * uv.x - 1, y = 2 * uv.y - 1;
    const float edge = shaders::mix(1.7f, -1.7f, shown) + 0.6f * (1 - y * y);
    return shaders::clamp01((x - edge) / 0.08f);
}

VertexOutput fangVertex(const VertexInput& in) { return shaders::twinQuadVertex(in, 0); }

void fangFragment(FragmentQuad& q) {
    if (!shaders::readyToDraw(q)) return;
    const StageResources& r = *q.resources;
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const bool silhouette = shaders::isSilhouettePass(r), atStandIn = q.varying(6, 0) > 0.5f;
    const float gone = shaders::twinProgress(u, q.varying(6, 0));
    const float share = shaders::titleShare(u), keep = shaders::arrivingAlpha(u, shaders::clamp01(u.progress));
    if (atStandIn && gone >= 1) {  // the stand-in has not begun to show
        q.discardMask = 0xF;
        return;
    }
    const float2 size{std::max(u.window.z, 1.0f), std::max(u.window.w, 1.0f)};
    // The bites, only once the first has begun.
    const bool bitten = !atStandIn && gone > kFirstBite;
    const auto uv = q.varying2(0);
    Quad<float2> at;
    bool anyBar = false;
    for (size_t i = 0; i < 4; ++i) {
        at[i] = uv[i] * size;
        anyBar = anyBar || uv[i].y < share;
    }
    const Reach reach = bitten ? reachOf(bitesOf(r, size, share * size.y, u), gone, at, u.pixelsPerPoint) : Reach{};
    // Nothing of a swallowed quad shows (below its title bar, which is never bitten).
    if (reach.swallowed && !anyBar) {
        q.discardMask = 0xF;
        return;
    }
    const auto colors = shaders::pictureColors(r, uv);
    const auto teeth = bitten ? shaders::noiseAt(r, uv, 60, 1) : platform::gpu::Quad<float>{};
    const float fade = shaders::shadowOf(r).unframedFade;
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const bool bar = uv[i].y < share;
        float shown = 1, light = 1;
        if (atStandIn) {
            shown = waxing(uv[i], 1 - gone);
            light = 0.6f + 0.4f * shown;
        } else if (bitten && !bar) {
            const float left = uneaten(at[i], reach) - kTeeth * teeth[i];
            shown = shaders::clamp01(left * u.pixelsPerPoint + 0.5f);
            light = 0.3f + 0.7f * shaders::smoothstep01(left / kMark);
        }
        const float4 c = colors[i];
        const float alpha = q.varying(2, lane) * fade * shown * (bar ? keep : 1.0f) *
                            shaders::sheetCorners(uv[i], q.varying(5, lane), u);
        shaders::emitSheet(q, lane, float4{c.x * light, c.y * light, c.z * light, c.w}, alpha, silhouette);
    }
}

}  // namespace

void registerMoonFangShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "moonFang", shaders::kTwinVaryings, fangVertex, fangFragment);
}

void drawMoonFang(const EffectPass& pass) {
    const TransitionUniforms& u = pass.scene.uniforms;
    const float2 size{std::max(u.window.z, 1.0f), std::max(u.window.w, 1.0f)};
    const auto bites = bitesOf(size, shaders::titleShare(u) * size.y, isTitleStrip(u), u.seed);
    pass.encoder.setFragmentArray(std::span<const Bite>(bites), kBitesIndex);
    shaders::drawTwinQuads(pass);
}

}  // namespace furlpane
