// The backdrop through the lens: what lies behind the window, drawn over the whole view
// and drawn in towards the stand-in while the black hole is strongest, in the middle of
// the transition.

#include "platform/gpu/hot_path.h"
#include "transitions/shaders/main_pass_shaders.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

VertexOutput fullViewVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    VertexOutput out;
    out.position = shaders::clipPosition(shaders::stripCorner(in.vertexId) * u.viewSize, u);
    return out;
}

// What the lens needs from the draw, looked up once: where the backdrop lies (points)
// and how the lens bends this frame.
struct Lens {
    float originX, originY, width, height;  // the backdrop's frame
    float centreX, centreY;
    float pixelsPerPoint;
    float strength;
    float reachSquared;
};

// False, leaving lens alone, when the backdrop's frame is missing or empty.
bool lensOf(const StageResources& r, Lens& lens) {
    const auto* frame = r.value<float4>(1);
    if (!frame || frame->z <= 0 || frame->w <= 0) return false;
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const float t = shaders::clamp01(u.progress);
    const float2 centre = u.standIn.xy() + u.standIn.zw() * 0.5f;
    const float reach = 2.5f * std::max(80.0f, 0.5f * length(u.standIn.zw()));
    lens = {frame->x, frame->y, frame->z, frame->w, centre.x, centre.y,
            u.pixelsPerPoint > 0 ? u.pixelsPerPoint : 1.0f,
            1.4f * t * (1.0f - t),  // strongest (0.35) halfway
            reach * reach};
    return true;
}

// The backdrop's texture coordinates shown at the target pixel centre (x, y): the point
// pulled towards the centre by up to `strength` of its distance, the pull falling off with
// distance as 1 / (1 + r²)². Plain arithmetic, no library functions, so that every machine
// draws the same bits; scalar so that a span's lanes can go through it side by side.
inline void lensedCoordinates(const Lens& lens, float x, float y, float& u, float& v) {
    const float dx = x / lens.pixelsPerPoint - lens.centreX, dy = y / lens.pixelsPerPoint - lens.centreY;
    const float f = 1.0f + (dx * dx + dy * dy) / lens.reachSquared;
    const float pull = 1.0f - lens.strength / (f * f);
    u = (lens.centreX + dx * pull - lens.originX) / lens.width;
    v = (lens.centreY + dy * pull - lens.originY) / lens.height;
}

bool insideBackdrop(float u, float v) { return u >= 0 && u <= 1 && v >= 0 && v <= 1; }

void lensFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* backdrop = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    Lens lens;
    if (!backdrop || !sampler || !lensOf(r, lens)) {
        q.discardMask = 0xF;
        return;
    }
    Quad<float2> uv;
    for (size_t i = 0; i < 4; ++i) {
        const float2 p = q.position(int(i));
        lensedCoordinates(lens, p.x, p.y, uv[i].x, uv[i].y);
    }
    const auto colors = backdrop->sample(*sampler, uv);
    for (int lane = 0; lane < 4; ++lane) {
        if (!insideBackdrop(uv[size_t(lane)].x, uv[size_t(lane)].y)) q.discard(lane);
        q.color[lane] = colors[size_t(lane)];
    }
}

// The same a span at a time, with the backdrop bound and the lens worked out once per draw.
struct LensConstants {
    BoundTexture backdrop;  // empty when there is nothing to draw
    Lens lens;
};

void prepareLens(const StageResources& r, LensConstants& c) {
    const Texture* backdrop = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    if (backdrop && sampler && lensOf(r, c.lens)) c.backdrop = {backdrop, sampler};
}

FURLPANE_HOT_PATH void lensSpan(FragmentSpan& s, const LensConstants& c) {
    if (!c.backdrop) {
        s.discardMask = 0xFF;
        return;
    }
    alignas(32) float x[kSpanLanes], y[kSpanLanes], u[kSpanLanes], v[kSpanLanes];
    for (int lane = 0; lane < kSpanLanes; ++lane) {
        const float2 p = s.position(lane);
        x[lane] = p.x, y[lane] = p.y;
    }
    for (int lane = 0; lane < kSpanLanes; ++lane) lensedCoordinates(c.lens, x[lane], y[lane], u[lane], v[lane]);
    for (int lane = 0; lane < kSpanLanes; ++lane)
        if (!insideBackdrop(u[lane], v[lane])) s.discardMask = static_cast<std::uint8_t>(s.discardMask | (1u << lane));
    c.backdrop.sample(u, v, s.color);
}

}  // namespace

void registerLensShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("lensVertex", {0, 0}, fullViewVertex);
    catalog.addFragmentFunction("lensFragment", lensFragment, spanFunction<LensConstants, prepareLens, lensSpan>());
}

}  // namespace furlpane
