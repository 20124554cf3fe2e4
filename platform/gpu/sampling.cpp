// Texture filtering: nearest and bilinear reads of one level, and the choice of level(s)
// from a level of detail. The per-format readers are templates so that the inner loops
// have no switch on the format.

#include "platform/gpu/texel.h"
#include "platform/gpu/texture.h"

#include <algorithm>
#include <cmath>

namespace platform::gpu {

namespace {

using simd::float2;
using simd::float4;

// Texel coordinates are kept well inside int range; anything beyond (or NaN) is pinned.
constexpr float kCoordinateLimit = 4194304.0f;  // 2^22

float pinned(float x) {
    if (!(x > -kCoordinateLimit)) return -kCoordinateLimit;
    if (!(x < kCoordinateLimit)) return kCoordinateLimit;
    return x;
}

int addressed(int i, int n, AddressMode mode) {
    if (mode == AddressMode::repeat) {
        const int r = i % n;
        return r < 0 ? r + n : r;
    }
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

struct LevelRef {
    const std::uint8_t* data;
    int width;
    int height;
    std::size_t rowBytes;
};

template <PixelFormat F>
float4 texelAt(const LevelRef& l, int x, int y) {
    return readTexel(F, l.data + static_cast<std::size_t>(y) * l.rowBytes +
                            static_cast<std::size_t>(x) * bytesPerPixel(F));
}

template <PixelFormat F>
float4 nearest(const LevelRef& l, float2 uv, const SamplerDescriptor& d) {
    const int x = static_cast<int>(std::floor(pinned(uv.x * static_cast<float>(l.width))));
    const int y = static_cast<int>(std::floor(pinned(uv.y * static_cast<float>(l.height))));
    return texelAt<F>(l, addressed(x, l.width, d.sAddressMode), addressed(y, l.height, d.tAddressMode));
}

// The position in 1/256 of a texel relative to the texel centres, as filtering hardware
// quantises it: the integer part picks the left (upper) texel, the rest is the weight.
int fixedTexelPosition(float coordinate, int size) {
    const float x = pinned(coordinate * static_cast<float>(size) - 0.5f);
    return static_cast<int>(std::floor(x * 256.0f + 0.5f));
}

template <PixelFormat F>
float4 bilinear(const LevelRef& l, float2 uv, const SamplerDescriptor& d) {
    const int xf = fixedTexelPosition(uv.x, l.width);
    const int yf = fixedTexelPosition(uv.y, l.height);
    const int x0 = xf >> 8, y0 = yf >> 8;
    const int fx = xf & 255, fy = yf & 255;
    const int ax = addressed(x0, l.width, d.sAddressMode);
    const int ay = addressed(y0, l.height, d.tAddressMode);
    if (fx == 0 && fy == 0) return texelAt<F>(l, ax, ay);  // the same bits as the weighted sum
    const int bx = addressed(x0 + 1, l.width, d.sAddressMode);
    const int by = addressed(y0 + 1, l.height, d.tAddressMode);
    const float wx = static_cast<float>(fx) * (1.0f / 256.0f);
    const float wy = static_cast<float>(fy) * (1.0f / 256.0f);
    const float4 top = texelAt<F>(l, ax, ay) * (1.0f - wx) + texelAt<F>(l, bx, ay) * wx;
    const float4 bottom = texelAt<F>(l, ax, by) * (1.0f - wx) + texelAt<F>(l, bx, by) * wx;
    return top * (1.0f - wy) + bottom * wy;
}

template <PixelFormat F>
float4 filtered(const LevelRef& l, float2 uv, const SamplerDescriptor& d, SamplerFilter filter) {
    return filter == SamplerFilter::linear ? bilinear<F>(l, uv, d) : nearest<F>(l, uv, d);
}

// Which level(s) a level of detail reads, and with which filter.
struct LevelChoice {
    SamplerFilter filter = SamplerFilter::nearest;
    int first = 0;
    int second = 0;
    float weight = 0;  // of the second level; 0 reads only the first
};

LevelChoice chooseLevels(const SamplerDescriptor& d, float lod, int levelCount) {
    LevelChoice c;
    if (!(lod > 0.0f)) {  // magnification (and NaN)
        c.filter = d.magFilter;
        return c;
    }
    c.filter = d.minFilter;
    const int last = levelCount - 1;
    if (d.mipFilter == MipFilter::notMipmapped || last == 0) return c;
    if (d.mipFilter == MipFilter::nearest) {
        c.first = c.second = static_cast<int>(std::min(std::floor(lod + 0.5f), static_cast<float>(last)));
        return c;
    }
    const float base = std::min(std::floor(lod), static_cast<float>(last));
    c.first = static_cast<int>(base);
    const int step = static_cast<int>(std::floor((lod - base) * 256.0f + 0.5f));  // 1/256 steps
    if (c.first >= last || step == 0) return c;
    if (step >= 256) {
        c.first += 1;
        return c;
    }
    c.second = c.first + 1;
    c.weight = static_cast<float>(step) * (1.0f / 256.0f);
    return c;
}

// The level of detail of a quad: log2 of the larger of the two texel-space steps between
// neighbouring lanes (to the right and downward).
float quadLod(const Quad<float2>& uv, float width, float height) {
    const float dxu = (uv[1].x - uv[0].x) * width, dxv = (uv[1].y - uv[0].y) * height;
    const float dyu = (uv[2].x - uv[0].x) * width, dyv = (uv[2].y - uv[0].y) * height;
    const float rho2 = std::max(dxu * dxu + dxv * dxv, dyu * dyu + dyv * dyv);
    if (!(rho2 > 0.0f)) return 0.0f;  // no change, or NaN from a helper lane
    if (!(rho2 < 1e30f)) return 64.0f;
    return 0.5f * std::log2(rho2);
}

class LevelSampler {
public:
    LevelSampler(const Texture& t, const SamplerDescriptor& d, float lod)
        : texture_(t), descriptor_(d), choice_(chooseLevels(d, lod, t.mipLevelCount())) {}

    template <PixelFormat F>
    float4 sample(float2 uv) const {
        const float4 a = filtered<F>(ref(choice_.first), uv, descriptor_, choice_.filter);
        if (choice_.weight == 0.0f) return a;
        const float4 b = filtered<F>(ref(choice_.second), uv, descriptor_, choice_.filter);
        return a * (1.0f - choice_.weight) + b * choice_.weight;
    }

private:
    LevelRef ref(int index) const {
        const Texture::Level l = texture_.level(index);
        return {l.data, l.width, l.height, l.rowBytes};
    }

    const Texture& texture_;
    const SamplerDescriptor& descriptor_;
    LevelChoice choice_;
};

template <PixelFormat F>
Quad<float4> sampleQuad(const LevelSampler& s, const Quad<float2>& uv) {
    return {s.sample<F>(uv[0]), s.sample<F>(uv[1]), s.sample<F>(uv[2]), s.sample<F>(uv[3])};
}

}  // namespace

Quad<float4> Texture::sample(const Sampler& sampler, const Quad<float2>& uv) const {
    if (sampleCount() != 1) return {};
    const LevelSampler s(*this, sampler.descriptor(),
                         quadLod(uv, static_cast<float>(width()), static_cast<float>(height())));
    switch (pixelFormat()) {
    case PixelFormat::bgra8Unorm: return sampleQuad<PixelFormat::bgra8Unorm>(s, uv);
    case PixelFormat::r8Unorm: return sampleQuad<PixelFormat::r8Unorm>(s, uv);
    case PixelFormat::rg16Float: return sampleQuad<PixelFormat::rg16Float>(s, uv);
    case PixelFormat::depth32Float: return sampleQuad<PixelFormat::depth32Float>(s, uv);
    case PixelFormat::invalid: break;
    }
    return {};
}

float4 Texture::sample(const Sampler& sampler, float2 uv, float lod) const {
    if (sampleCount() != 1) return {};
    const LevelSampler s(*this, sampler.descriptor(), lod);
    switch (pixelFormat()) {
    case PixelFormat::bgra8Unorm: return s.sample<PixelFormat::bgra8Unorm>(uv);
    case PixelFormat::r8Unorm: return s.sample<PixelFormat::r8Unorm>(uv);
    case PixelFormat::rg16Float: return s.sample<PixelFormat::rg16Float>(uv);
    case PixelFormat::depth32Float: return s.sample<PixelFormat::depth32Float>(uv);
    case PixelFormat::invalid: break;
    }
    return {};
}

}  // namespace platform::gpu
