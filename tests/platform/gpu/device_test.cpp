#include "gpu_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace platform::gpu {
namespace {

using simd::float4;
using testing::TestScene;

RenderPipelineDescriptor descriptor(const TestScene& s, const std::string& vertex, const std::string& fragment) {
    RenderPipelineDescriptor d;
    d.vertexFunction = s.library->function(vertex);
    d.fragmentFunction = s.library->function(fragment);
    d.rasterSampleCount = 4;
    d.colorAttachment = ColorAttachmentDescriptor::premultipliedOver(PixelFormat::bgra8Unorm);
    d.depthAttachmentPixelFormat = PixelFormat::depth32Float;
    return d;
}

TEST(Device, PipelinesNeedBothFunctionsByName) {
    TestScene s;
    std::string error;
    EXPECT_TRUE(s.device->makeRenderPipelineState(descriptor(s, "pixels", "solid"), &error)) << error;
    EXPECT_EQ(s.library->function("noSuchFunction"), nullptr);
    EXPECT_FALSE(s.device->makeRenderPipelineState(descriptor(s, "noSuchVertex", "solid"), &error));
    EXPECT_EQ(error, "vertex function is missing");
    EXPECT_FALSE(s.device->makeRenderPipelineState(descriptor(s, "pixels", "noSuchFragment"), &error));
    EXPECT_EQ(error, "fragment function is missing");
    EXPECT_FALSE(s.device->makeRenderPipelineState(descriptor(s, "solid", "pixels"), &error));
    EXPECT_NE(error.find("other stage"), std::string::npos);

    auto d = descriptor(s, "pixels", "solid");
    d.rasterSampleCount = 2;
    EXPECT_FALSE(s.device->makeRenderPipelineState(d));
    d = descriptor(s, "pixels", "solid");
    d.colorAttachment.pixelFormat = PixelFormat::depth32Float;
    EXPECT_FALSE(s.device->makeRenderPipelineState(d));
    d = descriptor(s, "pixels", "solid");
    d.depthAttachmentPixelFormat = PixelFormat::r8Unorm;
    EXPECT_FALSE(s.device->makeRenderPipelineState(d));
    // The silhouette shape: one sample, R8, no depth.
    d = descriptor(s, "pixels", "solid");
    d.rasterSampleCount = 1;
    d.colorAttachment.pixelFormat = PixelFormat::r8Unorm;
    d.depthAttachmentPixelFormat = PixelFormat::invalid;
    EXPECT_TRUE(s.device->makeRenderPipelineState(d));
}

TEST(Device, InjectedFaultsFailTheNextCreationsOfTheirKind) {
    TestScene s;
    const std::uint8_t byte = 1;
    s.device->failNext(Resource::buffer);
    EXPECT_FALSE(s.device->makeBuffer(&byte, 1));
    EXPECT_TRUE(s.device->makeBuffer(&byte, 1));

    s.device->failNext(Resource::texture, 2);
    const auto td = TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 4, 4, Mipmapped::no);
    EXPECT_FALSE(s.device->makeTexture(td));
    EXPECT_FALSE(s.device->makeTexture(td));
    EXPECT_TRUE(s.device->makeTexture(td));

    s.device->failNext(Resource::pipeline);
    std::string error;
    EXPECT_FALSE(s.device->makeRenderPipelineState(descriptor(s, "pixels", "solid"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(s.device->makeRenderPipelineState(descriptor(s, "pixels", "solid")));

    s.device->failNext(Resource::library);
    EXPECT_FALSE(s.device->makeLibrary(testing::testCatalog()));
    EXPECT_TRUE(s.device->makeLibrary(testing::testCatalog()));

    s.device->failNext(Resource::commandBuffer);
    EXPECT_FALSE(s.queue->makeCommandBuffer());
    auto cb = s.queue->makeCommandBuffer();
    ASSERT_TRUE(cb);
    s.device->failNext(Resource::encoder, 2);
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = s.target(PixelFormat::bgra8Unorm, 4, 4);
    EXPECT_EQ(cb->makeRenderEncoder(pass), nullptr);
    EXPECT_EQ(cb->makeBlitEncoder(), nullptr);
    auto* e = cb->makeRenderEncoder(pass);
    ASSERT_NE(e, nullptr);
    e->endEncoding();
    cb->commit();
    EXPECT_EQ(cb->status(), CommandBufferStatus::completed) << "a resource that cannot be made is no error";
}

TEST(Device, BuffersCopyTheirBytesAndRefuseLengthZero) {
    TestScene s;
    float values[5] = {1, 2, 3, 4, 5};
    auto b = s.device->makeBuffer(std::span<const float>(values));
    values[0] = 9;
    ASSERT_TRUE(b);
    EXPECT_EQ(b->length(), sizeof values);
    EXPECT_EQ(reinterpret_cast<const float*>(b->contents())[0], 1.0f);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b->contents()) % 16, 0u);
    EXPECT_FALSE(s.device->makeBuffer(values, 0));
    EXPECT_FALSE(s.device->makeBuffer(std::size_t(0)));
    EXPECT_FALSE(s.device->makeBuffer(std::span<const float>()));
}

TEST(Device, TexturesOutsideTheLimitsAreNotMade) {
    TestScene s;
    EXPECT_FALSE(s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 0, 4, Mipmapped::no)));
    EXPECT_FALSE(s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 16385, 4, Mipmapped::no)));
    EXPECT_FALSE(s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::invalid, 4, 4, Mipmapped::no)));
    auto d = TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 4, 4, Mipmapped::yes);
    d.sampleCount = 4;
    EXPECT_FALSE(s.device->makeTexture(d));  // multisampled with mip levels
    d.mipLevelCount = 1;
    d.sampleCount = 2;
    EXPECT_FALSE(s.device->makeTexture(d));
    d.sampleCount = 1;
    d.mipLevelCount = 4;
    EXPECT_FALSE(s.device->makeTexture(d));  // 4 × 4 has 3 levels
    EXPECT_FALSE(s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::depth32Float, 4, 4, Mipmapped::yes)));
}

TEST(CommandBuffers, CommitRunsTheWorkThenTheHandlersInOrder) {
    TestScene s;
    EXPECT_EQ(s.queue->label(), "tests");
    auto cb = s.queue->makeCommandBuffer();
    EXPECT_EQ(cb->status(), CommandBufferStatus::notEnqueued);
    auto target = s.target(PixelFormat::r8Unorm, 2, 2);
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = target;
    pass.colorAttachment.loadAction = LoadAction::clear;
    pass.colorAttachment.clearColor = {1, 0, 0, 1};
    cb->makeRenderEncoder(pass)->endEncoding();
    std::vector<std::string> seen;
    cb->addCompletedHandler([&](CommandBuffer& b) {
        seen.push_back(b.status() == CommandBufferStatus::completed ? "first" : "?");
        seen.push_back(std::to_string(testing::bytesOf(*target)[0]));
    });
    cb->addCompletedHandler([&](CommandBuffer&) { seen.push_back("second"); });
    EXPECT_TRUE(seen.empty()) << "nothing runs before commit";
    cb->commit();
    cb->waitUntilCompleted();
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "255", "second"}));
    cb->commit();  // a second commit does nothing
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(cb->makeBlitEncoder(), nullptr);
}

TEST(CommandBuffers, InvalidWorkIsSkippedAndReported) {
    TestScene s;
    auto target = s.target(PixelFormat::bgra8Unorm, 4, 4);
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = target;
    pass.colorAttachment.loadAction = LoadAction::clear;
    auto cb = s.queue->makeCommandBuffer();
    auto* e = cb->makeRenderEncoder(pass);
    ASSERT_NE(e, nullptr);
    // A pipeline for four samples in a single-sample pass, and one reading its own target.
    testing::drawSolid(*e, s, s.pipeline("solid", PixelFormat::bgra8Unorm, 4), testing::rectangle(0, 0, 4, 4),
                       {1, 0, 0, 1}, 4, 4);
    e->setFragmentTexture(target, 0);
    testing::drawSolid(*e, s, s.pipeline("solid", PixelFormat::bgra8Unorm), testing::rectangle(0, 0, 4, 4),
                       {0, 1, 0, 1}, 4, 4);
    e->setFragmentTexture(nullptr, 0);
    testing::drawSolid(*e, s, s.pipeline("solid", PixelFormat::bgra8Unorm), testing::rectangle(0, 0, 2, 2),
                       {0, 0, 1, 1}, 4, 4);
    e->endEncoding();
    e->drawPrimitives(PrimitiveType::triangle, 0, 6);  // after the end: ignored
    cb->commit();
    EXPECT_EQ(cb->status(), CommandBufferStatus::error);
    EXPECT_EQ(cb->error(), "a draw whose pipeline was made for another colour target");
    const auto px = testing::bytesOf(*target);
    EXPECT_EQ(px[0], 255);  // the valid draw ran: blue
    EXPECT_EQ(px[1], 0);
    EXPECT_EQ(px[(3 * 4 + 3) * 4 + 0], 0);  // outside it only the clear colour, opaque black
    EXPECT_EQ(px[(3 * 4 + 3) * 4 + 3], 255);
}

TEST(CommandBuffers, UnusablePassesMakeNoEncoder) {
    TestScene s;
    auto cb = s.queue->makeCommandBuffer();
    RenderPassDescriptor none;
    EXPECT_EQ(cb->makeRenderEncoder(none), nullptr);
    RenderPassDescriptor fine;
    fine.colorAttachment.texture = s.target(PixelFormat::r8Unorm, 4, 4);
    auto* open = cb->makeRenderEncoder(fine);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(cb->makeBlitEncoder(), nullptr) << "one encoder at a time";
    open->endEncoding();
    RenderPassDescriptor readOnly;
    readOnly.colorAttachment.texture =
        s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 4, 4, Mipmapped::no));
    EXPECT_EQ(cb->makeRenderEncoder(readOnly), nullptr);
    RenderPassDescriptor resolve;
    resolve.colorAttachment.texture = s.target(PixelFormat::bgra8Unorm, 4, 4, 4);
    resolve.colorAttachment.storeAction = StoreAction::multisampleResolve;
    EXPECT_EQ(cb->makeRenderEncoder(resolve), nullptr);
    resolve.colorAttachment.resolveTexture = s.target(PixelFormat::r8Unorm, 4, 4);
    EXPECT_EQ(cb->makeRenderEncoder(resolve), nullptr);
    RenderPassDescriptor depth;
    depth.colorAttachment.texture = s.target(PixelFormat::bgra8Unorm, 4, 4);
    depth.depthAttachment.texture = s.target(PixelFormat::depth32Float, 8, 4);
    EXPECT_EQ(cb->makeRenderEncoder(depth), nullptr);
    cb->commit();
    EXPECT_EQ(cb->status(), CommandBufferStatus::error);
    EXPECT_EQ(cb->error(), "a render pass without a colour texture");
}

}  // namespace
}  // namespace platform::gpu
