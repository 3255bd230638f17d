#include "accel/scene_compile.h"

#include "accel/bvh_builder.h"
#include "accel/bvh_collapse.h"
#include "accel/instance_compile.h"

namespace hox {
namespace accel {
namespace {

using trace::AlignedArray;
using trace::BvhNode;
using trace::CompiledScene;
using trace::PrimBounds;

void releaseInstances(CompiledScene& scene) {
    for (int i = 0; i < scene.instances.count; ++i) releaseInstance(scene.instances[i]);
    scene.instances.count = 0;
}

// A root that no ray can enter at either level, and nothing to hit.
void makeEmptyScene(CompiledScene& scene) {
    releaseInstances(scene);
    scene.instances.release();
    scene.objectIndices.release();
    BvhNode root;
    for (int a = 0; a < 3; ++a) {
        root.boundsMin[a] = 1.0f;
        root.boundsMax[a] = -1.0f;
    }
    root.index = 0;
    root.primCount = 0;
    root.axis = 0;
    root.flip = 0;
    scene.nodes.count = 0;
    scene.nodes4.count = 0;
    // Without these two single nodes the kernels would have no root at all;
    // if even they cannot be had, the views are null and nothing is traced.
    if (!scene.nodes.push(root)) scene.nodes.count = 0;
    if (!scene.nodes4.push(emptyBvh4Node())) scene.nodes4.count = 0;
}

// Boxes of every object in tracing space, with their union.
bool objectBounds(const PreparedView& view, AlignedArray<PrimBounds>& prims, int32_t* indices,
                  float lo[3], float hi[3]) {
    const int count = view.objects.count();
    if (!prims.resize(count)) return false;
    for (int a = 0; a < 3; ++a) {
        lo[a] = 1e38f;
        hi[a] = -1e38f;
    }
    for (int i = 0; i < count; ++i) {
        indices[i] = i;
        PrimBounds& box = prims[i];
        tracingBounds(view.objects[i], view, box.min, box.max);
        box.min[3] = 0.0f;
        box.max[3] = 0.0f;
        for (int a = 0; a < 3; ++a) {
            if (box.min[a] < lo[a]) lo[a] = box.min[a];
            if (box.max[a] > hi[a]) hi[a] = box.max[a];
        }
    }
    return true;
}

// One instance per leaf, in node order; each leaf's `index` becomes its
// instance number. False when a leaf names no object (not a tree the
// builder makes) or memory is short.
bool compileInstances(CompiledScene& scene, const PreparedView& view) {
    const int objectCount = view.objects.count();
    int leafCount = 0;
    for (int i = 0; i < scene.nodes.count; ++i) {
        const BvhNode& node = scene.nodes[i];
        if (node.primCount == 0) continue;
        if (node.index >= static_cast<uint32_t>(objectCount)) return false;
        const int32_t object = scene.objectIndices[static_cast<int>(node.index)];
        if (object < 0 || object >= objectCount) return false;
        ++leafCount;
    }
    if (!scene.instances.resize(leafCount)) return false;
    scene.instances.count = 0;
    for (int i = 0; i < scene.nodes.count; ++i) {
        BvhNode& node = scene.nodes[i];
        if (node.primCount == 0) continue;
        const uint32_t number = static_cast<uint32_t>(scene.instances.count);
        const int32_t object = scene.objectIndices[static_cast<int>(node.index)];
        compileInstance(scene.instances[scene.instances.count++], view.objects[object], view, number);
        node.index = number;
    }
    return true;
}

bool buildTopLevel(CompiledScene& scene, const PreparedView& view) {
    const int objectCount = view.objects.count();
    if (!scene.objectIndices.resize(objectCount)) return false;
    AlignedArray<PrimBounds> prims;
    float lo[3], hi[3];
    if (!objectBounds(view, prims, scene.objectIndices.data, lo, hi)) return false;

    // One object per leaf: the instance is the unit the top level sorts.
    BvhBuilder builder;
    if (!builder.build(scene.nodes, prims.data, scene.objectIndices.data, objectCount, lo, hi, 1))
        return false;
    if (!compileInstances(scene, view)) return false;
    scene.nodes.shrinkToFit();

    // Reserved up front so that the collapse appends without growing.
    scene.nodes4.count = 0;
    if (!scene.nodes4.reserve(scene.nodes.count / 2 + 2)) return false;
    const int root = scene.nodes.count == 1 ? collapseSingleObject(scene.nodes[0], scene.nodes4)
                                            : collapseToBvh4(scene.nodes, scene.nodes4);
    return root != kCollapseFailed;
}

}  // namespace

void compileScene(CompiledScene& scene, const PreparedView& view) {
    releaseInstances(scene);
    scene.worldOffset[0] = view.worldOffset.x;
    scene.worldOffset[1] = view.worldOffset.y;
    scene.worldOffset[2] = view.worldOffset.z;
    scene.worldScale = view.worldScale;
    scene.inverseWorldScale = view.inverseWorldScale;

    if (view.objects.count() == 0 || !buildTopLevel(scene, view)) makeEmptyScene(scene);
    scene.updateViews();
}

}  // namespace accel
}  // namespace hox
