// Fragment functions with a span form: a texture bound once per draw reads as Texture::sample
// does, and a draw shaded span by span gives the bytes of the same draw shaded quad by quad.

#include "gpu_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace platform::gpu {
namespace {

using simd::float2;
using simd::float4;
using testing::TestScene;
using testing::TestVertex;

using Bits = std::array<std::uint32_t, 4>;

// Deterministic noise for texels and coordinates.
struct Noise {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1664525u + 1013904223u; }
    float uniform(float lo, float hi) { return lo + (hi - lo) * float(next() >> 8) * (1.0f / 16777216.0f); }
};

std::shared_ptr<Texture> noiseTexture(TestScene& s, PixelFormat format, int width, int height, Mipmapped mipmapped) {
    auto t = s.device->makeTexture(TextureDescriptor::texture2D(format, width, height, mipmapped));
    Noise noise{std::uint32_t(width * 131 + height)};
    for (int level = 0; level < t->mipLevelCount(); ++level) {
        const int w = t->width(level), h = t->height(level);
        std::vector<std::uint8_t> bytes(std::size_t(w) * std::size_t(h) * bytesPerPixel(format));
        for (auto& b : bytes) b = std::uint8_t(noise.next() >> 24);
        t->replaceRegion({0, 0, w, h}, level, bytes.data(), std::size_t(w) * bytesPerPixel(format));
    }
    return t;
}

SamplerDescriptor samplerOf(SamplerFilter min, SamplerFilter mag, MipFilter mip, AddressMode address) {
    SamplerDescriptor d;
    d.minFilter = min;
    d.magFilter = mag;
    d.mipFilter = mip;
    d.sAddressMode = d.tAddressMode = address;
    return d;
}

// Two quads of coordinates: a base point and per-quad steps from a texel in 64 to four
// texels per pixel, so that the quads take different levels; now and then a coordinate
// that is not finite or far outside.
void spanCoordinates(Noise& noise, float u[kSpanLanes], float v[kSpanLanes]) {
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -1e9f,
                         1e9f, -0.75f, 1.5f};
    for (int q = 0; q < 2; ++q) {
        const float u0 = noise.uniform(-0.2f, 1.2f), v0 = noise.uniform(-0.2f, 1.2f);
        const float du = std::exp2(noise.uniform(-6, 2)) / 37.0f, dv = std::exp2(noise.uniform(-6, 2)) / 23.0f;
        for (int i = 0; i < 4; ++i) {
            u[4 * q + i] = u0 + du * float(i & 1);
            v[4 * q + i] = v0 + dv * float(i >> 1);
        }
    }
    if (noise.next() % 8 == 0) u[noise.next() % 8] = odd[noise.next() % 6];
    if (noise.next() % 8 == 0) v[noise.next() % 8] = odd[noise.next() % 6];
    if (noise.next() % 16 == 0)  // a span on texel centres of level 0, as a 1:1 copy reads it
        for (int i = 0; i < 8; ++i) {
            u[i] = (float(3 + (i & 1) + 2 * (i >> 2)) + 0.5f) / 37.0f;
            v[i] = (float(5 + ((i >> 1) & 1)) + 0.5f) / 23.0f;
        }
}

std::vector<std::shared_ptr<Texture>> boundTextures(TestScene& s) {
    return {
        noiseTexture(s, PixelFormat::bgra8Unorm, 37, 23, Mipmapped::yes),  // levels down to 1 × 1
        noiseTexture(s, PixelFormat::bgra8Unorm, 37, 23, Mipmapped::no),
        noiseTexture(s, PixelFormat::bgra8Unorm, 1, 23, Mipmapped::no),  // one texel wide
        noiseTexture(s, PixelFormat::r8Unorm, 37, 23, Mipmapped::yes),
    };
}

std::vector<SamplerDescriptor> boundSamplers() {
    using F = SamplerFilter;
    using M = MipFilter;
    return {
        samplerOf(F::linear, F::linear, M::notMipmapped, AddressMode::clampToEdge),
        samplerOf(F::linear, F::linear, M::linear, AddressMode::clampToEdge),
        samplerOf(F::linear, F::linear, M::nearest, AddressMode::clampToEdge),
        samplerOf(F::nearest, F::linear, M::linear, AddressMode::clampToEdge),
        samplerOf(F::linear, F::linear, M::linear, AddressMode::repeat),
        samplerOf(F::nearest, F::nearest, M::notMipmapped, AddressMode::clampToEdge),
    };
}

// Runs test on every texture of boundTextures bound through every sampler of
// boundSamplers; `which` names them.
void forEveryBinding(const std::function<void(const Texture&, const Sampler&, const BoundTexture&,
                                              const std::string& which)>& test) {
    TestScene s(1);
    const auto textures = boundTextures(s);
    const auto samplers = boundSamplers();
    for (std::size_t ti = 0; ti < std::size(textures); ++ti)
        for (std::size_t si = 0; si < std::size(samplers); ++si) {
            const auto sampler = s.device->makeSampler(samplers[si]);
            test(*textures[ti], *sampler, BoundTexture(textures[ti].get(), sampler.get()),
                 "texture " + std::to_string(ti) + ", sampler " + std::to_string(si));
        }
}

TEST(Spans, BoundTextureReadsAsTextureSample) {
    Noise noise{7};
    forEveryBinding([&](const Texture& texture, const Sampler& sampler, const BoundTexture& bound,
                        const std::string& which) {
        for (int n = 0; n < 300; ++n) {
            float u[kSpanLanes], v[kSpanLanes];
            spanCoordinates(noise, u, v);
            SpanColors span;
            bound.sample(u, v, span);
            for (int q = 0; q < 2; ++q) {
                Quad<float2> uv;
                for (int i = 0; i < 4; ++i) uv[std::size_t(i)] = {u[4 * q + i], v[4 * q + i]};
                const Quad<float4> quad = texture.sample(sampler, uv);
                for (int i = 0; i < 4; ++i) {
                    const int lane = 4 * q + i;
                    const float4 got{span.r[lane], span.g[lane], span.b[lane], span.a[lane]};
                    ASSERT_EQ(std::bit_cast<Bits>(got), std::bit_cast<Bits>(quad[std::size_t(i)]))
                        << which << ", span " << n << ", lane " << lane << " at " << u[lane] << ", " << v[lane];
                }
            }
        }
    });
    SpanColors none;
    float u[kSpanLanes] = {}, v[kSpanLanes] = {};
    BoundTexture().sample(u, v, none);
    for (int i = 0; i < kSpanLanes; ++i) EXPECT_EQ(none.r[i] + none.g[i] + none.b[i] + none.a[i], 0.0f);
}

// Levels of detail of a span's lanes: mostly close together, as a shader's smooth blur
// gives them, so that lanes share levels; now and then magnified, far beyond the last
// level, on a whole level or not a number.
void spanLods(Noise& noise, float lod[kSpanLanes]) {
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(), -3.0f, 0.0f, 2.0f, 64.0f, 1e30f, 2.5f};
    const float base = noise.uniform(-1, 7), spread = noise.next() % 2 ? 0.3f : 3.0f;
    for (int i = 0; i < kSpanLanes; ++i) lod[i] = base + noise.uniform(0, spread);
    if (noise.next() % 4 == 0) lod[noise.next() % 8] = odd[noise.next() % 7];
}

TEST(Spans, BoundTextureReadsEachLaneAtItsLevelAsTextureSample) {
    Noise noise{11};
    forEveryBinding([&](const Texture& texture, const Sampler& sampler, const BoundTexture& bound,
                        const std::string& which) {
        for (int n = 0; n < 200; ++n) {
            float u[kSpanLanes], v[kSpanLanes], lod[kSpanLanes];
            spanCoordinates(noise, u, v);
            spanLods(noise, lod);
            const unsigned live = n % 5 == 0 ? 0xFFu : noise.next() >> 24;
            SpanColors span;
            bound.sample(u, v, lod, live, span);
            for (int lane = 0; lane < kSpanLanes; ++lane) {
                const float4 want =
                    live & (1u << lane) ? texture.sample(sampler, {u[lane], v[lane]}, lod[lane]) : float4{};
                const float4 got{span.r[lane], span.g[lane], span.b[lane], span.a[lane]};
                ASSERT_EQ(std::bit_cast<Bits>(got), std::bit_cast<Bits>(want))
                    << which << ", span " << n << ", lane " << lane << " at " << u[lane] << ", " << v[lane]
                    << ", level of detail " << lod[lane];
            }
        }
    });
    SpanColors none;
    float u[kSpanLanes] = {}, v[kSpanLanes] = {}, lod[kSpanLanes] = {};
    BoundTexture().sample(u, v, lod, 0xFFu, none);
    for (int i = 0; i < kSpanLanes; ++i) EXPECT_EQ(none.r[i] + none.g[i] + none.b[i] + none.a[i], 0.0f);
}

// Texture 0 through sampler 0 at varyings 0 and 1, at three quarters, discarding every
// third diagonal of pixels: as a quad function, and the same with a span form.
bool discarded(float2 p) { return int(p.x + p.y) % 3 == 0; }

void shadedQuad(FragmentQuad& q) {
    const Texture* t = q.resources->texture(0);
    const Sampler* s = q.resources->sampler(0);
    if (!t || !s) return;
    const auto c = t->sample(*s, q.varying2(0));
    for (int i = 0; i < 4; ++i) {
        q.color[i] = c[std::size_t(i)] * 0.75f;
        if (discarded(q.position(i))) q.discard(i);
    }
}

struct ShadedConstants {
    BoundTexture texture;
};

void prepareShaded(const StageResources& r, ShadedConstants& c) { c.texture = {r.texture(0), r.sampler(0)}; }

void shadedSpan(FragmentSpan& s, const ShadedConstants& c) {
    if (!c.texture) return;
    c.texture.sample(s.varyings[0], s.varyings[1], s.color);
    for (int i = 0; i < kSpanLanes; ++i) {
        s.color.r[i] *= 0.75f, s.color.g[i] *= 0.75f, s.color.b[i] *= 0.75f, s.color.a[i] *= 0.75f;
        if (discarded(s.position(i))) s.discardMask = std::uint8_t(s.discardMask | 1u << i);
    }
}

struct SceneCase {
    const char* name;
    PixelFormat format;
    int samples;
    bool blending;
    bool depth;
    int geometry;  // 0 one triangle over everything, 1 a turned, shrunk picture, 2 a fan of small triangles
};

std::vector<TestVertex> geometry(int kind) {
    if (kind == 0) return {{-20, -20, -0.3f, -0.2f}, {200, -20, 2.5f, -0.2f}, {-20, 200, -0.3f, 3.1f}};
    if (kind == 1) {
        const TestVertex a{30, 2, 0, 0}, b{64, 24, 1, 0}, c{8, 30, 0, 1}, d{42, 44, 1, 1};
        return {a, b, c, c, b, d};
    }
    std::vector<TestVertex> fan;
    for (int k = 0; k < 24; ++k) {
        const double a0 = k * M_PI / 12, a1 = (k + 1) * M_PI / 12, r = 6 + (k % 4) * 5;
        fan.push_back({33.3f, 21.7f, 0.5f, 0.5f});
        fan.push_back({float(33.3 + r * std::cos(a0)), float(21.7 + r * std::sin(a0)), float(std::cos(a0)), 0.1f});
        fan.push_back({float(33.3 + r * std::cos(a1)), float(21.7 + r * std::sin(a1)), 0.2f, float(std::sin(a1))});
    }
    return fan;
}

// The case drawn over a backdrop into an odd-sized target that a clear loads, with the
// named fragment function; the target's (resolved) bytes.
std::vector<std::uint8_t> drawCase(const SceneCase& c, const std::string& fragment, int threads) {
    TestScene s(threads);
    ShaderCatalog catalog = testing::testCatalog();
    catalog.addFragmentFunction("shadedQuad", shadedQuad);
    catalog.addFragmentFunction("shadedSpan", shadedQuad,
                                spanFunction<ShadedConstants, prepareShaded, shadedSpan>());
    s.library = s.device->makeLibrary(catalog);
    const int w = 67, h = 45;
    auto target = s.target(c.format, w, h, c.samples);
    auto resolved = s.target(c.format, w, h);
    auto picture = noiseTexture(s, PixelFormat::bgra8Unorm, 40, 28, Mipmapped::yes);
    RenderPassDescriptor d;
    d.colorAttachment.texture = target;
    d.colorAttachment.loadAction = LoadAction::clear;
    d.colorAttachment.clearColor = {0.2, 0.4, 0.6, 0.8};
    if (c.samples == 4) {
        d.colorAttachment.resolveTexture = resolved;
        d.colorAttachment.storeAction = StoreAction::multisampleResolve;
    }
    std::shared_ptr<DepthStencilState> depthState;
    if (c.depth) {
        auto depth = s.device->makeTexture([&] {
            TextureDescriptor t = TextureDescriptor::texture2D(PixelFormat::depth32Float, w, h, Mipmapped::no,
                                                               TextureUsage::renderTarget);
            t.sampleCount = c.samples;
            return t;
        }());
        d.depthAttachment.texture = depth;
        d.depthAttachment.loadAction = LoadAction::clear;
        d.depthAttachment.clearDepth = 0.5;
        DepthStencilDescriptor ds;
        ds.depthCompareFunction = CompareFunction::less;
        ds.depthWriteEnabled = true;
        depthState = s.device->makeDepthStencilState(ds);
    }
    auto commands = s.queue->makeCommandBuffer();
    RenderEncoder* e = commands->makeRenderEncoder(d);
    const auto pipeline = s.pipeline(fragment, c.format, c.samples, c.blending,
                                     c.depth ? PixelFormat::depth32Float : PixelFormat::invalid);
    e->setRenderPipelineState(pipeline);
    if (depthState) e->setDepthStencilState(depthState);
    const auto vertices = geometry(c.geometry);
    e->setVertexBuffer(s.vertices(vertices), 0, 0);
    e->setVertexValue(float2{float(w), float(h)}, 1);
    e->setFragmentTexture(picture, 0);
    e->setFragmentSampler(s.device->makeSampler(samplerOf(SamplerFilter::linear, SamplerFilter::linear,
                                                          MipFilter::linear, AddressMode::clampToEdge)),
                          0);
    e->drawPrimitives(PrimitiveType::triangle, 0, std::uint32_t(vertices.size()));
    e->endEncoding();
    commands->commit();
    EXPECT_EQ(commands->status(), CommandBufferStatus::completed) << commands->error();
    return testing::bytesOf(c.samples == 4 ? *resolved : *target);
}

TEST(Spans, DrawsGiveTheBytesOfTheQuadForm) {
    const PixelFormat bgra = PixelFormat::bgra8Unorm, r8 = PixelFormat::r8Unorm;
    const SceneCase cases[] = {
        {"over everything, replacing", bgra, 1, false, false, 0},
        {"over everything, blending", bgra, 1, true, false, 0},
        {"turned picture, blending", bgra, 1, true, false, 1},
        {"fan, replacing", bgra, 1, false, false, 2},
        {"fan, blending", bgra, 1, true, false, 2},
        {"over everything, four samples", bgra, 4, true, false, 0},
        {"fan, four samples, replacing", bgra, 4, false, false, 2},
        {"turned picture into R8", r8, 1, true, false, 1},
        {"fan into R8, four samples", r8, 4, true, false, 2},
        {"depth tested", bgra, 1, true, true, 1},
    };
    for (const SceneCase& c : cases) {
        const auto quads = drawCase(c, "shadedQuad", 1);
        EXPECT_EQ(drawCase(c, "shadedSpan", 1), quads) << c.name;
        EXPECT_EQ(drawCase(c, "shadedSpan", 3), quads) << c.name << ", three threads";
    }
}

}  // namespace
}  // namespace platform::gpu
