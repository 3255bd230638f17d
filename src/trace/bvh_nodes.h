// Node and box layouts of the bounding volume hierarchies.
#pragma once

#include <cstdint>

namespace hox {
namespace trace {

// Input of a build, one per primitive: two 16-byte halves so that they load
// as SSE vectors; the fourth lane of each half is ignored.
struct alignas(16) PrimBounds {
    float min[4];
    float max[4];
};
static_assert(sizeof(PrimBounds) == 32, "PrimBounds is two SSE vectors");

// Binary node (the builder's output). Children of an inner node are always an
// adjacent pair at index and index + 1, so two siblings share a 64-byte line.
struct BvhNode {
    float boundsMin[3];
    float boundsMax[3];
    uint32_t index;      // inner: first child; leaf: first primitive-index entry (later leaf record)
    uint16_t primCount;  // 0 marks an inner node
    uint8_t axis;        // inner: axis along which the children's centres lie farthest apart
    uint8_t flip;        // inner: 1 when the second child's centre is below the first's on axis
};
static_assert(sizeof(BvhNode) == 32, "BvhNode is 32 bytes");

// Four-wide node walked by the kernels; lane j describes child j. An empty
// lane has the inverted box min (1,1,1), max (-1,-1,-1) and its mask bit clear.
struct alignas(16) Bvh4Node {
    float minX[4], minY[4], minZ[4];
    float maxX[4], maxY[4], maxZ[4];
    int32_t child[4];       // >= 0: inner Bvh4Node index; < 0: ~leaf number
    uint32_t childMask;     // bit j set when lane j holds a child
    uint32_t splitAxis[3];  // axis of the split this node replaces, then of the two lower splits
};
static_assert(sizeof(Bvh4Node) == 128, "Bvh4Node is 128 bytes");

}  // namespace trace
}  // namespace hox
