// Set-up and binning of long draws, which are cut into chunks set up and binned apart:
// every primitive of every instance is drawn once, strips keep their vertices and
// windings across the cuts, tiles draw their triangles in the order they were drawn, and
// the picture is the same on any number of threads.

#include "gpu_test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace platform::gpu {
namespace {

using testing::TestScene;
using testing::TestVertex;

constexpr int kWidth = 256, kHeight = 4, kBand = 200;

// A band kBand pixels long and kHeight high cut into 2·kBand triangles, as a strip or a list.
std::vector<TestVertex> band(PrimitiveType type) {
    std::vector<TestVertex> strip;
    for (int k = 0; k <= kBand; ++k) {
        strip.push_back({float(k), 0, 0, 0});
        strip.push_back({float(k), float(kHeight), 0, 0});
    }
    if (type == PrimitiveType::triangleStrip) return strip;
    std::vector<TestVertex> list;
    for (std::size_t p = 0; p + 2 < strip.size(); ++p)
        for (std::size_t i = 0; i < 3; ++i) list.push_back(strip[p + i]);
    return list;
}

// How often each pixel was drawn: 0.2 added per triangle.
std::vector<std::uint8_t> counts(int threads, PrimitiveType type, std::uint32_t instances) {
    TestScene s(threads);
    auto target = s.target(PixelFormat::r8Unorm, kWidth, kHeight);
    RenderPassDescriptor d;
    d.colorAttachment.texture = target;
    d.colorAttachment.loadAction = LoadAction::clear;
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(d);
    const auto vertices = band(type);
    e->setRenderPipelineState(s.pipeline("solid", PixelFormat::r8Unorm));  // alpha 0 over: adds
    e->setVertexBuffer(s.vertices(vertices), 0, 0);
    e->setVertexValue(simd::float2{float(kWidth), float(kHeight)}, 1);
    e->setFragmentValue(simd::float4{0.2f, 0, 0, 0}, 0);
    e->drawPrimitives(type, 0, std::uint32_t(vertices.size()), instances);
    e->endEncoding();
    cb->commit();
    EXPECT_EQ(cb->status(), CommandBufferStatus::completed);
    return testing::bytesOf(*target);
}

TEST(RasterSetUp, LongDrawsAreDrawnWholeAndOnceAcrossTheirChunks) {
    struct Case {
        PrimitiveType type;
        std::uint32_t instances;
    };
    for (const Case c : {Case{PrimitiveType::triangleStrip, 3}, Case{PrimitiveType::triangle, 2}}) {
        SCOPED_TRACE(c.type == PrimitiveType::triangle ? "list" : "strip");
        const auto one = counts(1, c.type, c.instances);
        const int drawn = (std::min(1.0f, 0.2f * float(c.instances)) * 255.0f + 0.5f);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(one[std::size_t(y * kWidth + x)], x < kBand ? drawn : 0) << x << "," << y;
        EXPECT_EQ(counts(8, c.type, c.instances), one);
    }
}

// Opaque triangles, each its own colour (a texel of a palette at its u, v), overlapping
// across four tiles: each pixel shows the last triangle drawn over it. Drawn as one
// pass, and as passes of batch triangles each, loading what the one before left.
std::vector<std::uint8_t> overlapping(int threads, std::size_t batch) {
    constexpr int kSize = 128, kTriangles = 900;
    TestScene s(threads);
    std::vector<std::uint8_t> palette(16 * 16 * 4);
    for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = std::uint8_t(i * 37 % 251);
    auto texture = s.texture(PixelFormat::bgra8Unorm, 16, 16, palette);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> corner(-8.0f, kSize + 8.0f), step(-20.0f, 20.0f);
    std::vector<TestVertex> v;
    for (int k = 0; k < kTriangles; ++k) {
        const float x = corner(random), y = corner(random);
        const float u = (float(k % 16) + 0.5f) / 16, w = (float(k / 16 % 16) + 0.5f) / 16;
        for (int i = 0; i < 3; ++i) v.push_back({x + step(random), y + step(random), u, w});
    }
    auto target = s.target(PixelFormat::bgra8Unorm, kSize, kSize);
    auto vertices = s.vertices(v);
    auto pipeline = s.pipeline("textured", PixelFormat::bgra8Unorm, 1, false);
    auto sampler = s.device->makeSampler(SamplerDescriptor{});
    auto cb = s.queue->makeCommandBuffer();
    for (std::size_t first = 0; first < v.size(); first += 3 * batch) {
        RenderPassDescriptor d;
        d.colorAttachment.texture = target;
        d.colorAttachment.loadAction = first == 0 ? LoadAction::clear : LoadAction::load;
        auto* e = cb->makeRenderEncoder(d);
        e->setRenderPipelineState(pipeline);
        e->setVertexBuffer(vertices, 0, 0);
        e->setVertexValue(simd::float2{float(kSize), float(kSize)}, 1);
        e->setFragmentTexture(texture, 0);
        e->setFragmentSampler(sampler, 0);
        e->drawPrimitives(PrimitiveType::triangle, std::uint32_t(first),
                          std::uint32_t(std::min(3 * batch, v.size() - first)));
        e->endEncoding();
    }
    cb->commit();
    EXPECT_EQ(cb->status(), CommandBufferStatus::completed);
    return testing::bytesOf(*target);
}

TEST(RasterSetUp, TilesDrawTheirTrianglesInTheOrderDrawn) {
    const auto byBatches = overlapping(1, 100);  // few enough a pass to be binned in one go
    EXPECT_EQ(overlapping(1, 900), byBatches);
    EXPECT_EQ(overlapping(8, 900), byBatches);
}

}  // namespace
}  // namespace platform::gpu
