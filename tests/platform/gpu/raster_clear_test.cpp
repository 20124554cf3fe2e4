// A pass that clears its targets and then draws over them: wherever the first triangle
// covers a tile, the clear may be left to that triangle, so the tests look at what the
// clear would have left showing — lanes the shader discards, blending, depth — over
// targets that held other bytes before the pass.

#include "gpu_test_support.h"
#include "platform/gpu/texel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace platform::gpu {
namespace {

using simd::float4;
using testing::TestScene;
using testing::TestVertex;

// 67 × 65 pixels: four tiles, two of them cut short by the target's edge.
constexpr int kWidth = 67, kHeight = 65;

struct ClearCase {
    const char* name;
    const char* fragment;  // "solid" or "discardLeftHalf" (white, nothing left of x = 2)
    bool blending;
    int samples;
    std::optional<DepthStencilDescriptor> depth;
    float4 color;            // for "solid"
    std::uint32_t left;      // BGRA bytes expected at x < 2, little-endian
    std::uint32_t right;     // ... and elsewhere
    float depthLeft, depthRight;
};

void PrintTo(const ClearCase& c, std::ostream* os) { *os << c.name; }

std::uint32_t pixelAt(const std::vector<std::uint8_t>& px, int x, int y) {
    std::uint32_t v;
    std::memcpy(&v, px.data() + (std::size_t(y) * kWidth + std::size_t(x)) * 4, 4);
    return v;
}

constexpr std::uint32_t kBlue = 0xff0000ffu;   // the clear colour
constexpr std::uint32_t kGreen = 0xff00ff00u;  // the solid draw
constexpr std::uint32_t kWhite = 0xffffffffu;  // discardLeftHalf
constexpr std::uint32_t kHalfGreenOverBlue = 0xff008080u;
constexpr float kZ = 0.5f;  // the draw's depth; the pass clears to 1, the pass before to 0.125

const ClearCase kCases[] = {
    {"opaque", "solid", false, 1, std::nullopt, {0, 1, 0, 1}, kGreen, kGreen, 0, 0},
    {"discarding", "discardLeftHalf", false, 1, std::nullopt, {}, kBlue, kWhite, 0, 0},
    {"blended", "solid", true, 1, std::nullopt, {0, 0.5f, 0, 0.5f}, kHalfGreenOverBlue, kHalfGreenOverBlue, 0, 0},
    {"depthAlwaysWrites", "solid", false, 4, DepthStencilDescriptor{CompareFunction::always, true}, {0, 1, 0, 1},
     kGreen, kGreen, kZ, kZ},
    {"depthAlwaysDiscarding", "discardLeftHalf", false, 4, DepthStencilDescriptor{CompareFunction::always, true}, {},
     kBlue, kWhite, 1, kZ},
    {"depthAlwaysReadOnly", "solid", false, 4, DepthStencilDescriptor{CompareFunction::always, false}, {0, 1, 0, 1},
     kGreen, kGreen, 1, 1},
    {"depthLess", "solid", false, 4, DepthStencilDescriptor{CompareFunction::less, true}, {0, 1, 0, 1}, kGreen, kGreen,
     kZ, kZ},
    {"depthGreaterFails", "solid", false, 4, DepthStencilDescriptor{CompareFunction::greater, true}, {0, 1, 0, 1},
     kBlue, kBlue, 1, 1},
};

// One triangle well beyond every edge of the target, at depth z.
std::vector<TestVertex> coveringTriangle() {
    return {{-100, -100, 0, 0, kZ}, {400, -100, 0, 0, kZ}, {-100, 400, 0, 0, kZ}};
}

class ClearUnderFirstDraw : public ::testing::TestWithParam<ClearCase> {};

TEST_P(ClearUnderFirstDraw, LeavesWhatAClearThenTheDrawWould) {
    const ClearCase& c = GetParam();
    TestScene s;
    const bool msaa = c.samples > 1;
    auto color = s.target(PixelFormat::bgra8Unorm, kWidth, kHeight, c.samples);
    auto resolved = msaa ? s.target(PixelFormat::bgra8Unorm, kWidth, kHeight) : color;
    auto depth = c.depth ? s.target(PixelFormat::depth32Float, kWidth, kHeight, c.samples) : nullptr;
    auto pass = [&](ClearColor clear, double clearDepth) {
        RenderPassDescriptor d;
        d.colorAttachment.texture = color;
        d.colorAttachment.loadAction = LoadAction::clear;
        d.colorAttachment.clearColor = clear;
        if (msaa) {
            d.colorAttachment.resolveTexture = resolved;
            d.colorAttachment.storeAction = StoreAction::storeAndMultisampleResolve;
        }
        d.depthAttachment.texture = depth;
        d.depthAttachment.loadAction = LoadAction::clear;
        d.depthAttachment.storeAction = StoreAction::store;
        d.depthAttachment.clearDepth = clearDepth;
        return d;
    };
    // Other bytes first, so that a clear wrongly left out shows.
    auto before = s.queue->makeCommandBuffer();
    before->makeRenderEncoder(pass({1, 0, 0, 1}, 0.125))->endEncoding();
    before->commit();
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(pass({0, 0, 1, 1}, 1.0));
    if (c.depth) e->setDepthStencilState(s.device->makeDepthStencilState(*c.depth));
    const PixelFormat depthFormat = c.depth ? PixelFormat::depth32Float : PixelFormat::invalid;
    auto p = s.pipeline(c.fragment, PixelFormat::bgra8Unorm, c.samples, c.blending, depthFormat);
    testing::drawSolid(*e, s, p, coveringTriangle(), c.color, kWidth, kHeight);
    e->endEncoding();
    cb->commit();
    ASSERT_EQ(cb->status(), CommandBufferStatus::completed) << cb->error();

    const auto px = testing::bytesOf(*resolved);
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 64}, {2, 0}, {66, 64}, {63, 63}, {64, 1}, {30, 40}})
        EXPECT_EQ(pixelAt(px, x, y), x < 2 ? c.left : c.right) << c.name << " at " << x << ", " << y;
    if (!depth) return;
    const Texture::Level l = depth->level(0);
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 64}, {2, 0}, {66, 64}, {64, 1}})
        for (int sample = 0; sample < c.samples; ++sample) {
            float z = -1;
            std::memcpy(&z, l.data + std::size_t(y) * l.rowBytes + (std::size_t(x) * std::size_t(c.samples) +
                                                                        std::size_t(sample)) * 4, 4);
            EXPECT_EQ(z, x < 2 ? c.depthLeft : c.depthRight) << c.name << " at " << x << ", " << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Rasterizer, ClearUnderFirstDraw, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ClearCase>& info) { return std::string(info.param.name); });

// Tiles without triangles, where the samples are only resolved: the resolved pixels are
// those of clearing the samples and resolving them, in every format.
TEST(Rasterizer, EmptyTilesResolveToTheClearColour) {
    const struct {
        PixelFormat format;
        ClearColor clear;
    } cases[] = {{PixelFormat::bgra8Unorm, {0.2, 0.4, 0.6, 0.8}},
                 {PixelFormat::r8Unorm, {0.7, 0, 0, 1}},
                 {PixelFormat::rg16Float, {0.3, -2.5, 0, 1}}};
    constexpr int kW = 130, kH = 70;  // three tiles by two; the triangles in the first alone
    for (const auto& c : cases) {
        auto frame = [&](StoreAction store) {
            TestScene s;
            auto samples = s.target(c.format, kW, kH, 4);
            auto resolved = s.target(c.format, kW, kH);
            RenderPassDescriptor d;
            d.colorAttachment.texture = samples;
            d.colorAttachment.loadAction = LoadAction::clear;
            d.colorAttachment.clearColor = c.clear;
            d.colorAttachment.resolveTexture = resolved;
            d.colorAttachment.storeAction = store;
            auto cb = s.queue->makeCommandBuffer();
            auto* e = cb->makeRenderEncoder(d);
            testing::drawSolid(*e, s, s.pipeline("solid", c.format, 4), testing::rectangle(3.3f, 5, 40.6f, 33),
                               {0.25f, 0.5f, 0, 0.5f}, kW, kH);
            e->endEncoding();
            cb->commit();
            EXPECT_EQ(cb->status(), CommandBufferStatus::completed) << cb->error();
            return testing::bytesOf(*resolved);
        };
        const auto resolvedOnly = frame(StoreAction::multisampleResolve);
        EXPECT_EQ(resolvedOnly, frame(StoreAction::storeAndMultisampleResolve)) << int(c.format);
        std::uint8_t clear[4] = {};
        writeTexel(c.format, clear, {float(c.clear.red), float(c.clear.green), float(c.clear.blue),
                                     float(c.clear.alpha)});
        const std::size_t bpp = bytesPerPixel(c.format), last = (std::size_t(kW) * kH - 1) * bpp;
        EXPECT_EQ(std::memcmp(resolvedOnly.data() + last, clear, bpp), 0) << int(c.format);
    }
}

}  // namespace
}  // namespace platform::gpu
