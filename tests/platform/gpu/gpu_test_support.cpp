#include "gpu_test_support.h"

namespace platform::gpu::testing {

using simd::float2;
using simd::float4;

ShaderCatalog testCatalog() {
    ShaderCatalog c;
    c.addVertexFunction("pixels", {3, 0b100}, [](const VertexInput& in) {
        VertexOutput out;
        const auto vertices = in.resources.array<TestVertex>(0);
        const float2* size = in.resources.value<float2>(1);
        if (in.vertexId >= vertices.size() || size == nullptr) return out;
        const TestVertex& v = vertices[in.vertexId];
        const float nx = v.x / size->x * 2 - 1, ny = 1 - v.y / size->y * 2;
        out.position = {nx * v.w, ny * v.w, v.z * v.w, v.w};
        out.varyings[0] = v.u;
        out.varyings[1] = v.v;
        out.varyings[2] = static_cast<float>(in.instanceId);
        return out;
    });
    c.addFragmentFunction("solid", [](FragmentQuad& q) {
        const float4* color = q.resources->value<float4>(0);
        for (auto& out : q.color) out = color ? *color : float4{};
    });
    c.addFragmentFunction("textured", [](FragmentQuad& q) {
        const Texture* t = q.resources->texture(0);
        const Sampler* s = q.resources->sampler(0);
        if (!t || !s) return;
        const auto c = t->sample(*s, q.varying2(0));
        for (int i = 0; i < 4; ++i) q.color[i] = c[static_cast<std::size_t>(i)];
    });
    c.addFragmentFunction("facing", [](FragmentQuad& q) {
        for (auto& out : q.color) out = q.frontFacing ? float4{0, 1, 0, 1} : float4{1, 0, 0, 1};
    });
    c.addFragmentFunction("discardLeftHalf", [](FragmentQuad& q) {
        for (int i = 0; i < 4; ++i) {
            q.color[i] = {1, 1, 1, 1};
            if (q.position(i).x < 2) q.discard(i);
        }
    });
    c.addFragmentFunction("instanceShade", [](FragmentQuad& q) {
        for (int i = 0; i < 4; ++i) {
            const float g = (q.varying(2, i) + 1) / 8;
            q.color[i] = {g, g, g, 1};
        }
    });
    return c;
}

TestScene::TestScene(int threads)
    : device(Device::create({threads})), queue(device->makeCommandQueue("tests")),
      library(device->makeLibrary(testCatalog())) {}

std::shared_ptr<RenderPipelineState> TestScene::pipeline(const std::string& fragment, PixelFormat format,
                                                         int samples, bool blending, PixelFormat depth) {
    RenderPipelineDescriptor d;
    d.vertexFunction = library->function("pixels");
    d.fragmentFunction = library->function(fragment);
    d.rasterSampleCount = samples;
    d.colorAttachment = blending ? ColorAttachmentDescriptor::premultipliedOver(format)
                                 : ColorAttachmentDescriptor::opaque(format);
    d.depthAttachmentPixelFormat = depth;
    return device->makeRenderPipelineState(d);
}

std::shared_ptr<Texture> TestScene::target(PixelFormat format, int width, int height, int samples) {
    TextureDescriptor d = TextureDescriptor::texture2D(format, width, height, Mipmapped::no,
                                                       TextureUsage::shaderReadAndRenderTarget);
    d.sampleCount = samples;
    return device->makeTexture(d);
}

std::shared_ptr<Texture> TestScene::texture(PixelFormat format, int width, int height,
                                            const std::vector<std::uint8_t>& bytes, Mipmapped mipmapped) {
    auto t = device->makeTexture(TextureDescriptor::texture2D(format, width, height, mipmapped));
    t->replaceRegion({0, 0, width, height}, 0, bytes.data(), std::size_t(width) * bytesPerPixel(format));
    return t;
}

std::shared_ptr<Buffer> TestScene::vertices(const std::vector<TestVertex>& v) {
    return device->makeBuffer(std::span<const TestVertex>(v));
}

std::vector<std::uint8_t> bytesOf(const Texture& t) {
    const std::size_t row = std::size_t(t.width()) * bytesPerPixel(t.pixelFormat());
    std::vector<std::uint8_t> out(row * std::size_t(t.height()));
    t.getBytes(out.data(), row, {0, 0, t.width(), t.height()}, 0);
    return out;
}

std::vector<TestVertex> rectangle(float x0, float y0, float x1, float y1, float z) {
    const TestVertex a{x0, y0, 0, 0, z}, b{x1, y0, 1, 0, z}, c{x0, y1, 0, 1, z}, d{x1, y1, 1, 1, z};
    return {a, b, c, c, b, d};
}

void drawSolid(RenderEncoder& e, TestScene& s, const std::shared_ptr<RenderPipelineState>& p,
               const std::vector<TestVertex>& v, float4 color, int width, int height) {
    e.setRenderPipelineState(p);
    e.setVertexBuffer(s.vertices(v), 0, 0);
    e.setVertexValue(float2{float(width), float(height)}, 1);
    e.setFragmentValue(color, 0);
    e.drawPrimitives(PrimitiveType::triangle, 0, static_cast<std::uint32_t>(v.size()));
}

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (const std::uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace platform::gpu::testing
