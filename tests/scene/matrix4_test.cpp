#include <gtest/gtest.h>

#include <cmath>

#include "scene/matrix4.h"

namespace hox {
namespace scene {
namespace {

Mat4f fromRows(std::initializer_list<float> values) {
    Mat4f m = mat4Zero();
    int i = 0;
    for (float v : values) m.m[i++] = v;
    return m;
}

void expectMatrixNear(const Mat4f& expected, const Mat4f& actual, float tolerance) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(expected.m[i], actual.m[i], tolerance) << "element " << i;
}

TEST(Matrix4, TransformPointAppliesTranslationFromElements12To14) {
    Mat4f m = mat4Identity();
    m.m[12] = 5.0f;
    m.m[13] = -2.0f;
    m.m[14] = 1.0f;
    Vec3f p = transformPoint(Vec3f{1.0f, 2.0f, 3.0f}, m);
    EXPECT_FLOAT_EQ(6.0f, p.x);
    EXPECT_FLOAT_EQ(0.0f, p.y);
    EXPECT_FLOAT_EQ(4.0f, p.z);
    Vec3f v = transformVector(Vec3f{1.0f, 2.0f, 3.0f}, m);
    EXPECT_FLOAT_EQ(1.0f, v.x);
    EXPECT_FLOAT_EQ(2.0f, v.y);
    EXPECT_FLOAT_EQ(3.0f, v.z);
    // Row 0 holds the image of the x axis: this rotation maps x to y.
    Mat4f rot = fromRows({0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    Vec3f r = transformPoint(Vec3f{1.0f, 0.0f, 0.0f}, rot);
    EXPECT_FLOAT_EQ(0.0f, r.x);
    EXPECT_FLOAT_EQ(1.0f, r.y);
}

TEST(Matrix4, ProductAppliesLeftMatrixFirst) {
    Mat4f translate = mat4Identity();
    translate.m[12] = 1.0f;  // x + 1
    Mat4f scale = mat4Identity();
    scale.m[0] = 3.0f;       // x * 3
    Vec3f p{2.0f, 0.0f, 0.0f};
    EXPECT_FLOAT_EQ(9.0f, transformPoint(p, mat4Multiply(translate, scale)).x);  // (2 + 1) * 3
    EXPECT_FLOAT_EQ(7.0f, transformPoint(p, mat4Multiply(scale, translate)).x);  // 2 * 3 + 1
}

TEST(Matrix4, InverseOfGeneralMatrixGivesIdentityBothWays) {
    // Not affine: the fourth column is used too, so every cofactor matters.
    Mat4f m = fromRows({2, 1, 0, 0.5f, -1, 3, 2, 0, 0.5f, 0, 1, 1, 4, -2, 1, 2});
    ASSERT_GT(std::fabs(mat4Determinant(m)), 1e-3);
    Mat4f inv = mat4Inverse(m);
    expectMatrixNear(mat4Identity(), mat4Multiply(m, inv), 1e-5f);
    expectMatrixNear(mat4Identity(), mat4Multiply(inv, m), 1e-5f);
}

TEST(Matrix4, DeterminantOfKnownMatrix) {
    Mat4f m = fromRows({1, 2, 3, 4, 5, 6, 7, 8, 2, 6, 4, 8, 3, 1, 1, 2});
    EXPECT_NEAR(72.0, mat4Determinant(m), 1e-9);
    Mat4f diag = mat4Identity();
    diag.m[0] = 2.0f;
    diag.m[5] = 3.0f;
    diag.m[10] = 4.0f;
    EXPECT_NEAR(24.0, mat4Determinant(diag), 1e-12);
}

TEST(Matrix4, SingularMatrixInvertsToZeros) {
    Mat4f m = fromRows({1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 0, 0, 0, 1, 1});  // row 1 = 2 * row 0
    expectMatrixNear(mat4Zero(), mat4Inverse(m), 0.0f);
}

TEST(Matrix4, DeterminantBelowThresholdCountsAsSingular) {
    Mat4f tiny = mat4Identity();
    tiny.m[0] = tiny.m[5] = tiny.m[10] = 1e-5f;  // determinant 1e-15
    expectMatrixNear(mat4Zero(), mat4Inverse(tiny), 0.0f);
    Mat4f small = mat4Identity();
    small.m[0] = small.m[5] = small.m[10] = 1e-4f;  // determinant 1e-12
    EXPECT_NEAR(1e4f, mat4Inverse(small).m[0], 1.0f);
}

TEST(Matrix4, NonFiniteMatrixInvertsToZeros) {
    Mat4f m = mat4Identity();
    m.m[0] = NAN;
    expectMatrixNear(mat4Zero(), mat4Inverse(m), 0.0f);
}

}  // namespace
}  // namespace scene
}  // namespace hox
