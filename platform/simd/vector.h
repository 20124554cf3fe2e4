#pragma once

// Small fixed-size vectors of 2, 3 and 4 elements, as the effect models and the GPU
// records use them.
//
// Layout is part of the contract, because records made of these types are copied byte
// for byte into GPU buffers: a vector of 2 is aligned to its own size, a vector of 3
// occupies and is aligned like a vector of 4 (its fourth slot is padding, always 0), a
// vector of 4 is aligned to its size. So float4 is 16 bytes, float3 16, float2 8,
// double2 16, double3 and double4 32.
//
// Arithmetic is element-wise and evaluated left to right without fused multiply-adds,
// so that a model computes the same bits on every machine. Conversions between element
// types are explicit and round to nearest (double to float) as static_cast does.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace platform::simd {

template <class T>
struct alignas(2 * sizeof(T)) Vector2 {
    T x{}, y{};

    constexpr Vector2() = default;
    constexpr Vector2(T x_, T y_) : x(x_), y(y_) {}
    constexpr explicit Vector2(T s) : x(s), y(s) {}
    template <class U>
    constexpr explicit Vector2(const Vector2<U>& o) : x(static_cast<T>(o.x)), y(static_cast<T>(o.y)) {}

    static constexpr int count = 2;
    constexpr T& operator[](int i) { return i == 0 ? x : y; }
    constexpr const T& operator[](int i) const { return i == 0 ? x : y; }
    friend constexpr bool operator==(const Vector2&, const Vector2&) = default;
};

template <class T>
struct alignas(4 * sizeof(T)) Vector3 {
    T x{}, y{}, z{};
    T padding{};  // the unused fourth slot that gives the 16- or 32-byte footprint; always 0

    constexpr Vector3() = default;
    constexpr Vector3(T x_, T y_, T z_) : x(x_), y(y_), z(z_) {}
    constexpr explicit Vector3(T s) : x(s), y(s), z(s) {}
    template <class U>
    constexpr explicit Vector3(const Vector3<U>& o)
        : x(static_cast<T>(o.x)), y(static_cast<T>(o.y)), z(static_cast<T>(o.z)) {}

    static constexpr int count = 3;
    constexpr T& operator[](int i) { return i == 0 ? x : i == 1 ? y : z; }
    constexpr const T& operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
    friend constexpr bool operator==(const Vector3& a, const Vector3& b) {
        return a.x == b.x && a.y == b.y && a.z == b.z;
    }
};

template <class T>
struct alignas(4 * sizeof(T)) Vector4 {
    T x{}, y{}, z{}, w{};

    constexpr Vector4() = default;
    constexpr Vector4(T x_, T y_, T z_, T w_) : x(x_), y(y_), z(z_), w(w_) {}
    constexpr Vector4(Vector3<T> v, T w_) : x(v.x), y(v.y), z(v.z), w(w_) {}
    constexpr Vector4(Vector2<T> a, Vector2<T> b) : x(a.x), y(a.y), z(b.x), w(b.y) {}
    constexpr explicit Vector4(T s) : x(s), y(s), z(s), w(s) {}
    template <class U>
    constexpr explicit Vector4(const Vector4<U>& o)
        : x(static_cast<T>(o.x)), y(static_cast<T>(o.y)), z(static_cast<T>(o.z)),
          w(static_cast<T>(o.w)) {}

    static constexpr int count = 4;
    constexpr T& operator[](int i) { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
    constexpr const T& operator[](int i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
    constexpr Vector2<T> xy() const { return {x, y}; }
    constexpr Vector2<T> zw() const { return {z, w}; }
    constexpr Vector3<T> xyz() const { return {x, y, z}; }
    friend constexpr bool operator==(const Vector4&, const Vector4&) = default;
};

using float2 = Vector2<float>;
using float3 = Vector3<float>;
using float4 = Vector4<float>;
using double2 = Vector2<double>;
using double3 = Vector3<double>;
using double4 = Vector4<double>;
using int2 = Vector2<std::int32_t>;
using int3 = Vector3<std::int32_t>;
using int4 = Vector4<std::int32_t>;
using uint2 = Vector2<std::uint32_t>;
using uint3 = Vector3<std::uint32_t>;
using uint4 = Vector4<std::uint32_t>;
using long2 = Vector2<std::int64_t>;
using long3 = Vector3<std::int64_t>;
using long4 = Vector4<std::int64_t>;

static_assert(sizeof(float2) == 8 && alignof(float2) == 8);
static_assert(sizeof(float3) == 16 && alignof(float3) == 16);
static_assert(sizeof(float4) == 16 && alignof(float4) == 16);
static_assert(sizeof(double2) == 16 && alignof(double2) == 16);
static_assert(sizeof(double3) == 32 && alignof(double3) == 32);
static_assert(sizeof(double4) == 32 && alignof(double4) == 32);
static_assert(sizeof(uint2) == 8);

// Applies op element-wise; the building block of every operator below.
namespace detail {
template <template <class> class V, class T, class Op>
constexpr V<T> map(const V<T>& a, const V<T>& b, Op op) {
    V<T> r;
    for (int i = 0; i < V<T>::count; ++i) r[i] = op(a[i], b[i]);
    return r;
}
template <template <class> class V, class T, class Op>
constexpr V<T> map(const V<T>& a, Op op) {
    V<T> r;
    for (int i = 0; i < V<T>::count; ++i) r[i] = op(a[i]);
    return r;
}
}  // namespace detail

#define PLATFORM_SIMD_OPERATORS(V)                                                                      \
    template <class T> constexpr V<T> operator+(const V<T>& a, const V<T>& b) {                         \
        return detail::map(a, b, [](T p, T q) { return p + q; });                                       \
    }                                                                                                   \
    template <class T> constexpr V<T> operator-(const V<T>& a, const V<T>& b) {                         \
        return detail::map(a, b, [](T p, T q) { return p - q; });                                       \
    }                                                                                                   \
    template <class T> constexpr V<T> operator*(const V<T>& a, const V<T>& b) {                         \
        return detail::map(a, b, [](T p, T q) { return p * q; });                                       \
    }                                                                                                   \
    template <class T> constexpr V<T> operator/(const V<T>& a, const V<T>& b) {                         \
        return detail::map(a, b, [](T p, T q) { return p / q; });                                       \
    }                                                                                                   \
    template <class T> constexpr V<T> operator*(const V<T>& a, std::type_identity_t<T> s) {             \
        return detail::map(a, [s](T p) { return p * s; });                                              \
    }                                                                                                   \
    template <class T> constexpr V<T> operator*(std::type_identity_t<T> s, const V<T>& a) {             \
        return detail::map(a, [s](T p) { return s * p; });                                              \
    }                                                                                                   \
    template <class T> constexpr V<T> operator/(const V<T>& a, std::type_identity_t<T> s) {             \
        return detail::map(a, [s](T p) { return p / s; });                                              \
    }                                                                                                   \
    template <class T> constexpr V<T> operator-(const V<T>& a) {                                        \
        return detail::map(a, [](T p) { return -p; });                                                  \
    }                                                                                                   \
    template <class T> constexpr V<T>& operator+=(V<T>& a, const V<T>& b) { return a = a + b; }         \
    template <class T> constexpr V<T>& operator-=(V<T>& a, const V<T>& b) { return a = a - b; }         \
    template <class T> constexpr V<T>& operator*=(V<T>& a, const V<T>& b) { return a = a * b; }         \
    template <class T> constexpr V<T>& operator*=(V<T>& a, std::type_identity_t<T> s) { return a = a * s; } \
    template <class T> constexpr V<T>& operator/=(V<T>& a, std::type_identity_t<T> s) { return a = a / s; } \
    template <class T> constexpr T dot(const V<T>& a, const V<T>& b) {                                  \
        T r = a[0] * b[0];                                                                              \
        for (int i = 1; i < V<T>::count; ++i) r = r + a[i] * b[i];                                      \
        return r;                                                                                       \
    }                                                                                                   \
    template <class T> constexpr V<T> min(const V<T>& a, const V<T>& b) {                               \
        return detail::map(a, b, [](T p, T q) { return q < p ? q : p; });                               \
    }                                                                                                   \
    template <class T> constexpr V<T> max(const V<T>& a, const V<T>& b) {                               \
        return detail::map(a, b, [](T p, T q) { return p < q ? q : p; });                               \
    }                                                                                                   \
    template <class T> constexpr V<T> clamp(const V<T>& v, const V<T>& lo, const V<T>& hi) {            \
        return min(max(v, lo), hi);                                                                     \
    }                                                                                                   \
    template <class T> constexpr V<T> clamp(const V<T>& v, std::type_identity_t<T> lo, std::type_identity_t<T> hi) { \
        return min(max(v, V<T>(lo)), V<T>(hi));                                                         \
    }                                                                                                   \
    template <class T> constexpr V<T> mix(const V<T>& a, const V<T>& b, std::type_identity_t<T> t) {    \
        return a + (b - a) * t;                                                                         \
    }                                                                                                   \
    template <class T> inline V<T> abs(const V<T>& a) {                                                 \
        return detail::map(a, [](T p) { return p < T(0) ? -p : p; });                                   \
    }                                                                                                   \
    template <class T> inline T length_squared(const V<T>& a) { return dot(a, a); }                     \
    template <class T> inline T length(const V<T>& a) { return std::sqrt(dot(a, a)); }                  \
    template <class T> inline T distance(const V<T>& a, const V<T>& b) { return length(a - b); }        \
    template <class T> inline V<T> normalize(const V<T>& a) { return a / length(a); }

PLATFORM_SIMD_OPERATORS(Vector2)
PLATFORM_SIMD_OPERATORS(Vector3)
PLATFORM_SIMD_OPERATORS(Vector4)
#undef PLATFORM_SIMD_OPERATORS

template <class T>
constexpr Vector3<T> cross(const Vector3<T>& a, const Vector3<T>& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace platform::simd
