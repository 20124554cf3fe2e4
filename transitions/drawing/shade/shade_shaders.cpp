// Stand-in shaders of the roller shade. They show the geometry the model computes: the
// sheet pulled down and snapping up, the flap winding around the roller, the hem bar
// (smeared while it moves), the pull cord and its ring (smeared while it swings), and
// the rolled bundle flying to the thumbnail's stage and unrolling there.

#include "transitions/drawing/shade/shade_shaders.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

#include "transitions/drawing/shade/shade_drawing.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane::shade {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;
using platform::simd::float4x4;

namespace {

constexpr float4 kCloth{0.93f, 0.9f, 0.84f, 1};
constexpr float4 kHemWood{0.42f, 0.27f, 0.16f, 1};
constexpr float4 kCord{0.25f, 0.22f, 0.2f, 1};
constexpr float4 kBrass{0.78f, 0.62f, 0.3f, 1};

// The look array, or none when it is not bound whole.
std::span<const float4> lookOf(const StageResources& r) {
    const auto look = r.array<float4>(kShadeLookIndex);
    return look.size() >= 28 ? look : std::span<const float4>{};
}

int modeOf(std::span<const float4> look) { return static_cast<int>(look[4].y); }

// A window-local point in the drawing view.
float2 toView(std::span<const float4> look, float2 local, const TransitionUniforms& u) {
    const int mode = modeOf(look);
    if (mode == 0 || mode == 2) {
        const float4x4 m{look[0], look[1], look[2], look[3]};
        return (m * float4{local.x, local.y, 0, 1}).xy();
    }
    return local + u.window.xy();
}

float windowWidth(const TransitionUniforms& u) { return std::max(1.0f, u.window.z); }
float windowHeight(const TransitionUniforms& u) { return std::max(1.0f, u.window.w); }

// The end of the sheet and its direction in the side view (y, z), for a hem state
// (drop, flap, angle, swing), as the model places it.
struct SidePoint {
    float2 point;
    float2 direction;
};
SidePoint hemPoint(float4 state, float titleBar, float height) {
    const float drop = state.x, flap = state.y, a = state.z, s = state.w;
    if (flap <= 0) return {{height + drop, 0}, {1, 0}};
    const float kappa = s / std::max(1e-6f, flap);
    const float2 r0{titleBar, -1};
    if (std::fabs(kappa) < 1e-6f) return {r0 + float2{std::cos(a), std::sin(a)} * flap, {std::cos(a), std::sin(a)}};
    return {r0 + float2{(std::sin(a + s) - std::sin(a)) / kappa, (std::cos(a) - std::cos(a + s)) / kappa},
            {std::cos(a + s), std::sin(a + s)}};
}

float hemBarY(float4 state, std::span<const float4> look, float height) {
    const SidePoint p = hemPoint(state, look[6].x, height);
    return p.point.x + 0.4f * look[7].z * p.direction.x;
}

// What swings up around the roller passes behind the title bar.
bool behindTitleBar(std::span<const float4> look, float localY) { return localY < look[6].x; }

VertexOutput offscreen() {
    VertexOutput out;
    out.position = {2, 2, 0, 1};
    return out;
}

float opacityOf(std::span<const float4> look, const StageResources& r) {
    return look[4].w * shaders::shadowOf(r).unframedFade;
}

// --- The sheet, its title bar and the roller -------------------------------------------

float hangingBottom(std::span<const float4> look, float height) {
    const float4 h0 = look[5];
    return h0.y > 0 ? look[6].x : height + h0.x;
}

// Varyings: 0-1 the window-local point.
VertexOutput sheetVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto look = lookOf(in.resources);
    if (look.empty()) return offscreen();
    const float w = windowWidth(u), h = windowHeight(u);
    const float bottom = std::max(h, hangingBottom(look, h)) + 1;
    const float2 c = shaders::stripCorner(in.vertexId);
    const float2 local{c.x * w, c.y * bottom};
    VertexOutput out;
    out.position = shaders::clipPosition(toView(look, local, u), u);
    out.varyings = {local.x, local.y};
    return out;
}

// The roller's radius grows with the share of the sheet wound onto it.
float rollerRadius(std::span<const float4> look, float height) {
    const float4 h0 = look[5];
    const float body = std::max(1.0f, look[6].y);
    const float hanging = h0.y > 0 ? h0.y : std::max(0.0f, hangingBottom(look, height) - look[6].x);
    return 2.5f + 3.5f * shaders::clamp01(1 - hanging / body);
}

void sheetFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const auto look = lookOf(r);
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    if (look.empty() || !picture || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const float w = windowWidth(u), h = windowHeight(u), titleBar = look[6].x;
    const float drop = look[5].x, bottom = hangingBottom(look, h);
    const bool hanging = look[5].y > 0;
    const bool rolled = modeOf(look) != 1;
    const float radius = rollerRadius(look, h);
    const auto local = q.varying2(0);
    Quad<float2> uv;
    for (size_t i = 0; i < 4; ++i) {
        // The body moves with the hem; the title bar stays.
        const float row = local[i].y < titleBar ? local[i].y : local[i].y - drop;
        uv[i] = {local[i].x / w, row / h};
    }
    const auto colors = picture->sample(*sampler, uv);
    const float alpha = opacityOf(look, r);
    const bool silhouette = shaders::isSilhouettePass(r);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const float y = local[i].y, row = y - drop;
        float4 color{0, 0, 0, 0};
        if (y < titleBar) {
            color = colors[i];
        } else if (!hanging && y <= bottom) {
            // Sheet that was wound on the roller before the tug shows as plain cloth.
            if (row < titleBar) color = kCloth;
            else if (row <= h) color = colors[i];
        }
        const float fromAxis = std::fabs(y - titleBar);
        if (rolled && fromAxis < radius) {
            const float shadeRoll = 0.55f + 0.45f * std::sqrt(1 - (fromAxis / radius) * (fromAxis / radius));
            color = kCloth * shadeRoll;
            color.w = 1;
        }
        if (color.w <= 0) {
            q.discard(lane);
            continue;
        }
        shaders::emit(q, lane, color * alpha, silhouette);
    }
}

// --- The flap hanging from the roller ---------------------------------------------------

// Varyings: 0-1 texture coordinates, 2 how squarely the sheet faces the viewer (its
// direction's downward component; negative when its back shows), 3 the window-local y.
VertexOutput flapVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto look = lookOf(in.resources);
    if (look.empty() || look[5].y <= 0) return offscreen();
    const float w = windowWidth(u), h = windowHeight(u);
    const float flap = look[5].y, a = look[5].z, swing = look[5].w;
    const float s = flap * static_cast<float>(in.vertexId / 2) / kFlapSegments;
    const float kappa = swing / std::max(1e-6f, flap);
    const float2 r0{look[6].x, -1};
    const float2 side = std::fabs(kappa) < 1e-6f
                      ? r0 + float2{std::cos(a), std::sin(a)} * s
                      : r0 + float2{(std::sin(a + kappa * s) - std::sin(a)) / kappa,
                                    (std::cos(a) - std::cos(a + kappa * s)) / kappa};
    const float x = static_cast<float>(in.vertexId % 2) * w;
    VertexOutput out;
    out.position = shaders::clipPosition(toView(look, {x, side.x}, u), u);
    out.varyings = {x / w, (h - flap + s) / h, std::cos(a + kappa * s), side.x};
    return out;
}

void flapFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const auto look = lookOf(r);
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    if (look.empty() || !picture || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const auto colors = picture->sample(*sampler, q.varying2(0));
    const float alpha = opacityOf(look, r);
    const bool silhouette = shaders::isSilhouettePass(r);
    const float titleBar = look[6].x;
    for (int lane = 0; lane < 4; ++lane) {
        // Sheet swinging up around the roller passes behind the title bar.
        if (q.varying(3, lane) < titleBar) {
            q.discard(lane);
            continue;
        }
        const float facing = q.varying(2, lane);
        float4 color = facing >= 0 ? colors[size_t(lane)] : kCloth;
        const float light = 0.55f + 0.45f * std::fabs(facing);
        color = float4{color.x * light, color.y * light, color.z * light, color.w};
        shaders::emit(q, lane, color * alpha, silhouette);
    }
}

// --- The hem bar ------------------------------------------------------------------------

// Varyings: 0-1 the window-local point; 2-3 the bar's vertical span; 4-5 its ends;
// 6 its radius (2 to 6 flat).
VertexOutput hemVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto look = lookOf(in.resources);
    const float radius = look.empty() ? 0 : look[6].w;
    if (radius <= 0) return offscreen();
    const float h = windowHeight(u);
    float top = hemBarY(look[5], look, h), bottom = top;
    if (look[11].z > 0) {
        // A moving hem is smeared over the span it crosses within the frame.
        const float before = hemBarY(look[9], look, h), after = hemBarY(look[10], look, h);
        top = std::min({top, before, after});
        bottom = std::max({bottom, before, after});
    }
    const float left = look[7].x, right = look[7].y;
    const float2 c = shaders::stripCorner(in.vertexId);
    const float2 local{left - radius - 1 + c.x * (right - left + 2 * radius + 2),
                       top - radius - 1 + c.y * (bottom - top + 2 * radius + 2)};
    VertexOutput out;
    out.position = shaders::clipPosition(toView(look, local, u), u);
    out.varyings = {local.x, local.y, top, bottom, left, right, radius};
    return out;
}

void hemFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const auto look = lookOf(r);
    if (look.empty()) {
        q.discardMask = 0xF;
        return;
    }
    const float top = q.varying(2, 0), bottom = q.varying(3, 0);
    const float left = q.varying(4, 0), right = q.varying(5, 0), radius = q.varying(6, 0);
    const float smear = bottom > top ? 0.8f : 1.0f;
    const float alpha = opacityOf(look, r) * smear;
    const bool silhouette = shaders::isSilhouettePass(r);
    for (int lane = 0; lane < 4; ++lane) {
        const float x = q.varying(0, lane), y = q.varying(1, lane);
        if (behindTitleBar(look, y)) {
            q.discard(lane);
            continue;
        }
        const float dx = std::max({left - x, x - right, 0.0f});
        const float dy = std::max({top - y, y - bottom, 0.0f});
        const float coverage = shaders::clamp01(radius - std::sqrt(dx * dx + dy * dy) + 0.5f);
        if (coverage <= 0) {
            q.discard(lane);
            continue;
        }
        // Lit from above like a round bar.
        const float across = shaders::clamp01(dy / radius);
        const float light = 0.6f + 0.4f * std::sqrt(1 - across * across) * (y < top ? 1.3f : 0.9f);
        const float4 color{kHemWood.x * light, kHemWood.y * light, kHemWood.z * light, 1};
        shaders::emit(q, lane, color * (coverage * alpha), silhouette);
    }
}

// --- The pull cord ----------------------------------------------------------------------

// One instance per segment between two cord points. Varyings: 0 the distance across the
// segment in points, 1 its half width (flat), 2 the window-local y.
VertexOutput cordVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto look = lookOf(in.resources);
    if (look.empty() || look[11].x < 2 || in.instanceId + 1 >= 12) return offscreen();
    const float2 a = look[16 + in.instanceId].xy(), b = look[17 + in.instanceId].xy();
    const float half = 0.5f * look[11].y + 0.5f;
    const float2 d = b - a;
    const float len = std::sqrt(dot(d, d));
    const float2 along = len > 1e-6f ? d / len : float2{0, 1};
    const float2 across{-along.y, along.x};
    const float2 c = shaders::stripCorner(in.vertexId);
    const float2 local = (c.x > 0 ? b + along * half : a - along * half) + across * ((c.y * 2 - 1) * half);
    VertexOutput out;
    out.position = shaders::clipPosition(toView(look, local, u), u);
    out.varyings = {(c.y * 2 - 1) * half, half, local.y};
    return out;
}

void cordFragment(FragmentQuad& q) {
    const auto look = lookOf(*q.resources);
    if (look.empty()) {
        q.discardMask = 0xF;
        return;
    }
    const float alpha = opacityOf(look, *q.resources);
    const bool silhouette = shaders::isSilhouettePass(*q.resources);
    for (int lane = 0; lane < 4; ++lane) {
        if (behindTitleBar(look, q.varying(2, lane))) {
            q.discard(lane);
            continue;
        }
        const float coverage = shaders::clamp01(q.varying(1, lane) - std::fabs(q.varying(0, lane)) + 0.5f);
        shaders::emit(q, lane, kCord * (coverage * alpha), silhouette);
    }
}

// --- The ring ---------------------------------------------------------------------------

// Instance 0 is the ring now; 1 to 4 the samples around it, drawn faintly.
// Varyings: 0-1 the point relative to the ring's centre, 2 its radius, 3 its weight,
// 4 the window-local y.
VertexOutput ringVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto look = lookOf(in.resources);
    if (look.empty() || in.instanceId >= static_cast<std::uint32_t>(kRingInstances)) return offscreen();
    const float4 ring = in.instanceId == 0 ? look[8] : look[11 + in.instanceId];
    if (ring.w <= 0) return offscreen();
    const float extent = ring.w * 1.2f + 1;
    const float2 offset = (shaders::stripCorner(in.vertexId) * 2.0f - float2{1, 1}) * extent;
    VertexOutput out;
    out.position = shaders::clipPosition(toView(look, ring.xy() + offset, u), u);
    out.varyings = {offset.x, offset.y, ring.w, in.instanceId == 0 ? 1.0f : 0.3f, ring.y + offset.y};
    return out;
}

void ringFragment(FragmentQuad& q) {
    const auto look = lookOf(*q.resources);
    if (look.empty()) {
        q.discardMask = 0xF;
        return;
    }
    const float radius = q.varying(2, 0), weight = q.varying(3, 0);
    const float alpha = opacityOf(look, *q.resources) * weight;
    const bool silhouette = shaders::isSilhouettePass(*q.resources);
    for (int lane = 0; lane < 4; ++lane) {
        const float x = q.varying(0, lane), y = q.varying(1, lane);
        if (behindTitleBar(look, q.varying(4, lane))) {
            q.discard(lane);
            continue;
        }
        const float d = std::sqrt(x * x + y * y);
        const float band = 0.22f * radius;
        const float coverage = shaders::clamp01(band - std::fabs(d - 0.78f * radius) + 0.5f);
        const float light = 0.75f + 0.25f * shaders::clamp01(-y / std::max(radius, 1e-3f));
        const float4 color{kBrass.x * light, kBrass.y * light, kBrass.z * light, 1};
        shaders::emit(q, lane, color * (coverage * alpha), silhouette);
    }
}

void add(ShaderCatalog& catalog, const std::string& name, VaryingLayout layout, VertexFunction vertex,
         FragmentFunction fragment) {
    catalog.addVertexFunction(name + "Vertex", layout, std::move(vertex));
    catalog.addFragmentFunction(name + "Fragment", std::move(fragment));
}

}  // namespace

void registerShaders(ShaderCatalog& catalog) {
    add(catalog, "shade", {2, 0}, sheetVertex, sheetFragment);
    add(catalog, "shadeFlaps", {4, 0}, flapVertex, flapFragment);
    add(catalog, "hemBars", {7, 0x7Cu}, hemVertex, hemFragment);
    add(catalog, "pullCords", {3, 0x2u}, cordVertex, cordFragment);
    add(catalog, "pullRings", {5, 0xCu}, ringVertex, ringFragment);
}

}  // namespace furlpane::shade
