// Shadows and rims read from the silhouette of the frame's shapes (an R8 texture at half
// the target's size with mip levels): a soft shadow is the silhouette seen through a mip
// level (the nearest whole one) as wide as its blur radius, moved down by its drop and kept out from under the
// shapes; the rim is the band just outside the shapes' edge, where a slightly blurred
// silhouette exceeds the sharp one, and the inner rim the band just inside it.
//
// Most pixels a draw covers lie well inside the shapes or well away from them, where
// the answer is 0: a quad first looks at a coarse mip level around itself and stops
// there when the silhouette is all empty or all covered within the draw's reach (boxes
// of texels that are all 0 or all 255 keep that value exactly in every coarser level).

#include <algorithm>

#include "transitions/shaders/main_pass_shaders.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

VertexOutput overlayVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto* bounds = in.resources.value<OverlayBounds>(2);
    VertexOutput out;
    if (!bounds) return out;
    out.position = shaders::clipPosition(bounds->rect.xy() + shaders::stripCorner(in.vertexId) * bounds->rect.zw(), u);
    return out;
}

struct Overlay {
    const Texture* silhouette = nullptr;
    const Sampler* sampler = nullptr;
    const OverlayLook* look = nullptr;
    float2 targetSize;

    static Overlay of(const StageResources& r) {
        Overlay o{r.texture(kSilhouetteTexture), r.sampler(0), r.value<OverlayLook>(2), {}};
        if (const auto* pass = r.value<PassInfo>(kPassInfoIndex))
            o.targetSize = {float(pass->width), float(pass->height)};
        return o;
    }
    bool valid() const { return silhouette && sampler && look && targetSize.x > 0 && targetSize.y > 0; }
    float at(float2 pixel, float lod) const { return silhouette->sample(*sampler, pixel / targetSize, lod).x; }

    // Whether the texels of a level within reach of the one under the quad all hold byte.
    bool settled(const FragmentQuad& q, int level, int reach, std::uint8_t byte) const {
        level = std::clamp(level, 0, silhouette->mipLevelCount() - 1);
        const Texture::Level& l = silhouette->level(level);
        const int cx = static_cast<int>(float(q.x) * float(l.width) / targetSize.x);
        const int cy = static_cast<int>(float(q.y) * float(l.height) / targetSize.y);
        for (int y = std::max(cy - reach, 0); y <= std::min(cy + reach, l.height - 1); ++y) {
            const std::uint8_t* row = l.data + std::size_t(y) * l.rowBytes;
            for (int x = std::max(cx - reach, 0); x <= std::min(cx + reach, l.width - 1); ++x)
                if (row[x] != byte) return false;
        }
        return true;
    }
    bool nothingToDraw(const FragmentQuad& q) const {
        return settled(q, look->emptyLevel, look->emptyReach, 0) || settled(q, look->fullLevel, look->fullReach, 255);
    }
};

void shadowFragment(FragmentQuad& q) {
    const Overlay o = Overlay::of(*q.resources);
    if (!o.valid() || o.nothingToDraw(q)) {
        q.discardMask = 0xF;
        return;
    }
    const float opacity = shaders::clamp01(o.look->alpha);
    for (int lane = 0; lane < 4; ++lane) {
        const float2 p = q.position(lane);
        const float cast = o.at(p - float2(0.0f, o.look->dropPixels), o.look->lod);
        const float a = opacity * cast * (1.0f - o.at(p, 0));
        if (a > 0)
            q.color[lane] = {0, 0, 0, a};
        else
            q.discard(lane);
    }
}

// The rim (sign 1: dark, outside the edge) and the inner rim (sign −1: light, inside).
void rimFragment(FragmentQuad& q) {
    const Overlay o = Overlay::of(*q.resources);
    if (!o.valid() || o.nothingToDraw(q)) {
        q.discardMask = 0xF;
        return;
    }
    const float alpha = shaders::clamp01(o.look->alpha), sign = o.look->sign;
    for (int lane = 0; lane < 4; ++lane) {
        const float2 p = q.position(lane);
        const float a = alpha * shaders::clamp01((o.at(p, o.look->lod) - o.at(p, 0)) * sign * 2);
        if (!(a > 0)) q.discard(lane);
        q.color[lane] = sign > 0 ? float4{0, 0, 0, a} : float4(a);
    }
}

}  // namespace

void registerShadowShaders(ShaderCatalog& catalog) {
    for (const char* name : {"shadowVertex", "rimVertex", "innerRimVertex"})
        catalog.addVertexFunction(name, {0, 0}, overlayVertex);
    catalog.addFragmentFunction("shadowFragment", shadowFragment);
    catalog.addFragmentFunction("rimFragment", rimFragment);
    catalog.addFragmentFunction("innerRimFragment", rimFragment);
}

}  // namespace furlpane
