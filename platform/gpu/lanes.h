#pragma once

// Four- and eight-lane vectors (GCC vector extensions) for the rasterizer's inner loops,
// which work on the four pixels of a quad or the eight of a span at once, and for the
// span forms of shaders (shader.h). Every operation is an ordinary IEEE or integer
// operation per lane, so the results are the same bits as the scalar code would give,
// whatever instructions the compiler picks.

#include "platform/simd/vector.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::gpu::lanes {

typedef float f32x4 __attribute__((vector_size(16)));
typedef std::int32_t i32x4 __attribute__((vector_size(16)));
typedef std::uint32_t u32x4 __attribute__((vector_size(16)));
typedef std::uint8_t u8x4 __attribute__((vector_size(4)));

inline f32x4 splat(float v) { return f32x4{v, v, v, v}; }
inline i32x4 splat(std::int32_t v) { return i32x4{v, v, v, v}; }

inline f32x4 load(const simd::float4& v) { return std::bit_cast<f32x4>(v); }

inline simd::float4 store(f32x4 v) { return std::bit_cast<simd::float4>(v); }

inline f32x4 toFloat(i32x4 v) { return __builtin_convertvector(v, f32x4); }

// floor, for values already inside the int range.
inline i32x4 floorToInt(f32x4 x) {
    const i32x4 i = __builtin_convertvector(x, i32x4);  // truncates toward zero
    return i + (toFloat(i) > x);                         // a true comparison is -1
}

// Keeps x inside ±limit; NaN becomes -limit.
inline f32x4 pinned(f32x4 x, float limit) {
    const f32x4 lo = splat(-limit), hi = splat(limit);
    x = x > lo ? x : lo;
    return x < hi ? x : hi;
}

inline i32x4 clampInt(i32x4 v, std::int32_t lo, std::int32_t hi) {
    const i32x4 l = splat(lo), h = splat(hi);
    v = v < l ? l : v;
    return v > h ? h : v;
}

inline f32x4 clamp01(f32x4 v) {
    const f32x4 zero = splat(0.0f), one = splat(1.0f);
    v = v > zero ? v : zero;  // NaN becomes 0
    return v < one ? v : one;
}

// Four lanes holding whole numbers 0 ... 255 as four bytes, lane 0 first, and back.
inline std::uint32_t packBytes(i32x4 v) {
#if defined(__SSE2__)
    __m128i q;
    std::memcpy(&q, &v, sizeof q);
    q = _mm_packs_epi32(q, q);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(q, q)));
#else
    const u8x4 bytes = __builtin_convertvector(v, u8x4);
    std::uint32_t out;
    std::memcpy(&out, &bytes, sizeof out);
    return out;
#endif
}

inline i32x4 unpackBytes(std::uint32_t d) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i q = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(d)), zero), zero);
    i32x4 v;
    std::memcpy(&v, &q, sizeof v);
    return v;
#else
    u8x4 bytes;
    std::memcpy(&bytes, &d, sizeof d);
    return __builtin_convertvector(bytes, i32x4);
#endif
}

// Whether every lane is 0.
inline bool allZero(i32x4 v) {
#if defined(__SSE2__)
    __m128i q;
    std::memcpy(&q, &v, sizeof q);
    return _mm_movemask_epi8(_mm_cmpeq_epi32(q, _mm_setzero_si128())) == 0xFFFF;
#else
    return (v[0] | v[1] | v[2] | v[3]) == 0;
#endif
}

// Eight lanes: a span of two quads side by side (texture.h). The same per-lane
// operations as the four-lane ones above.
typedef float f32x8 __attribute__((vector_size(32)));
typedef std::int32_t i32x8 __attribute__((vector_size(32)));
typedef std::uint32_t u32x8 __attribute__((vector_size(32)));
typedef std::uint16_t u16x16 __attribute__((vector_size(32)));

// Not written out lane by lane: in the AVX2 versions of hot paths GCC builds such a vector
// with a chain of lane insertions, these with one broadcast (or two instructions).
inline f32x8 splat8(float v) { return std::bit_cast<f32x8>(i32x8{} + std::bit_cast<std::int32_t>(v)); }
inline i32x8 splat8(std::int32_t v) {
    const i32x4 x{v};
    return __builtin_shufflevector(x, x, 0, 0, 0, 0, 0, 0, 0, 0);
}
// Lanes 0-3 from a, 4-7 from b: a value per quad of a span.
inline f32x8 perQuad(float a, float b) { return __builtin_shufflevector(f32x4{a}, f32x4{b}, 0, 0, 0, 0, 4, 4, 4, 4); }
inline i32x8 perQuad(std::int32_t a, std::int32_t b) {
    return __builtin_shufflevector(i32x4{a}, i32x4{b}, 0, 0, 0, 0, 4, 4, 4, 4);
}

inline f32x8 load8(const float* p) {
    f32x8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store8(float* p, f32x8 v) { std::memcpy(p, &v, sizeof v); }

inline f32x8 toFloat(i32x8 v) { return __builtin_convertvector(v, f32x8); }

inline i32x8 floorToInt(f32x8 x) {
    const i32x8 i = __builtin_convertvector(x, i32x8);
    return i + (toFloat(i) > x);
}

inline f32x8 pinned(f32x8 x, float limit) {
    const f32x8 lo = splat8(-limit), hi = splat8(limit);
    x = x > lo ? x : lo;
    return x < hi ? x : hi;
}

// Per-lane bounds.
inline i32x8 clampInt(i32x8 v, i32x8 lo, i32x8 hi) {
    v = v < lo ? lo : v;
    return v > hi ? hi : v;
}

inline f32x8 clamp01(f32x8 v) {
    const f32x8 zero = splat8(0.0f), one = splat8(1.0f);
    v = v > zero ? v : zero;
    return v < one ? v : one;
}

// The correctly rounded square root of each lane, as std::sqrt gives it.
inline f32x4 sqrt(f32x4 v) {
#if defined(__SSE2__)
    __m128 x;
    std::memcpy(&x, &v, sizeof x);
    x = _mm_sqrt_ps(x);
    std::memcpy(&v, &x, sizeof x);
    return v;
#else
    for (int i = 0; i < 4; ++i) v[i] = std::sqrt(v[i]);
    return v;
#endif
}

inline f32x8 sqrt(f32x8 v) {
#if defined(__SSE2__)
    __m128 lo, hi;
    std::memcpy(&lo, &v, sizeof lo);
    std::memcpy(&hi, reinterpret_cast<const char*>(&v) + sizeof lo, sizeof hi);
    lo = _mm_sqrt_ps(lo);
    hi = _mm_sqrt_ps(hi);
    std::memcpy(&v, &lo, sizeof lo);
    std::memcpy(reinterpret_cast<char*>(&v) + sizeof lo, &hi, sizeof hi);
    return v;
#else
    for (int i = 0; i < 8; ++i) v[i] = std::sqrt(v[i]);
    return v;
#endif
}

inline bool allZero(i32x8 v) {
    return allZero(i32x4{v[0], v[1], v[2], v[3]} | i32x4{v[4], v[5], v[6], v[7]});
}

// Bit i set where v[i] is not 0, for eight values.
inline unsigned nonZeroMask(const std::uint32_t* v) {
#if defined(__SSE2__)
    __m128i lo, hi;
    std::memcpy(&lo, v, sizeof lo);
    std::memcpy(&hi, v + 4, sizeof hi);
    const __m128i zero = _mm_setzero_si128();
    const int zeroLo = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(lo, zero)));
    const int zeroHi = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(hi, zero)));
    return ~unsigned(zeroLo | zeroHi << 4) & 0xFFu;
#else
    unsigned m = 0;
    for (int i = 0; i < 8; ++i) m |= unsigned(v[i] != 0) << i;
    return m;
#endif
}

inline std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }

}  // namespace platform::gpu::lanes
