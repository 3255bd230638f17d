// 4 x 4 matrices, editing a geometry and preparing it for rendering.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <vector>

#include "scene/geometry_edit.h"
#include "scene/geometry_preparation.h"
#include "scene/geometry_record.h"
#include "scene/matrix4.h"
#include "scene_test_support.h"

namespace hox {
namespace scene {
namespace {

using namespace testing;

const Vec3f kUp{0.0f, 1.0f, 0.0f};
const Vec3f kZ{0.0f, 0.0f, 1.0f};

Mat4f fromRows(std::initializer_list<float> values) {
    Mat4f m = mat4Zero();
    int i = 0;
    for (float v : values) m.m[i++] = v;
    return m;
}

void expectMatrixNear(const Mat4f& expected, const Mat4f& actual, float tolerance) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(expected.m[i], actual.m[i], tolerance) << "element " << i;
}

TEST(Matrix4, RowVectorsProductsDeterminantsAndInverses) {
    // Rows 0-2 are the images of the axes, elements 12-14 the translation.
    const Mat4f m = fromRows({0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, -2, 1, 1});
    expectVec3Near({3, -1, 4}, transformPoint(Vec3f{1, 2, 3}, m));
    expectVec3Near({-2, 1, 3}, transformVector(Vec3f{1, 2, 3}, m));
    Mat4f translate = mat4Identity(), scale = mat4Identity();
    translate.m[12] = 1.0f;  // x + 1
    scale.m[0] = 3.0f;       // x * 3
    EXPECT_FLOAT_EQ(9.0f, transformPoint(Vec3f{2, 0, 0}, mat4Multiply(translate, scale)).x);  // (2 + 1) * 3
    EXPECT_FLOAT_EQ(7.0f, transformPoint(Vec3f{2, 0, 0}, mat4Multiply(scale, translate)).x);  // 2 * 3 + 1

    EXPECT_NEAR(72.0, mat4Determinant(fromRows({1, 2, 3, 4, 5, 6, 7, 8, 2, 6, 4, 8, 3, 1, 1, 2})), 1e-9);
    // Not affine: the fourth column is used too, so every cofactor matters.
    const Mat4f general = fromRows({2, 1, 0, 0.5f, -1, 3, 2, 0, 0.5f, 0, 1, 1, 4, -2, 1, 2});
    expectMatrixNear(mat4Identity(), mat4Multiply(general, mat4Inverse(general)), 1e-5f);
    Mat4f small = mat4Identity(), tiny = mat4Identity(), nan = mat4Identity();
    small.m[0] = small.m[5] = small.m[10] = 1e-4f;  // determinant 1e-12: still invertible
    EXPECT_NEAR(1e4f, mat4Inverse(small).m[0], 1.0f);
    // Singular, tiny (determinant 1e-15) or not finite: all zeros.
    tiny.m[0] = tiny.m[5] = tiny.m[10] = 1e-5f;
    nan.m[0] = NAN;
    for (const Mat4f& bad : {fromRows({1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 0, 0, 0, 1, 1}), tiny, nan})
        expectMatrixNear(mat4Zero(), mat4Inverse(bad), 0.0f);
}

TEST(GeometryEdit, InitSizesTheArraysOrRefusesAndChangesNothing) {
    GeometryRecord g(0);
    const int indices[3] = {0, 1, 2};
    EXPECT_EQ(-1, setGeometryIndices(g, indices));  // before init
    // Beyond one array: 3 * INT_MAX indices would overflow the index count itself.
    EXPECT_EQ(-1, initGeometry(g, kGeometryTypeTriangles, INT_MAX, 3));
    EXPECT_EQ(-1, initGeometry(g, kGeometryTypeTriangles, 1, kMaxGeometryElements + 1));
    EXPECT_EQ(std::make_tuple(g.indices.capacity(), g.coords.capacity()), std::make_tuple(0, 0));

    ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, 1, 3));
    EXPECT_EQ(std::make_tuple(g.primitiveCount, g.vertexCount, g.indices.count(), g.coords.count(),
                              g.normalisedCoords.count(), g.normals.count(), g.faceNormals.count(), g.state),
              std::make_tuple(1, 3, 3, 3, 3, 3, 1, 0u));
    EXPECT_EQ(-1, setGeometryIndices(g, nullptr));
    EXPECT_EQ(-1, setGeometryCoords(g, nullptr));
    EXPECT_EQ(-1, setGeometryNormals(g, nullptr));
    EXPECT_EQ(0u, g.state);
    buildUnitTriangle(g);
    const uint32_t state = g.state;
    for (const auto& bad : std::vector<std::array<int, 3>>{{0, 0, 3}, {0, 1, 2}, {1, 1, 3}, {0, -5, 3}})
        EXPECT_EQ(-1, initGeometry(g, bad[0], bad[1], bad[2]));
    EXPECT_EQ(std::make_tuple(g.primitiveCount, g.vertexCount, g.indices.count(), g.state),
              std::make_tuple(1, 3, 3, state));

    // A successful init clears the state but keeps the attributes.
    const float weights[3] = {1.0f, 2.0f, 3.0f};
    ASSERT_EQ(0, setVertexAttribute(g, "weight", weights, 1));
    ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, 2, 4));
    EXPECT_EQ(0u, g.state);
    const VertexAttribute* w = g.findAttribute("weight");
    ASSERT_NE(nullptr, w);
    ASSERT_EQ(3, w->values.count());  // still sized for the old vertex count
    EXPECT_EQ(3.0f, w->values[2]);
}

TEST(GeometryAttributes, NamesAreExactKeepFirstUseOrderAndTakeTheNewComponentCount) {
    GeometryRecord g(0);
    const float uv[6] = {0, 0, 1, 0, 0, 1};
    ASSERT_EQ(0, setVertexAttribute(g, "w", uv, 1));  // before init: an empty entry
    EXPECT_EQ(std::make_tuple(g.attributeCount(), g.attribute(0)->values.count()), std::make_tuple(1, 0));
    buildUnitTriangle(g);
    const float uvw[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_EQ(0, setVertexAttribute(g, "uv", uv, 2));
    ASSERT_EQ(0, setVertexAttribute(g, "UV", uv, 2));
    ASSERT_EQ(0, setVertexAttribute(g, "uv", uvw, 3));
    ASSERT_EQ(3, g.attributeCount());
    EXPECT_STREQ("uv", g.attribute(1)->name.c_str());
    EXPECT_STREQ("UV", g.attribute(2)->name.c_str());
    EXPECT_EQ(nullptr, g.findAttribute("u"));
    EXPECT_EQ(nullptr, g.findAttribute(nullptr));
    const VertexAttribute* a = g.findAttribute("uv");
    EXPECT_EQ(3, a->componentCount);
    EXPECT_EQ(std::vector<float>(a->values.begin(), a->values.end()), std::vector<float>(uvw, uvw + 9));
    EXPECT_EQ(-1, setVertexAttribute(g, nullptr, uv, 1));
    EXPECT_EQ(-1, setVertexAttribute(g, "w", nullptr, 1));
    EXPECT_EQ(-1, setVertexAttribute(g, "w", uv, 17));
    EXPECT_EQ(-1, setVertexAttributeMatrix(g, "m5", uv, 5, true));
    EXPECT_EQ(3, g.attributeCount());
}

TEST(GeometryAttributes, MatricesAreStoredPlainOrTransposedPerVertex) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    for (int n = 2; n <= 4; ++n) {
        std::vector<float> given(3 * n * n);
        for (size_t i = 0; i < given.size(); ++i) given[i] = static_cast<float>(i);
        ASSERT_EQ(0, setVertexAttributeMatrix(g, "transposed", given.data(), n, true));
        ASSERT_EQ(0, setVertexAttributeMatrix(g, "plain", given.data(), n, false));
        const VertexAttribute* t = g.findAttribute("transposed");
        const VertexAttribute* p = g.findAttribute("plain");
        ASSERT_EQ(std::make_tuple(t->componentCount, p->componentCount), std::make_tuple(n * n, n * n));
        for (int v = 0; v < 3; ++v)
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < n; ++c) {
                    const int stored = v * n * n + r * n + c;
                    ASSERT_EQ(given[v * n * n + c * n + r], t->values[stored]) << n << " " << stored;
                    ASSERT_EQ(given[stored], p->values[stored]) << n << " " << stored;
                }
    }
}

TEST(GeometryPreparation, FaceNormalsAndAreaWeightedVertexNormalsNeverNaN) {
    const float len = static_cast<float>(std::sqrt(2.0 * 2.0 + 0.5 * 0.5));
    const Vec3f p{4, 5, 6};
    const struct {
        const char* what;
        std::vector<int> indices;
        std::vector<Vec3f> coords, faceNormals, normals;
    } cases[] = {
        {"triangle 1 repeats a vertex and alone uses vertex 3", {0, 1, 2, 1, 1, 3},
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}}, {kZ, kUp}, {kZ, kZ, kZ, kUp}},
        {"unused vertex", {0, 1, 2}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {9, 9, 9}}, {kZ}, {kZ, kZ, kZ, kUp}},
        {"parallel edges", {0, 1, 2}, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {kUp}, {kUp, kUp, kUp}},
        {"point", {0, 1, 2}, {p, p, p}, {kUp}, {kUp, kUp, kUp}},
        {"not finite", {0, 1, 2, 0, 2, 3}, {{0, 0, 0}, {NAN, 0, 0}, {0, 1, 0}, {INFINITY, 1, 1}}, {kUp, kUp},
         {kUp, kUp, kUp, kUp}},
        // Vertex 0: a triangle of area 2 facing +z and one of area 0.5 facing +x.
        {"area weighted", {0, 1, 2, 0, 3, 4}, {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 1, 0}, {0, 0, 1}},
         {kZ, {1, 0, 0}}, {{0.5f / len, 0, 2.0f / len}, kZ, kZ, {1, 0, 0}, {1, 0, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GeometryRecord g(0);
        buildMesh(g, c.indices, c.coords);
        ASSERT_TRUE(prepareGeometry(g));
        EXPECT_EQ(static_cast<uint32_t>(GEOMETRY_READY), g.state);
        for (size_t t = 0; t < c.faceNormals.size(); ++t) expectVec3Near(c.faceNormals[t], g.faceNormals[t]);
        for (size_t v = 0; v < c.normals.size(); ++v) expectVec3Near(c.normals[v], g.normals[v]);
    }
}

TEST(GeometryPreparation, BoundsCoverEveryVertexAndOnlyInitMakesThemRederive) {
    GeometryRecord g(0);
    buildMesh(g, {0, 1, 2}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {9, 9, -2}});
    const Vec3f given[4] = {{0, 0, 2}, {3, 0, 0}, {0, 0, 0}, {1, 1, 1}};
    ASSERT_EQ(0, setGeometryNormals(g, given));
    ASSERT_TRUE(prepareGeometry(g));
    expectVec3Near({0, 0, -2}, g.boundsMin, 0.0f);
    expectVec3Near({9, 9, 0}, g.boundsMax, 0.0f);
    for (int v = 0; v < 4; ++v) expectVec3Near(given[v], g.normals[v], 0.0f);  // given normals stay

    GeometryRecord h(0);
    buildUnitTriangle(h);
    ASSERT_TRUE(prepareGeometry(h));
    const Vec3f moved[3] = {{0, 0, 0}, {0, 0, 1}, {0, 1, 0}};  // now facing -x
    ASSERT_EQ(0, setGeometryCoords(h, moved));
    ASSERT_TRUE(prepareGeometry(h));
    expectVec3Near(kZ, h.faceNormals[0]);
    ASSERT_EQ(0, initGeometry(h, kGeometryTypeTriangles, 1, 3));
    const int indices[3] = {0, 1, 2};
    ASSERT_EQ(0, setGeometryIndices(h, indices));
    EXPECT_FALSE(prepareGeometry(h)) << "no coordinates yet";
    ASSERT_EQ(0, setGeometryCoords(h, moved));
    ASSERT_TRUE(prepareGeometry(h));
    expectVec3Near({-1, 0, 0}, h.faceNormals[0]);
    expectVec3Near({0, 1, 1}, h.boundsMax, 0.0f);

    // Arrays of the wrong size are never ready.
    GeometryRecord noFaceNormals(3), shortCoords(4);
    buildUnitTriangle(noFaceNormals);
    noFaceNormals.faceNormals.release();
    buildUnitTriangle(shortCoords);
    shortCoords.coords.resize(2);
    EXPECT_FALSE(prepareGeometry(noFaceNormals));
    EXPECT_FALSE(prepareGeometry(shortCoords));
}

TEST(GeometryPreparation, NormalisingMatrixMapsTheLongestSideToMinusOneToOne) {
    GeometryRecord g(0), point(1), large(2);
    buildMesh(g, {0, 1, 2}, {{-1, 0, 2}, {3, 1, 2}, {0, 0.5f, 3}});
    ASSERT_TRUE(prepareGeometry(g));
    // Bounds (-1, 0, 2) to (3, 1, 3): centre (1, 0.5, 2.5), longest side 4.
    expectVec3Near({-1.0f, -0.25f, -0.25f}, transformPoint(g.boundsMin, g.normalising));
    expectVec3Near({1.0f, 0.25f, 0.25f}, transformPoint(g.boundsMax, g.normalising));
    for (int v = 0; v < 3; ++v) {
        expectVec3Near(transformPoint(g.coords[v], g.normalising), g.normalisedCoords[v]);
        expectVec3Near(g.coords[v], transformPoint(g.normalisedCoords[v], g.normalisingInverse));
    }
    // A point keeps scale one; a large mesh, whose scale has a determinant
    // far below any singularity threshold, keeps an exact inverse.
    buildMesh(point, {0, 1, 2}, {{4, 5, 6}, {4, 5, 6}, {4, 5, 6}});
    buildMesh(large, {0, 1, 2}, {{0, 0, 0}, {1e6f, 0, 0}, {0, 1e6f, 0}});
    ASSERT_TRUE(prepareGeometry(point));
    ASSERT_TRUE(prepareGeometry(large));
    EXPECT_EQ(1.0f, point.normalising.m[0]);
    expectVec3Near({0, 0, 0}, point.normalisedCoords[0], 0.0f);
    expectVec3Near({4, 5, 6}, transformPoint(point.normalisedCoords[0], point.normalisingInverse), 0.0f);
    expectVec3Near({1, -1, 0}, large.normalisedCoords[1], 1e-6f);
    expectVec3Near({1e6f, 0, 0}, transformPoint(large.normalisedCoords[1], large.normalisingInverse), 0.1f);
}

TEST(GeometryPreparation, BadIndexIsReportedOnceAndANewIndexArrayIsCheckedAgain) {
    MessageCatcher catcher;
    GeometryRecord g(7), negative(2);
    buildMesh(g, {0, 1, 2, 0, 2, 3}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    buildMesh(negative, {0, -1, 2}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    EXPECT_FALSE(prepareGeometry(g));
    EXPECT_FALSE(prepareGeometry(g));
    EXPECT_EQ(0u, g.state & GEOMETRY_FACE_NORMALS);
    EXPECT_FALSE(prepareGeometry(negative));
    ASSERT_EQ(2u, catcher.warnings.size());
    using ::testing::StartsWith;
    EXPECT_THAT(catcher.warnings[0], StartsWith("Geometry 7 : index 3 out of range [0, 3) at triangle 1"));
    EXPECT_THAT(catcher.warnings[1], StartsWith("Geometry 2 : index -1 out of range [0, 3) at triangle 0"));

    GeometryRecord ready(0);
    buildUnitTriangle(ready);
    ASSERT_TRUE(prepareGeometry(ready));
    const int bad[3] = {0, 1, 1000000}, good[3] = {2, 1, 0};
    ASSERT_EQ(0, setGeometryIndices(ready, bad));
    ASSERT_EQ(static_cast<uint32_t>(GEOMETRY_READY), ready.state);  // setters keep the bits
    EXPECT_FALSE(prepareGeometry(ready));
    ASSERT_EQ(0, setGeometryIndices(ready, good));
    EXPECT_TRUE(prepareGeometry(ready));
    EXPECT_EQ(3u, catcher.warnings.size());
}

}  // namespace
}  // namespace scene
}  // namespace hox
