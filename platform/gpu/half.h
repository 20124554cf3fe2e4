#pragma once

// IEEE 754 half-precision conversions for RG16Float textures, done in integer arithmetic
// so that every machine produces the same bits. Float to half rounds to nearest, ties to
// even; overflow gives infinity, NaN stays NaN.

#include "platform/gpu/lanes.h"

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

// The same conversions for four or eight lanes at once (lanes.h vectors, a half in the low
// 16 bits of each lane), without branches, the same bits as the scalar ones lane by lane.
namespace halves {

// U and F: the unsigned and float lane vectors of one width.
template <class U, class F>
F toFloat(U h) {
    using I = decltype(h < h);  // the signed lanes
    const U sign = (h & 0x8000u) << 16, exponent = (h >> 10) & 0x1fu, mantissa = h & 0x3ffu;
    const U normal = ((exponent + 112u) << 23) | (mantissa << 13);
    const U special = 0x7f800000u | (mantissa << 13);  // infinity or NaN
    // A subnormal half, or zero, is its mantissa × 2^-24: a float exactly.
    const U small = std::bit_cast<U>(__builtin_convertvector(std::bit_cast<I>(mantissa), F) * 0x1p-24f);
    const U bits = exponent == 0u ? small : (exponent == 0x1fu ? special : normal);
    return std::bit_cast<F>(bits | sign);
}

template <class U, class F>
U fromFloat(F f) {
    const U x = std::bit_cast<U>(f);
    const U sign = (x >> 16) & 0x8000u, abs = x & 0x7fffffffu;
    // Normal: the 13 bits dropped round to nearest, ties to even.
    const U truncated = (abs >> 13) - (112u << 10), rest = abs & 0x1fffu;
    const U up = (rest > 0x1000u) | ((rest == 0x1000u) & ((truncated & 1u) != 0u));  // -1 where true
    const U normal = truncated - std::bit_cast<U>(up);
    // Below the smallest normal half: abs × 2^24 (exact) rounded to a whole number, to
    // even, by the addition of 2^23; below 2^-25 that gives 0.
    const U subnormal = std::bit_cast<U>(std::bit_cast<F>(abs) * 0x1p24f + 0x1p23f) - 0x4b000000u;  // 2^23
    const U zero = abs & 0u;
    U r = abs < 0x38800000u ? subnormal : normal;
    r = abs >= 0x477ff000u ? zero + 0x7c00u : r;  // rounds to beyond the largest half
    r = abs >= 0x7f800000u ? (abs > 0x7f800000u ? zero + 0x7e00u : zero + 0x7c00u) : r;
    return r | sign;
}

}  // namespace halves

}  // namespace platform::gpu
