#pragma once

// IEEE 754 half-precision conversions for RG16Float textures, done in integer arithmetic
// so that every machine produces the same bits. Float to half rounds to nearest, ties to
// even; overflow gives infinity, NaN stays NaN.

#include <bit>
#include <cstdint>

namespace platform::gpu {

inline float halfToFloat(std::uint16_t h) {
    const std::uint32_t sign = std::uint32_t(h & 0x8000u) << 16;
    const std::uint32_t exponent = (h >> 10) & 0x1fu;
    std::uint32_t mantissa = h & 0x3ffu;
    std::uint32_t bits;
    if (exponent == 0x1f) {
        bits = sign | 0x7f800000u | (mantissa << 13);
    } else if (exponent != 0) {
        bits = sign | ((exponent + 112) << 23) | (mantissa << 13);
    } else if (mantissa == 0) {
        bits = sign;
    } else {
        // Subnormal half: normalise into a float.
        std::uint32_t e = 113;
        while ((mantissa & 0x400u) == 0) {
            mantissa <<= 1;
            --e;
        }
        bits = sign | (e << 23) | ((mantissa & 0x3ffu) << 13);
    }
    return std::bit_cast<float>(bits);
}

inline std::uint16_t floatToHalf(float f) {
    const std::uint32_t x = std::bit_cast<std::uint32_t>(f);
    const std::uint16_t sign = std::uint16_t((x >> 16) & 0x8000u);
    const std::uint32_t abs = x & 0x7fffffffu;
    if (abs >= 0x7f800000u)  // infinity or NaN
        return std::uint16_t(sign | 0x7c00u | (abs > 0x7f800000u ? 0x200u : 0u));
    if (abs >= 0x477ff000u)  // rounds to beyond the largest half
        return std::uint16_t(sign | 0x7c00u);
    if (abs < 0x38800000u) {  // below the smallest normal half: subnormal or zero
        if (abs < 0x33000000u) return sign;  // below half the smallest subnormal
        const std::uint32_t e = abs >> 23;
        const std::uint32_t m = (abs & 0x7fffffu) | 0x800000u;
        const std::uint32_t shift = 126 - e;  // 14 ... 24
        std::uint32_t r = m >> shift;
        const std::uint32_t rest = m & ((1u << shift) - 1);
        const std::uint32_t halfway = 1u << (shift - 1);
        if (rest > halfway || (rest == halfway && (r & 1u))) ++r;
        return std::uint16_t(sign | r);
    }
    std::uint32_t r = ((abs >> 13) - (112u << 10));
    const std::uint32_t rest = abs & 0x1fffu;
    if (rest > 0x1000u || (rest == 0x1000u && (r & 1u))) ++r;
    return std::uint16_t(sign | r);
}

}  // namespace platform::gpu
