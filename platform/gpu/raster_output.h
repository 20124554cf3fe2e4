#pragma once

// The rasterizer's output stage: blending a shaded colour into the samples of a pixel,
// depth comparison, clearing and resolving. Internal to the GPU layer.

#include "platform/gpu/texel.h"
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

// The mean of a pixel's samples, written as one texel.
template <PixelFormat F>
void resolvePixel(const std::uint8_t* samplesBytes, int samples, std::uint8_t* out) {
    constexpr std::size_t bpp = bytesPerPixel(F);
    if constexpr (F == PixelFormat::rg16Float) {
        float r = 0, g = 0;
        for (int s = 0; s < samples; ++s) {
            r += halfToFloat(loadHalf(samplesBytes + s * bpp));
            g += halfToFloat(loadHalf(samplesBytes + s * bpp + 2));
        }
        storeHalf(out, r / static_cast<float>(samples));
        storeHalf(out + 2, g / static_cast<float>(samples));
    } else {
        for (std::size_t ch = 0; ch < bpp; ++ch) {
            unsigned sum = 0;
            for (int s = 0; s < samples; ++s) sum += samplesBytes[s * bpp + ch];
            out[ch] = static_cast<std::uint8_t>((sum + unsigned(samples) / 2) / unsigned(samples));
        }
    }
}

}  // namespace platform::gpu
