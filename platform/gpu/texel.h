#pragma once

// Conversions between texels in memory and colours, shared by sampling, the rasterizer's
// output stage, blits and mip generation. Internal to the GPU layer.

#include "platform/gpu/half.h"
#include "platform/gpu/types.h"
#include "platform/simd/vector.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace platform::gpu {

// Bytes are unpacked as b × (1/255), a multiplication rather than a division because it
// is several times cheaper in the inner loops; it is within one unit in the last place
// of b / 255, and 255 gives exactly 1. Filtered reads scale their exact weighted sums
// (b × 65536 for a texel with all the weight) by (1/255) / 65536, which gives the same
// bits, so a texel reads the same filtered or not.
inline constexpr float kUnorm8Scale = 1.0f / 255.0f;

struct Unorm8Table {
    std::array<float, 256> value{};
    constexpr Unorm8Table() {
        for (int i = 0; i < 256; ++i) value[static_cast<std::size_t>(i)] = static_cast<float>(i) * kUnorm8Scale;
    }
};
static_assert(Unorm8Table{}.value[255] == 1.0f);
inline constexpr Unorm8Table kUnorm8{};

inline float unorm8(std::uint8_t b) { return kUnorm8.value[b]; }

// Clamps to 0 ... 1 (NaN gives 0) and rounds to the nearest of 256 steps.
inline std::uint8_t packUnorm8(float v) {
    v = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
    return static_cast<std::uint8_t>(v * 255.0f + 0.5f);
}

inline float loadFloat(const std::uint8_t* p) {
    float f;
    std::memcpy(&f, p, sizeof f);
    return f;
}

inline void storeFloat(std::uint8_t* p, float f) { std::memcpy(p, &f, sizeof f); }

inline std::uint16_t loadHalf(const std::uint8_t* p) {
    std::uint16_t h;
    std::memcpy(&h, p, sizeof h);
    return h;
}

inline void storeHalf(std::uint8_t* p, float f) {
    const std::uint16_t h = floatToHalf(f);
    std::memcpy(p, &h, sizeof h);
}

inline simd::float4 readBGRA8(const std::uint8_t* p) {
    return {unorm8(p[2]), unorm8(p[1]), unorm8(p[0]), unorm8(p[3])};
}

inline simd::float4 readTexel(PixelFormat format, const std::uint8_t* p) {
    switch (format) {
    case PixelFormat::bgra8Unorm: return readBGRA8(p);
    case PixelFormat::r8Unorm: return {unorm8(p[0]), 0.0f, 0.0f, 1.0f};
    case PixelFormat::rg16Float: return {halfToFloat(loadHalf(p)), halfToFloat(loadHalf(p + 2)), 0.0f, 1.0f};
    case PixelFormat::depth32Float: return {loadFloat(p), 0.0f, 0.0f, 1.0f};
    case PixelFormat::invalid: break;
    }
    return {};
}

inline void writeTexel(PixelFormat format, std::uint8_t* p, simd::float4 c) {
    switch (format) {
    case PixelFormat::bgra8Unorm:
        p[0] = packUnorm8(c.z);
        p[1] = packUnorm8(c.y);
        p[2] = packUnorm8(c.x);
        p[3] = packUnorm8(c.w);
        break;
    case PixelFormat::r8Unorm: p[0] = packUnorm8(c.x); break;
    case PixelFormat::rg16Float:
        storeHalf(p, c.x);
        storeHalf(p + 2, c.y);
        break;
    case PixelFormat::depth32Float: storeFloat(p, c.x); break;
    case PixelFormat::invalid: break;
    }
}

}  // namespace platform::gpu
