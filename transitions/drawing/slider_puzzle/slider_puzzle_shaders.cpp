// Stand-in shaders of the slider puzzle. Each tile is a quad placed in the puzzle's
// frame (look[0]) at the middle of its span, inset by the seam opening, turned by the
// frame's tilt about the frame's centre, and showing the part of the picture of its
// home cell. The lifted tile grows by its scale, rises a little on screen and fades.
// The tray is a dark rounded plate under the frame that shows through the open seams
// and the empty cell. For a title strip, one more instance draws the window's title
// bar on top, so that the rising columns slide under it; above the window's top edge
// they are cut off.

#include <algorithm>
#include <cmath>

#include "transitions/drawing/slider_puzzle/slider_puzzle_drawing.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;
using shaders::clamp01;

namespace {

constexpr int kTiles = 2, kLook = 3, kInfo = 4;

struct Frame {
    float2 origin, size, centre, cell;
    float cosine, sine;

    explicit Frame(std::span<const float4> look, const PuzzleInfo& info) {
        origin = look[0].xy();
        cell = look[0].zw();
        size = {cell.x * float(info.columns), cell.y * float(info.rows)};
        centre = origin + size * 0.5f;
        cosine = std::cos(look[1].x);
        sine = std::sin(look[1].x);
    }
    // A point of the untilted frame (points from its origin) on the view.
    float2 place(float2 local) const {
        const float2 d = local - size * 0.5f;
        return centre + float2{d.x * cosine - d.y * sine, d.x * sine + d.y * cosine};
    }
};

// Varyings: 0-1 picture coordinates, 2-3 point within the quad, 4-5 the quad's size,
// 6 alpha, 7 view y, 8 whether it is the title bar (4 to 6 and 8 flat).
VertexOutput tileVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto tiles = in.resources.array<effects::SliderPuzzle::TileFrame>(kTiles);
    const auto look = in.resources.array<float4>(kLook);
    const auto* info = in.resources.value<PuzzleInfo>(kInfo);
    VertexOutput out;
    if (look.size() < 4 || !info || info->columns == 0 || info->rows == 0) return out;
    const float2 c = shaders::stripCorner(in.vertexId);
    if (in.instanceId >= info->tiles) {  // the title bar of a title strip
        const float2 size{u.window.z, info->titleBar};
        const float2 p = u.window.xy() + c * size;
        out.position = shaders::clipPosition(p, u);
        out.varyings = {c.x, c.y * info->titleBar / std::max(u.window.w, 1e-6f), c.x * size.x, c.y * size.y,
                        size.x, size.y, 1, p.y, 1};
        return out;
    }
    if (in.instanceId >= tiles.size()) return out;
    const Frame frame(look, *info);
    const effects::SliderPuzzle::TileFrame& t = tiles[in.instanceId];
    const float2 cells = (t.span.xy() + t.span.zw()) * 0.5f;
    const float gap = std::min(1.5f * look[1].y * look[2].w, 0.25f * std::min(frame.cell.x, frame.cell.y));
    const float2 size = frame.cell - float2(2 * gap);
    const float2 middle = cells * frame.cell + frame.cell * 0.5f - float2{0, 0.12f * t.look.x};
    const float2 local = middle + (c - float2(0.5f)) * size * t.look.z;
    const float2 p = frame.place(local);
    const float2 home{float(in.instanceId % info->columns), float(in.instanceId / info->columns)};
    const float2 inCell = (float2(gap) + c * size) / frame.cell;
    const float4 crop = look[3];
    out.position = shaders::clipPosition(p, u);
    out.varyings = {crop.x + (home.x + inCell.x) / float(info->columns) * crop.z,
                    crop.y + (home.y + inCell.y) / float(info->rows) * crop.w,
                    c.x * size.x, c.y * size.y, size.x, size.y, t.look.y * look[1].w, p.y, 0};
    return out;
}

void tileFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    const auto look = r.array<float4>(kLook);
    if (!picture || !sampler || look.size() < 2) {
        q.discardMask = 0xF;
        return;
    }
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const bool silhouette = shaders::isSilhouettePass(r);
    const bool titleBar = q.varying(8, 0) > 0.5f;
    const float alpha = clamp01(q.varying(6, 0)) * shaders::shadowOf(r).unframedFade;
    const float seam = titleBar ? 0.0f : clamp01(look[1].y);
    const float2 size{q.varying(4, 0), q.varying(5, 0)};
    const auto colors = picture->sample(*sampler, q.varying2(0));
    const auto points = q.varying2(2);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<std::size_t>(lane);
        if (!titleBar && look[1].z > 0.5f && q.varying(7, lane) < u.window.y) {
            q.discard(lane);
            continue;
        }
        const float2 p = points[i];
        const float edge = std::min(std::min(p.x, size.x - p.x), std::min(p.y, size.y - p.y));
        const float shade = 1.0f - 0.3f * seam * (1.0f - shaders::smoothstep01(edge / 4.0f));
        const float4 c = colors[i];
        shaders::emit(q, lane, float4{c.x * shade, c.y * shade, c.z * shade, c.w} * alpha, silhouette);
    }
}

// Varyings: 0-1 point from the tray's centre, 2-3 half its size, 4 alpha (2 to 4 flat).
VertexOutput trayVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto look = in.resources.array<float4>(kLook);
    const auto* info = in.resources.value<PuzzleInfo>(kInfo);
    VertexOutput out;
    if (look.size() < 7 || !info) return out;
    const Frame frame(look, *info);
    const float2 size = frame.size + float2(4.0f);
    const float2 c = shaders::stripCorner(in.vertexId);
    const float2 local = frame.size * 0.5f + (c - float2(0.5f)) * size;
    // A title strip's tray leaves with its columns.
    float left = 1;
    if (look[1].z > 0.5f) {
        const std::uint32_t shown = std::min<std::uint32_t>(info->columns, 12);
        float risen = 0;
        for (std::uint32_t k = 0; k < shown; ++k) risen += look[4 + k / 4][static_cast<int>(k % 4)];
        left = 1.0f - clamp01(risen / (float(shown) * (float(info->rows) + 0.25f)));
    }
    out.position = shaders::clipPosition(frame.place(local), u);
    out.varyings = {(c.x - 0.5f) * size.x, (c.y - 0.5f) * size.y, 0.5f * size.x, 0.5f * size.y,
                    0.8f * clamp01(look[1].y) * clamp01(look[1].w) * left};
    return out;
}

void trayFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const bool silhouette = shaders::isSilhouettePass(r);
    const auto points = q.varying2(0);
    const float2 half{q.varying(2, 0), q.varying(3, 0)};
    const float alpha = q.varying(4, 0) * shaders::shadowOf(r).unframedFade;
    for (int lane = 0; lane < 4; ++lane) {
        const float a = alpha * shaders::cornerCoverage(points[size_t(lane)], half, 6.0f, u.pixelsPerPoint);
        shaders::emit(q, lane, float4{0.10f, 0.10f, 0.12f, 1.0f} * a, silhouette);
    }
}

}  // namespace

void registerSliderPuzzleShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("sliderPuzzleVertex", {9, 0x170u}, tileVertex);
    catalog.addFragmentFunction("sliderPuzzleFragment", tileFragment);
    catalog.addVertexFunction("puzzleTraysVertex", {5, 0x1Cu}, trayVertex);
    catalog.addFragmentFunction("puzzleTraysFragment", trayFragment);
}

}  // namespace furlpane
