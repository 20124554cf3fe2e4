// Stand-in shaders of the water effect.
//
// "waterField": each drop an instanced quad around its blob, stretched along its streak;
// its fragments add weight × (1 − d²/r²)³ (d from the streak's segment) to the field's
// red and the same times the drop's picture share to its green. The fragments write an
// alpha of 0, so the premultiplied source-over blend of every pipeline adds them up; the
// lanes outside the blob, which would add zeros, are discarded instead.
//
// "water": one quad over the frame's drawing rectangle, whose fragments compose what the
// frame shows (see water_drawing.h): the whole window, water where the field passes the
// level (showing as much of the picture as its drops still carry, rippled while the
// ripple runs), the puddles, the stand-in and a title strip's title bar.

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

#include "transitions/drawing/water/water_drawing.h"
#include "transitions/drawing/water/water_shading.h"
#include "platform/gpu/hot_path.h"
#include "platform/gpu/lanes.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;
using platform::gpu::Quad;
using shaders::clamp01;
using shaders::smoothstep01;

namespace {

constexpr int kDrops = 2, kFieldInfo = 3;
using water_shading::kField;
using water_shading::kLook;
using water_shading::kWater;
using water_shading::nearDrops;
using water_shading::ripplePoint;


// Varyings: 0-1 point from the drop's centre, 2-3 streak, 4 radius, 5 weight, 6 picture
// (2 to 6 flat).
VertexOutput fieldVertex(const VertexInput& in) {
    const auto drops = in.resources.array<effects::Water::DropFrame>(kDrops);
    const auto* info = in.resources.value<FieldInfo>(kFieldInfo);
    VertexOutput out;
    if (in.instanceId >= drops.size() || !info || !(info->extent.x > 0) || !(info->extent.y > 0)) return out;
    const effects::Water::DropFrame& d = drops[in.instanceId];
    const float r = d.form.z;
    const float2 half{r + std::fabs(d.form.x) / 2 + info->texel, r + std::fabs(d.form.y) / 2 + info->texel};
    const float2 offset = (shaders::stripCorner(in.vertexId) * 2.0f - float2(1.0f)) * half;
    const float2 p = d.place.xy() + offset;
    out.position = {p.x / info->extent.x * 2 - 1, 1 - p.y / info->extent.y * 2, 0, 1};
    out.varyings = {offset.x, offset.y, d.form.x, d.form.y, r, d.form.w, d.look.x};
    return out;
}

void fieldFragment(FragmentQuad& q) {
    const float2 streak{q.varying(2, 0), q.varying(3, 0)};
    const float r = q.varying(4, 0), weight = q.varying(5, 0), picture = q.varying(6, 0);
    const float streak2 = streak.x * streak.x + streak.y * streak.y;
    const auto points = q.varying2(0);
    for (int lane = 0; lane < 4; ++lane) {
        const float2 p = points[size_t(lane)];
        // The nearest point of the segment from −streak / 2 to +streak / 2.
        const float s = streak2 > 0 ? std::clamp((p.x * streak.x + p.y * streak.y) / streak2, -0.5f, 0.5f) : 0.0f;
        const float2 d = p - streak * s;
        const float k = r > 0 ? (d.x * d.x + d.y * d.y) / (r * r) : 1.0f;
        const float b = k < 1 ? weight * (1 - k) * (1 - k) * (1 - k) : 0.0f;
        q.color[lane] = {b, b * picture, 0, 0};
        // Adding nothing leaves the field's bits as they are: such a lane is not merged.
        if (b == 0 && b * picture == 0) q.discard(lane);
    }
}

// The same a span at a time: the same operations, lane by lane (the streak, radius, weight
// and picture are flat, one per quad).
struct FieldConstants {};

void prepareField(const StageResources&, FieldConstants&) {}

FURLPANE_HOT_PATH void fieldSpan(FragmentSpan& s, const FieldConstants&) {
    using lanes::f32x8;
    const auto flat = [&](int k) { return lanes::perQuad(s.varyings[k][0], s.varyings[k][4]); };
    const f32x8 sx = flat(2), sy = flat(3), r = flat(4), weight = flat(5), picture = flat(6);
    const f32x8 px = lanes::load8(s.varyings[0]), py = lanes::load8(s.varyings[1]);
    const f32x8 zero = lanes::splat8(0.0f), one = lanes::splat8(1.0f);
    const f32x8 streak2 = sx * sx + sy * sy;
    f32x8 along = (px * sx + py * sy) / streak2;
    along = along < -0.5f ? lanes::splat8(-0.5f) : (0.5f < along ? lanes::splat8(0.5f) : along);  // as std::clamp
    along = streak2 > 0.0f ? along : zero;
    const f32x8 dx = px - sx * along, dy = py - sy * along;
    const f32x8 k = r > 0.0f ? (dx * dx + dy * dy) / (r * r) : one;
    const f32x8 b = k < 1.0f ? weight * (1.0f - k) * (1.0f - k) * (1.0f - k) : zero;
    const f32x8 g = b * picture;
    lanes::store8(s.color.r, b);
    lanes::store8(s.color.g, g);
    alignas(32) std::uint32_t adds[kSpanLanes];
    lanes::store8(reinterpret_cast<float*>(adds), std::bit_cast<f32x8>((b != 0.0f) | (g != 0.0f)));
    s.discardMask = static_cast<std::uint8_t>(~lanes::nonZeroMask(adds));
}

// Varyings: 0-1 the view point.
VertexOutput waterVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto look = in.resources.array<float4>(kLook);
    VertexOutput out;
    if (look.empty()) return out;
    const float2 p = look[0].xy() + shaders::stripCorner(in.vertexId) * look[0].zw();
    out.position = shaders::clipPosition(p, u);
    out.varyings = {p.x, p.y};
    return out;
}

// Inlined by force: called apart, its vectors went through the stack in halves and each
// call waited on the store (a fifth of a frame).
[[gnu::always_inline]] inline float4 over(float4 below, float4 above) { return above + below * (1 - above.w); }

// The picture mapped onto a rectangle for the four lanes of a quad, read at level of
// detail 0 as one quad the first time a lane asks for it: most lanes that read the
// picture read it at the same point as their neighbours do.
class Layer {
public:
    Layer(float4 rect, const Quad<float2>& at) : rect_(rect) {
        if (!(rect.z > 0 && rect.w > 0)) return;
        for (std::size_t i = 0; i < 4; ++i) uv_[i] = (at[i] - rect.xy()) / rect.zw();
    }
    float4 rect() const { return rect_; }
    // Whether the lane's point lies on the picture.
    bool onPicture(std::size_t lane) const {
        const float2 uv = uv_[lane];
        return !(uv.x < 0 || uv.y < 0 || uv.x > 1 || uv.y > 1);
    }
    float4 color(std::size_t lane, const Texture& picture, const Sampler& levelZero) {
        if (!sampled_) {
            colors_ = picture.sample(levelZero, uv_);
            sampled_ = true;
        }
        return colors_[lane];
    }

private:
    float4 rect_;
    Quad<float2> uv_;
    Quad<float4> colors_;
    bool sampled_ = false;
};

// What one fragment quad needs besides its points.
struct Scene {
    const TransitionUniforms& u;
    std::span<const float4> look;
    const Texture& picture;
    const Sampler& levelZero;  // the sampler at level of detail 0
    const Texture* field;
    const Quad<float2>& points;

    // The picture on a layer at the lane's point, cut with rounded corners.
    float4 pictureIn(Layer& layer, std::size_t lane, float radius) const {
        const float4 rect = layer.rect();
        if (!(rect.z > 0 && rect.w > 0) || !layer.onPicture(lane)) return {};
        const float2 half = rect.zw() * 0.5f;
        const float cover = shaders::cornerCoverage(points[lane] - rect.xy() - half, half,
                                                    std::min(radius, std::min(half.x, half.y)), u.pixelsPerPoint);
        return layer.color(lane, picture, levelZero) * cover;
    }
    float standInRadius() const {
        const float scale = u.window.z > 0 ? std::min(1.0f, u.standIn.z / u.window.z) : 1.0f;
        return u.cornerRadius * scale;
    }
};

// The layers a quad may read: the window where it stands, the window moved by the ripple
// (the same layer while no ripple runs) and the stand-in.
struct Layers {
    Layer window, standIn;
    std::optional<Layer> rippledWindow;

    Layer& rippled(const Scene& s);
    float4 windowAt(const Scene& s, std::size_t lane) { return s.pictureIn(window, lane, s.u.cornerRadius); }
    float4 standInAt(const Scene& s, std::size_t lane) {
        return s.pictureIn(standIn, lane, s.standInRadius()) * clamp01(s.u.opacity);
    }
};

Layer& Layers::rippled(const Scene& s) {
    const float4 ripple = s.look[3];
    if (!(ripple.w > 0)) return window;
    if (!rippledWindow) {
        Quad<float2> moved;
        for (std::size_t i = 0; i < 4; ++i) moved[i] = ripplePoint(ripple, s.points[i]);
        rippledWindow.emplace(s.u.window, moved);
    }
    return *rippledWindow;
}

// The field's red and green for the four lanes; nothing without the field or its extent,
// or where no drop has touched it (it is 0 there, and shows no water).
std::optional<Quad<float4>> fieldAt(const Scene& s, const StageResources& r) {
    if (!s.field) return std::nullopt;
    const float4 info = s.look[2];
    const float2 extent{info.z * info.x, info.w * info.x};
    if (!(extent.x > 0 && extent.y > 0) || !nearDrops(r, s.points)) return std::nullopt;
    Quad<float2> at;
    for (std::size_t i = 0; i < 4; ++i) at[i] = s.points[i] / extent;
    return s.field->sample(s.levelZero, at);
}

float4 dropsAt(const Scene& s, Layers& layers, const Quad<float4>& field, std::size_t lane) {
    const float4 f = field[lane];
    const float level = std::max(s.look[1].x, 1e-3f);
    const float a = smoothstep01((f.x - 0.85f * level) / (0.3f * level));
    if (!(a > 0)) return {};
    const float share = clamp01(f.y / std::max(f.x, 1e-4f));
    const float4 under = s.pictureIn(layers.rippled(s), lane, s.u.cornerRadius);
    const float4 water = kWater + under * (1 - kWater.w) * 0.4f;
    const float edge = 4 * a * (1 - a);
    const float4 c = under * share + water * (1 - share) + float4{0.25f, 0.25f, 0.25f, 0} * edge;
    return c * a;
}

// Whether a point, relative to the middle of a puddle's target, lies within the target
// grown by the spill (half its size).
bool withinPuddle(float2 local, float2 half) { return std::fabs(local.x) <= half.x && std::fabs(local.y) <= half.y; }

// One puddle at p: water that has spread from its source over its target (and spills
// beyond it), shallow where it drains, gone where it has dried; where it has cleared,
// what it leaves behind: the stand-in for the thumbnail's puddle, the window otherwise.
float4 puddleAt(const Scene& s, Layers& layers, std::size_t first, std::size_t lane) {
    const float2 p = s.points[lane];
    const float4 target = s.look[first], source = s.look[first + 1], shape = s.look[first + 2],
                 surface = s.look[first + 3];
    const float kind = s.look[first + 4].x;
    if (!(kind > 0.5f)) return {};
    const float spread = source.z, dry = source.w, spill = shape.x, depth = shape.y, cleared = shape.z,
                lobes = shape.w, corner = surface.x, ripples = surface.y, wet = surface.z, age = surface.w;
    const float2 half = target.zw() * 0.5f + float2(spill);
    const float2 local = p - target.xy() - target.zw() * 0.5f;
    if (!withinPuddle(local, half)) return {};
    // What lies under the water is read only where it shows: most of the rectangle is
    // dry or not reached yet for most of the transition.
    const bool thumbnail = kind > 1.5f && kind < 2.5f;
    const auto underAt = [&] { return thumbnail ? layers.standInAt(s, lane) : layers.windowAt(s, lane); };
    const float2 d = p - source.xy();
    const float distance = length(d);
    if (distance < cleared) return underAt();
    const float angle = std::atan2(d.y, d.x);
    const float front = spread * (1 + 0.05f * lobes * std::sin(7 * angle + 2 * age));
    const float cover = shaders::cornerCoverage(local, half, corner + spill, s.u.pixelsPerPoint);
    const float reached = smoothstep01((front - distance) / 4) * smoothstep01((dry - distance) / 4) * cover;
    if (!(reached > 0)) return {};
    const float4 under = underAt();
    const float wave = 1 + 0.07f * ripples * std::sin(distance * 0.25f - age * 8);
    const float4 water = float4{kWater.x * wave, kWater.y * wave, kWater.z * wave, kWater.w};
    const float4 sheen = float4{0.2f, 0.2f, 0.2f, 0} * (wet * 0.5f);
    const float4 c = under * (1 - clamp01(depth)) + (water + sheen) * clamp01(depth);
    return c * reached;
}

// The window's title bar of a title strip, which stays while the body melts.
float4 titleBarAt(const Scene& s, Layers& layers, std::size_t lane) {
    if (!isTitleStrip(s.u)) return {};
    const float bar = std::clamp(s.u.titleBarHeight, 0.0f, std::max(s.u.window.w - 1, 0.0f));
    if (s.points[lane].y > s.u.window.y + bar) return {};
    return layers.windowAt(s, lane);
}

}  // namespace

namespace water_shading {

// The ripple running out from the region's centre moves the picture under the water. Far
// from its ring the swell is 0: from x² = 104 on, e^-x² lies below half the smallest
// float and rounds to 0, which the library reaches only through its slow underflow path.
float2 ripplePoint(float4 ripple, float2 p) {
    const float2 d = p - ripple.xy();
    const float distance = length(d);
    if (distance < 1e-3f) return p;
    const float x = (distance - ripple.z) / 14.0f;
    const float swell = x * x > 104.0f ? 0.0f : std::exp(-x * x);
    return p - d / distance * (5.0f * ripple.w * swell);
}

bool nearDrops(const StageResources& r, const Quad<float2>& points) {
    const auto* cells = r.value<DropCells>(kDropCellsIndex);
    const auto marks = r.array<std::uint8_t>(kDropCellMarksIndex);
    if (!cells || !(cells->side > 0) || cells->columns == 0 || cells->rows == 0 ||
        marks.size() < std::size_t(cells->columns) * cells->rows)
        return true;
    const auto cell = [&](float at, std::uint32_t count) {
        return static_cast<std::size_t>(std::clamp(std::floor(at / cells->side), 0.0f, static_cast<float>(count - 1)));
    };
    for (const float2 p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return true;
        if (marks[cell(p.y, cells->rows) * cells->columns + cell(p.x, cells->columns)]) return true;
    }
    return false;
}

bool puddleReaches(std::span<const float4> look, const Quad<float2>& points, std::size_t first) {
    if (!(look[first + 4].x > 0.5f)) return false;
    const float4 target = look[first];
    const float2 half = target.zw() * 0.5f + float2(look[first + 2].x);
    for (const float2 p : points)
        if (withinPuddle(p - target.xy() - target.zw() * 0.5f, half)) return true;
    return false;
}

void waterFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    const auto look = r.array<float4>(kLook);
    if (!picture || !sampler || look.size() < 15) {
        q.discardMask = 0xF;
        return;
    }
    const Sampler levelZero = shaders::atLevelZero(*sampler);
    const auto points = q.varying2(0);
    const Scene s{shaders::uniformsOf(r), look, *picture, levelZero, r.texture(kField), points};
    const float fade = shaders::shadowOf(r).unframedFade;
    const auto field = look[4].y > 0.5f ? fieldAt(s, r) : std::nullopt;
    // A layer that is absent from the frame or the quad adds nothing to any lane; a quad
    // with none adds nothing at all.
    const bool puddles[2] = {puddleReaches(look, points, 5), puddleReaches(look, points, 10)};
    if (!(look[4].x > 0.5f) && !field && !puddles[0] && !puddles[1] && !(look[4].z > 0.5f) && !isTitleStrip(s.u) &&
        std::isfinite(fade)) {
        q.discardMask = 0xF;
        return;
    }
    Layers layers{Layer(s.u.window, points), Layer(s.u.standIn, points), std::nullopt};
    const bool silhouette = shaders::isSilhouettePass(r);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<std::size_t>(lane);
        float4 c{};
        if (look[4].x > 0.5f) c = over(c, layers.windowAt(s, i));
        if (field) c = over(c, dropsAt(s, layers, *field, i));
        if (puddles[0]) c = over(c, puddleAt(s, layers, 5, i));
        if (puddles[1]) c = over(c, puddleAt(s, layers, 10, i));
        if (look[4].z > 0.5f) c = over(c, layers.standInAt(s, i));
        c = over(c, titleBarAt(s, layers, i));
        // Much of the drawing rectangle is empty: a lane that adds nothing (the pipeline
        // blends premultiplied colour and leaves depth alone) is not merged.
        const float4 shown = c * fade;
        if (shown.x == 0 && shown.y == 0 && shown.z == 0 && shown.w == 0) {
            q.discard(lane);
            continue;
        }
        shaders::emit(q, lane, shown, silhouette);
    }
}

}  // namespace water_shading

void registerWaterShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("waterVertex", {2, 0}, waterVertex);
    catalog.addFragmentFunction("waterFragment", water_shading::waterFragment, water_shading::waterSpan());
    catalog.addVertexFunction("waterFieldVertex", {7, 0x7Cu}, fieldVertex);
    catalog.addFragmentFunction("waterFieldFragment", fieldFragment,
                                spanFunction<FieldConstants, prepareField, fieldSpan>());
}

}  // namespace furlpane
