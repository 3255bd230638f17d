// CompiledScene: the two-level hierarchy of one view and one frame parity,
// recompiled in place every frame (arrays keep their capacity).
#pragma once

#include <cstdint>

#include "trace/aligned_array.h"
#include "trace/bvh_nodes.h"
#include "trace/instance.h"

namespace hox {
namespace trace {

class CompiledScene {
public:
    ~CompiledScene();  // releases the instances' mesh references

    void updateViews() {
        nodeData = nodes.count ? nodes.data : nullptr;
        node4Data = nodes4.count ? nodes4.data : nullptr;
        instanceData = instances.count ? instances.data : nullptr;
    }

    AlignedArray<BvhNode> nodes;
    AlignedArray<Bvh4Node> nodes4;
    AlignedArray<Instance> instances;
    AlignedArray<int32_t> objectIndices;  // permuted by the top-level build

    const BvhNode* nodeData = nullptr;
    const Bvh4Node* node4Data = nullptr;
    const Instance* instanceData = nullptr;

    // Tracing space: world = (p + worldOffset) * worldScale.
    float worldOffset[3] = {0, 0, 0};
    float worldScale = 1.0f;
    float inverseWorldScale = 1.0f;
};

}  // namespace trace
}  // namespace hox
