// Multisampled passes whose samples are only resolved (not stored) may draw each tile
// somewhere other than the multisampled texture; the resolved picture must be the one a
// pass that stores its samples leaves, whatever the format, size, depth, load action,
// blending or discards.

#include "gpu_test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace platform::gpu {
namespace {

using testing::TestScene;
using testing::TestVertex;

struct ResolveCase {
    const char* name;
    PixelFormat format;
    int width, height;
    LoadAction load;
    bool depth;     // cleared or loaded like the colour, tested "less" and written
    bool blending;
    bool covering;  // a first triangle over the whole target, so no tile is empty
};

void PrintTo(const ResolveCase& c, std::ostream* os) { *os << c.name; }

const ResolveCase kCases[] = {
    {"opaque", PixelFormat::bgra8Unorm, 67, 65, LoadAction::clear, false, false, true},
    {"blendedOverDepth", PixelFormat::bgra8Unorm, 67, 65, LoadAction::clear, true, true, true},
    {"emptyTiles", PixelFormat::bgra8Unorm, 130, 70, LoadAction::clear, true, true, false},
    {"smallerThanATile", PixelFormat::bgra8Unorm, 5, 3, LoadAction::clear, true, true, true},
    {"r8", PixelFormat::r8Unorm, 67, 65, LoadAction::clear, false, true, true},
    {"r8Loaded", PixelFormat::r8Unorm, 130, 70, LoadAction::load, false, true, false},
    {"rg16Float", PixelFormat::rg16Float, 70, 130, LoadAction::clear, true, true, false},
    {"loaded", PixelFormat::bgra8Unorm, 67, 65, LoadAction::load, true, true, false},
    {"loadedUnderACover", PixelFormat::bgra8Unorm, 67, 65, LoadAction::load, false, true, true},
    {"dontCare", PixelFormat::bgra8Unorm, 67, 65, LoadAction::dontCare, false, false, false},
    // Rows of a whole number of 16-byte blocks, which are written another way.
    {"alignedRows", PixelFormat::bgra8Unorm, 132, 68, LoadAction::clear, true, true, false},
    {"alignedRowsCovered", PixelFormat::bgra8Unorm, 68, 65, LoadAction::clear, false, false, true},
    {"alignedRowsRg16Float", PixelFormat::rg16Float, 72, 130, LoadAction::clear, true, true, false},
};

// The resolved picture of a pass over samples that a first pass left with other bytes.
// With storedSamples, also the samples the pass left (for a pass that stores them).
std::vector<std::uint8_t> resolvedFrame(const ResolveCase& c, StoreAction store,
                                        std::vector<std::uint8_t>* storedSamples = nullptr) {
    TestScene s(3);
    const int w = c.width, h = c.height;
    auto samples = s.target(c.format, w, h, 4);
    auto resolved = s.target(c.format, w, h);
    auto depth = c.depth ? s.target(PixelFormat::depth32Float, w, h, 4) : nullptr;
    const PixelFormat depthFormat = c.depth ? PixelFormat::depth32Float : PixelFormat::invalid;
    auto pass = [&](LoadAction load, StoreAction colorStore, StoreAction depthStore, ClearColor clear, double z) {
        RenderPassDescriptor d;
        d.colorAttachment.texture = samples;
        d.colorAttachment.loadAction = load;
        d.colorAttachment.clearColor = clear;
        d.colorAttachment.storeAction = colorStore;
        if (colorStore != StoreAction::store) d.colorAttachment.resolveTexture = resolved;
        d.depthAttachment.texture = depth;
        d.depthAttachment.loadAction = load;
        d.depthAttachment.storeAction = depthStore;
        d.depthAttachment.clearDepth = z;
        return d;
    };
    auto before = s.queue->makeCommandBuffer();
    auto* first = before->makeRenderEncoder(
        pass(LoadAction::clear, StoreAction::store, StoreAction::store, {0.9, 0.1, 0.3, 1}, 0.625));
    testing::drawSolid(*first, s, s.pipeline("solid", c.format, 4, false, depthFormat),
                       testing::rectangle(2.2f, 1.7f, w * 0.8f, h * 0.4f, 0.25f), {0.1f, 0.7f, 0.2f, 1}, w, h);
    first->endEncoding();
    before->commit();

    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(pass(c.load, store, StoreAction::dontCare, {0.2, 0.4, 0.6, 0.8}, 1.0));
    if (c.depth) e->setDepthStencilState(s.device->makeDepthStencilState({CompareFunction::less, true}));
    auto solid = s.pipeline("solid", c.format, 4, c.blending, depthFormat);
    if (c.covering)
        testing::drawSolid(*e, s, solid,
                           {{-50, -50, 0, 0, 0.5f}, {3.0f * w + 50, -50, 0, 0, 0.5f}, {-50, 3.0f * h + 50, 0, 0, 0.5f}},
                           {0.3f, 0.2f, 0.1f, 0.6f}, w, h);
    testing::drawSolid(*e, s, solid, testing::rectangle(3.3f, 5, w * 0.6f, h * 0.7f, 0.375f), {0.25f, 0.5f, 0, 0.5f},
                       w, h);
    testing::drawSolid(*e, s, s.pipeline("discardLeftHalf", c.format, 4, c.blending, depthFormat),
                       testing::rectangle(0.6f, 0, w / 3.0f, float(h), 0.125f), {}, w, h);
    testing::drawSolid(*e, s, solid, {{w * 0.9f, 1, 0, 0, 0.75f}, {w - 1.0f, h * 0.8f, 0, 0, 0}, {1, h - 1.0f, 0, 0, 0.1f}},
                       {0, 0.125f, 1, 0.75f}, w, h);
    e->endEncoding();
    cb->commit();
    EXPECT_EQ(cb->status(), CommandBufferStatus::completed) << cb->error();
    if (storedSamples) {
        const Texture::Level& l = samples->level(0);
        storedSamples->assign(l.data, l.data + l.rowBytes * std::size_t(l.height));
    }
    return testing::bytesOf(*resolved);
}

class ResolveOnlyPass : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveOnlyPass, ResolvesWhatAPassThatStoresItsSamplesWould) {
    const ResolveCase& c = GetParam();
    const auto resolvedOnly = resolvedFrame(c, StoreAction::multisampleResolve);
    const auto stored = resolvedFrame(c, StoreAction::storeAndMultisampleResolve);
    ASSERT_EQ(resolvedOnly.size(), stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i)
        ASSERT_EQ(resolvedOnly[i], stored[i]) << "byte " << i << ", pixel " << i / bytesPerPixel(c.format);
    // Several colours show, so that the draws (and what was loaded) count.
    const std::size_t bpp = bytesPerPixel(c.format);
    std::set<std::vector<std::uint8_t>> colors;
    for (std::size_t i = 0; i < stored.size(); i += bpp) colors.emplace(stored.begin() + i, stored.begin() + i + bpp);
    EXPECT_GE(colors.size(), 4u);
}

// Each resolved BGRA8 byte is the rounded mean of its four samples' bytes.
TEST_P(ResolveOnlyPass, ResolvesTheRoundedMeanOfTheSamples) {
    const ResolveCase& c = GetParam();
    if (c.format != PixelFormat::bgra8Unorm) GTEST_SKIP() << "means of other formats are not bytes";
    std::vector<std::uint8_t> samples;
    const auto resolved = resolvedFrame(c, StoreAction::storeAndMultisampleResolve, &samples);
    ASSERT_EQ(samples.size(), 4 * resolved.size());
    for (std::size_t i = 0; i < resolved.size(); ++i) {
        const std::size_t pixel = i / 4, channel = i % 4;
        unsigned sum = 2;
        for (std::size_t k = 0; k < 4; ++k) sum += samples[16 * pixel + 4 * k + channel];
        ASSERT_EQ(resolved[i], sum / 4) << "pixel " << pixel << ", channel " << channel;
    }
}

INSTANTIATE_TEST_SUITE_P(Rasterizer, ResolveOnlyPass, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ResolveCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace platform::gpu
