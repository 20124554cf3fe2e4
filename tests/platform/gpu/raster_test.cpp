#include "gpu_test_support.h"
#include "platform/gpu/raster_output.h"
#include "tests/support/thread_exit_registrations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace platform::gpu {
namespace {

using simd::float2;
using simd::float4;
using testing::TestScene;
using testing::TestVertex;

struct Pass {
    CommandBuffer* buffer;
    RenderEncoder* encoder;
};

// Additive blending: every triangle that covers a pixel adds the same amount, so a
// pixel's value counts how often it was drawn.
std::shared_ptr<RenderPipelineState> countingPipeline(TestScene& s) {
    RenderPipelineDescriptor d;
    d.vertexFunction = s.library->function("pixels");
    d.fragmentFunction = s.library->function("solid");
    d.colorAttachment.pixelFormat = PixelFormat::r8Unorm;
    d.colorAttachment.blendingEnabled = true;
    d.colorAttachment.destinationRGBBlendFactor = BlendFactor::one;
    d.colorAttachment.destinationAlphaBlendFactor = BlendFactor::one;
    return s.device->makeRenderPipelineState(d);
}

RenderPassDescriptor clearingPass(std::shared_ptr<Texture> target, ClearColor clear = {0, 0, 0, 0}) {
    RenderPassDescriptor d;
    d.colorAttachment.texture = std::move(target);
    d.colorAttachment.loadAction = LoadAction::clear;
    d.colorAttachment.clearColor = clear;
    return d;
}

// Triangles meeting along edges that pass exactly through pixel centres and at awkward
// angles: a grid of cells on pixel centres, each cut along a diagonal, plus a fan.
std::vector<TestVertex> seamMesh() {
    std::vector<TestVertex> v;
    auto tri = [&](float2 a, float2 b, float2 c) {
        v.push_back({a.x, a.y, 0, 0});
        v.push_back({b.x, b.y, 0, 0});
        v.push_back({c.x, c.y, 0, 0});
    };
    const float xs[] = {-1, 3.5f, 7.5f, 10.25f, 17};
    const float ys[] = {-1, 2.5f, 6.5f, 9.75f, 17};
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            const float2 a{xs[i], ys[j]}, b{xs[i + 1], ys[j]}, c{xs[i], ys[j + 1]}, d{xs[i + 1], ys[j + 1]};
            if ((i + j) % 2) {
                tri(a, b, c), tri(c, b, d);
            } else {
                tri(a, b, d), tri(a, d, c);  // the other diagonal, other windings
            }
        }
    return v;
}

TEST(Rasterizer, SharedEdgesAreDrawnExactlyOnce) {
    TestScene s;
    auto target = s.target(PixelFormat::r8Unorm, 16, 16);
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(clearingPass(target));
    testing::drawSolid(*e, s, countingPipeline(s), seamMesh(), {0.2f, 0, 0, 0}, 16, 16);
    // A fan of thin triangles around a centre: many edges at many angles through one point.
    std::vector<TestVertex> fan;
    const float2 c{8.5f, 8.5f};
    for (int k = 0; k < 12; ++k) {
        const double a0 = k * M_PI / 6, a1 = (k + 1) * M_PI / 6;
        fan.push_back({c.x, c.y, 0, 0});
        fan.push_back({float(c.x + 6 * std::cos(a0)), float(c.y + 6 * std::sin(a0)), 0, 0});
        fan.push_back({float(c.x + 6 * std::cos(a1)), float(c.y + 6 * std::sin(a1)), 0, 0});
    }
    testing::drawSolid(*e, s, countingPipeline(s), fan, {0.2f, 0, 0, 0}, 16, 16);
    e->endEncoding();
    cb->commit();
    ASSERT_EQ(cb->status(), CommandBufferStatus::completed);
    const auto px = testing::bytesOf(*target);
    // The mesh covers every pixel once (51 = 0.2); the fan adds once more inside its hull.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int value = px[std::size_t(y * 16 + x)];
            EXPECT_TRUE(value == 51 || value == 102) << x << "," << y << " = " << value;
        }
    EXPECT_EQ(px[8 * 16 + 8], 102);  // the fan's centre pixel, on every fan edge
    EXPECT_EQ(px[0], 51);
}

TEST(Rasterizer, TopLeftRuleOnPixelCentres) {
    TestScene s;
    auto target = s.target(PixelFormat::r8Unorm, 8, 8);
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(clearingPass(target));
    // Edges through the centres of column 2 and 5 and rows 1 and 4.
    testing::drawSolid(*e, s, countingPipeline(s), testing::rectangle(2.5f, 1.5f, 5.5f, 4.5f), {1, 0, 0, 0}, 8, 8);
    e->endEncoding();
    cb->commit();
    const auto px = testing::bytesOf(*target);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 4;  // left and top edges belong
            EXPECT_EQ(px[std::size_t(y * 8 + x)], inside ? 255 : 0) << x << "," << y;
        }
}

TEST(Rasterizer, FourSamplesResolveToTheCoveredShare) {
    TestScene s;
    auto msaa = s.target(PixelFormat::bgra8Unorm, 8, 4, 4);
    auto resolved = s.target(PixelFormat::bgra8Unorm, 8, 4);
    RenderPassDescriptor d = clearingPass(msaa);
    d.colorAttachment.resolveTexture = resolved;
    d.colorAttachment.storeAction = StoreAction::multisampleResolve;
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(d);
    auto p = s.pipeline("solid", PixelFormat::bgra8Unorm, 4);
    // Right edges (exclusive) at x = 1.5, 2.25, 3.9 and 4.375 in rows 0-3; samples of a pixel
    // sit at x offsets 0.375, 0.875, 0.125, 0.625 (and y offsets 0.125 ... 0.875).
    const float ends[] = {1.5f, 2.25f, 3.9f, 4.375f};
    for (int row = 0; row < 4; ++row)
        testing::drawSolid(*e, s, p, testing::rectangle(0, float(row), ends[row], float(row + 1)), {1, 1, 1, 1}, 8, 4);
    e->endEncoding();
    cb->commit();
    ASSERT_EQ(cb->status(), CommandBufferStatus::completed) << cb->error();
    const auto px = testing::bytesOf(*resolved);
    auto at = [&](int x, int y) { return int(px[std::size_t(y * 8 + x) * 4]); };
    EXPECT_EQ(at(0, 0), 255);
    EXPECT_EQ(at(1, 0), 128);  // 2 of 4 samples: (2·255 + 2) / 4
    EXPECT_EQ(at(2, 0), 0);
    EXPECT_EQ(at(2, 1), 64);   // 1 of 4
    EXPECT_EQ(at(3, 2), 255);  // all 4 below 0.9
    EXPECT_EQ(at(4, 3), 64);   // the sample at 0.375 lies on the right edge: outside
}

TEST(Rasterizer, PremultipliedBlendingAndSilhouettes) {
    TestScene s;
    auto target = s.target(PixelFormat::bgra8Unorm, 4, 4);
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(clearingPass(target, {1, 0, 0, 1}));
    testing::drawSolid(*e, s, s.pipeline("solid", PixelFormat::bgra8Unorm), testing::rectangle(0, 0, 2, 4),
                       {0.5f, 0.5f, 0.5f, 0.5f}, 4, 4);
    testing::drawSolid(*e, s, s.pipeline("solid", PixelFormat::bgra8Unorm, 1, false), testing::rectangle(2, 0, 4, 2),
                       {0, 0, 0.25f, 0.25f}, 4, 4);
    e->endEncoding();
    cb->commit();
    const auto px = testing::bytesOf(*target);
    // Half-transparent white over opaque red: (b, g, r, a) = (128, 128, 255, 255).
    EXPECT_EQ((std::vector<int>{px[0], px[1], px[2], px[3]}), (std::vector<int>{128, 128, 255, 255}));
    // Blending off replaces the target, alpha included.
    EXPECT_EQ((std::vector<int>{px[12], px[13], px[14], px[15]}), (std::vector<int>{64, 0, 0, 64}));

    // The silhouette target: opaque over half coverage is full, half over empty is half.
    auto silhouette = s.target(PixelFormat::r8Unorm, 4, 1);
    auto cb2 = s.queue->makeCommandBuffer();
    auto* e2 = cb2->makeRenderEncoder(clearingPass(silhouette));
    auto p = s.pipeline("solid", PixelFormat::r8Unorm);
    testing::drawSolid(*e2, s, p, testing::rectangle(0, 0, 2, 1), {0.5f, 0, 0, 0.5f}, 4, 1);
    testing::drawSolid(*e2, s, p, testing::rectangle(1, 0, 3, 1), {1, 0, 0, 1}, 4, 1);
    e2->endEncoding();
    cb2->commit();
    EXPECT_EQ(testing::bytesOf(*silhouette), (std::vector<std::uint8_t>{128, 255, 255, 0}));
}

TEST(Rasterizer, DepthTestKeepsTheNearestWhateverTheOrder) {
    TestScene s;
    auto color = s.target(PixelFormat::bgra8Unorm, 8, 8, 4);
    auto resolved = s.target(PixelFormat::bgra8Unorm, 8, 8);
    auto depth = s.target(PixelFormat::depth32Float, 8, 8, 4);
    RenderPassDescriptor d = clearingPass(color);
    d.colorAttachment.resolveTexture = resolved;
    d.colorAttachment.storeAction = StoreAction::multisampleResolve;
    d.depthAttachment.texture = depth;
    d.depthAttachment.loadAction = LoadAction::clear;
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(d);
    e->setDepthStencilState(s.device->makeDepthStencilState({CompareFunction::less, true}));
    auto p = s.pipeline("solid", PixelFormat::bgra8Unorm, 4, false, PixelFormat::depth32Float);
    testing::drawSolid(*e, s, p, testing::rectangle(0, 0, 8, 8, 0.25f), {1, 0, 0, 1}, 8, 8);  // near, red
    testing::drawSolid(*e, s, p, testing::rectangle(0, 0, 8, 4, 0.75f), {0, 1, 0, 1}, 8, 8);  // far: hidden
    testing::drawSolid(*e, s, p, testing::rectangle(0, 4, 8, 8, 0.125f), {0, 0, 1, 1}, 8, 8);  // nearer: blue
    e->endEncoding();
    cb->commit();
    ASSERT_EQ(cb->status(), CommandBufferStatus::completed) << cb->error();
    const auto px = testing::bytesOf(*resolved);
    EXPECT_EQ(px[2], 255);                    // top: red (r is byte 2)
    EXPECT_EQ(px[1], 0);                      // not green
    EXPECT_EQ(px[(6 * 8 + 3) * 4 + 0], 255);  // bottom: blue
    float stored = -1;
    ASSERT_TRUE(depth->level(0).data != nullptr);
    std::memcpy(&stored, depth->level(0).data, 4);
    EXPECT_FLOAT_EQ(stored, 0.25f);
}

TEST(Rasterizer, PerspectiveCorrectInterpolation) {
    TestScene s;
    // A 4 × 1 strip whose right end is twice as far (w = 2): the texture coordinate at a
    // pixel is not linear in x but follows 1/w.
    auto target = s.target(PixelFormat::bgra8Unorm, 4, 1);
    std::vector<std::uint8_t> ramp(256 * 4);
    for (int x = 0; x < 256; ++x) ramp[std::size_t(x) * 4 + 2] = static_cast<std::uint8_t>(x), ramp[std::size_t(x) * 4 + 3] = 255;
    auto tex = s.texture(PixelFormat::bgra8Unorm, 256, 1, ramp);
    SamplerDescriptor sd;
    sd.minFilter = sd.magFilter = SamplerFilter::nearest;
    std::vector<TestVertex> v = {{0, 0, 0, 0, 0, 1}, {4, 0, 1, 0, 0, 2}, {0, 1, 0, 1, 0, 1},
                                 {0, 1, 0, 1, 0, 1}, {4, 0, 1, 0, 0, 2}, {4, 1, 1, 1, 0, 2}};
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(clearingPass(target));
    e->setRenderPipelineState(s.pipeline("textured", PixelFormat::bgra8Unorm, 1, false));
    e->setVertexBuffer(s.vertices(v), 0, 0);
    e->setVertexValue(float2{4, 1}, 1);
    e->setFragmentTexture(tex, 0);
    e->setFragmentSampler(s.device->makeSampler(sd), 0);
    e->drawPrimitives(PrimitiveType::triangle, 0, 6);
    e->endEncoding();
    cb->commit();
    const auto px = testing::bytesOf(*target);
    // At screen fraction f the coordinate is (f / 2) / ((1 - f) + f / 2) = f / (2 - f).
    for (int x = 0; x < 4; ++x) {
        const double f = (x + 0.5) / 4, u = f / (2 - f);
        EXPECT_NEAR(px[std::size_t(x) * 4 + 2], std::floor(u * 256), 1.0) << x;
    }
}

TEST(Rasterizer, StripsInstancesAndFlatVaryings) {
    TestScene s;
    auto target = s.target(PixelFormat::bgra8Unorm, 8, 2);
    // A strip of four vertices makes a 2 × 2 square; instances move nothing, so the last
    // instance's flat index decides the colour.
    std::vector<TestVertex> v = {{0, 0, 0, 0}, {2, 0, 0, 0}, {0, 2, 0, 0}, {2, 2, 0, 0}};
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(clearingPass(target));
    e->setRenderPipelineState(s.pipeline("instanceShade", PixelFormat::bgra8Unorm, 1, false));
    e->setVertexBuffer(s.vertices(v), 0, 0);
    e->setVertexValue(float2{8, 2}, 1);
    e->drawPrimitives(PrimitiveType::triangleStrip, 0, 4, 3, 2);  // instances 2, 3, 4
    e->endEncoding();
    cb->commit();
    const auto px = testing::bytesOf(*target);
    const int grey = (5 * 255 + 4) / 8;  // (4 + 1) / 8
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(px[std::size_t(y * 8 + x) * 4], x < 2 ? grey : 0) << x << "," << y;
}

TEST(Rasterizer, ClipsAndDropsDegenerateGeometrySafely) {
    TestScene s;
    auto target = s.target(PixelFormat::r8Unorm, 5, 3);  // odd sizes: quads hang over the edges
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(clearingPass(target));
    auto p = countingPipeline(s);
    const float nan = std::nanf(""), huge = 1e30f;
    std::vector<TestVertex> v = {
        {-1e6f, -1e6f, 0, 0}, {1e6f, -1e6f, 0, 0}, {0, 1e6f, 0, 0},  // far beyond the guard band
        {nan, 0, 0, 0}, {4, 0, 0, 0}, {0, 3, 0, 0},                   // not a number: dropped
        {huge, huge, 0, 0}, {0, 0, 0, 0}, {1, 1, 0, 0},                // overflowing: clipped or dropped
        {0, 0, 0, 0, 0, 1}, {5, 0, 0, 0, 0, -1}, {0, 3, 0, 0, 0, 1},  // one vertex behind the eye
        {0, 0, 0, 0, 2}, {5, 0, 0, 0, 2}, {0, 3, 0, 0, 2},             // beyond the far plane
    };
    testing::drawSolid(*e, s, p, v, {0.2f, 0, 0, 0}, 5, 3);
    e->endEncoding();
    cb->commit();
    ASSERT_EQ(cb->status(), CommandBufferStatus::completed);
    const auto px = testing::bytesOf(*target);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_GE(px[std::size_t(y * 5 + x)], 51) << x << "," << y;  // the big one covers all
}

TEST(Rasterizer, CullingWindingAndDiscard) {
    TestScene s;
    auto target = s.target(PixelFormat::bgra8Unorm, 4, 2);
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(clearingPass(target));
    auto facing = s.pipeline("facing", PixelFormat::bgra8Unorm, 1, false);
    // Left: clockwise on screen (front by default). Right: counter-clockwise (back).
    const std::vector<TestVertex> v = {{0, 0, 0, 0}, {2, 0, 0, 0}, {0, 2, 0, 0}, {2, 0, 0, 0}, {2, 2, 0, 0}, {4, 0, 0, 0}};
    e->setRenderPipelineState(facing);
    e->setVertexBuffer(s.vertices(v), 0, 0);
    e->setVertexValue(float2{4, 2}, 1);
    e->drawPrimitives(PrimitiveType::triangle, 0, 6);
    e->setCullMode(CullMode::back);
    e->setFrontFacingWinding(Winding::counterClockwise);
    e->setRenderPipelineState(s.pipeline("discardLeftHalf", PixelFormat::bgra8Unorm, 1, false));
    e->drawPrimitives(PrimitiveType::triangle, 0, 6);  // only the right one is now front: white
    e->endEncoding();
    cb->commit();
    const auto px = testing::bytesOf(*target);
    auto pixel = [&](int x, int y) { return std::vector<int>(px.begin() + (y * 4 + x) * 4, px.begin() + (y * 4 + x) * 4 + 4); };
    EXPECT_EQ(pixel(0, 0), (std::vector<int>{0, 255, 0, 255}));    // green: front
    EXPECT_EQ(pixel(2, 0), (std::vector<int>{255, 255, 255, 255}));  // white over the red back face
    EXPECT_EQ(pixel(0, 1), (std::vector<int>{0, 0, 0, 0}));  // on the long edge, which is not a top or left one
}

TEST(Rasterizer, SingleChannelAndHalfFloatTargets) {
    TestScene s;
    auto msaa = s.target(PixelFormat::r8Unorm, 4, 1, 4);
    auto resolved = s.target(PixelFormat::r8Unorm, 4, 1);
    RenderPassDescriptor d = clearingPass(msaa);
    d.colorAttachment.resolveTexture = resolved;
    d.colorAttachment.storeAction = StoreAction::storeAndMultisampleResolve;
    auto field = s.target(PixelFormat::rg16Float, 2, 2);
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(d);
    testing::drawSolid(*e, s, s.pipeline("solid", PixelFormat::r8Unorm, 4), testing::rectangle(0, 0, 1.5f, 1),
                       {1, 0, 0, 1}, 4, 1);
    e->endEncoding();
    auto* e2 = cb->makeRenderEncoder(clearingPass(field, {0.5, 0, 0, 0}));
    testing::drawSolid(*e2, s, s.pipeline("solid", PixelFormat::rg16Float), testing::rectangle(0, 0, 1, 2),
                       {0.25f, -3, 0, 0.5f}, 2, 2);
    e2->endEncoding();
    cb->commit();
    ASSERT_EQ(cb->status(), CommandBufferStatus::completed) << cb->error();
    EXPECT_EQ(testing::bytesOf(*resolved), (std::vector<std::uint8_t>{255, 128, 0, 0}));
    EXPECT_EQ(field->read(0, 1), (float4{0.25f + 0.5f * 0.5f, -3, 0, 1}));  // premultiplied over (0.5, 0)
    EXPECT_EQ(field->read(1, 1), (float4{0.5f, 0, 0, 1}));
}

// A one-sample RG16Float target merges a quad's four lanes at once: every texel as
// mergePixel writes it, for every way of blending, over halves that are subnormal, the
// largest, infinite and NaN, with colours that overflow, underflow, are NaN or -0, on a
// target whose last column and row leave quads without their right or lower lanes.
TEST(Rasterizer, HalfFloatMergesWriteWhatMergePixelWrites) {
    TestScene s;
    const int w = 5, h = 3;
    const std::uint16_t stored[] = {0x0000, 0x3c00, 0xc000, 0x0001, 0x7bff, 0x7c00, 0x7e00, 0x8000,
                                    0x3555, 0x0400, 0xfbff, 0x1234, 0x8001, 0x4900, 0x3800};
    std::vector<std::uint16_t> initial(std::size_t(w) * h * 2);
    for (std::size_t i = 0; i < initial.size(); ++i) initial[i] = stored[(i * 7 + i / 2) % 15];
    struct Blend {
        bool enabled;
        BlendFactor sourceRGB, sourceAlpha, destinationRGB, destinationAlpha;
    };
    using enum BlendFactor;
    const float nan = std::nanf("");
    const Blend blends[] = {{false, one, one, zero, zero}, {true, one, one, oneMinusSourceAlpha, oneMinusSourceAlpha},
                            {true, one, one, one, one},    {true, zero, zero, one, one},
                            {true, sourceAlpha, one, oneMinusSourceAlpha, zero}};
    for (const Blend& b : blends)
        for (const float4 color : {float4{0.25f, -3, 0, 0.5f}, float4{70000, 1e-6f, 0, 0}, float4{nan, 1, 0, 0.25f},
                                   float4{1, 2, 0, 1}, float4{-0.0f, 3e-8f, 0, 0}, float4{0.1f, 0.2f, 0, nan}}) {
            auto target = s.target(PixelFormat::rg16Float, w, h);
            ASSERT_TRUE(target->replaceRegion({0, 0, w, h}, 0, initial.data(), std::size_t(w) * 4));
            RenderPipelineDescriptor d;
            d.vertexFunction = s.library->function("pixels");
            d.fragmentFunction = s.library->function("solid");
            d.colorAttachment = {PixelFormat::rg16Float, b.enabled, b.sourceRGB, b.sourceAlpha, b.destinationRGB,
                                 b.destinationAlpha};
            RenderPassDescriptor pass;
            pass.colorAttachment.texture = target;
            pass.colorAttachment.loadAction = LoadAction::load;
            auto cb = s.queue->makeCommandBuffer();
            auto* e = cb->makeRenderEncoder(pass);
            testing::drawSolid(*e, s, s.device->makeRenderPipelineState(d), testing::rectangle(0, 0, w, h), color, w,
                               h);
            e->endEncoding();
            cb->commit();
            ASSERT_EQ(cb->status(), CommandBufferStatus::completed) << cb->error();
            std::vector<std::uint8_t> expected(initial.size() * 2);
            std::memcpy(expected.data(), initial.data(), expected.size());
            const BlendSettings settings{b.enabled, b.sourceRGB, b.sourceAlpha, b.destinationRGB, b.destinationAlpha};
            for (std::size_t texel = 0; texel < expected.size(); texel += 4)
                mergePixel<PixelFormat::rg16Float>(expected.data() + texel, 1, 1, color, settings);
            EXPECT_EQ(testing::bytesOf(*target), expected) << color.x << " " << color.y << " " << color.w;
        }
}

// A scene with something of everything: a textured, mipmapped, perspective quad,
// blending, many small triangles with edges at every angle, 4 samples.
std::vector<std::uint8_t> busyFrame(int threads) {
    TestScene s(threads);
    const int w = 150, h = 100;
    auto msaa = s.target(PixelFormat::bgra8Unorm, w, h, 4);
    auto resolved = s.target(PixelFormat::bgra8Unorm, w, h);
    std::vector<std::uint8_t> checker(64 * 64 * 4);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool on = ((x / 4) ^ (y / 4)) & 1;
            std::uint8_t* p = &checker[std::size_t(y * 64 + x) * 4];
            p[0] = on ? 240 : 20, p[1] = std::uint8_t(x * 4), p[2] = std::uint8_t(y * 4), p[3] = 255;
        }
    auto tex = s.texture(PixelFormat::bgra8Unorm, 64, 64, checker, Mipmapped::yes);
    SamplerDescriptor sd;
    sd.minFilter = sd.magFilter = SamplerFilter::linear;
    sd.mipFilter = MipFilter::linear;
    auto cb = s.queue->makeCommandBuffer();
    auto* blit = cb->makeBlitEncoder();
    blit->generateMipmaps(tex);
    blit->endEncoding();
    RenderPassDescriptor d = clearingPass(msaa, {0.1, 0.2, 0.3, 1});
    d.colorAttachment.resolveTexture = resolved;
    d.colorAttachment.storeAction = StoreAction::multisampleResolve;
    auto* e = cb->makeRenderEncoder(d);
    std::vector<TestVertex> quad = {{10, 10, 0, 0, 0, 1}, {140, 20, 1, 0, 0, 3}, {5, 90, 0, 1, 0, 1},
                                    {5, 90, 0, 1, 0, 1}, {140, 20, 1, 0, 0, 3}, {120, 70, 1, 1, 0, 3}};
    e->setRenderPipelineState(s.pipeline("textured", PixelFormat::bgra8Unorm, 4));
    e->setVertexBuffer(s.vertices(quad), 0, 0);
    e->setVertexValue(float2{float(w), float(h)}, 1);
    e->setFragmentTexture(tex, 0);
    e->setFragmentSampler(s.device->makeSampler(sd), 0);
    e->drawPrimitives(PrimitiveType::triangle, 0, 6);
    std::vector<TestVertex> fan;
    for (int k = 0; k < 40; ++k) {
        const double a0 = k * M_PI / 20, a1 = (k + 1) * M_PI / 20, r = 20 + (k % 5) * 7;
        fan.push_back({75.3f, 50.7f, 0, 0});
        fan.push_back({float(75.3 + r * std::cos(a0)), float(50.7 + r * std::sin(a0)), 0, 0});
        fan.push_back({float(75.3 + r * std::cos(a1)), float(50.7 + r * std::sin(a1)), 0, 0});
    }
    testing::drawSolid(*e, s, s.pipeline("solid", PixelFormat::bgra8Unorm, 4), fan, {0.3f, 0.1f, 0, 0.4f}, w, h);
    e->endEncoding();
    cb->commit();
    EXPECT_EQ(cb->status(), CommandBufferStatus::completed) << cb->error();
    return testing::bytesOf(*resolved);
}

TEST(Rasterizer, SameBytesWhateverTheThreadCount) {
    const auto one = busyFrame(1);
    EXPECT_EQ(busyFrame(3), one);
    EXPECT_EQ(busyFrame(8), one);
}

TEST(Rasterizer, FrameMatchesItsRecordedHash) {
    // Recorded from this renderer; a change here means every picture drawn changed.
    EXPECT_EQ(testing::fnv1a(busyFrame(2)), 1847961354149197996ull);
}

// The threads of a fresh pool keep their scratch without asking the C library to destroy
// anything at their end: that request, made where memory is short, ends the process.
TEST(Rasterizer, AFreshPoolsFirstFrameLeavesTheCLibraryNothingToDoAtItsThreadsEnds) {
    const int before = furlpane_test::threadExitRegistrations();
    busyFrame(8);
    EXPECT_EQ(furlpane_test::threadExitRegistrations(), before);
}

// Each channel of a resolved pixel is the mean of its four samples rounded to nearest
// (halves up), channel by channel, with no carry from one channel into the next.
TEST(Rasterizer, ResolvedBGRA8ChannelsAreTheRoundedMeanOfTheirSamples) {
    struct Case {
        std::uint8_t samples[4];  // one channel's four samples; the pixel's channels differ
        std::uint8_t mean;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, 0},         {{255, 255, 255, 255}, 255}, {{255, 0, 0, 0}, 64},  // 63.75
        {{1, 0, 0, 0}, 0},         {{1, 1, 0, 0}, 1},           {{2, 1, 0, 0}, 1},    // 0.25, 0.5, 0.75
        {{255, 255, 255, 254}, 255}, {{128, 127, 128, 127}, 128}, {{10, 20, 30, 40}, 25},
    };
    for (const Case& c : cases) {
        std::uint8_t samples[3 * 16];  // three pixels, so that every pixel of a row is checked
        for (int pixel = 0; pixel < 3; ++pixel)
            for (int s = 0; s < 4; ++s) {
                std::uint8_t* texel = samples + 16 * pixel + 4 * s;
                // B the case itself; G, R and A its mirror and neighbours, to catch carries.
                texel[0] = c.samples[s];
                texel[1] = static_cast<std::uint8_t>(255 - c.samples[s]);
                texel[2] = c.samples[(s + pixel) % 4];
                texel[3] = 255;
            }
        std::uint8_t out[12] = {};
        resolveRow<PixelFormat::bgra8Unorm>(samples, 3, out);
        const int mirrored = (4 * 255 - (c.samples[0] + c.samples[1] + c.samples[2] + c.samples[3]) + 2) / 4;
        for (int pixel = 0; pixel < 3; ++pixel) {
            EXPECT_EQ(out[4 * pixel + 0], c.mean) << int(c.samples[0]) << " pixel " << pixel;
            EXPECT_EQ(out[4 * pixel + 1], mirrored) << int(c.samples[0]) << " pixel " << pixel;
            EXPECT_EQ(out[4 * pixel + 2], c.mean) << int(c.samples[0]) << " pixel " << pixel;
            EXPECT_EQ(out[4 * pixel + 3], 255);
        }
    }
}

// A quad of four 4-sample BGRA8 pixels merged at once gives, sample by sample, the
// blend equation worked on that sample alone: whatever the factors (keeping, replacing
// or blending), the samples named, and whether the samples held the same value.
TEST(Rasterizer, MultisampledQuadMergesMatchTheBlendEquationSampleBySample) {
    using F = BlendFactor;
    struct Case {
        const char* name;
        BlendSettings blend;
        unsigned cov[4];
    };
    const Case cases[] = {
        {"no blending", {false, F::one, F::one, F::zero, F::zero}, {15, 15, 5, 0}},
        {"premultiplied over",
         {true, F::one, F::one, F::oneMinusSourceAlpha, F::oneMinusSourceAlpha},
         {15, 6, 15, 1}},
        {"keeps the target", {true, F::zero, F::zero, F::one, F::one}, {15, 15, 15, 15}},
        {"replaces through factors", {true, F::one, F::one, F::zero, F::zero}, {15, 9, 15, 2}},
        {"alpha blending", {true, F::sourceAlpha, F::one, F::oneMinusSourceAlpha, F::zero}, {15, 15, 3, 12}},
    };
    const simd::float4 colors[4] = {
        {0.5f, 0.25f, 0.0f, 0.5f}, {1, 1, 1, 1}, {0.1f, 0.2f, 0.3f, 0.0f}, {0.9f, 0, 0.4f, 0.75f}};
    for (const Case& c : cases) {
        // Pixel 0 and 2 have four equal samples; pixels 1 and 3 four different ones.
        std::uint8_t pixels[4][16];
        for (int i = 0; i < 4; ++i)
            for (int b = 0; b < 16; ++b)
                pixels[i][b] = static_cast<std::uint8_t>(i % 2 ? 17 * b + 3 * i : 40 + 60 * (b % 4));
        std::uint8_t expected[4][16];
        std::memcpy(expected, pixels, sizeof pixels);
        for (int i = 0; i < 4; ++i)
            for (int sample = 0; sample < 4; ++sample) {
                if (!(c.cov[i] & (1u << sample))) continue;
                std::uint8_t* t = expected[i] + 4 * sample;
                const simd::float4 d = readTexel(PixelFormat::bgra8Unorm, t), s = colors[i];
                const float a = s.w;
                auto f = [a](BlendFactor k) { return blendFactor(k, a); };
                const bool on = c.blend.enabled;
                const float sRGB = on ? f(c.blend.sourceRGB) : 1, sA = on ? f(c.blend.sourceAlpha) : 1;
                const float dRGB = on ? f(c.blend.destinationRGB) : 0, dA = on ? f(c.blend.destinationAlpha) : 0;
                const simd::float4 out{s.x * sRGB + d.x * dRGB, s.y * sRGB + d.y * dRGB, s.z * sRGB + d.z * dRGB,
                                       s.w * sA + d.w * dA};
                writeTexel(PixelFormat::bgra8Unorm, t, out);
            }
        std::uint8_t* texels[4] = {pixels[0], pixels[1], pixels[2], pixels[3]};
        mergeQuadSamplesBGRA8(texels, 4, c.cov, colors, c.blend);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(0, std::memcmp(pixels[i], expected[i], 16)) << c.name << ", pixel " << i;
    }
}

}  // namespace
}  // namespace platform::gpu
