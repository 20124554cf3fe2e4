#include "platform/simd/simd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace platform::simd {
namespace {

void expectNear(const double4x4& a, const double4x4& b, double tolerance = 1e-12) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) EXPECT_NEAR(a.columns[c][r], b.columns[c][r], tolerance) << c << "," << r;
}

TEST(Simd, RecordsLayOutColumnsOneAfterTheOther) {
    struct Record {
        float4x4 transform;
        float4 look;
    };
    static_assert(sizeof(Record) == 80);
    float4x4 m = float4x4::identity();
    m.columns[3] = {10, 20, 30, 1};
    float raw[16];
    std::memcpy(raw, &m, sizeof raw);
    EXPECT_EQ(raw[12], 10.0f);  // the translation is the fourth column
    EXPECT_EQ(raw[15], 1.0f);
    EXPECT_EQ(raw[5], 1.0f);
    const double3 padded{1, 2, 3};
    EXPECT_EQ(padded.padding, 0.0);
}

TEST(Simd, VectorArithmetic) {
    const double3 a{1, 2, 3}, b{4, 5, 6};
    EXPECT_EQ(dot(a, b), 32.0);
    EXPECT_EQ(cross(double3{1, 0, 0}, double3{0, 1, 0}), (double3{0, 0, 1}));
    EXPECT_EQ(length(double2{3, 4}), 5.0);
    EXPECT_EQ(normalize(double2{0, 2}), (double2{0, 1}));
    EXPECT_EQ(mix(double2{0, 10}, double2{10, 20}, 0.25), (double2{2.5, 12.5}));
    EXPECT_EQ(clamp(double2{-1, 5}, 0.0, 2.0), (double2{0, 2}));
    EXPECT_EQ(a * 2.0 - b, (double3{-2, -1, 0}));
    EXPECT_EQ(float4(double4{0.1, 1, 2, 3}).x, 0.1f);  // rounded to nearest
    EXPECT_EQ(abs(float2{-1.5f, 2}), (float2{1.5f, 2}));
}

TEST(Simd, MatrixProductsFollowColumnVectors) {
    const double4x4 t = double4x4::translation({1, 2, 3});
    const double4x4 s = double4x4::diagonal({2, 2, 2, 1});
    EXPECT_EQ(t * double4(0, 0, 0, 1), double4(1, 2, 3, 1));
    EXPECT_EQ((t * s) * double4(1, 1, 1, 1), double4(3, 4, 5, 1));  // scale first, then move
    EXPECT_EQ((s * t) * double4(1, 1, 1, 1), double4(4, 6, 8, 1));
    EXPECT_EQ(double4x4::identity() * t, t);
    EXPECT_EQ(transpose(transpose(t)), t);
    const double2x2 reflect{{{0, 1}, {1, 0}}};
    EXPECT_EQ(reflect * double2(1, 2), double2(2, 1));
    EXPECT_EQ(reflect * reflect, double2x2::identity());
    EXPECT_EQ(determinant(reflect), -1.0);
    const double2x2 stretch{{{2, 0}, {0, 4}}};
    EXPECT_EQ(inverse(stretch) * double2(2, 4), double2(1, 1));
    EXPECT_EQ(float4x4(t).columns[3], (float4{1, 2, 3, 1}));
}

TEST(Simd, InverseAndDeterminantOfFourByFour) {
    const double4x4 m{{2, 0, 1, 0}, {1, 3, 0, 0}, {0, 1, 4, 0}, {5, 6, 7, 1}};
    EXPECT_NEAR(determinant(m), 25.0, 1e-12);
    expectNear(m * inverse(m), double4x4::identity());
    expectNear(inverse(m) * m, double4x4::identity());
}

TEST(Simd, QuaternionsBecomeRotationMatrices) {
    const double4x4 quarter = matrix4x4(quatd::angleAxis(M_PI / 2, {0, 0, 1}));
    const double4 x = quarter * double4{1, 0, 0, 1};
    EXPECT_NEAR(x.x, 0, 1e-15);
    EXPECT_NEAR(x.y, 1, 1e-15);  // right-handed about z: x turns into y
    EXPECT_EQ(x.w, 1.0);
    EXPECT_EQ(matrix4x4(quatd::angleAxis(0, {0, 1, 0})), double4x4::identity());
    const double3 axis = normalize(double3{1, 2, 2});
    const double4x4 r = matrix4x4(quatd::angleAxis(0.7, axis));
    expectNear(r * transpose(r), double4x4::identity());
    EXPECT_NEAR(determinant(r), 1.0, 1e-12);
    const double4 onAxis = r * double4{axis, 0};
    EXPECT_NEAR(onAxis.x, axis.x, 1e-15);
    EXPECT_NEAR(onAxis.z, axis.z, 1e-15);
}

}  // namespace
}  // namespace platform::simd
