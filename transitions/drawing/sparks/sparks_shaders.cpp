// Stand-in shaders of the click sparks. Each record is one quad: a cell of the picture
// before its spark shows (mode 1); a live spark (mode 0), turned by its angle, that
// morphs from its cell of the picture into a rounded tile of its tint, filled or as an
// outline, and back into its cell while it lands; a cell of the picture on the
// thumbnail's stage once landed (modes 2 and 3). An all-zero record draws nothing.

#include "transitions/drawing/sparks/sparks_shaders.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "transitions/drawing/sparks/sparks_drawing.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane::sparks {

using namespace platform::gpu;
using effects::Sparks;
using platform::simd::float2;
using platform::simd::float4;

namespace {

constexpr float kTitleBand = 4;  // the mode of the title strip's title bar

VertexOutput offscreen() {
    VertexOutput out;
    out.position = {2, 2, 0, 1};
    return out;
}

struct Grid {
    float4 region;
    float4 stage;
    int columns = 1;
    int rows = 1;
};

bool gridOf(const StageResources& r, Grid& grid) {
    const auto look = r.array<float4>(kSparkLookIndex);
    if (look.size() < 3 || look[2].x < 1 || look[2].y < 1) return false;
    grid = {look[0], look[1], static_cast<int>(look[2].x), static_cast<int>(look[2].y)};
    return true;
}

// The part of the picture (texture coordinates) that a cell of the region shows.
float4 cellInPicture(const Grid& g, int column, int row, const TransitionUniforms& u) {
    const float2 cell{g.region.z / g.columns, g.region.w / g.rows};
    const float2 origin = g.region.xy() + float2{float(column), float(row)} * cell;
    const float2 size{std::max(1.0f, u.window.z), std::max(1.0f, u.window.w)};
    return {(origin.x - u.window.x) / size.x, (origin.y - u.window.y) / size.y, cell.x / size.x, cell.y / size.y};
}

// An axis-aligned quad over rect showing the part uv of the picture.
VertexOutput flatQuad(float4 rect, float4 uv, float mode, float alpha, std::uint32_t vertexId,
                      const TransitionUniforms& u) {
    const float2 c = shaders::stripCorner(vertexId);
    VertexOutput out;
    out.position = shaders::clipPosition(rect.xy() + c * rect.zw(), u);
    out.varyings = {uv.x + c.x * uv.z, uv.y + c.y * uv.w, 0, 0, 0, 0, 0, 0, 0, 0, alpha, 0, 0, 0, mode};
    return out;
}

// Varyings: 0-1 texture coordinates; 2-3 the point from the spark's centre in points;
// 4-5 its half size; 6 corner radius; 7 outline width; 8 morph; 9 landing blend;
// 10 opacity; 11-13 tint; 14 mode (4 to 14 flat).
VertexOutput sparkVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    Grid g;
    if (!gridOf(in.resources, g)) return offscreen();
    const auto records = in.resources.array<Sparks::SparkFrame>(kSparkRecordsIndex);
    const auto index = static_cast<int>(in.instanceId);
    if (index >= g.columns * g.rows) {
        // A title strip's title bar stays where it is.
        const float band = g.region.y - u.window.y;
        if (band <= 0) return offscreen();
        const float4 uv{0, 0, 1, band / std::max(1.0f, u.window.w)};
        return flatQuad({u.window.x, u.window.y, u.window.z, band}, uv, kTitleBand, 1, in.vertexId, u);
    }
    if (static_cast<size_t>(index) >= records.size()) return offscreen();
    const Sparks::SparkFrame& s = records[static_cast<size_t>(index)];
    const int column = index % g.columns, row = index / g.columns;
    const float4 uv = cellInPicture(g, column, row, u);
    const float mode = s.look.x;
    if (s.look.y <= 0) return offscreen();  // all zero: landed in the title bar, or faded out
    if (mode == 1) {
        const float2 cell{g.region.z / g.columns, g.region.w / g.rows};
        const float4 rect{g.region.x + column * cell.x, g.region.y + row * cell.y, cell.x, cell.y};
        return flatQuad(rect, uv, mode, s.look.y, in.vertexId, u);
    }
    if (mode == 2 || mode == 3) {
        const float2 cell{g.stage.z / g.columns, g.stage.w / g.rows};
        const float4 rect{g.stage.x + column * cell.x, g.stage.y + row * cell.y, cell.x, cell.y};
        return flatQuad(rect, uv, mode, s.look.y, in.vertexId, u);
    }
    const float2 c = shaders::stripCorner(in.vertexId);
    const float2 half = s.place.zw();
    const float2 local = (c * 2.0f - float2{1, 1}) * half;
    const float cs = std::cos(s.turn.x), sn = std::sin(s.turn.x);
    const float2 turned{local.x * cs - local.y * sn, local.x * sn + local.y * cs};
    VertexOutput out;
    out.position = shaders::clipPosition(s.place.xy() + turned, u);
    out.varyings = {uv.x + c.x * uv.z, uv.y + c.y * uv.w, local.x, local.y, half.x, half.y, s.turn.y, s.turn.z,
                    s.turn.w, s.look.z, s.look.y, s.tint.x, s.tint.y, s.tint.z, mode};
    return out;
}

// Signed distance from a rounded rectangle's edge (negative inside).
float roundedBoxDistance(float2 p, float2 half, float radius) {
    const float r = std::min({radius, half.x, half.y});
    const float qx = std::fabs(p.x) - (half.x - r), qy = std::fabs(p.y) - (half.y - r);
    const float outside = std::sqrt(std::max(qx, 0.0f) * std::max(qx, 0.0f) + std::max(qy, 0.0f) * std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
}

float sparkCoverage(const FragmentQuad& q, int lane) {
    const float2 p{q.varying(2, lane), q.varying(3, lane)};
    const float2 half{q.varying(4, lane), q.varying(5, lane)};
    const float d = roundedBoxDistance(p, half, q.varying(6, lane));
    float coverage = shaders::clamp01(0.5f - d);
    const float outline = q.varying(7, lane);
    if (outline > 0) {
        // An outline spark hollows out as it turns from its cell into a spark, and fills
        // in again as it lands.
        const float band = shaders::clamp01(0.5f + d + outline);
        const float hollow = q.varying(8, lane) * (1 - q.varying(9, lane));
        coverage *= shaders::mix(1.0f, 1.0f - band, hollow);
    }
    return coverage;
}

void sparkFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    if (!picture || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const auto colors = picture->sample(*sampler, q.varying2(0));
    const float fade = shaders::shadowOf(r).unframedFade;
    const bool silhouette = shaders::isSilhouettePass(r);
    const float mode = q.varying(14, 0);
    for (int lane = 0; lane < 4; ++lane) {
        const float alpha = q.varying(10, lane) * fade;
        float4 color = colors[static_cast<size_t>(lane)];
        if (mode == 0) {
            const float morph = q.varying(8, lane);
            const float4 tint{q.varying(11, lane), q.varying(12, lane), q.varying(13, lane), 1};
            color = color + (tint - color) * morph;
            color = color * sparkCoverage(q, lane);
        }
        shaders::emit(q, lane, color * alpha, silhouette);
    }
}

}  // namespace

void registerShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("sparksVertex", {15, 0x7FF0u}, sparkVertex);
    catalog.addFragmentFunction("sparksFragment", sparkFragment);
}

}  // namespace furlpane::sparks
