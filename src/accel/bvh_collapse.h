// Collapsing a binary BVH into the 4-wide nodes that traversal walks.
//
// Shared by both levels: a mesh's tree (leaf references are leaf-record
// numbers) and the top-level tree of a view (leaf references are instance
// numbers). The binary tree must already carry those numbers in its leaves'
// `index` fields.
#pragma once

#include <cstdint>

#include "trace/aligned_array.h"
#include "trace/bvh_nodes.h"

namespace hox {
namespace accel {

// Result of a collapse that could not be made (memory short, or a binary
// array that is not a tree the builder could have made). The 4-wide array is
// then empty. No real leaf reference can take this value: it would need leaf
// number 0x7FFFFFFF.
constexpr int32_t kCollapseFailed = INT32_MIN;

// Replaces the contents of `wide` (its capacity is kept, so callers reserve
// beforehand) with the 4-wide form of `binary`, root at index 0, and returns
// the root reference: 0 for the root node, or ~leaf number when the binary
// root is itself a leaf, in which case no 4-wide node is made.
//
// Lanes run near to far: each inner node's children come in the order its
// `flip` gives. Every inner child of the collapsed node is opened, and when
// one child was a leaf, the nearest inner grandchild is opened once more so
// that the node still fills four lanes. Empty lanes carry the inverted box
// and a clear mask bit.
int collapseToBvh4(const trace::AlignedArray<trace::BvhNode>& binary,
                   trace::AlignedArray<trace::Bvh4Node>& wide);

// The top level of a view with exactly one object: its binary tree is one
// leaf, but traversal always starts at a 4-wide node, so this makes a single
// node with the object in lane 0 (every child entry names it, mask 1) and
// the other lanes empty. Returns 0, or kCollapseFailed when memory is short.
int collapseSingleObject(const trace::BvhNode& leaf, trace::AlignedArray<trace::Bvh4Node>& wide);

// A node with all four lanes empty (mask 0): the root of a view without
// objects.
trace::Bvh4Node emptyBvh4Node();

}  // namespace accel
}  // namespace hox
