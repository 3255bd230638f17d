#include <gtest/gtest.h>

#include "hox/geometry.h"
#include "scene/entity_records.h"
#include "scene/geometry_record.h"

namespace hox {
namespace {

// The public object of a standalone record, as beginEdit would hand it out.
Geometry* publicGeometry(scene::Record& record) {
    return reinterpret_cast<Geometry*>(record.publicObject());
}

TEST(GeometryApi, EditsReachTheRecord) {
    scene::GeometryRecord record(0);
    Geometry* g = publicGeometry(record);
    EXPECT_EQ(-1, g->init(static_cast<EGeometryType>(1), 1, 3));
    ASSERT_EQ(0, g->init(GEOMETRY_TYPE_TRIANGLES, 2, 4));
    EXPECT_EQ(GEOMETRY_TYPE_TRIANGLES, g->getGeometryType());
    EXPECT_EQ(2, g->getPrimitiveCount());
    EXPECT_EQ(4, g->getVertexCount());

    const int indices[6] = {0, 1, 2, 2, 1, 3};
    const Vec3f coords[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    ASSERT_EQ(0, g->setIndexArray(indices));
    ASSERT_EQ(0, g->setCoordArray3f(coords));
    ASSERT_EQ(0, g->setNormalArray3f(coords));
    EXPECT_EQ(3, record.indices[5]);
    EXPECT_EQ(1.0f, record.coords[3].y);
    EXPECT_EQ(static_cast<uint32_t>(scene::GEOMETRY_INDICES | scene::GEOMETRY_COORDS |
                                    scene::GEOMETRY_NORMALS),
              record.state);
}

TEST(GeometryApi, EveryAttributeKindHasItsComponentCount) {
    scene::GeometryRecord record(0);
    Geometry* g = publicGeometry(record);
    ASSERT_EQ(0, g->init(GEOMETRY_TYPE_TRIANGLES, 1, 3));
    float f[3] = {};
    Vec2f v2[3] = {};
    Vec3f v3[3] = {};
    Vec4f v4[3] = {};
    Mat2f m2[3] = {};
    Mat3f m3[3] = {};
    Mat4f m4[3] = {};
    ASSERT_EQ(0, g->setVertexAttribArray1f("a1", f));
    ASSERT_EQ(0, g->setVertexAttribArray2f("a2", v2));
    ASSERT_EQ(0, g->setVertexAttribArray3f("a3", v3));
    ASSERT_EQ(0, g->setVertexAttribArray4f("a4", v4));
    ASSERT_EQ(0, g->setVertexAttribArray2x2f("m2", false, m2));
    ASSERT_EQ(0, g->setVertexAttribArray3x3f("m3", true, m3));
    ASSERT_EQ(0, g->setVertexAttribArray4x4f("m4", false, m4));
    const char* names[] = {"a1", "a2", "a3", "a4", "m2", "m3", "m4"};
    const int components[] = {1, 2, 3, 4, 4, 9, 16};
    for (int i = 0; i < 7; ++i) {
        const scene::VertexAttribute* a = record.findAttribute(names[i]);
        ASSERT_NE(nullptr, a) << names[i];
        EXPECT_EQ(components[i], a->componentCount) << names[i];
        EXPECT_EQ(3 * components[i], a->values.count()) << names[i];
    }
}

TEST(GeometryApi, NullArgumentsAreRefused) {
    scene::GeometryRecord record(0);
    Geometry* g = publicGeometry(record);
    ASSERT_EQ(0, g->init(GEOMETRY_TYPE_TRIANGLES, 1, 3));
    const Vec3f v[3] = {};
    EXPECT_EQ(-1, g->setIndexArray(nullptr));
    EXPECT_EQ(-1, g->setCoordArray3f(nullptr));
    EXPECT_EQ(-1, g->setVertexAttribArray3f(nullptr, v));
    EXPECT_EQ(-1, g->setVertexAttribArray3f("n", nullptr));
    EXPECT_EQ(-1, g->setVertexAttribArray4x4f("n", true, nullptr));
    EXPECT_EQ(0, record.attributeCount());
}

TEST(GeometryApi, ObjectOfAnotherClassIsRefused) {
    // A Camera's public object reinterpreted as a Geometry must not reach
    // the camera's fields.
    scene::CameraRecord camera(0);
    Geometry* g = publicGeometry(camera);
    EXPECT_EQ(-1, g->init(GEOMETRY_TYPE_TRIANGLES, 1, 3));
    const int indices[3] = {0, 1, 2};
    EXPECT_EQ(-1, g->setIndexArray(indices));
    EXPECT_EQ(0, g->getPrimitiveCount());
    EXPECT_EQ(0, g->getVertexCount());
}

}  // namespace
}  // namespace hox
