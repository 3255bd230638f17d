#include "accel/bvh_collapse.h"

namespace hox {
namespace accel {
namespace {

using trace::AlignedArray;
using trace::Bvh4Node;
using trace::BvhNode;

bool isLeaf(const BvhNode& node) { return node.primCount != 0; }

int32_t leafReference(const BvhNode& leaf) { return ~static_cast<int32_t>(leaf.index); }

// The two children of inner node `at`, near one first. The builder always
// places children after their parent, so a child index that does not lie
// strictly beyond `at` (or runs off the array) marks an array that is not
// one of its trees; refusing it here keeps the walk finite and in bounds.
bool orderedChildren(const AlignedArray<BvhNode>& binary, int at, int out[2]) {
    const uint32_t first = binary[at].index;
    if (first <= static_cast<uint32_t>(at) || first >= static_cast<uint32_t>(binary.count - 1))
        return false;
    const int a = static_cast<int>(first);
    const bool flip = binary[at].flip != 0;
    out[0] = flip ? a + 1 : a;
    out[1] = flip ? a : a + 1;
    return true;
}

// The binary nodes that become the lanes of the 4-wide node replacing `at`.
struct LaneSet {
    int lanes[4];
    int count;
    uint32_t splitAxis[3];
};

bool gatherLanes(const AlignedArray<BvhNode>& binary, int at, LaneSet& set) {
    int children[2];
    if (!orderedChildren(binary, at, children)) return false;
    set.count = 0;
    set.splitAxis[0] = binary[at].axis;
    set.splitAxis[1] = 0;
    set.splitAxis[2] = 0;
    for (int k = 0; k < 2; ++k) {
        const BvhNode& child = binary[children[k]];
        if (isLeaf(child)) {
            set.lanes[set.count++] = children[k];
            continue;
        }
        int grand[2];
        if (!orderedChildren(binary, children[k], grand)) return false;
        set.splitAxis[1 + k] = child.axis;
        set.lanes[set.count++] = grand[0];
        set.lanes[set.count++] = grand[1];
    }
    // Three lanes means one child was a leaf. Opening the nearest inner
    // grandchild fills the fourth lane, so each 4-wide node still does the
    // work of three binary levels. Its split axis has no slot of its own:
    // the three entries describe the splits of the two-level shape only.
    if (set.count == 3) {
        for (int j = 0; j < 3; ++j) {
            if (isLeaf(binary[set.lanes[j]])) continue;
            int great[2];
            if (!orderedChildren(binary, set.lanes[j], great)) return false;
            for (int m = 2; m > j; --m) set.lanes[m + 1] = set.lanes[m];
            set.lanes[j] = great[0];
            set.lanes[j + 1] = great[1];
            set.count = 4;
            break;
        }
    }
    return true;
}

void setLaneBox(Bvh4Node& node, int lane, const float lo[3], const float hi[3]) {
    node.minX[lane] = lo[0];
    node.minY[lane] = lo[1];
    node.minZ[lane] = lo[2];
    node.maxX[lane] = hi[0];
    node.maxY[lane] = hi[1];
    node.maxZ[lane] = hi[2];
}

// No ray can enter min (1,1,1), max (-1,-1,-1): its entry distance always
// exceeds its exit distance.
void setEmptyLane(Bvh4Node& node, int lane) {
    static const float kLo[3] = {1.0f, 1.0f, 1.0f};
    static const float kHi[3] = {-1.0f, -1.0f, -1.0f};
    setLaneBox(node, lane, kLo, kHi);
}

// A 4-wide node still to be made: binary node `binary`, whose reference goes
// into lane `lane` of 4-wide node `parent` (-1 for the root).
struct Pending {
    int binary;
    int parent;
    int lane;
};

// Empty lanes repeat lane 0's reference, so every child entry names
// something that exists even though traversal never reads an empty lane.
void fillEmptyLaneReferences(AlignedArray<Bvh4Node>& wide) {
    for (int i = 0; i < wide.count; ++i) {
        Bvh4Node& node = wide[i];
        for (int lane = 1; lane < 4; ++lane)
            if (!(node.childMask & (1u << lane))) node.child[lane] = node.child[0];
    }
}

}  // namespace

trace::Bvh4Node emptyBvh4Node() {
    Bvh4Node node;
    for (int lane = 0; lane < 4; ++lane) {
        setEmptyLane(node, lane);
        node.child[lane] = 0;
    }
    node.childMask = 0;
    node.splitAxis[0] = node.splitAxis[1] = node.splitAxis[2] = 0;
    return node;
}

int collapseToBvh4(const AlignedArray<BvhNode>& binary, AlignedArray<Bvh4Node>& wide) {
    wide.count = 0;
    if (binary.count <= 0) return kCollapseFailed;
    if (isLeaf(binary[0])) return leafReference(binary[0]);

    // An explicit stack instead of recursion: a degenerate tree can be as
    // deep as it has primitives. Lanes are pushed far to near, so the near
    // subtree is finished first and nodes are numbered exactly as a
    // recursive depth-first collapse numbers them.
    AlignedArray<Pending> stack;
    if (!stack.push(Pending{0, -1, 0})) return kCollapseFailed;
    while (stack.count > 0) {
        const Pending work = stack[--stack.count];
        LaneSet set;
        // Each 4-wide node replaces at least one distinct inner binary node,
        // so more of them than binary nodes means shared children (not a
        // tree); stopping there bounds the work on any input.
        if (wide.count >= binary.count || !gatherLanes(binary, work.binary, set)) {
            wide.count = 0;
            return kCollapseFailed;
        }
        const int index = wide.count;
        Bvh4Node node = emptyBvh4Node();
        node.splitAxis[0] = set.splitAxis[0];
        node.splitAxis[1] = set.splitAxis[1];
        node.splitAxis[2] = set.splitAxis[2];
        for (int lane = 0; lane < set.count; ++lane) {
            const BvhNode& source = binary[set.lanes[lane]];
            setLaneBox(node, lane, source.boundsMin, source.boundsMax);
            node.childMask |= 1u << lane;
            node.child[lane] = isLeaf(source) ? leafReference(source) : 0;
        }
        if (!wide.push(node)) {
            wide.count = 0;
            return kCollapseFailed;
        }
        if (work.parent >= 0) wide[work.parent].child[work.lane] = index;
        for (int lane = set.count - 1; lane >= 0; --lane) {
            if (isLeaf(binary[set.lanes[lane]])) continue;
            if (!stack.push(Pending{set.lanes[lane], index, lane})) {
                wide.count = 0;
                return kCollapseFailed;
            }
        }
    }
    fillEmptyLaneReferences(wide);
    return 0;
}

int collapseSingleObject(const BvhNode& leaf, AlignedArray<Bvh4Node>& wide) {
    wide.count = 0;
    Bvh4Node node = emptyBvh4Node();
    setLaneBox(node, 0, leaf.boundsMin, leaf.boundsMax);
    for (int lane = 0; lane < 4; ++lane) node.child[lane] = leafReference(leaf);
    node.childMask = 1;
    if (!wide.push(node)) return kCollapseFailed;
    return 0;
}

}  // namespace accel
}  // namespace hox
