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

    // Which of the quads at (x, y) and, with two, at (x + 2, y) see only texels holding byte
    // within reach of the one under them, at a level: bit 0 the left quad, bit 1 the right.
    // Their boxes overlap, so one pass over both serves.
    unsigned settled(int x, int y, int quads, int level, int reach, std::uint8_t byte) const {
        level = std::clamp(level, 0, silhouette->mipLevelCount() - 1);
        const Texture::Level& l = silhouette->level(level);
        const auto column = [&](int px) { return static_cast<int>(float(px) * float(l.width) / targetSize.x); };
        const int left = column(x), right = quads == 2 ? column(x + 2) : left;
        const int cy = static_cast<int>(float(y) * float(l.height) / targetSize.y);
        const int first = std::max(left - reach, 0), last = std::min(right + reach, l.width - 1);
        const int top = std::max(cy - reach, 0), bottom = std::min(cy + reach, l.height - 1);
        const unsigned both = quads == 2 ? 3u : 1u;
        unsigned still = both;
        for (int ty = top; ty <= bottom; ++ty) {
            const std::uint8_t* row = l.data + std::size_t(ty) * l.rowBytes;
            for (int tx = first; tx <= last; ++tx) {
                if (row[tx] == byte) continue;
                if (tx <= left + reach) still &= ~1u;
                if (tx >= right - reach) still &= ~(both & 2u);
                if (!still) return 0;
            }
        }
        return still;
    }
    // Which of those quads have nothing to draw.
    unsigned nothingToDraw(int x, int y, int quads) const {
        const unsigned empty = settled(x, y, quads, look->emptyLevel, look->emptyReach, 0);
        if (empty == (quads == 2 ? 3u : 1u)) return empty;
        return empty | settled(x, y, quads, look->fullLevel, look->fullReach, 255);
    }
    float sample(float2 pixel, float lod) const { return silhouette->sample(*sampler, pixel / targetSize, lod).x; }
};

// The shadow's alpha at a pixel, 0 where nothing shows: the sharp silhouette is read only
// where the cast one shows.
float shadowAlpha(const Overlay& o, float opacity, float2 p) {
    const float cast = o.sample(p - float2(0.0f, o.look->dropPixels), o.look->lod);
    if (cast == 0) return 0;
    return opacity * cast * (1.0f - o.sample(p, 0));
}

void shadowFragment(FragmentQuad& q) {
    const Overlay o = Overlay::of(*q.resources);
    if (!o.valid() || o.nothingToDraw(q.x, q.y, 1)) {
        q.discardMask = 0xF;
        return;
    }
    const float opacity = shaders::clamp01(o.look->alpha);
    for (int lane = 0; lane < 4; ++lane) {
        const float a = shadowAlpha(o, opacity, q.position(lane));
        if (a > 0)
            q.color[lane] = {0, 0, 0, a};
        else
            q.discard(lane);
    }
}

// The rim's alpha at a pixel (sign 1: dark, outside the edge; sign −1: light, inside),
// 0 where nothing shows. Outside the edge nothing shows where the blurred silhouette is
// empty, inside it where the sharp one is, so that read comes first.
float rimAlpha(const Overlay& o, float alpha, float sign, float2 p) {
    const bool outside = sign > 0;
    const float first = o.sample(p, outside ? o.look->lod : 0);
    if (first == 0 && (outside || sign < 0)) return 0;
    const float second = o.sample(p, outside ? 0 : o.look->lod);
    const float blurred = outside ? first : second, sharp = outside ? second : first;
    return alpha * shaders::clamp01((blurred - sharp) * sign * 2);
}

void rimFragment(FragmentQuad& q) {
    const Overlay o = Overlay::of(*q.resources);
    if (!o.valid() || o.nothingToDraw(q.x, q.y, 1)) {
        q.discardMask = 0xF;
        return;
    }
    const float alpha = shaders::clamp01(o.look->alpha), sign = o.look->sign;
    for (int lane = 0; lane < 4; ++lane) {
        const float a = rimAlpha(o, alpha, sign, q.position(lane));
        if (!(a > 0)) q.discard(lane);
        q.color[lane] = sign > 0 ? float4{0, 0, 0, a} : float4(a);
    }
}

// The same a span at a time, with the blocks looked up once per draw. Lanes that cover no
// sample (whose colour the rasterizer ignores) and quads with nothing to draw are
// discarded without a read.
struct OverlayConstants {
    Overlay overlay;
    bool valid;
};

void prepareOverlay(const StageResources& r, OverlayConstants& c) {
    c.overlay = Overlay::of(r);
    c.valid = c.overlay.valid();
}

// The lanes of s to shade; the others are discarded.
unsigned lanesToShade(FragmentSpan& s, const OverlayConstants& c) {
    unsigned quads = c.valid ? (s.liveMask & 0xFu ? 1u : 0u) | (s.liveMask & 0xF0u ? 2u : 0u) : 0u;
    if (quads) quads &= ~c.overlay.nothingToDraw(s.x, s.y, quads & 2u ? 2 : 1);
    const unsigned lanes = s.liveMask & ((quads & 1u ? 0xFu : 0u) | (quads & 2u ? 0xF0u : 0u));
    s.discardMask = static_cast<std::uint8_t>(~lanes);
    return lanes;
}

void shadowSpan(FragmentSpan& s, const OverlayConstants& c) {
    const unsigned lanes = lanesToShade(s, c);
    if (!lanes) return;
    const float opacity = shaders::clamp01(c.overlay.look->alpha);
    for (int lane = 0; lane < kSpanLanes; ++lane) {
        if (!(lanes >> lane & 1u)) continue;
        const float a = shadowAlpha(c.overlay, opacity, s.position(lane));
        if (a > 0)
            s.color.a[lane] = a;
        else
            s.discardMask = static_cast<std::uint8_t>(s.discardMask | 1u << lane);
    }
}

void rimSpan(FragmentSpan& s, const OverlayConstants& c) {
    const unsigned lanes = lanesToShade(s, c);
    if (!lanes) return;
    const float alpha = shaders::clamp01(c.overlay.look->alpha), sign = c.overlay.look->sign;
    for (int lane = 0; lane < kSpanLanes; ++lane) {
        if (!(lanes >> lane & 1u)) continue;
        const float a = rimAlpha(c.overlay, alpha, sign, s.position(lane));
        if (!(a > 0)) {
            s.discardMask = static_cast<std::uint8_t>(s.discardMask | 1u << lane);
            continue;
        }
        s.color.a[lane] = a;
        if (!(sign > 0)) s.color.r[lane] = s.color.g[lane] = s.color.b[lane] = a;
    }
}

}  // namespace

void registerShadowShaders(ShaderCatalog& catalog) {
    for (const char* name : {"shadowVertex", "rimVertex", "innerRimVertex"})
        catalog.addVertexFunction(name, {0, 0}, overlayVertex);
    catalog.addFragmentFunction("shadowFragment", shadowFragment,
                                spanFunction<OverlayConstants, prepareOverlay, shadowSpan>());
    for (const char* name : {"rimFragment", "innerRimFragment"})
        catalog.addFragmentFunction(name, rimFragment, spanFunction<OverlayConstants, prepareOverlay, rimSpan>());
}

}  // namespace furlpane
