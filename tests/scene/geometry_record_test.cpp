#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "geometry_test_support.h"
#include "scene/acceleration_data.h"
#include "scene/geometry_edit.h"
#include "scene/geometry_preparation.h"
#include "scene/geometry_record.h"
#include "util/byte_stream.h"
#include "util/memory_stream.h"

namespace hox {
namespace scene {
namespace {

using testing::buildMesh;
using testing::buildUnitTriangle;
using testing::expectVec3Near;

// Counts its own destruction instead of freeing itself.
class CountedAcceleration : public AccelerationData {
public:
    explicit CountedAcceleration(int* destroyed) : m_destroyed(destroyed) {}

protected:
    void destroy() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

std::vector<uint8_t> serialise(const GeometryRecord& g) {
    util::MemorySink sink;
    util::OutputStream out(&sink);
    g.write(out);
    out.flush();
    return sink.bytes();
}

// Reads `bytes` into `g`; returns whether the stream is still good.
bool deserialise(const std::vector<uint8_t>& bytes, GeometryRecord& g) {
    util::MemorySource source(bytes.data(), bytes.size());
    util::InputStream in(&source);
    g.read(in);
    return !in.failed();
}

// Builds a stream by hand, word by word.
class Words {
public:
    Words& i(int32_t v) {
        out.writeInt32(v);
        return *this;
    }
    Words& f(float v) {
        out.writeFloat(v);
        return *this;
    }
    Words& s(const char* text) {
        out.writeString(util::String(text));
        return *this;
    }
    std::vector<uint8_t> bytes() {
        out.flush();
        return sink.bytes();
    }

private:
    util::MemorySink sink;
    util::OutputStream out{&sink};
};

void expectEmpty(const GeometryRecord& g) {
    EXPECT_EQ(0u, g.state);
    EXPECT_EQ(0, g.primitiveCount);
    EXPECT_EQ(0, g.vertexCount);
    EXPECT_EQ(0, g.indices.count());
    EXPECT_EQ(0, g.coords.count());
    EXPECT_EQ(0, g.normals.count());
    EXPECT_EQ(0, g.attributeCount());
    EXPECT_EQ(nullptr, g.acceleration);
}

// A two-triangle quad with an attribute, ready to be written.
void buildQuad(GeometryRecord& g) {
    buildMesh(g, {0, 1, 2, 2, 1, 3}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    const Vec2f uv[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    ASSERT_EQ(0, setVertexAttribute(g, "uv", &uv[0].x, 2));
    g.setEditStamp(12);
}

TEST(GeometryRecord, FreshRecordHasTheDefaults) {
    GeometryRecord g(4);
    EXPECT_EQ(CLASS_TYPE_GEOMETRY, g.type());
    EXPECT_EQ(4, g.instance());
    EXPECT_EQ(0, g.geometryType);
    EXPECT_EQ(0, g.editStamp);
    expectVec3Near({1e38f, 1e38f, 1e38f}, g.boundsMin, 0.0f);
    expectVec3Near({-1e38f, -1e38f, -1e38f}, g.boundsMax, 0.0f);
    expectEmpty(g);
}

TEST(GeometryRecord, AccelerationIsReferencedAndReleased) {
    int destroyedA = 0, destroyedB = 0;
    CountedAcceleration a(&destroyedA), b(&destroyedB);
    {
        GeometryRecord g(0);
        g.setAcceleration(&a);
        EXPECT_EQ(1, a.refCount());
        g.setAcceleration(&a);  // the same data again must survive
        EXPECT_EQ(1, a.refCount());
        EXPECT_EQ(0, destroyedA);
        g.setAcceleration(&b);
        EXPECT_EQ(1, destroyedA);
        EXPECT_EQ(1, b.refCount());
    }
    EXPECT_EQ(1, destroyedB);
}

TEST(GeometryRecord, CopyIsIndependentAndHasNoAcceleration) {
    int destroyed = 0;
    CountedAcceleration accel(&destroyed);
    GeometryRecord source(3);
    buildQuad(source);
    ASSERT_TRUE(prepareGeometry(source));
    source.setAcceleration(&accel);

    GeometryRecord copy(3);
    const float old[1] = {5};
    ASSERT_EQ(0, setVertexAttribute(copy, "old", old, 1));  // replaced by the copy
    copy.copyFrom(source);
    EXPECT_EQ(1, copy.attributeCount());
    EXPECT_EQ(nullptr, copy.findAttribute("old"));
    EXPECT_EQ(nullptr, copy.acceleration);
    EXPECT_EQ(1, accel.refCount());
    EXPECT_EQ(source.state, copy.state);
    EXPECT_EQ(12, copy.editStamp);
    expectVec3Near(source.boundsMax, copy.boundsMax, 0.0f);
    EXPECT_EQ(0, std::memcmp(source.normalising.m, copy.normalising.m, sizeof(Mat4f)));
    EXPECT_TRUE(prepareGeometry(copy));  // ready without re-deriving

    copy.indices[0] = 3;
    copy.coords[0].x = 50.0f;
    copy.normals[0].x = 50.0f;
    const float w[4] = {9, 9, 9, 9};
    ASSERT_EQ(0, setVertexAttribute(copy, "uv", w, 1));
    ASSERT_EQ(0, setVertexAttribute(copy, "extra", w, 1));
    EXPECT_EQ(0, source.indices[0]);
    EXPECT_EQ(0.0f, source.coords[0].x);
    EXPECT_NE(50.0f, source.normals[0].x);
    ASSERT_EQ(1, source.attributeCount());
    EXPECT_EQ(2, source.findAttribute("uv")->componentCount);
    EXPECT_EQ(1.0f, source.findAttribute("uv")->values[2]);
    source.setAcceleration(nullptr);
    EXPECT_EQ(1, destroyed);
}

TEST(GeometryRecord, StreamStartsWithHeaderAndCountedArrays) {
    GeometryRecord g(9);
    buildUnitTriangle(g);
    g.setEditStamp(5);
    const std::vector<uint8_t> bytes = serialise(g);
    // 5 header words, 1 + 3 index words, 1 + 9 coordinate words,
    // 1 normal count (not given, not derived), 1 attribute count.
    ASSERT_EQ(static_cast<size_t>(4 * (5 + 4 + 10 + 1 + 1)), bytes.size());
    const std::vector<uint8_t> header = Words().i(9).i(0).i(1).i(3).i(5).i(3).i(0).i(1).i(2).bytes();
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
}

TEST(GeometryRecord, RoundTripRestoresFieldsAndStateBits) {
    int destroyed = 0;
    CountedAcceleration accel(&destroyed);
    GeometryRecord source(6);
    buildQuad(source);
    GeometryRecord target(0);
    target.setAcceleration(&accel);
    ASSERT_TRUE(deserialise(serialise(source), target));

    EXPECT_EQ(6, target.instance());
    EXPECT_EQ(2, target.primitiveCount);
    EXPECT_EQ(4, target.vertexCount);
    EXPECT_EQ(12, target.editStamp);
    EXPECT_EQ(nullptr, target.acceleration);
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(static_cast<uint32_t>(GEOMETRY_INDICES | GEOMETRY_COORDS), target.state);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(source.indices[i], target.indices[i]);
    for (int v = 0; v < 4; ++v) expectVec3Near(source.coords[v], target.coords[v], 0.0f);
    ASSERT_EQ(1, target.attributeCount());
    const VertexAttribute* uv = target.findAttribute("uv");
    ASSERT_NE(nullptr, uv);
    EXPECT_EQ(2, uv->componentCount);
    ASSERT_EQ(8, uv->values.count());
    EXPECT_EQ(1.0f, uv->values[7]);

    // The derived arrays are sized, so preparation can run on the reader.
    ASSERT_TRUE(prepareGeometry(target));
    expectVec3Near({0, 0, 1}, target.normals[3]);
}

TEST(GeometryRecord, GivenNormalsTravelAndSetTheirBit) {
    GeometryRecord source(0);
    buildUnitTriangle(source);
    const Vec3f normals[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    ASSERT_EQ(0, setGeometryNormals(source, normals));
    GeometryRecord target(0);
    ASSERT_TRUE(deserialise(serialise(source), target));
    EXPECT_EQ(static_cast<uint32_t>(GEOMETRY_INDICES | GEOMETRY_COORDS | GEOMETRY_NORMALS),
              target.state);
    ASSERT_TRUE(prepareGeometry(target));
    expectVec3Near({1, 0, 0}, target.normals[0], 0.0f);
}

TEST(GeometryRecord, ArraysNeverSetAreNotSentAndNeverMakeTheReaderReady) {
    GeometryRecord source(0);
    ASSERT_EQ(0, initGeometry(source, kGeometryTypeTriangles, 1, 3));
    GeometryRecord target(0);
    ASSERT_TRUE(deserialise(serialise(source), target));
    EXPECT_EQ(0u, target.state);
    EXPECT_EQ(1, target.primitiveCount);
    EXPECT_FALSE(prepareGeometry(target));
}

TEST(GeometryRecord, UninitialisedGeometryRoundTrips) {
    GeometryRecord source(1);
    const float w[1] = {1};
    ASSERT_EQ(0, setVertexAttribute(source, "w", w, 1));
    GeometryRecord target(0);
    ASSERT_TRUE(deserialise(serialise(source), target));
    EXPECT_EQ(0u, target.state);
    ASSERT_EQ(1, target.attributeCount());
    EXPECT_EQ(0, target.attribute(0)->values.count());
    EXPECT_FALSE(prepareGeometry(target));
}

TEST(GeometryRecord, EveryTruncationFailsAndLeavesAnEmptyRecord) {
    GeometryRecord source(2);
    buildQuad(source);
    const std::vector<uint8_t> bytes = serialise(source);
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + n);
        GeometryRecord target(0);
        ASSERT_EQ(0, initGeometry(target, kGeometryTypeTriangles, 1, 3));  // old content to drop
        EXPECT_FALSE(deserialise(prefix, target)) << "prefix " << n;
        expectEmpty(target);
        EXPECT_FALSE(prepareGeometry(target));
    }
}

TEST(GeometryRecord, HostileCountsFailTheStream) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"negative primitive count", Words().i(0).i(0).i(-1).i(3).i(0).i(0).i(0).i(0).i(0).bytes()},
        {"type other than triangles", Words().i(0).i(1).i(1).i(3).i(0).i(0).i(0).i(0).i(0).bytes()},
        {"too few vertices", Words().i(0).i(0).i(1).i(2).i(0).i(0).i(0).i(0).i(0).bytes()},
        {"absurd primitive count", Words().i(0).i(0).i(0x7FFFFFFF).i(3).i(0).i(0).i(0).i(0).i(0).bytes()},
        {"index count disagrees", Words().i(0).i(0).i(1).i(3).i(0).i(4).i(0).i(1).i(2).i(0).bytes()},
        {"negative index count", Words().i(0).i(0).i(1).i(3).i(0).i(-3).i(0).i(0).i(0).bytes()},
        {"coordinate count disagrees", Words().i(0).i(0).i(1).i(3).i(0).i(0).i(2).f(0).f(0).f(0).f(0).f(0).f(0).i(0).i(0).bytes()},
        {"negative attribute count", Words().i(0).i(0).i(1).i(3).i(0).i(0).i(0).i(0).i(-1).bytes()},
        {"zero components", Words().i(0).i(0).i(1).i(3).i(0).i(0).i(0).i(0).i(1).s("a").i(0).i(0).bytes()},
        {"too many components", Words().i(0).i(0).i(1).i(3).i(0).i(0).i(0).i(0).i(1).s("a").i(17).i(0).bytes()},
        {"partial vertex", Words().i(0).i(0).i(1).i(3).i(0).i(0).i(0).i(0).i(1).s("a").i(2).i(3).f(1).f(2).f(3).bytes()},
        {"negative value count", Words().i(0).i(0).i(1).i(3).i(0).i(0).i(0).i(0).i(1).s("a").i(1).i(-4).bytes()},
    };
    for (const Case& c : cases) {
        GeometryRecord target(0);
        EXPECT_FALSE(deserialise(c.bytes, target)) << c.what;
        expectEmpty(target);
    }
}

TEST(GeometryRecord, HugeCountsWithLittleDataFailWithoutHugeAllocations) {
    // Counts the reader accepts, followed by far fewer bytes than promised.
    const int big = kMaxGeometryElements;
    const std::vector<uint8_t> indices = Words().i(0).i(0).i(big).i(3).i(0).i(3 * big).i(0).i(1).bytes();
    const std::vector<uint8_t> attribute =
        Words().i(0).i(0).i(0).i(0).i(0).i(0).i(0).i(0).i(1).s("a").i(1).i(0x7FFFFFFF).f(1).bytes();
    const std::vector<uint8_t> entries = Words().i(0).i(0).i(0).i(0).i(0).i(0).i(0).i(0).i(0x7FFFFFFF).bytes();
    for (const std::vector<uint8_t>* bytes : {&indices, &attribute, &entries}) {
        GeometryRecord target(0);
        EXPECT_FALSE(deserialise(*bytes, target));
        expectEmpty(target);
    }
}

TEST(GeometryRecord, StaleAttributeSizeFromAnEarlierInitTravels) {
    // init leaves attributes alone, so an attribute may be sized for an
    // older vertex count; the reader must accept it.
    GeometryRecord source(0);
    buildUnitTriangle(source);
    const float w[3] = {1, 2, 3};
    ASSERT_EQ(0, setVertexAttribute(source, "w", w, 1));
    ASSERT_EQ(0, initGeometry(source, kGeometryTypeTriangles, 2, 5));
    GeometryRecord target(0);
    ASSERT_TRUE(deserialise(serialise(source), target));
    ASSERT_EQ(1, target.attributeCount());
    EXPECT_EQ(3, target.attribute(0)->values.count());
    EXPECT_EQ(5, target.vertexCount);
}

}  // namespace
}  // namespace scene
}  // namespace hox
