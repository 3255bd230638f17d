// A geometry read from a stream sizes its derived arrays (normalised
// coordinates, face normals, normals) only once its indices and coordinates
// have arrived: counts alone never make the reader allocate.
#include <gtest/gtest.h>

#include "scene/geometry_record.h"
#include "scene_test_support.h"

namespace hox {
namespace scene {
namespace {

using namespace testing;

// Header of an initialised geometry whose arrays were never given: 2^24
// triangles over 2^24 vertices, every array count 0, no attributes.
Bytes countsWithoutArrays() {
    return Words().i(9).i(0).i(1 << 24).i(1 << 24).i(1).i(0).i(0).i(0).i(0).bytes();
}

TEST(GeometryStreamSize, CountsWithoutArraysAllocateNothing) {
    GeometryRecord g(9);
    ASSERT_TRUE(readInto(countsWithoutArrays(), g));
    EXPECT_EQ(g.primitiveCount, 1 << 24);
    EXPECT_EQ(g.vertexCount, 1 << 24);
    EXPECT_EQ(g.normalisedCoords.count(), 0);
    EXPECT_EQ(g.faceNormals.count(), 0);
    EXPECT_EQ(g.normals.count(), 0);
    // It writes back what it read.
    EXPECT_EQ(bytesOf(g), countsWithoutArrays());
}

TEST(GeometryStreamSize, ArrivedMeshGetsItsDerivedArrays) {
    GeometryRecord source(9);
    buildUnitTriangle(source);
    GeometryRecord g(9);
    ASSERT_TRUE(readInto(bytesOf(source), g));
    EXPECT_EQ(g.normalisedCoords.count(), 3);
    EXPECT_EQ(g.faceNormals.count(), 1);
    EXPECT_EQ(g.normals.count(), 3);
}

}  // namespace
}  // namespace scene
}  // namespace hox
