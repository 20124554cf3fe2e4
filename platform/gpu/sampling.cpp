// Texture filtering: nearest and bilinear reads of one level, and the choice of level(s)
// from a level of detail. The per-format readers are templates so that the inner loops
// have no switch on the format.

#include "platform/gpu/hot_path.h"
#include "platform/gpu/lanes.h"
#include "platform/gpu/half.h"
#include "platform/gpu/texel.h"
#include "platform/gpu/texture.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

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

// floor for values already pinned to the int range, without a library call.
int floorToInt(float x) {
    const int i = static_cast<int>(x);
    return static_cast<float>(i) > x ? i - 1 : i;
}

int addressed(int i, int n, AddressMode mode) {
    if (mode == AddressMode::repeat) {
        const int r = i % n;
        return r < 0 ? r + n : r;
    }
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

struct LevelRef {
    const std::uint8_t* data = nullptr;
    int width = 1;
    int height = 1;
    std::size_t rowBytes = 0;
    float fwidth = 1;
    float fheight = 1;
};

template <PixelFormat F>
float4 texelAt(const LevelRef& l, int x, int y) {
    return readTexel(F, l.data + static_cast<std::size_t>(y) * l.rowBytes +
                            static_cast<std::size_t>(x) * bytesPerPixel(F));
}

template <PixelFormat F>
float4 nearest(const LevelRef& l, float2 uv, const SamplerDescriptor& d) {
    const int x = floorToInt(pinned(uv.x * l.fwidth));
    const int y = floorToInt(pinned(uv.y * l.fheight));
    return texelAt<F>(l, addressed(x, l.width, d.sAddressMode), addressed(y, l.height, d.tAddressMode));
}

// The position in 1/256 of a texel relative to the texel centres, as filtering hardware
// quantises it: the integer part picks the left (upper) texel, the rest is the weight.
int fixedTexelPosition(float coordinate, float size) {
    const float x = pinned(coordinate * size - 0.5f);
    return floorToInt(x * 256.0f + 0.5f);
}

// BGRA8 is filtered with integer weights: the products of the 1/256 weights sum to
// 65536, so the weighted sums are exact integers (below 2^24, so exact in float too),
// and they are scaled to 0 ... 1 once. A texel with all the
// weight reads as it does unfiltered; the quad path below computes the same bits.
float4 bilinearBGRA8(const LevelRef& l, int ax, int ay, int bx, int by, int fx, int fy) {
    const std::uint8_t* rowA = l.data + std::size_t(ay) * l.rowBytes;
    const std::uint8_t* rowB = l.data + std::size_t(by) * l.rowBytes;
    const std::uint8_t* t00 = rowA + std::size_t(ax) * 4;
    const std::uint8_t* t10 = rowA + std::size_t(bx) * 4;
    const std::uint8_t* t01 = rowB + std::size_t(ax) * 4;
    const std::uint8_t* t11 = rowB + std::size_t(bx) * 4;
    auto channel = [&](int c) {
        const int top = t00[c] * (256 - fx) + t10[c] * fx;
        const int bottom = t01[c] * (256 - fx) + t11[c] * fx;
        return static_cast<float>(top * (256 - fy) + bottom * fy) * (kUnorm8Scale / 65536.0f);
    };
    return {channel(2), channel(1), channel(0), channel(3)};
}

template <PixelFormat F>
float4 bilinear(const LevelRef& l, float2 uv, const SamplerDescriptor& d) {
    const int xf = fixedTexelPosition(uv.x, l.fwidth);
    const int yf = fixedTexelPosition(uv.y, l.fheight);
    const int x0 = xf >> 8, y0 = yf >> 8;
    const int fx = xf & 255, fy = yf & 255;
    const int ax = addressed(x0, l.width, d.sAddressMode);
    const int ay = addressed(y0, l.height, d.tAddressMode);
    if (fx == 0 && fy == 0) return texelAt<F>(l, ax, ay);  // the same bits as the weighted sum
    const int bx = addressed(x0 + 1, l.width, d.sAddressMode);
    const int by = addressed(y0 + 1, l.height, d.tAddressMode);
    if constexpr (F == PixelFormat::bgra8Unorm) return bilinearBGRA8(l, ax, ay, bx, by, fx, fy);
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

// Whether a quad's level of detail changes what it reads.
bool lodMatters(const SamplerDescriptor& d, int levelCount) {
    return d.minFilter != d.magFilter || (d.mipFilter != MipFilter::notMipmapped && levelCount > 1);
}

// The level of detail of a quad: log2 of the larger of the two texel-space steps between
// neighbouring lanes (to the right and downward).
float quadLod(const Quad<float2>& uv, float width, float height) {
    const float dxu = (uv[1].x - uv[0].x) * width, dxv = (uv[1].y - uv[0].y) * height;
    const float dyu = (uv[2].x - uv[0].x) * width, dyv = (uv[2].y - uv[0].y) * height;
    const float rho2 = std::max(dxu * dxu + dxv * dxv, dyu * dyu + dyv * dyv);
    if (!(rho2 > 0.0f)) return 0.0f;  // no change, or NaN from a helper lane
    if (!(rho2 < 1e30f)) return 64.0f;
    if (rho2 < 1e-30f) return -50.0f;  // far below one texel per pixel: magnified
    return 0.5f * log2Portable(rho2);
}

// The four lanes of a quad at once, for the most common case: BGRA8, bilinear, clamped
// at the edges; the same arithmetic as bilinearBGRA8, four lanes wide.
namespace quad {

using lanes::f32x4;
using lanes::i32x4;

struct Channels {
    f32x4 r, g, b, a;
};

// Where the lanes of a quad read bilinearly with clamped coordinates, as bilinear does
// lane by lane: the texels on either side (a, b) and the weights of the second (f).
struct QuadTexels {
    i32x4 xa, xb, ya, yb, fx, fy;
};

QuadTexels quadTexels(const LevelRef& l, const Quad<float2>& uv) {
    const f32x4 u{uv[0].x, uv[1].x, uv[2].x, uv[3].x}, v{uv[0].y, uv[1].y, uv[2].y, uv[3].y};
    const i32x4 xf = lanes::floorToInt(lanes::pinned(u * l.fwidth - 0.5f, kCoordinateLimit) * 256.0f + 0.5f);
    const i32x4 yf = lanes::floorToInt(lanes::pinned(v * l.fheight - 0.5f, kCoordinateLimit) * 256.0f + 0.5f);
    const i32x4 x0 = xf >> 8, y0 = yf >> 8;
    return {lanes::clampInt(x0, 0, l.width - 1),  lanes::clampInt(x0 + 1, 0, l.width - 1),
            lanes::clampInt(y0, 0, l.height - 1), lanes::clampInt(y0 + 1, 0, l.height - 1),
            xf & 255,                             yf & 255};
}

Channels bilinearBGRA8(const LevelRef& l, const Quad<float2>& uv) {
    const auto [xa, xb, ya, yb, fx, fy] = quadTexels(l, uv);
    i32x4 t00, t10, t01, t11;
    if (lanes::allZero(fx | fy)) {
        // Every lane on a texel centre (a 1:1 copy): all weight on one texel each; mostly
        // the quad's own 2 × 2 texels, two of them side by side in each row.
        const bool square = lanes::allZero((xa - xa[0] - i32x4{0, 1, 0, 1}) | (ya - ya[0] - i32x4{0, 0, 1, 1}));
        if (square) {
            const std::uint8_t* row = l.data + std::size_t(ya[0]) * l.rowBytes + std::size_t(xa[0]) * 4;
            const std::uint64_t top = lanes::load64(row), bottom = lanes::load64(row + l.rowBytes);
            t00 = i32x4{std::int32_t(std::uint32_t(top)), std::int32_t(std::uint32_t(top >> 32)),
                        std::int32_t(std::uint32_t(bottom)), std::int32_t(std::uint32_t(bottom >> 32))};
        } else {
            for (int i = 0; i < 4; ++i)
                t00[i] = std::int32_t(lanes::load32(l.data + std::size_t(ya[i]) * l.rowBytes + std::size_t(xa[i]) * 4));
        }
        auto byte = [&](int shift) { return lanes::toFloat((t00 >> shift) & 255) * kUnorm8Scale; };
        return {byte(16), byte(8), byte(0), byte(24)};
    }
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* rowA = l.data + std::size_t(ya[i]) * l.rowBytes;
        const std::uint8_t* rowB = l.data + std::size_t(yb[i]) * l.rowBytes;
        t00[i] = std::int32_t(lanes::load32(rowA + std::size_t(xa[i]) * 4));
        t10[i] = std::int32_t(lanes::load32(rowA + std::size_t(xb[i]) * 4));
        t01[i] = std::int32_t(lanes::load32(rowB + std::size_t(xa[i]) * 4));
        t11[i] = std::int32_t(lanes::load32(rowB + std::size_t(xb[i]) * 4));
    }
    // Integer-valued floats below 2^24: every product and sum here is exact.
    const f32x4 wx1 = lanes::toFloat(fx), wy1 = lanes::toFloat(fy);
    const f32x4 wx0 = 256.0f - wx1, wy0 = 256.0f - wy1;
    auto channel = [&](int shift) {
        auto byte = [shift](i32x4 t) { return lanes::toFloat((t >> shift) & 255); };
        const f32x4 top = byte(t00) * wx0 + byte(t10) * wx1;
        const f32x4 bottom = byte(t01) * wx0 + byte(t11) * wx1;
        return (top * wy0 + bottom * wy1) * (kUnorm8Scale / 65536.0f);
    };
    return {channel(16), channel(8), channel(0), channel(24)};
}

// The same for RG16Float, as bilinear<rg16Float> reads each lane; blue is 0 and alpha 1
// whatever the weights. Each texel's red and green halves go side by side, red in lanes
// 0-3 and green in 4-7, through the same steps.
Channels bilinearRG16Float(const LevelRef& l, const Quad<float2>& uv) {
    using lanes::f32x8;
    using lanes::u32x4;
    using lanes::u32x8;
    const auto [xa, xb, ya, yb, fx, fy] = quadTexels(l, uv);
    u32x4 t00, t10, t01, t11;
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* rowA = l.data + std::size_t(ya[i]) * l.rowBytes;
        const std::uint8_t* rowB = l.data + std::size_t(yb[i]) * l.rowBytes;
        t00[i] = lanes::load32(rowA + std::size_t(xa[i]) * 4);
        t10[i] = lanes::load32(rowA + std::size_t(xb[i]) * 4);
        t01[i] = lanes::load32(rowB + std::size_t(xa[i]) * 4);
        t11[i] = lanes::load32(rowB + std::size_t(xb[i]) * 4);
    }
    const auto texel = [](u32x4 t) {
        return halves::toFloat<u32x8, f32x8>(__builtin_shufflevector(t & 0xffffu, t >> 16, 0, 1, 2, 3, 4, 5, 6, 7));
    };
    const auto twice = [](f32x4 w) { return __builtin_shufflevector(w, w, 0, 1, 2, 3, 0, 1, 2, 3); };
    const f32x8 wx = twice(lanes::toFloat(fx) * (1.0f / 256.0f)), wy = twice(lanes::toFloat(fy) * (1.0f / 256.0f));
    const f32x8 a = texel(t00);
    const f32x8 top = a * (1.0f - wx) + texel(t10) * wx;
    const f32x8 bottom = texel(t01) * (1.0f - wx) + texel(t11) * wx;
    const i32x4 centre = (fx | fy) == 0;  // all the weight on one texel: read as it is
    const lanes::i32x8 centres = __builtin_shufflevector(centre, centre, 0, 1, 2, 3, 0, 1, 2, 3);
    const f32x8 c = centres ? a : top * (1.0f - wy) + bottom * wy;
    return {__builtin_shufflevector(c, c, 0, 1, 2, 3), __builtin_shufflevector(c, c, 4, 5, 6, 7), lanes::splat(0.0f),
            lanes::splat(1.0f)};
}

Quad<float4> toQuad(const Channels& c) {
    Quad<float4> out;
    for (int i = 0; i < 4; ++i) out[std::size_t(i)] = {c.r[i], c.g[i], c.b[i], c.a[i]};
    return out;
}

}  // namespace quad

LevelRef levelRef(const Texture& t, int index) {
    const Texture::Level& l = t.level(index);
    return {l.data, l.width, l.height, l.rowBytes, float(l.width), float(l.height)};
}

// The eight lanes of a span, two quads each reading its own level: the same arithmetic
// as quad::bilinearBGRA8, lane by lane, with the weighted sums taken in integers (exact
// either way, so the same bits).
namespace span {

using lanes::f32x8;
using lanes::i32x8;
using lanes::u32x4;
using lanes::u32x8;

// What each lane reads: the left quad's level for lanes 0-3, the right one's for 4-7.
struct Levels {
    f32x8 fwidth, fheight;
    i32x8 lastX, lastY;
    i32x8 rowBytes;  // levels are below 2^31 bytes
    const std::uint8_t* data[2];
    bool same;  // both quads read the same level
};

Levels levels(const LevelRef& left, const LevelRef& right) {
    if (left.data == right.data)  // the common case: each value once, in every lane
        return {lanes::splat8(left.fwidth), lanes::splat8(left.fheight), lanes::splat8(left.width - 1),
                lanes::splat8(left.height - 1), lanes::splat8(std::int32_t(left.rowBytes)), {left.data, left.data},
                true};
    return {lanes::perQuad(left.fwidth, right.fwidth),
            lanes::perQuad(left.fheight, right.fheight),
            lanes::perQuad(left.width - 1, right.width - 1),
            lanes::perQuad(left.height - 1, right.height - 1),
            lanes::perQuad(std::int32_t(left.rowBytes), std::int32_t(right.rowBytes)),
            {left.data, right.data},
            left.data == right.data};
}

template <class T>
T loadAt(const Levels& l, int lane, std::int32_t offset) {
    T v;
    std::memcpy(&v, l.data[lane >> 2] + offset, sizeof v);
    return v;
}

// Lanes on texel centres, all the weight on one texel each: mostly the span's own 4 × 2
// texels of one level, read as two rows.
u32x8 centreTexels(const Levels& l, i32x8 xa, i32x8 ya) {
    const bool block = l.same && lanes::allZero((xa - xa[0] - i32x8{0, 1, 0, 1, 2, 3, 2, 3}) |
                                                (ya - ya[0] - i32x8{0, 0, 1, 1, 0, 0, 1, 1}));
    const i32x8 offset = ya * l.rowBytes + xa * 4;
    if (block) {
        const u32x4 top = loadAt<u32x4>(l, 0, offset[0]), bottom = loadAt<u32x4>(l, 0, offset[2]);
        return __builtin_shufflevector(top, bottom, 0, 1, 4, 5, 2, 3, 6, 7);
    }
    u32x8 t;
    for (int i = 0; i < 8; ++i) t[i] = loadAt<std::uint32_t>(l, i, offset[i]);
    return t;
}

void bilinearBGRA8(const Levels& l, f32x8 u, f32x8 v, f32x8 out[4]) {
    const i32x8 xf = lanes::floorToInt(lanes::pinned(u * l.fwidth - 0.5f, kCoordinateLimit) * 256.0f + 0.5f);
    const i32x8 yf = lanes::floorToInt(lanes::pinned(v * l.fheight - 0.5f, kCoordinateLimit) * 256.0f + 0.5f);
    const i32x8 x0 = xf >> 8, y0 = yf >> 8, fx = xf & 255, fy = yf & 255;
    const i32x8 zero = lanes::splat8(0);
    const i32x8 xa = lanes::clampInt(x0, zero, l.lastX), xb = lanes::clampInt(x0 + 1, zero, l.lastX);
    const i32x8 ya = lanes::clampInt(y0, zero, l.lastY), yb = lanes::clampInt(y0 + 1, zero, l.lastY);
    if (lanes::allZero(fx | fy)) {
        const u32x8 t = centreTexels(l, xa, ya);
        auto byte = [&](int shift) { return lanes::toFloat(i32x8((t >> shift) & 255u)) * kUnorm8Scale; };
        out[0] = byte(16), out[1] = byte(8), out[2] = byte(0), out[3] = byte(24);
        return;
    }
    u32x8 t00, t10, t01, t11;
    if (lanes::allZero(l.lastX == zero)) {
        // Two texels side by side in one load, from column p = xa (or xa - 1 at the
        // right edge, where xa = xb); each of xa and xb is p or p + 1.
        const i32x8 p = lanes::clampInt(x0, zero, l.lastX - 1);
        const i32x8 rowA = ya * l.rowBytes + p * 4, rowB = yb * l.rowBytes + p * 4;
        u32x8 loA, hiA, loB, hiB;
        for (int i = 0; i < 8; ++i) {
            const std::uint64_t a = loadAt<std::uint64_t>(l, i, rowA[i]), b = loadAt<std::uint64_t>(l, i, rowB[i]);
            loA[i] = std::uint32_t(a), hiA[i] = std::uint32_t(a >> 32);
            loB[i] = std::uint32_t(b), hiB[i] = std::uint32_t(b >> 32);
        }
        const i32x8 aLow = xa == p, bLow = xb == p;
        t00 = aLow ? loA : hiA, t10 = bLow ? loA : hiA;
        t01 = aLow ? loB : hiB, t11 = bLow ? loB : hiB;
    } else {
        const i32x8 rowA = ya * l.rowBytes, rowB = yb * l.rowBytes;
        for (int i = 0; i < 8; ++i) {
            t00[i] = loadAt<std::uint32_t>(l, i, rowA[i] + xa[i] * 4);
            t10[i] = loadAt<std::uint32_t>(l, i, rowA[i] + xb[i] * 4);
            t01[i] = loadAt<std::uint32_t>(l, i, rowB[i] + xa[i] * 4);
            t11[i] = loadAt<std::uint32_t>(l, i, rowB[i] + xb[i] * 4);
        }
    }
    // Across, two channels at once in the 16-bit halves of each lane (blue and red, green
    // and alpha): a weighted pair of bytes stays below 2^16. Down, in floats: the weighted
    // sums stay below 2^24, so they are exact, as the integers would be.
    using lanes::u16x16;
    const u32x8 wx1 = u32x8(fx), wx0 = u32x8(256 - fx);
    const u16x16 w0 = std::bit_cast<u16x16>(wx0 | wx0 << 16), w1 = std::bit_cast<u16x16>(wx1 | wx1 << 16);
    auto across = [&](u32x8 left, u32x8 right, int shift) {
        return std::bit_cast<u32x8>(std::bit_cast<u16x16>((left >> shift) & 0x00FF00FFu) * w0 +
                                    std::bit_cast<u16x16>((right >> shift) & 0x00FF00FFu) * w1);
    };
    const u32x8 blueRedTop = across(t00, t10, 0), blueRedBottom = across(t01, t11, 0);
    const u32x8 greenAlphaTop = across(t00, t10, 8), greenAlphaBottom = across(t01, t11, 8);
    const f32x8 wy1 = lanes::toFloat(fy), wy0 = lanes::toFloat(256 - fy);
    auto down = [&](u32x8 top, u32x8 bottom, int shift) {
        const f32x8 t = lanes::toFloat(i32x8((top >> shift) & 0xFFFFu));
        const f32x8 b = lanes::toFloat(i32x8((bottom >> shift) & 0xFFFFu));
        return (t * wy0 + b * wy1) * (kUnorm8Scale / 65536.0f);
    };
    out[0] = down(blueRedTop, blueRedBottom, 16), out[1] = down(greenAlphaTop, greenAlphaBottom, 0);
    out[2] = down(blueRedTop, blueRedBottom, 0), out[3] = down(greenAlphaTop, greenAlphaBottom, 16);
}

}  // namespace span

class LevelSampler {
public:
    LevelSampler(const Texture& t, const SamplerDescriptor& d, float lod)
        : descriptor_(d), choice_(chooseLevels(d, lod, t.mipLevelCount())), first_(ref(t, choice_.first)) {
        if (choice_.weight != 0.0f) second_ = ref(t, choice_.second);
    }

    // Whether the quad path applies: BGRA8 read bilinearly with clamped coordinates.
    bool quadPath(PixelFormat f) const {
        return f == PixelFormat::bgra8Unorm && choice_.filter == SamplerFilter::linear &&
               descriptor_.sAddressMode == AddressMode::clampToEdge &&
               descriptor_.tAddressMode == AddressMode::clampToEdge;
    }

    Quad<float4> sampleQuadBGRA8(const Quad<float2>& uv) const {
        quad::Channels a = quad::bilinearBGRA8(first_, uv);
        if (choice_.weight != 0.0f) {
            const quad::Channels b = quad::bilinearBGRA8(second_, uv);
            const float w = choice_.weight, k = 1.0f - w;
            a = {a.r * k + b.r * w, a.g * k + b.g * w, a.b * k + b.b * w, a.a * k + b.a * w};
        }
        return quad::toQuad(a);
    }

    // Whether RG16Float reads take the quad path, with the same conditions as BGRA8's.
    bool quadPathRG16Float(PixelFormat f) const {
        return f == PixelFormat::rg16Float && quadPath(PixelFormat::bgra8Unorm);
    }

    Quad<float4> sampleQuadRG16Float(const Quad<float2>& uv) const {
        quad::Channels a = quad::bilinearRG16Float(first_, uv);
        if (choice_.weight != 0.0f) {
            // Blue and alpha stay 0 and 1: 1 - w + w is 1 for the 1/256 steps of w.
            const quad::Channels b = quad::bilinearRG16Float(second_, uv);
            const float w = choice_.weight, k = 1.0f - w;
            a.r = a.r * k + b.r * w, a.g = a.g * k + b.g * w;
        }
        return quad::toQuad(a);
    }

    template <PixelFormat F>
    float4 sample(float2 uv) const {
        const float4 a = filtered<F>(first_, uv, descriptor_, choice_.filter);
        if (choice_.weight == 0.0f) return a;
        const float4 b = filtered<F>(second_, uv, descriptor_, choice_.filter);
        return a * (1.0f - choice_.weight) + b * choice_.weight;
    }

private:
    static LevelRef ref(const Texture& t, int index) { return levelRef(t, index); }

    const SamplerDescriptor& descriptor_;
    LevelChoice choice_;
    LevelRef first_;
    LevelRef second_;
};

template <PixelFormat F>
Quad<float4> sampleQuad(const LevelSampler& s, const Quad<float2>& uv) {
    return {s.sample<F>(uv[0]), s.sample<F>(uv[1]), s.sample<F>(uv[2]), s.sample<F>(uv[3])};
}


}  // namespace

// From the exponent and a series in the mantissa m: log2(m) = (2 / ln 2) · atanh(s)
// with s = (m - 1) / (m + 1) < 1/3, to s^7.
float log2Portable(float x) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    const int exponent = static_cast<int>((bits >> 23) & 255u) - 127;
    const float m = std::bit_cast<float>((bits & 0x7fffffu) | 0x3f800000u);
    const float s = (m - 1.0f) / (m + 1.0f), s2 = s * s;
    const float series = s * (1.0f + s2 * (1.0f / 3.0f + s2 * (1.0f / 5.0f + s2 * (1.0f / 7.0f))));
    return static_cast<float>(exponent) + series * 2.8853900817779268f;  // 2 / ln 2
}

FURLPANE_HOT_PATH Quad<float4> Texture::sample(const Sampler& sampler, const Quad<float2>& uv) const {
    if (sampleCount() != 1) return {};
    const SamplerDescriptor& d = sampler.descriptor();
    const bool lodVaries = lodMatters(d, mipLevelCount());
    if (!lodVaries && d.magFilter == SamplerFilter::linear && pixelFormat() == PixelFormat::bgra8Unorm &&
        d.sAddressMode == AddressMode::clampToEdge && d.tAddressMode == AddressMode::clampToEdge) {
        // One level read bilinearly, as LevelSampler would at level of detail 0.
        return quad::toQuad(quad::bilinearBGRA8(levelRef(*this, 0), uv));
    }
    const float lod = lodVaries ? quadLod(uv, static_cast<float>(width()), static_cast<float>(height())) : 0.0f;
    const LevelSampler s(*this, d, lod);
    if (s.quadPath(pixelFormat())) return s.sampleQuadBGRA8(uv);
    if (s.quadPathRG16Float(pixelFormat())) return s.sampleQuadRG16Float(uv);
    switch (pixelFormat()) {
    case PixelFormat::bgra8Unorm: return sampleQuad<PixelFormat::bgra8Unorm>(s, uv);
    case PixelFormat::r8Unorm: return sampleQuad<PixelFormat::r8Unorm>(s, uv);
    case PixelFormat::rg16Float: return sampleQuad<PixelFormat::rg16Float>(s, uv);
    case PixelFormat::depth32Float: return sampleQuad<PixelFormat::depth32Float>(s, uv);
    case PixelFormat::invalid: break;
    }
    return {};
}

FURLPANE_HOT_PATH float4 Texture::sample(const Sampler& sampler, float2 uv, float lod) const {
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

BoundTexture::BoundTexture(const Texture* texture, const Sampler* sampler) {
    if (!texture || !sampler) return;
    texture_ = texture;
    sampler_ = sampler;
    const SamplerDescriptor& d = sampler->descriptor();
    lodMatters_ = lodMatters(d, texture->mipLevelCount());
    bilinearBGRA8_ = texture->sampleCount() == 1 && texture->pixelFormat() == PixelFormat::bgra8Unorm &&
                     d.minFilter == SamplerFilter::linear && d.magFilter == SamplerFilter::linear &&
                     d.sAddressMode == AddressMode::clampToEdge && d.tAddressMode == AddressMode::clampToEdge;
    width_ = static_cast<float>(texture->width());
    height_ = static_cast<float>(texture->height());
}

FURLPANE_HOT_PATH void BoundTexture::sample(const float* u, const float* v, SpanColors& out) const {
    if (!bilinearBGRA8_) {  // every other case quad by quad, as Texture::sample reads it
        for (int q = 0; q < 2; ++q) {
            Quad<float4> c{};
            if (texture_) {
                Quad<float2> uv;
                for (int i = 0; i < 4; ++i) uv[std::size_t(i)] = {u[4 * q + i], v[4 * q + i]};
                c = texture_->sample(*sampler_, uv);
            }
            for (int i = 0; i < 4; ++i) {
                const float4& ci = c[std::size_t(i)];
                out.r[4 * q + i] = ci.x, out.g[4 * q + i] = ci.y, out.b[4 * q + i] = ci.z, out.a[4 * q + i] = ci.w;
            }
        }
        return;
    }
    LevelChoice choice[2];
    if (lodMatters_) {
        const SamplerDescriptor& d = sampler_->descriptor();
        for (int q = 0; q < 2; ++q) {
            Quad<float2> uv;
            for (int i = 0; i < 4; ++i) uv[std::size_t(i)] = {u[4 * q + i], v[4 * q + i]};
            choice[q] = chooseLevels(d, quadLod(uv, width_, height_), texture_->mipLevelCount());
        }
    }
    const lanes::f32x8 lu = lanes::load8(u), lv = lanes::load8(v);
    lanes::f32x8 a[4];
    span::bilinearBGRA8(span::levels(levelRef(*texture_, choice[0].first), levelRef(*texture_, choice[1].first)), lu,
                        lv, a);
    if (choice[0].weight != 0.0f || choice[1].weight != 0.0f) {
        // A quad without a second level reads its first again, with weight 0: a × 1 + a × 0 is a.
        auto second = [&](const LevelChoice& c) { return levelRef(*texture_, c.weight != 0.0f ? c.second : c.first); };
        lanes::f32x8 b[4];
        span::bilinearBGRA8(span::levels(second(choice[0]), second(choice[1])), lu, lv, b);
        const lanes::f32x8 w = lanes::perQuad(choice[0].weight, choice[1].weight);
        const lanes::f32x8 k = lanes::perQuad(1.0f - choice[0].weight, 1.0f - choice[1].weight);
        for (int c = 0; c < 4; ++c) a[c] = a[c] * k + b[c] * w;
    }
    lanes::store8(out.r, a[0]);
    lanes::store8(out.g, a[1]);
    lanes::store8(out.b, a[2]);
    lanes::store8(out.a, a[3]);
}

// Lanes that share a level read it together, all eight at once: a span whose levels of
// detail lie close together reads one or two levels in all.
FURLPANE_HOT_PATH void BoundTexture::sample(const float* u, const float* v, const float* lod, unsigned live,
                                            SpanColors& out) const {
    out = {};
    live &= (1u << kSpanLanes) - 1;
    if (!texture_) return;
    if (!bilinearBGRA8_) {
        for (unsigned left = live; left != 0; left &= left - 1) {
            const int i = std::countr_zero(left);
            const float4 c = texture_->sample(*sampler_, {u[i], v[i]}, lod[i]);
            out.r[i] = c.x, out.g[i] = c.y, out.b[i] = c.z, out.a[i] = c.w;
        }
        return;
    }
    LevelChoice choice[kSpanLanes];
    unsigned blended = 0;  // the lanes that read a second level
    for (unsigned left = live; left != 0; left &= left - 1) {
        const int i = std::countr_zero(left);
        choice[i] = chooseLevels(sampler_->descriptor(), lod[i], texture_->mipLevelCount());
        if (choice[i].weight != 0.0f) blended |= 1u << i;
    }
    const lanes::f32x8 lu = lanes::load8(u), lv = lanes::load8(v);
    lanes::f32x8 first[4] = {}, second[4] = {};
    for (unsigned firstLeft = live, secondLeft = blended; firstLeft != 0 || secondLeft != 0;) {
        const int level = firstLeft != 0 ? choice[std::countr_zero(firstLeft)].first
                                         : choice[std::countr_zero(secondLeft)].second;
        const LevelRef l = levelRef(*texture_, level);
        lanes::f32x8 read[4];
        span::bilinearBGRA8(span::levels(l, l), lu, lv, read);
        lanes::i32x8 takeFirst{}, takeSecond{};
        for (int i = 0; i < kSpanLanes; ++i) {
            const unsigned bit = 1u << i;
            if ((firstLeft & bit) && choice[i].first == level) takeFirst[i] = -1, firstLeft &= ~bit;
            if ((secondLeft & bit) && choice[i].second == level) takeSecond[i] = -1, secondLeft &= ~bit;
        }
        for (int c = 0; c < 4; ++c) {
            first[c] = takeFirst ? read[c] : first[c];
            second[c] = takeSecond ? read[c] : second[c];
        }
    }
    lanes::f32x8 w{}, k{};
    lanes::i32x8 mixed{};
    for (int i = 0; i < kSpanLanes; ++i) {
        if (!(blended & (1u << i))) continue;
        w[i] = choice[i].weight, k[i] = 1.0f - choice[i].weight, mixed[i] = -1;
    }
    float* channels[4] = {out.r, out.g, out.b, out.a};
    for (int c = 0; c < 4; ++c) lanes::store8(channels[c], mixed ? first[c] * k + second[c] * w : first[c]);
}

}  // namespace platform::gpu
