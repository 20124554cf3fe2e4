// The front of the rasterizer: the vertex stage, primitive assembly, clipping, and
// triangle set-up (fixed-point edges with the fill rule, attribute planes).
//
// Fill rule. Vertex positions are snapped to 1/256 of a pixel, and a sample is covered
// when it lies inside all three edges of a triangle, computed exactly in integers. A
// sample exactly on an edge belongs to the triangle only when that edge is a top edge
// (horizontal, with the triangle below it, y growing downward) or a left edge (the
// triangle lies to its right). Two triangles sharing an edge see it from opposite sides,
// so it is a top or left edge for exactly one of them: every sample on it is drawn
// exactly once, with no gaps and no double blending along the seams of a mesh.

#include "platform/gpu/raster.h"
#include "platform/runtime/per_thread.h"

#include <algorithm>
#include <cmath>

namespace platform::gpu {

namespace {

using simd::float4;

// Clip volume: 0 <= z <= w, and a guard band of ±kGuardBand·w on x and y, far outside
// the target, so that only huge triangles are clipped on those sides and every snapped
// position fits the edge arithmetic with room to spare.
constexpr float kGuardBand = 16.0f;
constexpr float kMinimumW = 1e-6f;
constexpr int kClipPlanes = 7;

float planeDistance(int plane, const float4& p) {
    switch (plane) {
    case 0: return p.z;
    case 1: return p.w - p.z;
    case 2: return kGuardBand * p.w - p.x;
    case 3: return kGuardBand * p.w + p.x;
    case 4: return kGuardBand * p.w - p.y;
    case 5: return kGuardBand * p.w + p.y;
    default: return p.w - kMinimumW;
    }
}

struct ClipVertex {
    float4 position;
    float varyings[kMaxVaryings];
};

ClipVertex toClip(const VertexOutput& v, int count) {
    ClipVertex c;
    c.position = v.position;
    for (int k = 0; k < count; ++k) c.varyings[k] = v.varyings[static_cast<std::size_t>(k)];
    return c;
}

ClipVertex lerp(const ClipVertex& a, const ClipVertex& b, float t, int count) {
    ClipVertex c;
    c.position = a.position + (b.position - a.position) * t;
    for (int k = 0; k < count; ++k) c.varyings[k] = a.varyings[k] + (b.varyings[k] - a.varyings[k]) * t;
    return c;
}

// Sutherland-Hodgman against every plane a vertex lies outside of. At most 3 + 7 vertices.
int clipPolygon(ClipVertex* poly, int n, int varyingCount) {
    ClipVertex scratch[3 + kClipPlanes];
    for (int plane = 0; plane < kClipPlanes && n > 0; ++plane) {
        int m = 0;
        for (int i = 0; i < n; ++i) {
            const ClipVertex& a = poly[i];
            const ClipVertex& b = poly[(i + 1) % n];
            const float da = planeDistance(plane, a.position), db = planeDistance(plane, b.position);
            if (da >= 0) scratch[m++] = a;
            if ((da >= 0) != (db >= 0)) scratch[m++] = lerp(a, b, da / (da - db), varyingCount);
        }
        std::copy(scratch, scratch + m, poly);
        n = m;
    }
    return n;
}

struct ScreenVertex {
    std::int64_t X, Y;  // subpixels
    float z;            // z / w
    float invW;
    float w;
    const float* varyings;
};

struct DrawContext {
    const DrawCommand& draw;
    std::uint32_t drawIndex;
    int width;
    int height;
    int varyingCount;
    std::uint32_t flatMask;
};

// std::llround for finite values within ±2^62, without the call: halves away from zero.
std::int64_t roundToInteger(double v) {
    const double whole = std::trunc(v);  // v - whole is exact
    return static_cast<std::int64_t>(whole) + (v - whole >= 0.5) - (v - whole <= -0.5);
}

bool toScreen(const float4& position, const float* varyings, const DrawContext& ctx, ScreenVertex& s) {
    const double w = position.w;
    const double x = (static_cast<double>(position.x) / w + 1.0) * 0.5 * ctx.width;
    const double y = (1.0 - static_cast<double>(position.y) / w) * 0.5 * ctx.height;
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    s.X = roundToInteger(x * kSubpixels);
    s.Y = roundToInteger(y * kSubpixels);
    s.z = static_cast<float>(static_cast<double>(position.z) / w);
    s.w = position.w;
    s.invW = static_cast<float>(1.0 / w);
    s.varyings = varyings;
    return true;
}

// A triangle's vertices in pixels, the second and third relative to the first, and the
// origin of its planes: what every attribute plane of it is worked out from.
struct PlaneFrame {
    double x0, y0, x1, y1, x2, y2, det, ox, oy;

    PlaneFrame(const ScreenVertex* v, double originX, double originY)
        : x0(double(v[0].X) / kSubpixels), y0(double(v[0].Y) / kSubpixels),
          x1(double(v[1].X) / kSubpixels - x0), y1(double(v[1].Y) / kSubpixels - y0),
          x2(double(v[2].X) / kSubpixels - x0), y2(double(v[2].Y) / kSubpixels - y0), det(x1 * y2 - x2 * y1),
          ox(originX), oy(originY) {}

    // The plane of values q0, q1, q2 at the three vertices, relative to (ox, oy).
    Plane planeOf(double q0, double q1, double q2) const {
        const double dx = ((q1 - q0) * y2 - (q2 - q0) * y1) / det;
        const double dy = ((q2 - q0) * x1 - (q1 - q0) * x2) / det;
        return {static_cast<float>(q0 + dx * (ox - x0) + dy * (oy - y0)), static_cast<float>(dx),
                static_cast<float>(dy)};
    }
};

void setEdge(Triangle& t, int e, const ScreenVertex& from, const ScreenVertex& to) {
    const std::int64_t dx = to.X - from.X, dy = to.Y - from.Y;
    t.a[e] = -dy;
    t.b[e] = dx;
    t.c[e] = dy * from.X - dx * from.Y;
    const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    if (!topLeft) t.c[e] -= 1;  // a sample exactly on this edge is outside
}

bool bounds(Triangle& t, const ScreenVertex* v, const DrawContext& ctx) {
    const std::int64_t minX = std::min({v[0].X, v[1].X, v[2].X}), maxX = std::max({v[0].X, v[1].X, v[2].X});
    const std::int64_t minY = std::min({v[0].Y, v[1].Y, v[2].Y}), maxY = std::max({v[0].Y, v[1].Y, v[2].Y});
    t.minX = static_cast<int>(std::max<std::int64_t>(minX >> kSubpixelBits, 0));
    t.minY = static_cast<int>(std::max<std::int64_t>(minY >> kSubpixelBits, 0));
    t.maxX = static_cast<int>(std::min<std::int64_t>(maxX >> kSubpixelBits, ctx.width - 1));
    t.maxY = static_cast<int>(std::min<std::int64_t>(maxY >> kSubpixelBits, ctx.height - 1));
    return t.minX <= t.maxX && t.minY <= t.maxY;
}

void setPlanes(Triangle& t, const ScreenVertex* v, const float* flat, const DrawContext& ctx) {
    t.ox = t.minX;
    t.oy = t.minY;
    const PlaneFrame frame(v, t.ox, t.oy);
    t.z = frame.planeOf(v[0].z, v[1].z, v[2].z);
    t.perspective = !(v[0].w == v[1].w && v[1].w == v[2].w);
    if (t.perspective) t.invW = frame.planeOf(v[0].invW, v[1].invW, v[2].invW);
    for (int k = 0; k < ctx.varyingCount; ++k) {
        if (ctx.flatMask & (1u << k)) {
            t.varyings[k] = {flat[k], 0.0f, 0.0f};
            continue;
        }
        auto q = [&](int i) {
            const double value = v[i].varyings[k];
            return t.perspective ? value * v[i].invW : value;
        };
        t.varyings[k] = frame.planeOf(q(0), q(1), q(2));
    }
}

// Sets up one clipped triangle; false when it covers nothing or is culled.
bool setUpTriangle(ScreenVertex v[3], const float* flat, std::uint32_t instance, const DrawContext& ctx,
                   Triangle& t) {
    const std::int64_t area = (v[1].X - v[0].X) * (v[2].Y - v[0].Y) - (v[2].X - v[0].X) * (v[1].Y - v[0].Y);
    if (area == 0) return false;
    const bool clockwise = area > 0;  // as seen in the target, y downward
    const DrawState& s = *ctx.draw.state;
    t.frontFacing = clockwise == (s.frontFacingWinding == Winding::clockwise);
    if ((s.cullMode == CullMode::front && t.frontFacing) || (s.cullMode == CullMode::back && !t.frontFacing))
        return false;
    if (!clockwise) std::swap(v[1], v[2]);
    if (!bounds(t, v, ctx)) return false;
    setEdge(t, 0, v[0], v[1]);
    setEdge(t, 1, v[1], v[2]);
    setEdge(t, 2, v[2], v[0]);
    setPlanes(t, v, flat, ctx);
    t.draw = ctx.drawIndex;
    t.instanceId = instance;
    return true;
}

// The triangles of a convex polygon, fanned out from its first vertex.
void fan(const ScreenVertex* screen, int n, const float* flat, std::uint32_t instance, const DrawContext& ctx,
         std::vector<Triangle>& out) {
    for (int i = 1; i + 1 < n; ++i) {
        ScreenVertex tri[3] = {screen[0], screen[i], screen[i + 1]};
        Triangle& t = out.emplace_back();
        if (!setUpTriangle(tri, flat, instance, ctx, t)) out.pop_back();
    }
}

bool insideAll(const float4& p) {
    for (int plane = 0; plane < kClipPlanes; ++plane)
        if (!(planeDistance(plane, p) >= 0)) return false;
    return true;
}

void assemble(const VertexOutput* const in[3], std::uint32_t instance, const DrawContext& ctx,
              std::vector<Triangle>& out) {
    for (int i = 0; i < 3; ++i) {
        const float4& p = in[i]->position;
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) || !std::isfinite(p.w)) return;
    }
    const float* flat = in[0]->varyings.data();  // the first vertex provides flat varyings
    ScreenVertex screen[3 + kClipPlanes];
    int n = 3;
    if (insideAll(in[0]->position) && insideAll(in[1]->position) && insideAll(in[2]->position)) {
        for (int i = 0; i < 3; ++i)
            if (!toScreen(in[i]->position, in[i]->varyings.data(), ctx, screen[i])) return;
    } else {
        ClipVertex poly[3 + kClipPlanes];
        for (int i = 0; i < 3; ++i) poly[i] = toClip(*in[i], ctx.varyingCount);
        n = clipPolygon(poly, 3, ctx.varyingCount);
        for (int i = 0; i < n; ++i)
            if (!toScreen(poly[i].position, poly[i].varyings, ctx, screen[i])) return;
        return fan(screen, n, flat, instance, ctx, out);  // while poly holds the varyings
    }
    fan(screen, n, flat, instance, ctx, out);
}

std::uint32_t primitivesPerInstance(const DrawCommand& d) {
    if (d.primitive == PrimitiveType::triangle) return d.vertexCount / 3;
    return d.vertexCount >= 3 ? d.vertexCount - 2 : 0;
}

// The vertices of primitive p of an instance, as indices into that instance's outputs.
void primitiveVertices(const DrawCommand& d, std::uint32_t p, std::uint32_t idx[3]) {
    if (d.primitive == PrimitiveType::triangle) {
        idx[0] = 3 * p, idx[1] = 3 * p + 1, idx[2] = 3 * p + 2;
    } else if (p % 2 == 0) {
        idx[0] = p, idx[1] = p + 1, idx[2] = p + 2;
    } else {  // odd triangles of a strip are turned so that all keep the strip's winding
        idx[0] = p + 1, idx[1] = p, idx[2] = p + 2;
    }
}

int chunks(std::size_t count, std::size_t chunk) { return static_cast<int>((count + chunk - 1) / chunk); }

// Primitives per chunk of set-up: a few chunks for each thread, so that they share the
// work evenly, and not so few primitives that handing them out costs more than they do.
std::size_t primitiveChunk(std::size_t total, int threads) {
    constexpr std::size_t kLeast = 128;
    return std::max(kLeast, total / (std::size_t(std::max(threads, 1)) * 4));
}

// The outputs of the vertex stage for vertices first ... first + count - 1 of an instance,
// into outputs (grown as needed, never shrunk: its room is kept for the next draw).
void runVertices(const DrawCommand& d, std::uint32_t instance, std::uint32_t first, std::uint32_t count,
                 std::vector<VertexOutput>& outputs) {
    if (outputs.size() < count) outputs.resize(count);
    const VertexFunction& fn = d.state->pipeline->vertexFunction();
    const StageResources& resources = *d.state->vertexResources;
    for (std::uint32_t i = 0; i < count; ++i)
        outputs[i] = fn(VertexInput{d.vertexStart + first + i, d.baseInstance + instance, resources});
}

// The room a thread sets up vertices in, kept from draw to draw.
struct SetUpScratch {
    std::vector<VertexOutput> vertices;
};

PerThread<SetUpScratch> g_setUpScratch;

}  // namespace

// Each chunk of primitives runs the vertex stage for the vertices its primitives use
// (a triangle list shares none between primitives; a strip's chunk also reads the two
// after its last primitive, which the next chunk runs again, vertex functions being
// pure) and sets up its triangles into a part of its own, the parts in chunk order.
void setUpDraw(const DrawCommand& draw, std::uint32_t drawIndex, int width, int height, WorkerPool& pool,
               TriangleParts& out) {
    const std::uint32_t perInstance = primitivesPerInstance(draw);
    const std::size_t total = std::size_t(perInstance) * draw.instanceCount;
    if (total == 0) return;
    const VaryingLayout& layout = draw.state->pipeline->varyingLayout();
    const DrawContext ctx{draw, drawIndex, width, height, layout.count, layout.flatMask};
    const std::size_t chunk = primitiveChunk(perInstance, pool.threadCount());
    const std::size_t chunksPerInstance = std::size_t(chunks(perInstance, chunk));
    std::vector<Triangle>* parts = out.add(chunksPerInstance * draw.instanceCount);
    pool.parallelFor(static_cast<int>(chunksPerInstance * draw.instanceCount), [&](int index) {
        const auto instance = static_cast<std::uint32_t>(std::size_t(index) / chunksPerInstance);
        const auto first = static_cast<std::uint32_t>(std::size_t(index) % chunksPerInstance * chunk);
        const auto last = static_cast<std::uint32_t>(std::min<std::size_t>(perInstance, first + chunk));
        std::uint32_t idx[3];
        primitiveVertices(draw, first, idx);
        const std::uint32_t firstVertex = std::min({idx[0], idx[1], idx[2]});
        primitiveVertices(draw, last - 1, idx);
        const std::uint32_t endVertex = std::max({idx[0], idx[1], idx[2]}) + 1;
        std::vector<VertexOutput>& vertices = g_setUpScratch.get().vertices;
        runVertices(draw, instance, firstVertex, endVertex - firstVertex, vertices);
        std::vector<Triangle>& part = parts[std::size_t(index)];
        for (std::uint32_t p = first; p < last; ++p) {
            primitiveVertices(draw, p, idx);
            const VertexOutput* base = vertices.data() - firstVertex;
            const VertexOutput* const tri[3] = {base + idx[0], base + idx[1], base + idx[2]};
            assemble(tri, draw.baseInstance + instance, ctx, part);
        }
    });
}

void setUpDraw(const DrawCommand& draw, std::uint32_t drawIndex, int width, int height, WorkerPool& pool,
               std::vector<Triangle>& out) {
    TriangleParts parts;
    setUpDraw(draw, drawIndex, width, height, pool, parts);
    out.reserve(out.size() + parts.triangleCount());
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
}

}  // namespace platform::gpu
