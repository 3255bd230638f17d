#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "geometry_test_support.h"
#include "scene/geometry_edit.h"
#include "scene/geometry_record.h"

namespace hox {
namespace scene {
namespace {

using testing::buildUnitTriangle;

TEST(GeometryInit, AcceptsTrianglesWithOnePrimitiveAndThreeVertices) {
    GeometryRecord g(0);
    ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, 1, 3));
    EXPECT_EQ(1, g.primitiveCount);
    EXPECT_EQ(3, g.vertexCount);
    EXPECT_EQ(3, g.indices.count());
    EXPECT_EQ(3, g.coords.count());
    EXPECT_EQ(3, g.normalisedCoords.count());
    EXPECT_EQ(3, g.normals.count());
    EXPECT_EQ(1, g.faceNormals.count());
    EXPECT_EQ(0u, g.state);
}

TEST(GeometryInit, RefusedValuesLeaveTheRecordUnchanged) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    const uint32_t state = g.state;
    EXPECT_EQ(-1, initGeometry(g, kGeometryTypeTriangles, 0, 3));
    EXPECT_EQ(-1, initGeometry(g, kGeometryTypeTriangles, 1, 2));
    EXPECT_EQ(-1, initGeometry(g, 1, 1, 3));
    EXPECT_EQ(-1, initGeometry(g, kGeometryTypeTriangles, -5, 3));
    EXPECT_EQ(1, g.primitiveCount);
    EXPECT_EQ(3, g.vertexCount);
    EXPECT_EQ(3, g.indices.count());
    EXPECT_EQ(state, g.state);
}

TEST(GeometryInit, CountsBeyondOneArrayAreRefusedWithoutAllocating) {
    GeometryRecord g(0);
    // 3 * INT_MAX indices would overflow the index count itself.
    EXPECT_EQ(-1, initGeometry(g, kGeometryTypeTriangles, INT_MAX, 3));
    EXPECT_EQ(-1, initGeometry(g, kGeometryTypeTriangles, 1, kMaxGeometryElements + 1));
    EXPECT_EQ(0, g.indices.capacity());
    EXPECT_EQ(0, g.coords.capacity());
}

TEST(GeometryInit, ClearsStateButKeepsAttributes) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    const float weights[3] = {1.0f, 2.0f, 3.0f};
    ASSERT_EQ(0, setVertexAttribute(g, "weight", weights, 1));
    ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, 2, 4));
    EXPECT_EQ(0u, g.state);
    ASSERT_EQ(1, g.attributeCount());
    const VertexAttribute* w = g.findAttribute("weight");
    ASSERT_NE(nullptr, w);
    ASSERT_EQ(3, w->values.count());  // still sized for the old vertex count
    EXPECT_EQ(3.0f, w->values[2]);
}

TEST(GeometrySetters, RefusedBeforeInitAndForNullPointers) {
    GeometryRecord g(0);
    const int indices[3] = {0, 1, 2};
    const Vec3f coords[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    EXPECT_EQ(-1, setGeometryIndices(g, indices));
    EXPECT_EQ(-1, setGeometryCoords(g, coords));
    EXPECT_EQ(-1, setGeometryNormals(g, coords));
    ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, 1, 3));
    EXPECT_EQ(-1, setGeometryIndices(g, nullptr));
    EXPECT_EQ(-1, setGeometryCoords(g, nullptr));
    EXPECT_EQ(-1, setGeometryNormals(g, nullptr));
    EXPECT_EQ(0u, g.state);
}

TEST(GeometryAttributes, SameNameTwiceLeavesOneEntryWithTheNewComponentCount) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    const Vec2f uv[3] = {{0, 0}, {1, 0}, {0, 1}};
    const Vec3f uvw[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    ASSERT_EQ(0, setVertexAttribute(g, "uv", &uv[0].x, 2));
    ASSERT_EQ(0, setVertexAttribute(g, "uv", &uvw[0].x, 3));
    ASSERT_EQ(1, g.attributeCount());
    const VertexAttribute* a = g.findAttribute("uv");
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(3, a->componentCount);
    ASSERT_EQ(9, a->values.count());
    for (int i = 0; i < 9; ++i) EXPECT_EQ(static_cast<float>(i + 1), a->values[i]);
}

TEST(GeometryAttributes, NamesAreCaseSensitiveAndKeepFirstUseOrder) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    const float v[3] = {1, 2, 3};
    ASSERT_EQ(0, setVertexAttribute(g, "uv", v, 1));
    ASSERT_EQ(0, setVertexAttribute(g, "UV", v, 1));
    ASSERT_EQ(0, setVertexAttribute(g, "uv", v, 1));
    ASSERT_EQ(2, g.attributeCount());
    EXPECT_STREQ("uv", g.attribute(0)->name.c_str());
    EXPECT_STREQ("UV", g.attribute(1)->name.c_str());
    EXPECT_EQ(nullptr, g.findAttribute("u"));
    EXPECT_EQ(nullptr, g.findAttribute(nullptr));
}

TEST(GeometryAttributes, MatrixTransposeStoresEachVertexMatrixTransposed) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    Mat3f given[3];
    for (int v = 0; v < 3; ++v)
        for (int i = 0; i < 9; ++i) given[v].m[i] = static_cast<float>(v * 100 + i);
    ASSERT_EQ(0, setVertexAttributeMatrix(g, "frame", given[0].m, 3, true));
    ASSERT_EQ(0, setVertexAttributeMatrix(g, "plain", given[0].m, 3, false));
    const VertexAttribute* t = g.findAttribute("frame");
    const VertexAttribute* p = g.findAttribute("plain");
    ASSERT_NE(nullptr, t);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(9, t->componentCount);
    for (int v = 0; v < 3; ++v) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(given[v].m[c * 3 + r], t->values[v * 9 + r * 3 + c]);
                EXPECT_EQ(given[v].m[r * 3 + c], p->values[v * 9 + r * 3 + c]);
            }
        }
    }
}

TEST(GeometryAttributes, TwoByTwoAndFourByFourTransposeToo) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    std::vector<float> m2(3 * 4), m4(3 * 16);
    for (size_t i = 0; i < m2.size(); ++i) m2[i] = static_cast<float>(i);
    for (size_t i = 0; i < m4.size(); ++i) m4[i] = static_cast<float>(i);
    ASSERT_EQ(0, setVertexAttributeMatrix(g, "m2", m2.data(), 2, true));
    ASSERT_EQ(0, setVertexAttributeMatrix(g, "m4", m4.data(), 4, true));
    const VertexAttribute* a2 = g.findAttribute("m2");
    const VertexAttribute* a4 = g.findAttribute("m4");
    ASSERT_NE(nullptr, a2);
    ASSERT_NE(nullptr, a4);
    EXPECT_EQ(4, a2->componentCount);
    EXPECT_EQ(16, a4->componentCount);
    // Vertex 2, element (0, 1) of the stored matrix is (1, 0) of the given.
    EXPECT_EQ(m2[8 + 2], a2->values[8 + 1]);
    EXPECT_EQ(m4[32 + 4 * 3 + 1], a4->values[32 + 4 * 1 + 3]);
    EXPECT_EQ(-1, setVertexAttributeMatrix(g, "m5", m4.data(), 5, true));
}

TEST(GeometryAttributes, NullNameOrValuesAreRefused) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    const float v[3] = {1, 2, 3};
    EXPECT_EQ(-1, setVertexAttribute(g, nullptr, v, 1));
    EXPECT_EQ(-1, setVertexAttribute(g, "w", nullptr, 1));
    EXPECT_EQ(-1, setVertexAttributeMatrix(g, nullptr, v, 2, false));
    EXPECT_EQ(0, g.attributeCount());
}

TEST(GeometryAttributes, BeforeInitAnEmptyEntryIsMade) {
    GeometryRecord g(0);
    const float v[1] = {1};
    ASSERT_EQ(0, setVertexAttribute(g, "w", v, 1));
    ASSERT_EQ(1, g.attributeCount());
    EXPECT_EQ(0, g.attribute(0)->values.count());
    EXPECT_EQ(0, g.attribute(0)->values.capacity());
}

TEST(GeometryAttributes, GrowthTakesTheLargerOfNeedAndOneStepMore) {
    GeometryRecord g(0);
    buildUnitTriangle(g);
    std::vector<float> values(100, 1.0f);
    ASSERT_EQ(0, setVertexAttribute(g, "w", values.data(), 1));
    const int first = g.findAttribute("w")->values.capacity();
    const int step = g.findAttribute("w")->values.growthStep();
    ASSERT_GE(first, 3);

    // Needing a little more than the capacity grows by one step.
    ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, 1, first + 1));
    ASSERT_EQ(0, setVertexAttribute(g, "w", values.data(), 1));
    EXPECT_EQ(first + step, g.findAttribute("w")->values.capacity());
    EXPECT_EQ(first + 1, g.findAttribute("w")->values.count());

    // Needing far more grows to exactly the need.
    ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, 1, 90));
    ASSERT_EQ(0, setVertexAttribute(g, "w", values.data(), 1));
    EXPECT_EQ(90, g.findAttribute("w")->values.capacity());
}

}  // namespace
}  // namespace scene
}  // namespace hox
