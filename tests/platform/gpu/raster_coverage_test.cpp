// The block coverage of the tile loop against the edge functions evaluated sample by
// sample in 64 bits: the 32-bit stepped lanes (taken where the cutting edges allow) and
// the 64-bit ones must name exactly the samples the fill rule names, on triangles made
// by the real set-up from hostile positions.

#include "gpu_test_support.h"
#include "platform/gpu/raster_coverage.h"
#include "platform/gpu/raster_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>

namespace platform::gpu {
namespace {

using testing::TestScene;
using testing::TestVertex;

constexpr int kOneX[1] = {128}, kOneY[1] = {128};
constexpr int kFourX[4] = {96, 224, 32, 160}, kFourY[4] = {32, 96, 160, 224};

// The triangles set-up makes of one draw of the vertices on a width × height target.
std::vector<Triangle> setUp(TestScene& s, const std::vector<TestVertex>& v, int width, int height) {
    auto state = std::make_shared<DrawState>();
    state->pipeline = s.pipeline("solid", PixelFormat::r8Unorm);
    auto vertexResources = std::make_shared<StageResources>();
    vertexResources->setBuffer(0, s.vertices(v), 0);
    const simd::float2 size{float(width), float(height)};
    vertexResources->setBuffer(1, s.device->makeBuffer(&size, sizeof size), 0);
    state->vertexResources = vertexResources;
    state->fragmentResources = std::make_shared<StageResources>();
    DrawCommand draw{state, PrimitiveType::triangle, 0, std::uint32_t(v.size()), 1, 0};
    WorkerPool pool(1);
    std::vector<Triangle> out;
    setUpDraw(draw, 0, width, height, pool, out);
    return out;
}

// Sample s of pixel (px, py), straight from the edge functions.
bool inside(const Triangle& t, int px, int py, int sx, int sy) {
    const std::int64_t X = std::int64_t(px) * kSubpixels + sx, Y = std::int64_t(py) * kSubpixels + sy;
    for (int e = 0; e < 3; ++e)
        if (t.a[e] * X + t.b[e] * Y + t.c[e] < 0) return false;
    return true;
}

// Blocks cut by an edge, and those of them that took the 32-bit lanes.
struct Tally {
    int blocks32 = 0;
    int blocks64 = 0;
    int samplesInside = 0;
};

// Every 8 × 8 block of the window [x0, x1) × [y0, y1) (multiples of 8) that the triangle
// does not leave wholly outside, in both lane widths where they apply.
void checkBlocks(const Triangle& t, int x0, int y0, int x1, int y1, int samples, Tally& tally) {
    const int* sx = samples == 4 ? kFourX : kOneX;
    const int* sy = samples == 4 ? kFourY : kOneY;
    for (int by = y0; by < y1; by += kCoverageBlock)
        for (int bx = x0; bx < x1; bx += kCoverageBlock) {
            const CuttingEdges edges = cuttingEdges(t, bx, by, bx + kCoverageBlock, by + kCoverageBlock);
            BlockCoverage expected;
            for (int s = 0; s < samples; ++s)
                for (int bit = 0; bit < 64; ++bit)
                    if (inside(t, bx + bit % 8, by + bit / 8, sx[s], sy[s])) expected.sample[s] |= 1ull << bit;
            if (edges.outside) {
                for (int s = 0; s < samples; ++s) ASSERT_EQ(expected.sample[s], 0u) << bx << "," << by;
                continue;
            }
            const auto wide = blockCoverage<std::uint64_t>(t, edges, bx, by, 0, 8, 0, 8, samples, sx, sy);
            for (int s = 0; s < samples; ++s) {
                ASSERT_EQ(wide.sample[s], expected.sample[s]) << "64-bit at " << bx << "," << by << " sample " << s;
                tally.samplesInside += std::popcount(expected.sample[s]);
            }
            if (edges.count == 0) continue;  // inside every edge: nothing is stepped
            ++tally.blocks64;
            if (!edges.fits32) continue;
            const auto narrow = blockCoverage<std::uint32_t>(t, edges, bx, by, 0, 8, 0, 8, samples, sx, sy);
            for (int s = 0; s < samples; ++s)
                ASSERT_EQ(narrow.sample[s], expected.sample[s]) << "32-bit at " << bx << "," << by << " sample " << s;
            ++tally.blocks32;
        }
}

struct Case {
    const char* name;
    std::vector<TestVertex> vertices;
    int window[4];  // the blocks checked: x0, y0, x1, y1 in pixels
    bool someNarrow;  // the 32-bit lanes are taken somewhere in the window
    bool someWide;    // and the 64-bit ones somewhere
};

std::vector<TestVertex> tri(float x0, float y0, float x1, float y1, float x2, float y2) {
    return {{x0, y0, 0, 0}, {x1, y1, 0, 0}, {x2, y2, 0, 0}};
}

TEST(RasterCoverage, SteppedLanesNameTheSamplesOfTheFillRule) {
    TestScene scene(1);
    const std::vector<Case> cases = {
        // Edges along rows and columns of pixel centres and of the four samples, both windings.
        {"edges through centres", tri(2.5f, 2.5f, 20.5f, 2.5f, 2.5f, 20.5f), {0, 0, 32, 32}, true, false},
        {"edges through centres, turned", tri(2.5f, 2.5f, 2.5f, 20.5f, 20.5f, 20.5f), {0, 0, 32, 32}, true, false},
        {"edges through samples", tri(1.375f, 0.125f, 17.875f, 8.625f, 4.125f, 22.875f), {0, 0, 32, 32}, true, false},
        {"diagonal through centres", tri(0.5f, 0.5f, 31.5f, 31.5f, 0.5f, 31.5f), {0, 0, 32, 32}, true, false},
        // Smaller than a pixel, a sliver, a degenerate one.
        {"tiny", tri(5.3f, 5.2f, 5.9f, 5.4f, 5.6f, 5.95f), {0, 0, 16, 16}, true, false},
        {"sliver", tri(0.1f, 3.36f, 63.9f, 3.52f, 0.1f, 3.52f), {0, 0, 64, 16}, true, false},
        // Edges as long as the 32-bit lanes allow, and longer.
        {"long edge", tri(0.5f, 0.5f, 4000.5f, 7.25f, 0.5f, 9.75f), {0, 0, 4008, 16}, true, false},
        {"longer edge", tri(0.5f, 0.5f, 8400.25f, 6.75f, 0.5f, 12.5f), {0, 0, 8408, 16}, false, true},
        // Vertices far out in the guard band: huge edge values around the target.
        {"guard band", tri(-20000.0f, -9000.0f, 30000.0f, 700.5f, 700.5f, 21000.0f), {0, 0, 640, 400}, false, true},
        {"guard band edge through the target", tri(-30000.0f, 400.5f, 30000.0f, 401.5f, 0.5f, 20000.0f),
         {0, 384, 1024, 424}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int width = std::max(c.window[2], 64), height = std::max(c.window[3], 64);
        const std::vector<Triangle> triangles = setUp(scene, c.vertices, width, height);
        ASSERT_FALSE(triangles.empty());
        for (const int samples : {1, 4}) {
            Tally tally;
            for (const Triangle& t : triangles)
                checkBlocks(t, c.window[0], c.window[1], c.window[2], c.window[3], samples, tally);
            EXPECT_GT(tally.samplesInside, 0);
            EXPECT_EQ(tally.blocks32 > 0, c.someNarrow) << samples << " samples";
            EXPECT_EQ(tally.blocks64 > tally.blocks32, c.someWide) << samples << " samples";
        }
    }
}

// Many small triangles of a mesh, corners snapped to sample positions, centres and odd
// subpixels alike.
TEST(RasterCoverage, SteppedLanesAgreeOnRandomSmallTriangles) {
    TestScene scene(1);
    std::mt19937 random(37);
    std::uniform_int_distribution<int> position(0, 48 * kSubpixels), offset(-12 * kSubpixels, 12 * kSubpixels);
    std::uniform_int_distribution<int> grid(0, 3);
    std::vector<TestVertex> vertices;
    for (int i = 0; i < 300; ++i) {
        const int x = position(random), y = position(random);
        for (int k = 0; k < 3; ++k) {
            int X = x + offset(random), Y = y + offset(random);
            if (grid(random) == 0) X = X / kSubpixels * kSubpixels + kSubpixels / 2;  // on a pixel centre
            if (grid(random) == 0) Y = Y / kSubpixels * kSubpixels + kFourY[grid(random)];
            vertices.push_back({float(X) / kSubpixels, float(Y) / kSubpixels, 0, 0});
        }
    }
    const std::vector<Triangle> triangles = setUp(scene, vertices, 64, 64);
    ASSERT_GT(triangles.size(), 250u);
    for (const int samples : {1, 4}) {
        Tally tally;
        for (const Triangle& t : triangles) checkBlocks(t, 0, 0, 64, 64, samples, tally);
        EXPECT_EQ(tally.blocks32, tally.blocks64);
    }
}

// A span's pixels read straight from a one-sample block mask, in lane order, against the two quads' lanes
// as quadCoverage gives them, at every place a span begins, on masks with the last
// column and the last row set, where a read past the quad would show.
TEST(RasterCoverage, SpanLanesAreTheLanesOfTheirTwoQuads) {
    std::mt19937_64 random(37);
    std::vector<std::uint64_t> masks = {0, ~std::uint64_t(0), 0x8080808080808080ull, 0xFF00000000000000ull,
                                        0x0101010101010101ull, 0xC0C0C0C0C0C0C0C0ull};
    for (int i = 0; i < 64; ++i) masks.push_back(random());
    for (const std::uint64_t mask : masks) {
        BlockCoverage c;
        c.sample[0] = mask;
        for (int row = 0; row < kCoverageBlock; row += 2)
            for (int column = 0; column < kCoverageBlock; column += 2) {
                const int bit = kCoverageBlock * row + column;
                for (const bool pair : {false, true}) {
                    if (pair && column + 2 >= kCoverageBlock) continue;  // no neighbour in the block
                    unsigned cov[8] = {};
                    quadCoverage(c, bit, 1, cov);
                    if (pair) quadCoverage(c, bit + 2, 1, cov + 4);
                    unsigned expected = 0;
                    for (int lane = 0; lane < 8; ++lane) expected |= (cov[lane] & 1u) << lane;
                    EXPECT_EQ(kSpanOrder.swapped[spanRows(mask, bit, pair)], expected)
                        << std::hex << mask << " at " << std::dec << bit;
                }
            }
    }
}

}  // namespace
}  // namespace platform::gpu
