// The geometry record: acceleration references, copies, its stream form and
// streams that end early or lie about their counts.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "scene/acceleration_data.h"
#include "scene/geometry_edit.h"
#include "scene/geometry_preparation.h"
#include "scene/geometry_record.h"
#include "scene_test_support.h"

namespace hox {
namespace scene {
namespace {

using namespace testing;

// Counts its own destruction instead of freeing itself.
class CountedAcceleration : public AccelerationData {
public:
    explicit CountedAcceleration(int* destroyed) : m_destroyed(destroyed) {}

protected:
    void destroy() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

void expectEmpty(const GeometryRecord& g) {
    EXPECT_EQ(std::make_tuple(g.state, g.primitiveCount, g.vertexCount, g.indices.count(), g.coords.count(),
                              g.normals.count(), g.attributeCount(), g.acceleration),
              std::make_tuple(0u, 0, 0, 0, 0, 0, 0, nullptr));
}

// A two-triangle quad with an attribute, ready to be written.
void buildQuad(GeometryRecord& g) {
    buildMesh(g, {0, 1, 2, 2, 1, 3}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    const Vec2f uv[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    ASSERT_EQ(0, setVertexAttribute(g, "uv", &uv[0].x, 2));
    g.setEditStamp(12);
}

TEST(GeometryRecord, AccelerationReferencesAndIndependentCopiesWithoutOne) {
    int destroyedA = 0, destroyedB = 0;
    CountedAcceleration a(&destroyedA), b(&destroyedB);
    {
        GeometryRecord h(0);
        h.setAcceleration(&a);
        h.setAcceleration(&a);  // the same data again must survive
        EXPECT_EQ(std::make_tuple(a.refCount(), destroyedA), std::make_tuple(1, 0));
        h.setAcceleration(&b);
        EXPECT_EQ(std::make_tuple(destroyedA, b.refCount()), std::make_tuple(1, 1));
    }
    EXPECT_EQ(1, destroyedB);

    int destroyed = 0;
    CountedAcceleration accel(&destroyed);
    GeometryRecord source(3), copy(3);
    buildQuad(source);
    ASSERT_TRUE(prepareGeometry(source));
    source.setAcceleration(&accel);
    const float old[1] = {5};
    ASSERT_EQ(0, setVertexAttribute(copy, "old", old, 1));  // replaced by the copy
    copy.copyFrom(source);
    EXPECT_EQ(bytesOf(copy), bytesOf(source));
    EXPECT_EQ(std::make_tuple(copy.findAttribute("old"), copy.acceleration, accel.refCount(), copy.state),
              std::make_tuple(nullptr, nullptr, 1, source.state));
    EXPECT_EQ(0, std::memcmp(source.normalising.m, copy.normalising.m, sizeof(Mat4f)));
    EXPECT_TRUE(prepareGeometry(copy));  // ready without re-deriving

    const Bytes before = bytesOf(source);
    copy.indices[0] = 3;
    copy.coords[0].x = 50.0f;
    copy.normals[0].x = 50.0f;
    const float w[4] = {9, 9, 9, 9};
    ASSERT_EQ(0, setVertexAttribute(copy, "uv", w, 1));
    EXPECT_EQ(bytesOf(source), before);
    EXPECT_NE(50.0f, source.normals[0].x);
    source.setAcceleration(nullptr);
    EXPECT_EQ(1, destroyed);
}

TEST(GeometryRecord, StreamIsTheHeaderThenTheCountedArraysGiven) {
    GeometryRecord g(9);
    buildUnitTriangle(g);
    g.setEditStamp(5);
    // The normals were neither given nor derived: count 0.
    EXPECT_EQ(bytesOf(g), Words().i(9).i(0).i(1).i(3).i(5).i(3).i(0).i(1).i(2).i(3).f(0).f(0).f(0).f(1)
                              .f(0).f(0).f(0).f(1).f(0).i(0).i(0).bytes());
}

TEST(GeometryRecord, RoundTripRestoresArraysAndTheirStateBits) {
    const Vec3f normals[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const float w[3] = {1, 2, 3};
    const struct {
        const char* what;
        std::function<void(GeometryRecord&)> build;
        uint32_t state;
        bool ready;
        Vec3f normal0;  // after preparation
    } cases[] = {
        {"quad with an attribute", buildQuad, GEOMETRY_INDICES | GEOMETRY_COORDS, true, {0, 0, 1}},
        {"given normals",
         [&](GeometryRecord& g) {
             buildUnitTriangle(g);
             ASSERT_EQ(0, setGeometryNormals(g, normals));
         },
         GEOMETRY_INDICES | GEOMETRY_COORDS | GEOMETRY_NORMALS, true, normals[0]},
        {"arrays never set are not sent",
         [](GeometryRecord& g) { ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, 1, 3)); }, 0, false, {}},
        // init leaves attributes alone, so one may be sized for an older
        // vertex count; the reader must accept it.
        {"stale attribute size",
         [&](GeometryRecord& g) {
             buildUnitTriangle(g);
             ASSERT_EQ(0, setVertexAttribute(g, "w", w, 1));
             ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, 2, 5));
         },
         0, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GeometryRecord source(6);
        c.build(source);
        int destroyed = 0;
        CountedAcceleration accel(&destroyed);
        GeometryRecord target(0);
        target.setAcceleration(&accel);
        ASSERT_TRUE(readInto(bytesOf(source), target));
        EXPECT_EQ(bytesOf(target), bytesOf(source));
        EXPECT_EQ(std::make_tuple(target.state, target.acceleration, destroyed), std::make_tuple(c.state, nullptr, 1));
        // The derived arrays are sized, so preparation can run on the reader.
        ASSERT_EQ(prepareGeometry(target), c.ready);
        if (c.ready) expectVec3Near(c.normal0, target.normals[0]);
    }
    // Counts alone never make the reader allocate: 2^24 triangles over 2^24
    // vertices whose arrays never arrived size no derived array.
    const Bytes counts = Words().i(9).i(0).i(1 << 24).i(1 << 24).i(1).i(0).i(0).i(0).i(0).bytes();
    GeometryRecord g(9);
    ASSERT_TRUE(readInto(counts, g));
    EXPECT_EQ(std::make_tuple(g.primitiveCount, g.vertexCount, g.normalisedCoords.count(), g.faceNormals.count(),
                              g.normals.count()),
              std::make_tuple(1 << 24, 1 << 24, 0, 0, 0));
    EXPECT_EQ(bytesOf(g), counts);
}

TEST(GeometryRecord, EveryTruncationAndEveryHostileCountFailsAndLeavesAnEmptyRecord) {
    GeometryRecord source(2);
    buildQuad(source);
    const Bytes bytes = bytesOf(source);
    for (size_t n = 0; n < bytes.size(); ++n) {
        GeometryRecord target(0);
        ASSERT_EQ(0, initGeometry(target, kGeometryTypeTriangles, 1, 3));  // old content to drop
        EXPECT_FALSE(readInto(bytes, target, n)) << "prefix " << n;
        expectEmpty(target);
        EXPECT_FALSE(prepareGeometry(target));
    }

    // Header: instance, type, primitives, vertices, stamp; then the arrays.
    const auto stream = [](int32_t type, int32_t primitives, int32_t vertices, Words& arrays) {
        Bytes a = Words().i(0).i(type).i(primitives).i(vertices).i(0).bytes();
        const Bytes b = arrays.bytes();
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const int big = kMaxGeometryElements;
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"negative primitive count", stream(0, -1, 3, Words().i(0).i(0).i(0).i(0))},
        {"type other than triangles", stream(1, 1, 3, Words().i(0).i(0).i(0).i(0))},
        {"too few vertices", stream(0, 1, 2, Words().i(0).i(0).i(0).i(0))},
        {"absurd primitive count", stream(0, 0x7FFFFFFF, 3, Words().i(0).i(0).i(0).i(0))},
        {"index count disagrees", stream(0, 1, 3, Words().i(4).i(0).i(1).i(2).i(0))},
        {"coordinate count disagrees", stream(0, 1, 3, Words().i(0).i(2).f(0).f(0).f(0).f(0).f(0).f(0).i(0).i(0))},
        {"negative attribute count", stream(0, 1, 3, Words().i(0).i(0).i(0).i(-1))},
        {"zero components", stream(0, 1, 3, Words().i(0).i(0).i(0).i(1).s("a").i(0).i(0))},
        {"too many components", stream(0, 1, 3, Words().i(0).i(0).i(0).i(1).s("a").i(17).i(0))},
        {"partial vertex", stream(0, 1, 3, Words().i(0).i(0).i(0).i(1).s("a").i(2).i(3).f(1).f(2).f(3))},
        // Counts the reader accepts, followed by far fewer bytes than
        // promised: no huge allocation may come first.
        {"huge index array", stream(0, big, 3, Words().i(3 * big).i(0).i(1))},
        {"huge attribute", stream(0, 0, 0, Words().i(0).i(0).i(0).i(1).s("a").i(1).i(0x7FFFFFFF).f(1))},
        {"huge attribute count", stream(0, 0, 0, Words().i(0).i(0).i(0).i(0x7FFFFFFF))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GeometryRecord target(0);
        EXPECT_FALSE(readInto(c.bytes, target));
        expectEmpty(target);
    }
}

}  // namespace
}  // namespace scene
}  // namespace hox
