// Set-up of long draws, which are cut into chunks of primitives set up apart: every
// primitive of every instance is drawn once, strips keep their vertices and windings
// across the cuts, and the picture is the same on any number of threads.

#include "gpu_test_support.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace platform::gpu
