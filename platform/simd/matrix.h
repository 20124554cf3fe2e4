#pragma once

// Column-major matrices of 2 × 2 and 4 × 4 elements and rotation quaternions.
//
// A matrix is its columns: m.columns[c][r] is row r of column c, and the 64 bytes of a
// float4x4 are its four columns one after the other, which is how GPU records carry it.
// Products follow the usual convention: (a * b) * v == a * (b * v), with v a column
// vector. Every product sums its terms in column order, left to right, without fused
// multiply-adds, so a model computes the same bits everywhere.

#include "platform/simd/vector.h"

namespace platform::simd {

template <class T>
struct Matrix2 {
    Vector2<T> columns[2];

    static constexpr Matrix2 identity() { return {{{T(1), T(0)}, {T(0), T(1)}}}; }
    // Diagonal entries a and b, zero elsewhere.
    static constexpr Matrix2 diagonal(T a, T b) { return {{{a, T(0)}, {T(0), b}}}; }

    friend constexpr bool operator==(const Matrix2& a, const Matrix2& b) {
        return a.columns[0] == b.columns[0] && a.columns[1] == b.columns[1];
    }
};

template <class T>
struct Matrix4 {
    Vector4<T> columns[4];

    static constexpr Matrix4 identity() {
        return {{T(1), T(0), T(0), T(0)},
                {T(0), T(1), T(0), T(0)},
                {T(0), T(0), T(1), T(0)},
                {T(0), T(0), T(0), T(1)}};
    }
    static constexpr Matrix4 diagonal(Vector4<T> d) {
        return {{d.x, T(0), T(0), T(0)},
                {T(0), d.y, T(0), T(0)},
                {T(0), T(0), d.z, T(0)},
                {T(0), T(0), T(0), d.w}};
    }
    // The affine translation by t (last column (t, 1)).
    static constexpr Matrix4 translation(Vector3<T> t) {
        Matrix4 m = identity();
        m.columns[3] = {t.x, t.y, t.z, T(1)};
        return m;
    }

    template <class U>
    constexpr explicit Matrix4(const Matrix4<U>& o)
        : columns{Vector4<T>(o.columns[0]), Vector4<T>(o.columns[1]), Vector4<T>(o.columns[2]),
                  Vector4<T>(o.columns[3])} {}
    constexpr Matrix4() = default;
    constexpr Matrix4(Vector4<T> c0, Vector4<T> c1, Vector4<T> c2, Vector4<T> c3)
        : columns{c0, c1, c2, c3} {}

    friend constexpr bool operator==(const Matrix4& a, const Matrix4& b) {
        for (int c = 0; c < 4; ++c)
            if (!(a.columns[c] == b.columns[c])) return false;
        return true;
    }
};

using double2x2 = Matrix2<double>;
using double4x4 = Matrix4<double>;
using float2x2 = Matrix2<float>;
using float4x4 = Matrix4<float>;

static_assert(sizeof(float4x4) == 64 && alignof(float4x4) == 16);
static_assert(sizeof(double4x4) == 128);
static_assert(sizeof(double2x2) == 32);

template <class T>
constexpr Vector2<T> operator*(const Matrix2<T>& m, const Vector2<T>& v) {
    return m.columns[0] * v.x + m.columns[1] * v.y;
}

template <class T>
constexpr Matrix2<T> operator*(const Matrix2<T>& a, const Matrix2<T>& b) {
    return {{a * b.columns[0], a * b.columns[1]}};
}

template <class T>
constexpr Vector4<T> operator*(const Matrix4<T>& m, const Vector4<T>& v) {
    return m.columns[0] * v.x + m.columns[1] * v.y + m.columns[2] * v.z + m.columns[3] * v.w;
}

template <class T>
constexpr Matrix4<T> operator*(const Matrix4<T>& a, const Matrix4<T>& b) {
    return {a * b.columns[0], a * b.columns[1], a * b.columns[2], a * b.columns[3]};
}

template <class T>
constexpr Matrix2<T> transpose(const Matrix2<T>& m) {
    return {{{m.columns[0].x, m.columns[1].x}, {m.columns[0].y, m.columns[1].y}}};
}

template <class T>
constexpr Matrix4<T> transpose(const Matrix4<T>& m) {
    Matrix4<T> r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) r.columns[c][row] = m.columns[row][c];
    return r;
}

template <class T>
constexpr T determinant(const Matrix2<T>& m) {
    return m.columns[0].x * m.columns[1].y - m.columns[1].x * m.columns[0].y;
}

// The inverse by cofactors. A singular matrix (determinant 0) gives non-finite entries;
// callers that may meet one check determinant first.
template <class T>
constexpr Matrix2<T> inverse(const Matrix2<T>& m) {
    const T d = determinant(m);
    return {{{m.columns[1].y / d, -m.columns[0].y / d}, {-m.columns[1].x / d, m.columns[0].x / d}}};
}

namespace detail {
// The 2 × 2 minors of rows 0-1 (s) and rows 2-3 (c) from which the determinant and the
// inverse of a 4 × 4 matrix are built (Laplace expansion by complementary minors).
template <class T>
struct Minors4 {
    T a[4][4];  // a[r][c]: row r, column c
    T s[6], c[6];
    explicit constexpr Minors4(const Matrix4<T>& m) : a{}, s{}, c{} {
        for (int col = 0; col < 4; ++col)
            for (int r = 0; r < 4; ++r) a[r][col] = m.columns[col][r];
        s[0] = a[0][0] * a[1][1] - a[1][0] * a[0][1];
        s[1] = a[0][0] * a[1][2] - a[1][0] * a[0][2];
        s[2] = a[0][0] * a[1][3] - a[1][0] * a[0][3];
        s[3] = a[0][1] * a[1][2] - a[1][1] * a[0][2];
        s[4] = a[0][1] * a[1][3] - a[1][1] * a[0][3];
        s[5] = a[0][2] * a[1][3] - a[1][2] * a[0][3];
        c[5] = a[2][2] * a[3][3] - a[3][2] * a[2][3];
        c[4] = a[2][1] * a[3][3] - a[3][1] * a[2][3];
        c[3] = a[2][1] * a[3][2] - a[3][1] * a[2][2];
        c[2] = a[2][0] * a[3][3] - a[3][0] * a[2][3];
        c[1] = a[2][0] * a[3][2] - a[3][0] * a[2][2];
        c[0] = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    }
    constexpr T determinant() const {
        return s[0] * c[5] - s[1] * c[4] + s[2] * c[3] + s[3] * c[2] - s[4] * c[1] + s[5] * c[0];
    }
};
}  // namespace detail

template <class T>
constexpr T determinant(const Matrix4<T>& m) {
    return detail::Minors4<T>(m).determinant();
}

// The inverse by cofactors; a singular matrix gives non-finite entries, as for 2 × 2.
template <class T>
constexpr Matrix4<T> inverse(const Matrix4<T>& m);

// A rotation quaternion: vector part (ix, iy, iz) and real part r, held as one vector of
// four (ix, iy, iz, r). Only unit quaternions describe rotations.
template <class T>
struct Quaternion {
    Vector4<T> vector;

    constexpr Quaternion() : vector(T(0), T(0), T(0), T(1)) {}
    constexpr Quaternion(T ix, T iy, T iz, T r) : vector(ix, iy, iz, r) {}
    constexpr Quaternion(Vector3<T> imag, T real) : vector(imag, real) {}

    // The rotation by angle (radians, right-handed) about axis, which must be a unit
    // vector: real part cos(angle / 2), vector part sin(angle / 2) × axis.
    static Quaternion angleAxis(T angle, Vector3<T> axis) {
        return Quaternion(axis * std::sin(angle / T(2)), std::cos(angle / T(2)));
    }
};

using quatd = Quaternion<double>;
using quatf = Quaternion<float>;

// The 4 × 4 rotation matrix of q (last row and column those of the identity). The
// diagonal is written as r² + ix² − iy² − iz² (and so on), which equals 1 − 2(iy² + iz²)
// for a unit quaternion but keeps a non-unit one's scale, as the usual simd libraries do.
template <class T>
constexpr Matrix4<T> matrix4x4(const Quaternion<T>& q) {
    const T x = q.vector.x, y = q.vector.y, z = q.vector.z, w = q.vector.w;
    return {{w * w + x * x - y * y - z * z, T(2) * (x * y + z * w), T(2) * (x * z - y * w), T(0)},
            {T(2) * (x * y - z * w), w * w - x * x + y * y - z * z, T(2) * (y * z + x * w), T(0)},
            {T(2) * (z * x + y * w), T(2) * (y * z - x * w), w * w - x * x - y * y + z * z, T(0)},
            {T(0), T(0), T(0), T(1)}};
}

template <class T>
constexpr Matrix4<T> inverse(const Matrix4<T>& m) {
    const detail::Minors4<T> n(m);
    const auto& a = n.a;
    const T s0 = n.s[0], s1 = n.s[1], s2 = n.s[2], s3 = n.s[3], s4 = n.s[4], s5 = n.s[5];
    const T c0 = n.c[0], c1 = n.c[1], c2 = n.c[2], c3 = n.c[3], c4 = n.c[4], c5 = n.c[5];
    const T k = T(1) / n.determinant();
    T b[4][4]{};
    b[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k;
    b[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k;
    b[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k;
    b[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k;
    b[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k;
    b[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k;
    b[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k;
    b[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k;
    b[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k;
    b[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k;
    b[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k;
    b[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k;
    b[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k;
    b[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k;
    b[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k;
    b[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k;
    Matrix4<T> r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) r.columns[c][row] = b[row][c];
    return r;
}

}  // namespace platform::simd
