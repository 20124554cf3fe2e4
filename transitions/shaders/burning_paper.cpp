// burningPaper: the picture burns away like a sheet of paper. A fire starts at a lower
// corner (which one, the seed says) and a ragged front runs across the picture: ahead of
// it the picture yellows into the paper made from it (burning_paper_drawing.h), at the
// front the paper chars and glows, behind it nothing is left. Bound for a thumbnail the
// stand-in's paper then burns the other way, into being; a title strip's body burns up
// to its title bar, which stays.
//
// Twin quads (sheet.h); the paper of the picture as fragment texture 3, the fresh
// picture's as texture 4. Also the offscreen pipeline that makes the paper.

#include <algorithm>
#include <cmath>

#include "transitions/drawing/burning_paper/burning_paper_drawing.h"
#include "transitions/shaders/effect_shaders.h"
#include "transitions/shaders/picture_quad.h"
#include "transitions/shaders/sheet.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

constexpr float kEmber = 0.01f;  // where the bands ahead of the front end, in burn time
constexpr float kChar = 0.03f;
constexpr float kScorch = 0.1f;
constexpr float kYellowing = 0.2f;
constexpr float4 kHot{1.0f, 0.92f, 0.55f, 1};
constexpr float4 kFlame{1.0f, 0.38f, 0.06f, 1};
constexpr float4 kCharred{0.09f, 0.06f, 0.04f, 1};
constexpr float4 kBrown{0.45f, 0.3f, 0.16f, 1};

VertexOutput burnVertex(const VertexInput& in) { return shaders::twinQuadVertex(in, 0); }

// When the point at uv burns (0 ... 1): the distance from the fire's start, made ragged
// by the noise. A title strip burns from the bottom edge up to its title bar, which
// never burns.
float burnTime(float2 uv, float coarse, float fine, const TransitionUniforms& u) {
    const float ragged = 0.22f * coarse + 0.04f * fine;
    if (isTitleStrip(u)) {
        const float share = shaders::titleShare(u);
        if (uv.y < share) return 10;
        return 0.7f * (1 - (uv.y - share) / std::max(1 - share, 1e-3f)) + ragged;
    }
    const float2 start{(u.seed & 1u) ? 1.0f : 0.0f, 1};
    return 0.7f * length(uv - start) / 1.4143f + ragged;
}

// The sheet's colour (premultiplied) `ahead` of the front, in burn time: fire, char,
// scorched paper, yellowing picture, picture. Where the picture is clear, so is the sheet.
float4 burning(float ahead, float4 picture, float4 paper) {
    const float a = picture.w;
    if (ahead < kEmber) return mix(kHot, kFlame, ahead / kEmber) * a;
    if (ahead < kChar)
        return mix(kFlame * 0.6f, kCharred, shaders::smoothstep01((ahead - kEmber) / (kChar - kEmber))) * a;
    if (ahead < kScorch) {
        const float4 scorched = mix(kBrown * a, paper, shaders::smoothstep01((ahead - kChar) / (kScorch - kChar)));
        return mix(kCharred * a, scorched, shaders::smoothstep01((ahead - kChar) / 0.02f));
    }
    return mix(paper, picture, shaders::smoothstep01((ahead - kScorch) / (kYellowing - kScorch)));
}

void burnFragment(FragmentQuad& q) {
    if (!shaders::readyToDraw(q)) return;
    const StageResources& r = *q.resources;
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const bool silhouette = shaders::isSilhouettePass(r);
    const float instance = q.varying(6, 0);
    const float front = 1.45f * shaders::twinProgress(u, instance) - kYellowing;
    const float keep = isTitleStrip(u) ? shaders::arrivingAlpha(u, shaders::clamp01(u.progress)) : 1.0f;
    const auto uv = q.varying2(0);
    const auto coarse = shaders::noiseAt(r, uv, 7, 0), fine = shaders::noiseAt(r, uv, 40, 1);
    // Where the fire has passed nothing is left: a quad burnt through reads no picture.
    platform::gpu::Quad<float> ahead;
    for (size_t i = 0; i < 4; ++i) {
        ahead[i] = burnTime(uv[i], coarse[i], fine[i], u) - front;
        if (ahead[i] < 0) q.discard(static_cast<int>(i));
    }
    if (q.discardMask == 0xF) return;
    const auto colors = shaders::pictureColors(r, uv);
    const Texture* paper = r.texture(instance > 0.5f && r.texture(kFreshPaperTexture) ? kFreshPaperTexture
                                                                                       : kPaperTexture);
    const auto papers = paper ? paper->sample(*r.sampler(0), uv) : colors;
    const float fade = shaders::shadowOf(r).unframedFade;
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        if (ahead[i] < 0) continue;
        const float4 c = burning(ahead[i], colors[i], papers[i]);
        const float bar = uv[i].y < shaders::titleShare(u) ? keep : 1.0f;
        const float alpha = q.varying(2, lane) * bar * fade * shaders::sheetCorners(uv[i], q.varying(5, lane), u);
        shaders::emitSheet(q, lane, c, alpha, silhouette);
    }
}

// The paper of a picture: its light and dark laid on warm paper with a grain from the
// renderer's noise.
void paperFragment(FragmentQuad& q) {
    const Texture* source = q.resources->texture(0);
    const Texture* noise = q.resources->texture(2);
    const Sampler* sampler = q.resources->sampler(0);
    if (!source || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const auto uv = q.varying2(0);
    const auto colors = source->sample(*sampler, uv);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const float4 c = colors[i];
        const float light = c.w > 0 ? (0.3f * c.x + 0.59f * c.y + 0.11f * c.z) / c.w : 1;
        const float grain = noise ? noise->read(q.x + (lane & 1), q.y + (lane >> 1)).x : 0.5f;
        const float tone = (0.5f + 0.5f * light) * (0.94f + 0.06f * grain);
        q.color[lane] = float4{0.95f * tone, 0.89f * tone, 0.77f * tone, 1} * c.w;
    }
}

}  // namespace

void registerBurningPaperShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "burningPaper", shaders::kTwinVaryings, burnVertex, burnFragment);
    registerCopyShaders(catalog, "paperDrawing");
    catalog.addFragmentFunction("paperDrawingFragment", paperFragment);
}

}  // namespace furlpane
