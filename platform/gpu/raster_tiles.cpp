// The back of the rasterizer: a pass's triangles are sorted into 64 × 64 pixel tiles, and
// the tiles are drawn in parallel, each by one thread, triangle after triangle in the
// order they were drawn. Within a tile, 8 × 8 blocks that a triangle covers entirely skip
// the edge tests; in the others the samples inside are found a row of the block at a time
// (raster_coverage.h), and only the quads with any of them are shaded. Quads of 2 × 2
// pixels are aligned to even coordinates, so no quad spans two tiles, and every value a
// pixel gets is computed from the triangle and the pixel position alone: the image is the
// same whatever the number of threads or the order in which tiles are taken.

#include "platform/gpu/hot_path.h"
#include "platform/gpu/raster.h"
#include "platform/gpu/raster_coverage.h"
#include "platform/gpu/raster_output.h"
#include "platform/runtime/per_thread.h"

#include <algorithm>
#include <bit>
#include <memory>

namespace platform::gpu {

namespace {

using simd::float4;

constexpr int kTileSize = 64;
constexpr int kBlockSize = kCoverageBlock;

// Sample positions within a pixel, y downward: the centre, or the standard four.
struct SamplePattern {
    int count;
    int x[4];  // subpixels
    int y[4];
    float fx[4];  // pixels
    float fy[4];
};

constexpr SamplePattern kOneSample = {1, {128}, {128}, {0.5f}, {0.5f}};
constexpr SamplePattern kFourSamples = {4,
                                        {96, 224, 32, 160},
                                        {32, 96, 160, 224},
                                        {0.375f, 0.875f, 0.125f, 0.625f},
                                        {0.125f, 0.375f, 0.625f, 0.875f}};

struct Target;
// Writes the shaded lanes of a quad: those with samples in cov and not in skipped, which
// holds the lanes the shader discarded and those without coverage.
using MergeFunction = void (*)(const Target&, int qx, int qy, const float4* color, const unsigned* cov,
                               unsigned skipped, const BlendSettings&);

struct Target {
    PixelFormat format;
    int samples;
    int width;
    int height;
    std::uint8_t* color;
    std::size_t colorRow;
    std::size_t colorTexel;  // bytes of all samples of one pixel
    std::uint8_t* depth;     // null without a depth attachment
    std::size_t depthRow;
    const SamplePattern* pattern;
    MergeFunction merge;
    // The pixel that color and depth point at: the target's corner, or a tile's where the
    // pixels are addressed in a tile of their own.
    int originX = 0;
    int originY = 0;

    std::uint8_t* colorAt(int x, int y) const {
        return color + std::size_t(y - originY) * colorRow + std::size_t(x - originX) * colorTexel;
    }
    std::uint8_t* depthAt(int x, int y) const {
        return depth + std::size_t(y - originY) * depthRow + std::size_t(x - originX) * std::size_t(samples) * 4;
    }
};

lanes::f32x4 blendFactors(BlendFactor f, lanes::f32x4 sourceAlpha) {
    switch (f) {
    case BlendFactor::zero: return lanes::splat(0.0f);
    case BlendFactor::one: return lanes::splat(1.0f);
    case BlendFactor::sourceAlpha: return sourceAlpha;
    case BlendFactor::oneMinusSourceAlpha: return 1.0f - sourceAlpha;
    }
    return lanes::splat(0.0f);
}

// A one-sample RG16Float target (a field that draws add into): the lanes in `merged` as
// mergePixel writes them, four at once, their red and green halves side by side in eight
// lanes.
void mergeQuadRG16Float(const Target& t, int qx, int qy, const float4* color, unsigned merged,
                        const BlendSettings& blend) {
    using lanes::f32x4;
    using lanes::f32x8;
    using lanes::u32x8;
    // The colours transposed in registers (built lane by lane, they went through the stack).
    const f32x4 c0 = lanes::load(color[0]), c1 = lanes::load(color[1]), c2 = lanes::load(color[2]),
                c3 = lanes::load(color[3]);
    const f32x4 xy01 = __builtin_shufflevector(c0, c1, 0, 4, 1, 5), xy23 = __builtin_shufflevector(c2, c3, 0, 4, 1, 5);
    const f32x4 zw01 = __builtin_shufflevector(c0, c1, 2, 6, 3, 7), zw23 = __builtin_shufflevector(c2, c3, 2, 6, 3, 7);
    const f32x8 source = __builtin_shufflevector(xy01, xy23, 0, 1, 4, 5, 2, 3, 6, 7);  // red, then green
    const f32x4 alpha = __builtin_shufflevector(zw01, zw23, 2, 3, 6, 7);
    f32x4 sRGB = lanes::splat(1.0f), sA = sRGB, dRGB = lanes::splat(0.0f), dA = dRGB;
    if (blend.enabled) {
        sRGB = blendFactors(blend.sourceRGB, alpha), sA = blendFactors(blend.sourceAlpha, alpha);
        dRGB = blendFactors(blend.destinationRGB, alpha), dA = blendFactors(blend.destinationAlpha, alpha);
    }
    const lanes::i32x4 keeps = (sRGB == 0.0f) & (sA == 0.0f) & (dRGB == 1.0f) & (dA == 1.0f);
    const lanes::i32x4 replaces = (sRGB == 1.0f) & (sA == 1.0f) & (dRGB == 0.0f) & (dA == 0.0f);
    for (int i = 0; i < 4; ++i)
        if (keeps[i]) merged &= ~(1u << i);
    if (!merged) return;
    std::uint8_t* texel[4] = {};
    lanes::u32x4 stored{};
    for (int i = 0; i < 4; ++i) {
        if (!(merged & (1u << i))) continue;
        texel[i] = t.colorAt(qx + (i & 1), qy + (i >> 1));
        stored[i] = lanes::load32(texel[i]);
    }
    // Lanes 0-3 red, 4-7 green.
    const f32x8 below = halves::toFloat<u32x8, f32x8>(__builtin_shufflevector(stored & 0xffffu, stored >> 16, 0, 1, 2,
                                                                               3, 4, 5, 6, 7));
    const f32x8 s = __builtin_shufflevector(sRGB, sRGB, 0, 1, 2, 3, 0, 1, 2, 3);
    const f32x8 d = __builtin_shufflevector(dRGB, dRGB, 0, 1, 2, 3, 0, 1, 2, 3);
    const lanes::i32x8 replaced = __builtin_shufflevector(replaces, replaces, 0, 1, 2, 3, 0, 1, 2, 3);
    const u32x8 out = halves::fromFloat<u32x8, f32x8>(replaced ? source : source * s + below * d);
    for (int i = 0; i < 4; ++i)
        if (merged & (1u << i)) lanes::store32(texel[i], out[i] | out[i + 4] << 16);
}

template <PixelFormat F>
void mergeQuad(const Target& t, int qx, int qy, const float4* color, const unsigned* cov, unsigned skipped,
               const BlendSettings& blend) {
    if (F == PixelFormat::rg16Float && t.samples == 1) {
        unsigned merged = 0;
        for (int i = 0; i < 4; ++i) merged |= cov[i] && !(skipped & (1u << i)) ? 1u << i : 0u;
        return mergeQuadRG16Float(t, qx, qy, color, merged, blend);
    }
    if (F == PixelFormat::bgra8Unorm && t.samples == 1) {
        const unsigned mask = ~skipped & 15u;
        std::uint8_t* row0 = t.colorAt(qx, qy);
        return mergeQuadBGRA8(row0, qy + 1 < t.height ? row0 + t.colorRow : row0, mask, color, blend);
    }
    if (F == PixelFormat::bgra8Unorm) {
        unsigned live[4];
        std::uint8_t* texel[4];
        for (int i = 0; i < 4; ++i) {
            live[i] = (skipped & (1u << i)) ? 0 : cov[i];
            texel[i] = live[i] ? t.colorAt(qx + (i & 1), qy + (i >> 1)) : nullptr;
        }
        return mergeQuadSamplesBGRA8(texel, t.samples, live, color, blend);
    }
    for (int i = 0; i < 4; ++i) {
        if (!cov[i] || (skipped & (1u << i))) continue;
        mergePixel<F>(t.colorAt(qx + (i & 1), qy + (i >> 1)), t.samples, cov[i], color[i], blend);
    }
}

// The merge of the other targets, called through a pointer; the tile loop inlines the
// common one itself.
template <PixelFormat F>
FURLPANE_HOT_PATH void mergeQuadEntry(const Target& t, int qx, int qy, const float4* color, const unsigned* cov,
                                      unsigned skipped, const BlendSettings& blend) {
    mergeQuad<F>(t, qx, qy, color, cov, skipped, blend);
}

MergeFunction mergeFor(PixelFormat f) {
    switch (f) {
    case PixelFormat::r8Unorm: return &mergeQuadEntry<PixelFormat::r8Unorm>;
    case PixelFormat::rg16Float: return &mergeQuadEntry<PixelFormat::rg16Float>;
    default: return &mergeQuadEntry<PixelFormat::bgra8Unorm>;
    }
}

using ResolveFunction = void (*)(const std::uint8_t*, int, std::uint8_t*);

ResolveFunction resolveFor(PixelFormat f) {
    return f == PixelFormat::bgra8Unorm ? &resolveRow<PixelFormat::bgra8Unorm>
           : f == PixelFormat::r8Unorm  ? &resolveRow<PixelFormat::r8Unorm>
                                        : &resolveRow<PixelFormat::rg16Float>;
}

Target targetOf(const RenderPassDescriptor& d) {
    Texture& color = *d.colorAttachment.texture;
    const Texture::Level l = color.level(d.colorAttachment.level);
    Target t{};
    t.format = color.pixelFormat();
    t.samples = color.sampleCount();
    t.width = l.width;
    t.height = l.height;
    t.color = l.data;
    t.colorRow = l.rowBytes;
    t.colorTexel = bytesPerPixel(t.format) * std::size_t(t.samples);
    if (d.depthAttachment.texture) {
        const Texture::Level dl = d.depthAttachment.texture->level(0);
        t.depth = dl.data;
        t.depthRow = dl.rowBytes;
    }
    t.pattern = t.samples == 4 ? &kFourSamples : &kOneSample;
    t.merge = mergeFor(t.format);
    return t;
}

// What the tiles need of a draw, looked up once per pass.
struct DrawPlan {
    const FragmentFunction* fragment;
    const StageResources* resources;
    int varyingCount;
    std::uint32_t flatMask;
    bool depthTest;
    CompareFunction depthCompare;
    bool depthWrite;
    BlendSettings blend;
    // The fragment function's span form, where the draw takes it (not under a depth test),
    // and what it looked up for the draw.
    SpanFunction span;
    DrawConstants constants;
};

DrawPlan planOf(const DrawCommand& d, bool hasDepth) {
    const RenderPipelineState& p = *d.state->pipeline;
    const ColorAttachmentDescriptor& c = p.descriptor().colorAttachment;
    DrawPlan plan{};
    plan.fragment = &p.fragmentFunction();
    plan.resources = d.state->fragmentResources.get();
    plan.varyingCount = p.varyingLayout().count;
    plan.flatMask = p.varyingLayout().flatMask;
    plan.blend = {c.blendingEnabled, c.sourceRGBBlendFactor, c.sourceAlphaBlendFactor,
                  c.destinationRGBBlendFactor, c.destinationAlphaBlendFactor};
    if (hasDepth && d.state->depthStencil) {
        const DepthStencilDescriptor& ds = d.state->depthStencil->descriptor();
        plan.depthTest = ds.depthCompareFunction != CompareFunction::always || ds.depthWriteEnabled;
        plan.depthCompare = ds.depthCompareFunction;
        plan.depthWrite = ds.depthWriteEnabled;
    }
    if (const SpanFunction& span = p.descriptor().fragmentFunction->span(); span && plan.resources && !plan.depthTest) {
        plan.span = span;
        span.prepare(*plan.resources, plan.constants);
    }
    return plan;
}

struct Rect {
    int x0, y0, x1, y1;  // half-open
};

enum class Cover { none, partial, full };

// How the closed rectangle r (pixels) lies against the triangle's edges: conservative,
// so "full" means every point of it is inside and "none" that none is.
Cover classify(const Triangle& t, const Rect& r) {
    const CuttingEdges edges = cuttingEdges(t, r.x0, r.y0, r.x1, r.y1);
    return edges.outside ? Cover::none : edges.count == 0 ? Cover::full : Cover::partial;
}

// A pass's clear values, packed once for every sample of a pixel.
struct ClearValues {
    bool color = false;  // the attachment loads by clearing
    bool depth = false;
    std::uint8_t texel[16] = {};  // a pixel's samples (at most 4 of at most 4 bytes)
    std::uint8_t depthBytes[16] = {};
    // Where the multisampled colour is only resolved, not kept: the resolved clear colour,
    // which a tile without triangles writes straight into the resolve texture.
    bool resolvesAlone = false;
    std::uint8_t resolved[4] = {};
};

// n bytes, with the common sizes known to the compiler.
inline void copyPixel(std::uint8_t* to, const std::uint8_t* from, std::size_t n) {
    if (n == 16) return static_cast<void>(std::memcpy(to, from, 16));
    if (n == 4) return static_cast<void>(std::memcpy(to, from, 4));
    std::memcpy(to, from, n);
}

class TileRenderer {
public:
    TileRenderer(const Target& target, const std::vector<DrawPlan>& plans, Rect tile)
        : target_(target), plans_(plans), tile_(tile) {}

    void draw(const Triangle& t);
    // Draws t, the first triangle of a tile it covers whole, clearing each sample just
    // before it is first read or written: the tile's clear fused into its first draw, so
    // that its memory is gone through once.
    void drawOverClear(const Triangle& t, const ClearValues& clear);

private:
    void clearLanes(int qx, int qy, const unsigned cov[4]) const;
    void drawBlock(const Triangle& t, int bx, int by, const Rect& block, const CuttingEdges& edges);
    void depthTest(const Triangle& t, const DrawPlan& plan, int qx, int qy, unsigned cov[4], float z[4][4]) const;
    void interpolate(const Triangle& t, const DrawPlan& plan, int qx, int qy);
    void shadeQuad(const Triangle& t, const DrawPlan& plan, int qx, int qy, unsigned cov[4]);
    // Quads of a draw with a span form are shaded in pairs of neighbours along a row.
    void shadeSpans(const Triangle& t, const DrawPlan& plan, int bx, int by, const BlockCoverage& inside,
                    std::uint64_t quads);
    void interpolateSpan(const Triangle& t, const DrawPlan& plan, int qx, int qy);
    // live: the lanes with samples in cov; without cov, one sample a pixel, in the lanes of live.
    void shadeSpan(const Triangle& t, const DrawPlan& plan, int qx, int qy, unsigned live, const unsigned cov[8]);

    const Target& target_;
    const std::vector<DrawPlan>& plans_;
    Rect tile_;
    FragmentQuad quad_;
    FragmentSpan span_;
    const ClearValues* clear_ = nullptr;  // set while drawing over the clear
};

void TileRenderer::drawOverClear(const Triangle& t, const ClearValues& clear) {
    clear_ = &clear;
    draw(t);
    clear_ = nullptr;
}

// Within a tile the triangle covers whole, a lane has all of its samples or none; the
// sample-by-sample way is there for safety.
void TileRenderer::clearLanes(int qx, int qy, const unsigned cov[4]) const {
    const unsigned all = (1u << target_.samples) - 1;
    const std::size_t bpp = bytesPerPixel(target_.format), depthBytes = 4 * std::size_t(target_.samples);
    for (int i = 0; i < 4; ++i) {
        if (!cov[i]) continue;
        std::uint8_t* color = target_.colorAt(qx + (i & 1), qy + (i >> 1));
        std::uint8_t* depth = clear_->depth ? target_.depthAt(qx + (i & 1), qy + (i >> 1)) : nullptr;
        if (cov[i] == all) {
            if (clear_->color) copyPixel(color, clear_->texel, target_.colorTexel);
            if (depth) copyPixel(depth, clear_->depthBytes, depthBytes);
            continue;
        }
        for (int s = 0; s < target_.samples; ++s) {
            if (!(cov[i] & (1u << s))) continue;
            if (clear_->color) std::memcpy(color + std::size_t(s) * bpp, clear_->texel, bpp);
            if (depth) std::memcpy(depth + 4 * std::size_t(s), clear_->depthBytes, 4);
        }
    }
}

void TileRenderer::draw(const Triangle& t) {
    const Rect area{std::max(t.minX, tile_.x0) & ~1, std::max(t.minY, tile_.y0) & ~1,
                    std::min(t.maxX + 1, tile_.x1), std::min(t.maxY + 1, tile_.y1)};
    if (area.x0 >= area.x1 || area.y0 >= area.y1) return;
    const CuttingEdges cutting = cuttingEdges(t, area.x0, area.y0, area.x1, area.y1);
    if (cutting.outside) return;
    quad_.frontFacing = t.frontFacing;
    quad_.instanceId = t.instanceId;
    quad_.resources = plans_[t.draw].resources;
    for (int by = area.y0 & ~(kBlockSize - 1); by < area.y1; by += kBlockSize) {
        for (int bx = area.x0 & ~(kBlockSize - 1); bx < area.x1; bx += kBlockSize) {
            const Rect block{std::max(bx, area.x0), std::max(by, area.y0), std::min(bx + kBlockSize, area.x1),
                             std::min(by + kBlockSize, area.y1)};
            const CuttingEdges edges = cuttingEdges(t, block.x0, block.y0, block.x1, block.y1, cutting);
            if (!edges.outside) drawBlock(t, bx, by, block, edges);
        }
    }
}

// The quads with samples inside t in block, the part of the 8 × 8 block at (bx, by) that
// lies in t's area of the tile; edges are those of t that cut through it.
void TileRenderer::drawBlock(const Triangle& t, int bx, int by, const Rect& block, const CuttingEdges& edges) {
    const SamplePattern& p = *target_.pattern;
    const int rows[2] = {block.y0 - by, block.y1 - by}, columns[2] = {block.x0 - bx, block.x1 - bx};
    const BlockCoverage inside =
        edges.fits32 ? blockCoverage<std::uint32_t>(t, edges, bx, by, rows[0], rows[1], columns[0], columns[1],
                                                    p.count, p.x, p.y)
                     : blockCoverage<std::uint64_t>(t, edges, bx, by, rows[0], rows[1], columns[0], columns[1],
                                                    p.count, p.x, p.y);
    const DrawPlan& plan = plans_[t.draw];
    if (plan.span) return shadeSpans(t, plan, bx, by, inside, quadsWithSamples(inside, p.count));
    for (std::uint64_t quads = quadsWithSamples(inside, p.count); quads != 0; quads &= quads - 1) {
        const int bit = std::countr_zero(quads);
        unsigned cov[4];
        quadCoverage(inside, bit, p.count, cov);
        shadeQuad(t, plan, bx + bit % kBlockSize, by + bit / kBlockSize, cov);
    }
}

// Clears the samples that fail the depth test and leaves each sample's depth in z.
void TileRenderer::depthTest(const Triangle& t, const DrawPlan& plan, int qx, int qy, unsigned cov[4],
                             float z[4][4]) const {
    const SamplePattern& p = *target_.pattern;
    for (int i = 0; i < 4; ++i) {
        if (!cov[i]) continue;
        const int px = qx + (i & 1), py = qy + (i >> 1);
        const std::uint8_t* stored = target_.depthAt(px, py);
        for (int s = 0; s < p.count; ++s) {
            if (!(cov[i] & (1u << s))) continue;
            z[i][s] = t.z.at(float(px - t.ox) + p.fx[s], float(py - t.oy) + p.fy[s]);
            if (!depthPasses(plan.depthCompare, z[i][s], loadFloat(stored + 4 * s))) cov[i] &= ~(1u << s);
        }
    }
}

// The planes at the four pixel centres, four lanes at a time (the same operations, in the
// same order, as Plane::at per lane).
void TileRenderer::interpolate(const Triangle& t, const DrawPlan& plan, int qx, int qy) {
    using lanes::f32x4;
    const f32x4 fx = lanes::toFloat(lanes::splat(qx - t.ox) + lanes::i32x4{0, 1, 0, 1}) + 0.5f;
    const f32x4 fy = lanes::toFloat(lanes::splat(qy - t.oy) + lanes::i32x4{0, 0, 1, 1}) + 0.5f;
    auto at = [&](const Plane& p) { return p.p0 + p.dx * fx + p.dy * fy; };
    const f32x4 w = t.perspective ? 1.0f / at(t.invW) : lanes::splat(1.0f);
    for (int k = 0; k < plan.varyingCount; ++k) {
        const bool scaled = t.perspective && !(plan.flatMask & (1u << k));
        const f32x4 v = at(t.varyings[k]);
        const f32x4 out = scaled ? v * w : v;
        std::memcpy(quad_.varyings[k], &out, sizeof out);
    }
}

// The planes at the eight pixel centres of a span, as interpolate does them for each quad.
void TileRenderer::interpolateSpan(const Triangle& t, const DrawPlan& plan, int qx, int qy) {
    using lanes::f32x8;
    const f32x8 fx = lanes::toFloat(lanes::splat8(qx - t.ox) + lanes::i32x8{0, 1, 0, 1, 2, 3, 2, 3}) + 0.5f;
    const f32x8 fy = lanes::toFloat(lanes::splat8(qy - t.oy) + lanes::i32x8{0, 0, 1, 1, 0, 0, 1, 1}) + 0.5f;
    auto at = [&](const Plane& p) { return p.p0 + p.dx * fx + p.dy * fy; };
    const f32x8 w = t.perspective ? 1.0f / at(t.invW) : lanes::splat8(1.0f);
    // Held apart from the plan: the stores below could otherwise change them, to the compiler.
    const int count = plan.varyingCount;
    const std::uint32_t scaled = t.perspective ? ~plan.flatMask : 0u;
    for (int k = 0; k < count; ++k) {
        const f32x8 v = at(t.varyings[k]);
        lanes::store8(span_.varyings[k], scaled & (1u << k) ? v * w : v);
    }
}

// Left to right along each row of quads: a quad and its right neighbour make a span; a quad
// without one is a span whose right half covers nothing. Quads at bit + 2 of the last
// column would be on an odd row, where quads never begin.
void TileRenderer::shadeSpans(const Triangle& t, const DrawPlan& plan, int bx, int by, const BlockCoverage& inside,
                              std::uint64_t quads) {
    const int samples = target_.pattern->count;
    while (quads != 0) {
        const int bit = std::countr_zero(quads);
        const bool pair = (quads >> (bit + 2)) & 1u;
        const int x = bx + bit % kBlockSize, y = by + bit / kBlockSize;
        if (samples == 1) {
            shadeSpan(t, plan, x, y, kSpanOrder.swapped[spanRows(inside.sample[0], int(bit), pair)], nullptr);
        } else {
            unsigned cov[8] = {};
            quadCoverage(inside, bit, samples, cov);
            if (pair) quadCoverage(inside, bit + 2, samples, cov + 4);
            shadeSpan(t, plan, x, y, lanes::nonZeroMask(cov), cov);
        }
        quads &= ~(std::uint64_t(pair ? 5u : 1u) << bit);
    }
}

void TileRenderer::shadeSpan(const Triangle& t, const DrawPlan& plan, int qx, int qy, unsigned live,
                             const unsigned cov[8]) {
    interpolateSpan(t, plan, qx, qy);
    span_.x = qx;
    span_.y = qy;
    span_.frontFacing = t.frontFacing;
    span_.instanceId = t.instanceId;
    span_.resources = plan.resources;
    span_.liveMask = static_cast<std::uint8_t>(live);
    span_.discardMask = 0;
    // Spelled out: the compiler makes a string instruction of the aggregate's clearing.
    for (float* channel : {span_.color.r, span_.color.g, span_.color.b, span_.color.a})
        lanes::store8(channel, lanes::splat8(0.0f));
    plan.span.shade(span_, plan.constants);
    const unsigned skipped = span_.discardMask | (~live & 0xFFu);
    const bool direct = target_.format == PixelFormat::bgra8Unorm && target_.samples == 1;
    unsigned oneSample[8];
    if (!cov && (clear_ || !direct)) {
        for (int i = 0; i < 8; ++i) oneSample[i] = live >> i & 1u;
        cov = oneSample;
    }
    // The shader does not read the target, so the clear under a first triangle can wait
    // until now, and it is needed only where the merge reads the target (blending), leaves
    // covered samples as they are (discards) or where depth is cleared; elsewhere the merge
    // overwrites every covered sample.
    if (const unsigned cleared = plan.blend.enabled || (clear_ && clear_->depth) ? live : live & span_.discardMask;
        clear_ && cleared) {
        unsigned lanesCleared[8];
        for (int i = 0; i < 8; ++i) lanesCleared[i] = cleared & (1u << i) ? cov[i] : 0u;
        clearLanes(qx, qy, lanesCleared);
        clearLanes(qx + 2, qy, lanesCleared + 4);
    }
    if (direct) {
        std::uint8_t* row0 = target_.colorAt(qx, qy);
        return mergeSpanBGRA8(row0, qy + 1 < target_.height ? row0 + target_.colorRow : row0, ~skipped & 0xFFu,
                              span_.color, plan.blend);
    }
    for (int q = 0; q < 2; ++q) {  // other targets quad by quad
        if ((live >> (4 * q) & 15u) == 0) continue;
        float4 color[4];
        for (int i = 0; i < 4; ++i) {
            const int lane = 4 * q + i;
            color[i] = {span_.color.r[lane], span_.color.g[lane], span_.color.b[lane], span_.color.a[lane]};
        }
        const unsigned quadSkipped = skipped >> (4 * q) & 15u;
        if (target_.format == PixelFormat::bgra8Unorm)
            mergeQuad<PixelFormat::bgra8Unorm>(target_, qx + 2 * q, qy, color, cov + 4 * q, quadSkipped, plan.blend);
        else
            target_.merge(target_, qx + 2 * q, qy, color, cov + 4 * q, quadSkipped, plan.blend);
    }
}

void TileRenderer::shadeQuad(const Triangle& t, const DrawPlan& plan, int qx, int qy, unsigned cov[4]) {
    if (clear_) clearLanes(qx, qy, cov);
    float z[4][4];
    if (plan.depthTest) {
        depthTest(t, plan, qx, qy, cov, z);
        if ((cov[0] | cov[1] | cov[2] | cov[3]) == 0) return;
    }
    interpolate(t, plan, qx, qy);
    quad_.x = qx;
    quad_.y = qy;
    quad_.liveMask = static_cast<std::uint8_t>(unsigned(cov[0] != 0) | unsigned(cov[1] != 0) << 1 |
                                               unsigned(cov[2] != 0) << 2 | unsigned(cov[3] != 0) << 3);
    quad_.discardMask = 0;
    for (auto& c : quad_.color) c = {};
    (*plan.fragment)(quad_);
    const unsigned skipped = quad_.discardMask | (~unsigned(quad_.liveMask) & 15u);
    if (target_.format == PixelFormat::bgra8Unorm)  // the common target, inlined
        mergeQuad<PixelFormat::bgra8Unorm>(target_, qx, qy, quad_.color, cov, skipped, plan.blend);
    else
        target_.merge(target_, qx, qy, quad_.color, cov, skipped, plan.blend);
    if (!plan.depthWrite) return;
    for (int i = 0; i < 4; ++i) {
        if (!cov[i] || (quad_.discardMask & (1u << i))) continue;
        std::uint8_t* stored = target_.depthAt(qx + (i & 1), qy + (i >> 1));
        for (int s = 0; s < target_.samples; ++s)
            if (cov[i] & (1u << s)) storeFloat(stored + 4 * s, z[i][s]);
    }
}

// The triangles and tile lists of the passes run on a thread, their room kept from pass
// to pass.
struct PassScratch {
    TriangleParts triangles;
    std::vector<std::vector<const Triangle*>> bins;
};

PerThread<PassScratch> g_passScratch;

// Loading, drawing and resolving of one pass, tile by tile.
class PassExecutor {
public:
    PassExecutor(const RenderPassRecord& pass, WorkerPool& pool);
    void run();

private:
    void bin();
    void runTile(int index);
    Target tileTarget(const Rect& r) const;
    bool firstTriangleCovers(int index, const Rect& r) const;
    void clearTile(const Target& t, const Rect& r);
    void clearResolvedTile(const Rect& r);
    void resolveTile(const Target& t, const Rect& r);
    Rect tileRect(int index) const;

    const RenderPassRecord& pass_;
    WorkerPool& pool_;
    PassScratch& scratch_ = g_passScratch.get();
    Target target_;
    TriangleParts& triangles_ = scratch_.triangles;
    std::vector<DrawPlan> plans_;
    ClearValues clear_;
    bool colorInTile_ = false;  // the samples live in the thread's tile memory, see tileTarget
    int tilesX_ = 0;
    int tilesY_ = 0;
    std::vector<std::vector<const Triangle*>>& bins_ = scratch_.bins;
};

PassExecutor::PassExecutor(const RenderPassRecord& pass, WorkerPool& pool)
    : pass_(pass), pool_(pool), target_(targetOf(pass.descriptor)) {
    triangles_.clear();
    tilesX_ = (target_.width + kTileSize - 1) / kTileSize;
    tilesY_ = (target_.height + kTileSize - 1) / kTileSize;
    const RenderPassColorAttachment& c = pass.descriptor.colorAttachment;
    clear_.color = c.loadAction == LoadAction::clear;
    writeTexel(target_.format, clear_.texel,
               {float(c.clearColor.red), float(c.clearColor.green), float(c.clearColor.blue), float(c.clearColor.alpha)});
    const RenderPassDepthAttachment& d = pass.descriptor.depthAttachment;
    clear_.depth = target_.depth && d.loadAction == LoadAction::clear;
    storeFloat(clear_.depthBytes, static_cast<float>(d.clearDepth));
    const std::size_t bpp = bytesPerPixel(target_.format);
    for (int s = 1; s < target_.samples; ++s) {
        std::memcpy(clear_.texel + std::size_t(s) * bpp, clear_.texel, bpp);
        std::memcpy(clear_.depthBytes + 4 * std::size_t(s), clear_.depthBytes, 4);
    }
    clear_.resolvesAlone = clear_.color && target_.samples == 4 && c.storeAction == StoreAction::multisampleResolve;
    colorInTile_ = clear_.resolvesAlone;
    if (clear_.resolvesAlone) {
        resolveFor(target_.format)(clear_.texel, 1, clear_.resolved);
    }
}

Rect PassExecutor::tileRect(int index) const {
    const int tx = index % tilesX_, ty = index / tilesX_;
    return {tx * kTileSize, ty * kTileSize, std::min((tx + 1) * kTileSize, target_.width),
            std::min((ty + 1) * kTileSize, target_.height)};
}

void PassExecutor::run() {
    const bool hasDepth = target_.depth != nullptr;
    for (std::size_t i = 0; i < pass_.draws.size(); ++i) {
        setUpDraw(pass_.draws[i], static_cast<std::uint32_t>(i), target_.width, target_.height, pool_, triangles_);
        plans_.push_back(planOf(pass_.draws[i], hasDepth));
    }
    // Depth that no draw tests or writes and that is not kept after the pass is never seen:
    // clearing it would only cost the time.
    const bool depthRead = std::any_of(plans_.begin(), plans_.end(), [](const DrawPlan& p) { return p.depthTest; });
    if (!depthRead && pass_.descriptor.depthAttachment.storeAction == StoreAction::dontCare) clear_.depth = false;
    bin();
    pool_.parallelFor(tilesX_ * tilesY_, [this](int index) { runTile(index); });
}

void PassExecutor::bin() {
    bins_.resize(std::size_t(tilesX_) * std::size_t(tilesY_));
    for (auto& bin : bins_) bin.clear();
    for (const std::vector<Triangle>& part : triangles_)
        for (const Triangle& t : part)
            for (int ty = t.minY / kTileSize; ty <= t.maxY / kTileSize; ++ty)
                for (int tx = t.minX / kTileSize; tx <= t.maxX / kTileSize; ++tx) {
                    const int index = ty * tilesX_ + tx;
                    if (classify(t, tileRect(index)) != Cover::none) bins_[std::size_t(index)].push_back(&t);
                }
}

FURLPANE_HOT_PATH void PassExecutor::runTile(int index) {
    const Rect r = tileRect(index);
    if (clear_.resolvesAlone && bins_[std::size_t(index)].empty()) return clearResolvedTile(r);
    const Target target = tileTarget(r);
    // With one sample the clear is a few rows of stores that stay in the cache: cheaper
    // than clearing quad by quad under the first triangle.
    const bool fused = target_.samples > 1 && (clear_.color || clear_.depth) && firstTriangleCovers(index, r);
    if (!fused) clearTile(target, r);
    TileRenderer renderer(target, plans_, r);
    const std::vector<const Triangle*>& bin = bins_[std::size_t(index)];
    for (std::size_t i = 0; i < bin.size(); ++i) {
        if (i == 0 && fused)
            renderer.drawOverClear(*bin[i], clear_);
        else
            renderer.draw(*bin[i]);
    }
    resolveTile(target, r);
}

// A tile's worth of samples, 64 × 64 pixels of up to four samples of up to four bytes:
// small enough to stay in the cache of the thread drawing the tile.
struct alignas(64) TileMemory {
    std::uint8_t color[kTileSize * kTileSize * 16];
};

PerThread<TileMemory> g_tileMemory;

// Samples that are cleared when the pass begins and only resolved when it ends need never
// be in the multisampled texture: the tile is drawn in the thread's tile memory and
// resolved from there, and the texture is left as it was. Elsewhere the tile is drawn in
// place.
Target PassExecutor::tileTarget(const Rect& r) const {
    if (!colorInTile_) return target_;
    Target t = target_;
    t.originX = r.x0;
    t.originY = r.y0;
    t.color = g_tileMemory.get().color;
    t.colorRow = std::size_t(kTileSize) * t.colorTexel;
    if (t.depth) t.depth = target_.depthAt(r.x0, r.y0);
    return t;
}

// Where the tile's first triangle covers every sample of it, each sample gets its clear
// value from that triangle's quad just before the quad tests or merges it: the same
// bytes, whatever the blending, depth test or discards, without a pass of its own.
bool PassExecutor::firstTriangleCovers(int index, const Rect& r) const {
    const std::vector<const Triangle*>& bin = bins_[std::size_t(index)];
    if (bin.empty()) return false;
    const Triangle& t = *bin.front();
    if (t.minX > r.x0 || t.minY > r.y0 || t.maxX < r.x1 - 1 || t.maxY < r.y1 - 1) return false;
    return classify(t, r) == Cover::full;
}

// Fills rows of the tile with one texel value, built once per row and copied.
void fillRows(std::uint8_t* first, std::size_t rowBytes, int rows, const std::uint8_t* texel, std::size_t texelBytes,
              std::size_t count) {
    for (std::size_t n = 0; n < count; ++n) std::memcpy(first + n * texelBytes, texel, texelBytes);
    for (int y = 1; y < rows; ++y) std::memcpy(first + std::size_t(y) * rowBytes, first, count * texelBytes);
}

// The resolve texture is only written while the pass runs, a frame's worth at a time, and
// read once it is shown: where its rows are aligned, its pixels are stored past the caches
// (four at a time, the rest of a row as usual), so that writing them does not first read
// them in. Such stores are ordered by the fence that ends the tile.
#if defined(__SSE2__)
bool streamable(const Texture::Level& out) {
    return (reinterpret_cast<std::uintptr_t>(out.data) | out.rowBytes) % 16 == 0;
}

// count pixels of the texel from out (16-byte aligned); the whole fours streamed.
void streamFill(std::uint8_t* out, int count, const std::uint8_t* texel) {
    const __m128i v = _mm_set1_epi32(static_cast<int>(lanes::load32(texel)));
    int x = 0;
    for (; x + 4 <= count; x += 4) _mm_stream_si128(reinterpret_cast<__m128i*>(out + 4 * x), v);
    for (; x < count; ++x) std::memcpy(out + 4 * x, texel, 4);
}

void streamResolveBGRA8(const std::uint8_t* samples, int count, std::uint8_t* out) {
    const int streamed = count & ~3;
    for (int x = 0; x < streamed; x += 4) {
        const std::uint8_t* four = samples + 16 * x;
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + 4 * x),
                         _mm_packus_epi16(resolvePairBGRA8(four), resolvePairBGRA8(four + 32)));
    }
    resolveRow<PixelFormat::bgra8Unorm>(samples + 16 * streamed, count - streamed, out + 4 * streamed);
}
#endif

void PassExecutor::clearTile(const Target& t, const Rect& r) {
    const std::size_t count = std::size_t(r.x1 - r.x0) * std::size_t(t.samples);
    if (clear_.color)
        fillRows(t.colorAt(r.x0, r.y0), t.colorRow, r.y1 - r.y0, clear_.texel, bytesPerPixel(t.format), count);
    if (clear_.depth) fillRows(t.depthAt(r.x0, r.y0), t.depthRow, r.y1 - r.y0, clear_.depthBytes, 4, count);
}

// An empty tile of a pass whose samples are not kept: the resolved clear colour in place
// of clearing the samples and averaging them back.
void PassExecutor::clearResolvedTile(const Rect& r) {
    const Texture::Level& out = pass_.descriptor.colorAttachment.resolveTexture->level(0);
    const std::size_t bpp = bytesPerPixel(target_.format);
    std::uint8_t* first = out.data + std::size_t(r.y0) * out.rowBytes + std::size_t(r.x0) * bpp;
#if defined(__SSE2__)
    if (bpp == 4 && streamable(out)) {
        for (int y = r.y0; y < r.y1; ++y)
            streamFill(first + std::size_t(y - r.y0) * out.rowBytes, r.x1 - r.x0, clear_.resolved);
        _mm_sfence();
    } else
#endif
        fillRows(first, out.rowBytes, r.y1 - r.y0, clear_.resolved, bpp, std::size_t(r.x1 - r.x0));
    if (clear_.depth)
        fillRows(target_.depthAt(r.x0, r.y0), target_.depthRow, r.y1 - r.y0, clear_.depthBytes, 4,
                 std::size_t(r.x1 - r.x0) * std::size_t(target_.samples));
}

void PassExecutor::resolveTile(const Target& t, const Rect& r) {
    const RenderPassColorAttachment& c = pass_.descriptor.colorAttachment;
    if (c.storeAction != StoreAction::multisampleResolve && c.storeAction != StoreAction::storeAndMultisampleResolve)
        return;
    const Texture::Level& out = c.resolveTexture->level(0);
    const std::size_t bpp = bytesPerPixel(t.format);
    const auto resolve = resolveFor(t.format);
#if defined(__SSE2__)
    if (t.format == PixelFormat::bgra8Unorm && streamable(out)) {
        for (int y = r.y0; y < r.y1; ++y)
            streamResolveBGRA8(t.colorAt(r.x0, y), r.x1 - r.x0,
                               out.data + std::size_t(y) * out.rowBytes + std::size_t(r.x0) * bpp);
        return _mm_sfence();
    }
#endif
    for (int y = r.y0; y < r.y1; ++y)
        resolve(t.colorAt(r.x0, y), r.x1 - r.x0, out.data + std::size_t(y) * out.rowBytes + std::size_t(r.x0) * bpp);
}

}  // namespace

void executeRenderPass(const RenderPassRecord& pass, WorkerPool& pool) {
    PassExecutor executor(pass, pool);
    executor.run();
}

}  // namespace platform::gpu
