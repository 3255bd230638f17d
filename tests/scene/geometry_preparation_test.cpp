#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry_test_support.h"
#include "scene/geometry_edit.h"
#include "scene/geometry_preparation.h"
#include "scene/matrix4.h"

namespace hox {
namespace scene {
namespace {

using testing::buildMesh;
using testing::buildUnitTriangle;
using testing::expectVec3Near;
using testing::WarningCatcher;

const Vec3f kUp{0.0f, 1.0f, 0.0f};

bool finite(const Vec3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

TEST(GeometryPreparation, SingleTriangleGetsNormalsAndBounds) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    ASSERT_TRUE(prepareGeometry(g));
    EXPECT_EQ(static_cast<uint32_t>(GEOMETRY_READY), g.state);
    expectVec3Near({0, 0, 1}, g.faceNormals[0]);
    for (int v = 0; v < 3; ++v) expectVec3Near({0, 0, 1}, g.normals[v]);
    expectVec3Near({0, 0, 0}, g.boundsMin, 0.0f);
    expectVec3Near({1, 1, 0}, g.boundsMax, 0.0f);
}

TEST(GeometryPreparation, NotReadyWithoutIndicesOrCoordinates) {
    GeometryRecord fresh(0);
    EXPECT_FALSE(prepareGeometry(fresh));

    GeometryRecord noIndices(1);
    ASSERT_EQ(0, initGeometry(noIndices, kGeometryTypeTriangles, 1, 3));
    const Vec3f coords[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    ASSERT_EQ(0, setGeometryCoords(noIndices, coords));
    EXPECT_FALSE(prepareGeometry(noIndices));
    EXPECT_EQ(0u, noIndices.state & GEOMETRY_BOUNDS);  // nothing derived

    GeometryRecord noCoords(2);
    ASSERT_EQ(0, initGeometry(noCoords, kGeometryTypeTriangles, 1, 3));
    const int indices[3] = {0, 1, 2};
    ASSERT_EQ(0, setGeometryIndices(noCoords, indices));
    EXPECT_FALSE(prepareGeometry(noCoords));
}

TEST(GeometryPreparation, DegenerateTriangleGetsUpNormalAndContributesNothing) {
    GeometryRecord g(0);
    // Triangle 0 lies in the xy plane; triangle 1 repeats vertex 1, and
    // vertex 3 is used by it alone.
    buildMesh(g, {0, 1, 2, 1, 1, 3},
              {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}});
    ASSERT_TRUE(prepareGeometry(g));
    expectVec3Near(kUp, g.faceNormals[1]);
    expectVec3Near({0, 0, 1}, g.normals[1]);  // only triangle 0 counts
    expectVec3Near(kUp, g.normals[3]);
}

TEST(GeometryPreparation, UnusedVertexGetsUpNormal) {
    GeometryRecord g(0);
    buildMesh(g, {0, 1, 2}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {9, 9, 9}});
    ASSERT_TRUE(prepareGeometry(g));
    expectVec3Near(kUp, g.normals[3]);
    // It still counts for the bounds.
    expectVec3Near({9, 9, 9}, g.boundsMax, 0.0f);
}

TEST(GeometryPreparation, ParallelEdgesGiveUpNormalAndNoNaN) {
    GeometryRecord g(0);
    buildMesh(g, {0, 1, 2}, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    ASSERT_TRUE(prepareGeometry(g));
    expectVec3Near(kUp, g.faceNormals[0]);
    for (int v = 0; v < 3; ++v) {
        EXPECT_TRUE(finite(g.normals[v]));
        expectVec3Near(kUp, g.normals[v]);
    }
}

TEST(GeometryPreparation, VertexNormalsAreAreaWeighted) {
    GeometryRecord g(0);
    // Vertex 0 is shared by a large triangle facing +z (area 2) and a small
    // one facing +x (area 0.5).
    buildMesh(g, {0, 1, 2, 0, 3, 4},
              {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 1, 0}, {0, 0, 1}});
    ASSERT_TRUE(prepareGeometry(g));
    expectVec3Near({0, 0, 1}, g.faceNormals[0]);
    expectVec3Near({1, 0, 0}, g.faceNormals[1]);
    const double len = std::sqrt(2.0 * 2.0 + 0.5 * 0.5);
    expectVec3Near({static_cast<float>(0.5 / len), 0, static_cast<float>(2.0 / len)}, g.normals[0]);
    expectVec3Near({0, 0, 1}, g.normals[1]);
    expectVec3Near({1, 0, 0}, g.normals[3]);
}

TEST(GeometryPreparation, GivenNormalsAreKeptAsTheyAre) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    const Vec3f given[3] = {{0, 0, 2}, {3, 0, 0}, {0, 0, 0}};
    ASSERT_EQ(0, setGeometryNormals(g, given));
    ASSERT_TRUE(prepareGeometry(g));
    for (int v = 0; v < 3; ++v) expectVec3Near(given[v], g.normals[v], 0.0f);
}

TEST(GeometryPreparation, NewCoordinatesAloneDoNotRederive) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    ASSERT_TRUE(prepareGeometry(g));
    const Vec3f moved[3] = {{0, 0, 0}, {0, 0, 1}, {0, 1, 0}};  // now facing -x
    ASSERT_EQ(0, setGeometryCoords(g, moved));
    ASSERT_TRUE(prepareGeometry(g));
    expectVec3Near({0, 0, 1}, g.faceNormals[0]);
    expectVec3Near({1, 1, 0}, g.boundsMax, 0.0f);

    // init clears the state, so everything is derived again.
    ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, 1, 3));
    const int indices[3] = {0, 1, 2};
    ASSERT_EQ(0, setGeometryIndices(g, indices));
    ASSERT_EQ(0, setGeometryCoords(g, moved));
    ASSERT_TRUE(prepareGeometry(g));
    expectVec3Near({-1, 0, 0}, g.faceNormals[0]);
    expectVec3Near({0, 1, 1}, g.boundsMax, 0.0f);
}

TEST(GeometryPreparation, NormalisingMatrixMapsLongestSideToMinusOneToOne) {
    GeometryRecord g(0);
    buildMesh(g, {0, 1, 2}, {{-1, 0, 2}, {3, 1, 2}, {0, 0.5f, 3}});
    ASSERT_TRUE(prepareGeometry(g));
    // Bounds (-1, 0, 2) to (3, 1, 3): centre (1, 0.5, 2.5), longest side 4.
    expectVec3Near({-1.0f, -0.25f, -0.25f}, transformPoint(g.boundsMin, g.normalising));
    expectVec3Near({1.0f, 0.25f, 0.25f}, transformPoint(g.boundsMax, g.normalising));
    for (int v = 0; v < 3; ++v) {
        expectVec3Near(transformPoint(g.coords[v], g.normalising), g.normalisedCoords[v]);
        expectVec3Near(g.coords[v], transformPoint(g.normalisedCoords[v], g.normalisingInverse), 1e-6f);
    }
    const Mat4f product = mat4Multiply(g.normalising, g.normalisingInverse);
    const Mat4f identity = mat4Identity();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(identity.m[i], product.m[i], 1e-6f);
}

TEST(GeometryPreparation, PointLikeBoundsKeepScaleOne) {
    GeometryRecord g(0);
    buildMesh(g, {0, 1, 2}, {{4, 5, 6}, {4, 5, 6}, {4, 5, 6}});
    ASSERT_TRUE(prepareGeometry(g));
    EXPECT_EQ(1.0f, g.normalising.m[0]);
    for (float f : g.normalising.m) EXPECT_TRUE(std::isfinite(f));
    expectVec3Near({0, 0, 0}, g.normalisedCoords[0], 0.0f);
    expectVec3Near({4, 5, 6}, transformPoint(g.normalisedCoords[0], g.normalisingInverse), 0.0f);
    expectVec3Near(kUp, g.faceNormals[0]);
    expectVec3Near(kUp, g.normals[0]);
}

TEST(GeometryPreparation, LargeMeshKeepsAnInvertibleNormalisingMatrix) {
    // A scale of 2e-6 has a determinant far below any singularity threshold,
    // yet the transform is perfectly invertible.
    GeometryRecord g(0);
    buildMesh(g, {0, 1, 2}, {{0, 0, 0}, {1e6f, 0, 0}, {0, 1e6f, 0}});
    ASSERT_TRUE(prepareGeometry(g));
    expectVec3Near({1e6f, 0, 0}, transformPoint(g.normalisedCoords[1], g.normalisingInverse), 0.1f);
    expectVec3Near({1, -1, 0}, g.normalisedCoords[1], 1e-6f);
}

TEST(GeometryPreparation, OutOfRangeIndexIsReportedOnceAndNeverReady) {
    WarningCatcher catcher;
    GeometryRecord g(7);
    buildMesh(g, {0, 1, 2, 0, 2, 3}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    EXPECT_FALSE(prepareGeometry(g));
    EXPECT_FALSE(prepareGeometry(g));
    ASSERT_EQ(1u, catcher.warnings.size());
    EXPECT_NE(std::string::npos,
              catcher.warnings[0].find("Geometry 7 : index 3 out of range [0, 3) at triangle 1"));
    EXPECT_EQ(0u, g.state & GEOMETRY_FACE_NORMALS);
}

TEST(GeometryPreparation, NegativeIndexIsReported) {
    WarningCatcher catcher;
    GeometryRecord g(2);
    buildMesh(g, {0, -1, 2}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    EXPECT_FALSE(prepareGeometry(g));
    ASSERT_EQ(1u, catcher.warnings.size());
    EXPECT_NE(std::string::npos, catcher.warnings[0].find("index -1 out of range"));
}

TEST(GeometryPreparation, NewIndexArrayIsCheckedAgainEvenWhenReady) {
    WarningCatcher catcher;
    GeometryRecord g(0);
    buildUnitTriangle(g);
    ASSERT_TRUE(prepareGeometry(g));
    const int bad[3] = {0, 1, 1000000};
    ASSERT_EQ(0, setGeometryIndices(g, bad));
    ASSERT_EQ(static_cast<uint32_t>(GEOMETRY_READY), g.state);  // setters keep the bits
    EXPECT_FALSE(prepareGeometry(g));
    EXPECT_EQ(1u, catcher.warnings.size());

    const int good[3] = {2, 1, 0};
    ASSERT_EQ(0, setGeometryIndices(g, good));
    EXPECT_TRUE(prepareGeometry(g));
    EXPECT_EQ(1u, catcher.warnings.size());
}

TEST(GeometryPreparation, ArraysOfTheWrongSizeAreNotReady) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    g.faceNormals.release();
    EXPECT_FALSE(prepareGeometry(g));
    GeometryRecord h(1);
    buildUnitTriangle(h);
    h.coords.resize(2);
    EXPECT_FALSE(prepareGeometry(h));
}

TEST(GeometryPreparation, NonFiniteCoordinatesNeverGiveNaNNormals) {
    GeometryRecord g(0);
    buildMesh(g, {0, 1, 2, 0, 2, 3},
              {{0, 0, 0}, {NAN, 0, 0}, {0, 1, 0}, {INFINITY, 1, 1}});
    ASSERT_TRUE(prepareGeometry(g));
    for (int t = 0; t < 2; ++t) EXPECT_TRUE(finite(g.faceNormals[t]));
    for (int v = 0; v < 4; ++v) EXPECT_TRUE(finite(g.normals[v]));
}

}  // namespace
}  // namespace scene
}  // namespace hox
