#pragma once

// The rasterizer's output stage: blending a shaded colour into the samples of a pixel,
// depth comparison, clearing and resolving. Internal to the GPU layer.

#include "platform/gpu/lanes.h"
#include "platform/gpu/texel.h"
#include "platform/gpu/texture.h"
#include "platform/gpu/types.h"

#include <cstdint>
#include <cstring>

namespace platform::gpu {

struct BlendSettings {
    bool enabled = false;
    BlendFactor sourceRGB = BlendFactor::one;
    BlendFactor sourceAlpha = BlendFactor::one;
    BlendFactor destinationRGB = BlendFactor::zero;
    BlendFactor destinationAlpha = BlendFactor::zero;
};

inline float blendFactor(BlendFactor f, float sourceAlpha) {
    switch (f) {
    case BlendFactor::zero: return 0.0f;
    case BlendFactor::one: return 1.0f;
    case BlendFactor::sourceAlpha: return sourceAlpha;
    case BlendFactor::oneMinusSourceAlpha: return 1.0f - sourceAlpha;
    }
    return 0.0f;
}

inline bool depthPasses(CompareFunction f, float incoming, float stored) {
    switch (f) {
    case CompareFunction::never: return false;
    case CompareFunction::less: return incoming < stored;
    case CompareFunction::equal: return incoming == stored;
    case CompareFunction::lessEqual: return incoming <= stored;
    case CompareFunction::greater: return incoming > stored;
    case CompareFunction::notEqual: return incoming != stored;
    case CompareFunction::greaterEqual: return incoming >= stored;
    case CompareFunction::always: return true;
    }
    return false;
}

// Writes src into the samples of one pixel named by sampleMask (bit s: sample s), the
// samples lying one after the other from texel on.
template <PixelFormat F>
void mergePixel(std::uint8_t* texel, int samples, unsigned sampleMask, simd::float4 src,
                const BlendSettings& blend) {
    constexpr std::size_t bpp = bytesPerPixel(F);
    std::uint8_t packed[4];
    float sRGB = 1, sA = 1, dRGB = 0, dA = 0;
    if (blend.enabled) {
        sRGB = blendFactor(blend.sourceRGB, src.w);
        sA = blendFactor(blend.sourceAlpha, src.w);
        dRGB = blendFactor(blend.destinationRGB, src.w);
        dA = blendFactor(blend.destinationAlpha, src.w);
        if (sRGB == 0 && sA == 0 && dRGB == 1 && dA == 1) return;  // leaves the target as it is
    }
    const bool replaces = sRGB == 1 && sA == 1 && dRGB == 0 && dA == 0;
    auto blended = [&](const std::uint8_t* dstBytes) {
        const simd::float4 d = readTexel(F, dstBytes);
        return simd::float4{src.x * sRGB + d.x * dRGB, src.y * sRGB + d.y * dRGB, src.z * sRGB + d.z * dRGB,
                            src.w * sA + d.w * dA};
    };
    const unsigned all = (1u << samples) - 1;
    bool shared = replaces;
    if (!shared && sampleMask == all) {  // every sample equal: blend once
        shared = true;
        for (int s = 1; s < samples && shared; ++s) shared = std::memcmp(texel, texel + s * bpp, bpp) == 0;
    }
    if (shared) {
        writeTexel(F, packed, replaces ? src : blended(texel));
        for (int s = 0; s < samples; ++s)
            if (sampleMask & (1u << s)) std::memcpy(texel + s * bpp, packed, bpp);
        return;
    }
    for (int s = 0; s < samples; ++s) {
        if (!(sampleMask & (1u << s))) continue;
        writeTexel(F, packed, blended(texel + s * bpp));
        std::memcpy(texel + s * bpp, packed, bpp);
    }
}

// The same for BGRA8, the common target, with the channels of a pixel as one vector.
// Unpacking and packing are the scalar formulas (byte × 1/255; clamp, × 255, + 0.5,
// truncate), lane by lane.
inline lanes::f32x4 unpackBGRA8(std::uint32_t d) {
    const lanes::f32x4 bgra = lanes::toFloat(lanes::unpackBytes(d)) * kUnorm8Scale;
    return __builtin_shufflevector(bgra, bgra, 2, 1, 0, 3);
}

inline std::uint32_t packBGRA8(lanes::f32x4 rgba) {
    const lanes::f32x4 bgra = __builtin_shufflevector(rgba, rgba, 2, 1, 0, 3);
    return lanes::packBytes(__builtin_convertvector(lanes::clamp01(bgra) * 255.0f + 0.5f, lanes::i32x4));
}

// What blending does to a pixel, from its colour's factors.
enum class SampleBlend : std::uint8_t {
    keeps,     // source × 0 + destination × 1: the target stays as it is
    replaces,  // source × 1 + destination × 0
    blends,
};

inline SampleBlend sampleBlend(float sRGB, float sA, float dRGB, float dA) {
    if (sRGB == 0 && sA == 0 && dRGB == 1 && dA == 1) return SampleBlend::keeps;
    return sRGB == 1 && sA == 1 && dRGB == 0 && dA == 0 ? SampleBlend::replaces : SampleBlend::blends;
}

// The same packed value into the samples of a pixel named by sampleMask.
inline void storeSamples(std::uint8_t* texel, int samples, unsigned sampleMask, std::uint32_t packed) {
    if (samples == 4 && sampleMask == 15) {
        const lanes::u32x4 all{packed, packed, packed, packed};
        std::memcpy(texel, &all, sizeof all);
        return;
    }
    for (int s = 0; s < samples; ++s)
        if (sampleMask & (1u << s)) lanes::store32(texel + 4 * s, packed);
}

// The samples of one BGRA8 pixel named by sampleMask, with the blend factors of its colour
// already worked out (sf for the source, df for the destination; 1 and 0 without
// blending) and what they do.
inline void mergeSamplesBGRA8(std::uint8_t* texel, int samples, unsigned sampleMask, lanes::f32x4 src,
                              lanes::f32x4 sf, lanes::f32x4 df, SampleBlend how) {
    if (how == SampleBlend::keeps) return;
    if (how == SampleBlend::replaces) return storeSamples(texel, samples, sampleMask, packBGRA8(src));
    auto blended = [&](std::uint32_t d) { return packBGRA8(src * sf + unpackBGRA8(d) * df); };
    const std::uint32_t first = lanes::load32(texel);
    bool shared = samples == 1;
    if (!shared && sampleMask == (1u << samples) - 1) {  // every sample equal: blend once
        shared = true;
        for (int s = 1; s < samples && shared; ++s) shared = lanes::load32(texel + 4 * s) == first;
    }
    if (shared) return storeSamples(texel, samples, sampleMask, blended(first));
    for (int s = 0; s < samples; ++s)
        if (sampleMask & (1u << s)) lanes::store32(texel + 4 * s, blended(lanes::load32(texel + 4 * s)));
}

template <>
inline void mergePixel<PixelFormat::bgra8Unorm>(std::uint8_t* texel, int samples, unsigned sampleMask,
                                                simd::float4 color, const BlendSettings& blend) {
    lanes::f32x4 sf = lanes::splat(1.0f), df = lanes::splat(0.0f);
    if (blend.enabled) {
        const float sRGB = blendFactor(blend.sourceRGB, color.w), dRGB = blendFactor(blend.destinationRGB, color.w);
        sf = lanes::f32x4{sRGB, sRGB, sRGB, blendFactor(blend.sourceAlpha, color.w)};
        df = lanes::f32x4{dRGB, dRGB, dRGB, blendFactor(blend.destinationAlpha, color.w)};
    }
    mergeSamplesBGRA8(texel, samples, sampleMask, lanes::load(color), sf, df, sampleBlend(sf[0], sf[3], df[0], df[3]));
}

// The same for lanes of source alphas (F: lanes::f32x4 or f32x8).
template <class F>
F blendFactor(BlendFactor f, F sourceAlpha) {
    switch (f) {
    case BlendFactor::zero: return F{};
    case BlendFactor::one: return F{} + 1.0f;
    case BlendFactor::sourceAlpha: return sourceAlpha;
    case BlendFactor::oneMinusSourceAlpha: return 1.0f - sourceAlpha;
    }
    return F{};
}

// The four lanes of a quad into a multisampled BGRA8 target: lane i's pixel at texel[i],
// its samples in cov[i]; the blend factors of the four lanes worked out at once.
inline void mergeQuadSamplesBGRA8(std::uint8_t* const texel[4], int samples, const unsigned cov[4],
                                  const simd::float4* color, const BlendSettings& blend) {
    using lanes::f32x4;
    const f32x4 a{color[0].w, color[1].w, color[2].w, color[3].w};
    f32x4 sRGB = lanes::splat(1.0f), sA = sRGB, dRGB = lanes::splat(0.0f), dA = dRGB;
    if (blend.enabled) {
        sRGB = blendFactor(blend.sourceRGB, a);
        sA = blendFactor(blend.sourceAlpha, a);
        dRGB = blendFactor(blend.destinationRGB, a);
        dA = blendFactor(blend.destinationAlpha, a);
    }
    for (int i = 0; i < 4; ++i) {
        if (!cov[i]) continue;
        if (!blend.enabled) {
            storeSamples(texel[i], samples, cov[i], packBGRA8(lanes::load(color[i])));
            continue;
        }
        const f32x4 sf{sRGB[i], sRGB[i], sRGB[i], sA[i]}, df{dRGB[i], dRGB[i], dRGB[i], dA[i]};
        mergeSamplesBGRA8(texel[i], samples, cov[i], lanes::load(color[i]), sf, df,
                          sampleBlend(sRGB[i], sA[i], dRGB[i], dA[i]));
    }
}

// Lanes of a source colour, channel by channel, blended with the target's BGRA8 texels
// (d, read only where blending) and packed as BGRA8: the arithmetic of mergePixel, lane
// by lane. F is the lanes' float vector, I the int one.
template <class F, class I, class U>
U blendedBGRA8(F r, F g, F b, F a, U d, const BlendSettings& blend) {
    if (blend.enabled) {
        auto channel = [&](int shift) { return lanes::toFloat(I((d >> shift) & 255u)) * kUnorm8Scale; };
        const F sRGB = blendFactor(blend.sourceRGB, a), sA = blendFactor(blend.sourceAlpha, a);
        const F dRGB = blendFactor(blend.destinationRGB, a), dA = blendFactor(blend.destinationAlpha, a);
        r = r * sRGB + channel(16) * dRGB;
        g = g * sRGB + channel(8) * dRGB;
        b = b * sRGB + channel(0) * dRGB;
        a = a * sA + channel(24) * dA;
    }
    auto quantised = [](F v) {
        return __builtin_convertvector(__builtin_convertvector(lanes::clamp01(v) * 255.0f + 0.5f, I), U);
    };
    return quantised(b) | (quantised(g) << 8) | (quantised(r) << 16) | (quantised(a) << 24);
}

// The four lanes of a quad into a single-sample BGRA8 target at once, channel by channel:
// lanes 0 and 1 at row0 (one texel apart), 2 and 3 at row1; lanes not in mask are
// neither read nor written. The same arithmetic as mergePixel, lane by lane.
inline void mergeQuadBGRA8(std::uint8_t* row0, std::uint8_t* row1, unsigned mask, const simd::float4* color,
                           const BlendSettings& blend) {
    using lanes::f32x4;
    using lanes::u32x4;
    std::uint8_t* texel[4] = {row0, row0 + 4, row1, row1 + 4};
    const f32x4 r{color[0].x, color[1].x, color[2].x, color[3].x};
    const f32x4 g{color[0].y, color[1].y, color[2].y, color[3].y};
    const f32x4 b{color[0].z, color[1].z, color[2].z, color[3].z};
    const f32x4 a{color[0].w, color[1].w, color[2].w, color[3].w};
    u32x4 d{};
    if (blend.enabled)
        for (int i = 0; i < 4; ++i)
            if (mask & (1u << i)) d[i] = lanes::load32(texel[i]);
    const u32x4 packed = blendedBGRA8<f32x4, lanes::i32x4>(r, g, b, a, d, blend);
    if (mask == 15 && row1 != row0) {  // the whole quad: two texels a row
        std::memcpy(row0, &packed, 8);
        std::memcpy(row1, reinterpret_cast<const std::uint8_t*>(&packed) + 8, 8);
        return;
    }
    for (int i = 0; i < 4; ++i)
        if (mask & (1u << i)) lanes::store32(texel[i], packed[i]);
}

// A mask of a span's eight lanes (texture.h) in the order of its texels, row0's four then
// row1's, or the other way round: lanes 2, 3 and texels 2, 3 trade places with lanes and
// texels 4, 5.
inline constexpr struct SpanOrder {
    std::uint8_t swapped[256];
    constexpr SpanOrder() : swapped() {
        for (unsigned m = 0; m < 256; ++m)
            swapped[m] = std::uint8_t((m & 0x3u) | ((m >> 2) & 0xCu) | ((m << 2) & 0x30u) | (m & 0xC0u));
    }
} kSpanOrder;

// The eight lanes of a span (texture.h) into a single-sample BGRA8 target at once: the
// left quad's lanes at row0 and row1 as in mergeQuadBGRA8, the right quad's two texels
// further on; lanes not in mask are neither read nor written. The same arithmetic as
// mergeQuadBGRA8, lane by lane, worked in the order of the texels: row0's four, then row1's.
inline void mergeSpanBGRA8(std::uint8_t* row0, std::uint8_t* row1, unsigned mask, const SpanColors& color,
                           const BlendSettings& blend) {
    using lanes::f32x8;
    using lanes::u32x8;
    auto inRows = [](const float* lanesOfSpan) {
        const f32x8 v = lanes::load8(lanesOfSpan);
        return __builtin_shufflevector(v, v, 0, 1, 4, 5, 2, 3, 6, 7);
    };
    const unsigned m = kSpanOrder.swapped[mask & 0xFFu];
    auto texel = [&](int p) { return (p < 4 ? row0 : row1) + 4 * (p & 3); };
    const f32x8 r = inRows(color.r), g = inRows(color.g), b = inRows(color.b), a = inRows(color.a);
    u32x8 d{};
    if (blend.enabled) {
        auto* dBytes = reinterpret_cast<std::uint8_t*>(&d);
        for (int half = 0; half < 2; ++half) {
            std::uint8_t* row = half ? row1 : row0;
            if ((m >> (4 * half) & 0xFu) == 0xFu) {  // a row of four texels, read at once
                std::memcpy(dBytes + 16 * half, row, 16);
                continue;
            }
            for (int p = 4 * half; p < 4 * half + 4; ++p)
                if (m & (1u << p)) d[p] = lanes::load32(texel(p));
        }
    }
    const u32x8 packed = blendedBGRA8<f32x8, lanes::i32x8>(r, g, b, a, d, blend);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&packed);
    if ((m & 0xFu) == 0xFu) {
        std::memcpy(row0, bytes, 16);
    } else {
        for (int p = 0; p < 4; ++p)
            if (m & (1u << p)) lanes::store32(texel(p), packed[p]);
    }
    if ((m >> 4) == 0xFu && row1 != row0) {
        std::memcpy(row1, bytes + 16, 16);
    } else {
        for (int p = 4; p < 8; ++p)
            if (m & (1u << p)) lanes::store32(texel(p), packed[p]);
    }
}

// The mean of the 4 samples of each pixel for a row of count pixels, rounded to nearest
// (multisampled targets always have 4 samples).
#if defined(__SSE2__)
// The rounded means of two 4-sample BGRA8 pixels, as eight 16-bit channels.
inline __m128i resolvePairBGRA8(const std::uint8_t* samplesBytes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samplesBytes));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samplesBytes + 16));
    // Samples 0 + 2 and 1 + 3 of each pixel, then the two halves of each added.
    const __m128i sa = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpackhi_epi8(a, zero));
    const __m128i sb = _mm_add_epi16(_mm_unpacklo_epi8(b, zero), _mm_unpackhi_epi8(b, zero));
    const __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(sa, sb), _mm_unpackhi_epi64(sa, sb));
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(2)), 2);  // to nearest
}
#endif

template <PixelFormat F>
void resolveRow(const std::uint8_t* samplesBytes, int count, std::uint8_t* out) {
    constexpr std::size_t bpp = bytesPerPixel(F);
#if defined(__SSE2__)
    if constexpr (F == PixelFormat::bgra8Unorm) {
        for (; count >= 4; count -= 4, samplesBytes += 64, out += 16) {
            const __m128i mean = _mm_packus_epi16(resolvePairBGRA8(samplesBytes), resolvePairBGRA8(samplesBytes + 32));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), mean);
        }
    }
#endif
    for (int x = 0; x < count; ++x, samplesBytes += 4 * bpp, out += bpp) {
        if constexpr (F == PixelFormat::rg16Float) {
            float r = 0, g = 0;
            for (int s = 0; s < 4; ++s) {
                r += halfToFloat(loadHalf(samplesBytes + s * bpp));
                g += halfToFloat(loadHalf(samplesBytes + s * bpp + 2));
            }
            storeHalf(out, r * 0.25f);
            storeHalf(out + 2, g * 0.25f);
        } else if constexpr (F == PixelFormat::bgra8Unorm) {
#if defined(__SSE2__)
            // The four samples' bytes widened to 16 bits and summed channel by channel.
            const __m128i zero = _mm_setzero_si128();
            __m128i bytes;
            std::memcpy(&bytes, samplesBytes, sizeof bytes);
            __m128i sum = _mm_add_epi16(_mm_unpacklo_epi8(bytes, zero), _mm_unpackhi_epi8(bytes, zero));
            sum = _mm_add_epi16(sum, _mm_unpackhi_epi64(sum, sum));
            const __m128i mean = _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(2)), 2);  // to nearest
            lanes::store32(out, static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(mean, mean))));
#else
            // Each sample's four bytes spread into the 16-bit lanes of one word, summed.
            std::uint64_t sum = 0x0002000200020002ull;  // rounds the quarter to nearest
            for (int s = 0; s < 4; ++s) {
                const std::uint64_t t = lanes::load32(samplesBytes + 4 * s);
                sum += (t & 0xff) | ((t & 0xff00) << 8) | ((t & 0xff0000) << 16) | ((t & 0xff000000) << 24);
            }
            const std::uint64_t m = (sum >> 2) & 0x00ff00ff00ff00ffull;
            lanes::store32(out, std::uint32_t((m & 0xff) | ((m >> 8) & 0xff00) | ((m >> 16) & 0xff0000) |
                                              ((m >> 24) & 0xff000000)));
#endif
        } else {
            const unsigned sum = 2u + samplesBytes[0] + samplesBytes[1] + samplesBytes[2] + samplesBytes[3];
            out[0] = static_cast<std::uint8_t>(sum / 4);
        }
    }
}

}  // namespace platform::gpu
