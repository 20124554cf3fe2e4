// Stand-in shaders of the veins. The field pass draws every shown segment as a capsule
// of its width into the field, with the progress at which the vein reaches each texel
// interpolated along the segment. The effect's own pass draws the window's picture,
// holding still while the veins grow over it from the bottom edge (a vein shows where
// the progress has passed the field's time), flushing red around them through the
// field's blurred mip levels, then carrying the picture to the stand-in while the veins
// fade.

#include "transitions/drawing/blut_vene/blut_vene_shaders.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "transitions/drawing/blut_vene/blut_vene_drawing.h"
#include "transitions/shaders/picture_quad.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane::blut_vene {

using namespace platform::gpu;
using effects::BlutVene;
using platform::simd::float2;
using platform::simd::float4;
using platform::gpu::Quad;

namespace {

constexpr float kTimeScale = 0.4f;  // the field's red channel is the time over this
constexpr float4 kVein{0.5f, 0.02f, 0.07f, 1};
constexpr float4 kFlush{0.62f, 0.1f, 0.14f, 1};
// The picture holds still while the veins grow and flush, then moves to the stand-in.
constexpr float kMoveFrom = 0.45f;
constexpr float kFadeFrom = 0.7f;

VertexOutput offscreen() {
    VertexOutput out;
    out.position = {2, 2, 0, 1};
    return out;
}

// --- The field pass ---------------------------------------------------------------------

// Varyings: 0 distance along the segment from its start, 1 distance across it (points);
// 2 its length, 3 its half width, 4-5 its growth window, 6 shown (2 to 6 flat).
VertexOutput fieldVertex(const VertexInput& in) {
    const auto* block = in.resources.value<FieldPass>(kBlutVeneLookIndex);
    const auto segments = in.resources.array<BlutVene::Segment>(kBlutVeneSegmentsIndex);
    if (!block || in.instanceId >= segments.size() || block->region.z <= 0 || block->region.w <= 0)
        return offscreen();
    const BlutVene::Segment& s = segments[in.instanceId];
    const float2 a = s.ends.xy(), b = s.ends.zw();
    const float2 d = b - a;
    const float len = std::sqrt(dot(d, d));
    const float2 along = len > 1e-6f ? d / len : float2{0, -1};
    const float2 across{-along.y, along.x};
    const float core = 0.5f * s.timing.z, reach = core + 1;
    const float2 c = shaders::stripCorner(in.vertexId);
    const float distanceAlong = c.x > 0 ? len + reach : -reach;
    const float distanceAcross = (c.y * 2 - 1) * reach;
    const float2 p = a + along * distanceAlong + across * distanceAcross;
    const float2 unit = (p - block->region.xy()) / block->region.zw();
    VertexOutput out;
    out.position = {unit.x * 2 - 1, 1 - unit.y * 2, 0, 1};
    out.varyings = {distanceAlong, distanceAcross, len, core, s.timing.x, s.timing.y, s.timing.w};
    return out;
}

void fieldFragment(FragmentQuad& q) {
    if (q.varying(6, 0) <= 0) {  // a hidden twig
        q.discardMask = 0xF;
        return;
    }
    const float len = q.varying(2, 0), core = std::max(q.varying(3, 0), 0.25f);
    const float start = q.varying(4, 0), end = q.varying(5, 0);
    for (int lane = 0; lane < 4; ++lane) {
        const float along = q.varying(0, lane), across = q.varying(1, lane);
        const float beyond = std::max({-along, along - len, 0.0f});
        const float d = std::sqrt(beyond * beyond + across * across);
        const float coverage = shaders::clamp01(core - d + 0.5f);
        const float share = len > 0 ? shaders::clamp01(along / len) : 0;
        const float time = start + (end - start) * share;
        const float4 value{shaders::clamp01(time / kTimeScale), shaders::clamp01(1 - d / core), 0, 1};
        q.color[lane] = value * coverage;
    }
}

// --- The effect's pass ------------------------------------------------------------------

float moveProgress(float p) { return shaders::clamp01((p - kMoveFrom) / (1 - kMoveFrom)); }

// Varyings: 0-1 texture coordinates of the picture, 2-3 position from the quad's centre
// in points, 4-5 half its size, 6 corner radius, 7 opacity (4 to 7 flat).
VertexOutput veinsVertex(const VertexInput& in) {
    TransitionUniforms moved = shaders::uniformsOf(in.resources);
    moved.progress = moveProgress(moved.progress);
    const PictureQuad q = pictureQuad(moved);
    const float2 c = shaders::stripCorner(in.vertexId);
    const float2 size = q.rect.zw();
    VertexOutput out;
    out.position = shaders::clipPosition(q.rect.xy() + c * size, moved);
    out.varyings = {c.x, c.y * q.visibleHeight, (c.x - 0.5f) * size.x, (c.y - 0.5f) * size.y,
                    0.5f * std::fabs(size.x), 0.5f * std::fabs(size.y), q.radius, q.opacity};
    return out;
}

// The field under the quad's lanes: its coordinates, and its first level and its flush
// read for all four lanes at once the first time a lane needs them.
struct FieldQuad {
    const Texture& field;
    const Sampler& sampler;
    const Texture* flush[2];  // the field's levels 3 and 4 on their own; null: read the field itself
    Quad<float2> uv;
    std::optional<Quad<float4>> sharp, blurred;

    float4 sharpAt(std::size_t lane) {
        if (!sharp) sharp = field.sample(shaders::atLevelZero(sampler), uv);
        return (*sharp)[lane];
    }
    // The field at the flush's level of detail. Read from the levels on their own it is
    // what the field gives there with a linear mip filter: each of the two levels with the
    // minification filter, weighted half and half.
    float4 blurredAt(std::size_t lane) {
        const platform::gpu::SamplerDescriptor& d = sampler.descriptor();
        const bool apart = flush[0] && flush[1] && d.mipFilter == platform::gpu::MipFilter::linear &&
                           field.mipLevelCount() > kBlutVeneFlushLevels[1];
        if (!apart) return field.sample(sampler, uv[lane], kBlutVeneFlushLod);
        if (!blurred) {
            const platform::gpu::Sampler level(
                {d.minFilter, d.minFilter, platform::gpu::MipFilter::notMipmapped, d.sAddressMode, d.tAddressMode});
            const auto a = flush[0]->sample(level, uv), b = flush[1]->sample(level, uv);
            constexpr float weight = kBlutVeneFlushLod - float(kBlutVeneFlushLevels[0]);
            static_assert(weight == 0.5f, "halfway between the levels: a weight of 128/256, which the sampler keeps");
            blurred.emplace();
            for (std::size_t i = 0; i < 4; ++i) (*blurred)[i] = a[i] * (1.0f - weight) + b[i] * weight;
        }
        return (*blurred)[lane];
    }
};

// The picture's colour with the veins that have grown by p and the flush around them.
float4 veined(float4 color, FieldQuad& f, std::size_t lane, float p) {
    const float2 fieldUv = f.uv[lane];
    if (fieldUv.x < 0 || fieldUv.x > 1 || fieldUv.y < 0 || fieldUv.y > 1) return color;
    const float strength = 1 - shaders::smoothstep01((p - kFadeFrom) / (1 - kFadeFrom));
    if (strength <= 0) return color;
    const float4 blurred = f.blurredAt(lane);
    const float flush = blurred.w * shaders::smoothstep01((p - 0.25f) / 0.2f) * 0.5f * strength;
    color = color + (kFlush * color.w - color) * flush;
    const float4 vein = f.sharpAt(lane);
    if (vein.w > 0.02f && p >= vein.x / vein.w * kTimeScale) {
        const float middle = vein.y / vein.w;
        const float4 tone = kVein * (0.7f + 0.5f * middle);
        color = color + (float4{tone.x, tone.y, tone.z, 1} * color.w - color) * (vein.w * strength);
    }
    return color;
}

void veinsFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* picture = r.texture(0);
    const Texture* field = r.texture(kBlutVeneFieldTexture);
    const Sampler* sampler = r.sampler(0);
    const auto look = r.array<float4>(kBlutVeneLookIndex);
    if (!picture || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const float fade = shaders::shadowOf(r).unframedFade;
    const bool silhouette = shaders::isSilhouettePass(r);
    const auto uv = q.varying2(0);
    const auto colors = picture->sample(*sampler, uv);
    const float2 half{q.varying(4, 0), q.varying(5, 0)};
    const float radius = q.varying(6, 0), opacity = q.varying(7, 0);
    const auto fromCentre = q.varying2(2);
    const bool veins = field && look.size() >= 1 && look[0].z > 0 && look[0].w > 0;
    std::optional<FieldQuad> under;
    if (veins) {
        under.emplace(FieldQuad{*field,
                                *sampler,
                                {r.texture(kBlutVeneFlushTextures[0]), r.texture(kBlutVeneFlushTextures[1])},
                                {},
                                std::nullopt,
                                std::nullopt});
        for (std::size_t i = 0; i < 4; ++i) {
            const float2 point = uv[i] * u.window.zw() + u.window.xy();
            under->uv[i] = (point - look[0].xy()) / look[0].zw();
        }
    }
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        float4 color = colors[i];
        if (under) color = veined(color, *under, i, u.progress);
        const float a = shaders::cornerCoverage(fromCentre[i], half, radius, u.pixelsPerPoint) * opacity * fade;
        shaders::emit(q, lane, color * a, silhouette);
    }
}

}  // namespace

void registerShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("blutVeneFieldVertex", {7, 0x7Cu}, fieldVertex);
    catalog.addFragmentFunction("blutVeneFieldFragment", fieldFragment);
    catalog.addVertexFunction("blutVeneVertex", {8, 0xF0u}, veinsVertex);
    catalog.addFragmentFunction("blutVeneFragment", veinsFragment);
}

}  // namespace furlpane::blut_vene
