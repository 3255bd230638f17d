// The stack walk over a 4-wide tree shared by both traversal levels. Only
// what a leaf reference means differs between them, so the walk is a
// template over that visit and is inlined into each level: no indirect call
// per node or per leaf.
#pragma once

#include <cstdint>

#include "trace/box_test.h"
#include "trace/bvh_nodes.h"
#include "trace/ray.h"

namespace hox {
namespace trace {
namespace walk {

// Stack entries per walk: the kernel's own stack, never the heap.
constexpr int kStackSize = 128;

// How many times a walk may hand a subtree to a nested walk with a fresh
// stack. Each level absorbs about 42 further 4-wide levels (a pop adds at
// most three entries), so 8 nestings cover trees far deeper than any the
// builder makes (its binary depth stays below ~91, half that once collapsed).
constexpr int kMaxNesting = 8;

inline void orderPair(int a, int b, const float* entry, int* lanes) {
    // a < b: the lower lane goes first on equal entry distances.
    if (entry[b] < entry[a]) {
        lanes[0] = b;
        lanes[1] = a;
    } else {
        lanes[0] = a;
        lanes[1] = b;
    }
}

// Insertion sort by entry distance, stable, so equal distances keep lane
// order (lower lane first).
inline int orderSorted(int mask, const float* entry, int* lanes) {
    int n = 0;
    for (int j = 0; j < 4; ++j) {
        if (!((mask >> j) & 1)) continue;
        int k = n++;
        while (k > 0 && entry[j] < entry[lanes[k - 1]]) {
            lanes[k] = lanes[k - 1];
            --k;
        }
        lanes[k] = j;
    }
    return n;
}

// Writes the entered lanes in the order they are to be visited (nearest
// entry first) and returns their number. One case per entered-lanes mask:
// the common one- and two-child masks cost at most one compare.
inline int orderLanes(int mask, const float* entry, int* lanes) {
    switch (mask) {
        case 0x0: return 0;
        case 0x1: lanes[0] = 0; return 1;
        case 0x2: lanes[0] = 1; return 1;
        case 0x4: lanes[0] = 2; return 1;
        case 0x8: lanes[0] = 3; return 1;
        case 0x3: orderPair(0, 1, entry, lanes); return 2;
        case 0x5: orderPair(0, 2, entry, lanes); return 2;
        case 0x6: orderPair(1, 2, entry, lanes); return 2;
        case 0x9: orderPair(0, 3, entry, lanes); return 2;
        case 0xA: orderPair(1, 3, entry, lanes); return 2;
        case 0xC: orderPair(2, 3, entry, lanes); return 2;
        default: return orderSorted(mask, entry, lanes);  // three or four lanes
    }
}

// Walks the tree below `root` (a node index, or ~leaf for a lone leaf),
// calling visitLeaf(leafNumber) for every leaf whose box the ray enters,
// nearest first. References outside the node array are skipped, so a
// damaged tree cannot lead the walk out of bounds.
//
// Stack bound: when a node's entered children would not fit on the stack,
// they are walked one after the other by nested walks with stacks of their
// own, in the same near-to-far order; the result is exactly what an
// unbounded stack would give. Past kMaxNesting (a tree thousands of levels
// deep, which no build makes) such children are dropped rather than written
// past the array.
template <typename VisitLeaf>
bool walkBvh4(const Bvh4Node* nodes, int nodeCount, int32_t root, Ray& ray,
              VisitLeaf& visitLeaf, int nesting = 0) {
    int32_t stack[kStackSize];
    int top = 0;
    stack[top++] = root;
    bool hit = false;
    while (top > 0) {
        const int32_t ref = stack[--top];
        if (ref < 0) {
            hit |= visitLeaf(~ref);
            continue;
        }
        if (ref >= nodeCount) continue;
        const Bvh4Node& node = nodes[ref];
        float entry[4];
        const int mask = boxTest(node, ray, entry);
        int lanes[4];
        const int count = orderLanes(mask, entry, lanes);
        if (top + count <= kStackSize) {
            for (int i = count - 1; i >= 0; --i) stack[top++] = node.child[lanes[i]];
        } else if (nesting < kMaxNesting) {
            for (int i = 0; i < count; ++i) {
                hit |= walkBvh4(nodes, nodeCount, node.child[lanes[i]], ray, visitLeaf, nesting + 1);
            }
        }
    }
    return hit;
}

}  // namespace walk
}  // namespace trace
}  // namespace hox
