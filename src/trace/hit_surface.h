// The interpolated surface data of a batch of hits on one instance: what
// the shading record is made from. Every quantity is an array of 256 floats
// (one entry per ray of the batch) so that groups of four rays are worked
// on with SSE rows; the block is reused per trace depth level and never
// allocated while tracing.
#pragma once

#include <cstdint>

#include "hox/shader_services.h"
#include "hox/types.h"
#include "trace/instance.h"
#include "trace/ray.h"

namespace hox {
namespace scene {
class ShaderRecord;
}

namespace trace {

class CompiledScene;

constexpr int kHitBatchSize = 256;
constexpr int kHitBatchGroups = kHitBatchSize / 4;
// Attribute components one batch can carry. A shader declares at most a
// few small attributes (matrices are the largest at 16 components); the
// cap keeps the block a fixed size. Components beyond it are not
// interpolated.
constexpr int kMaxAttributeComponents = 32;

// One vertex attribute a shader binding asks for: componentCount floats per
// vertex, vertex i at perVertexData[i * componentCount]. valueCount is how
// many floats the data holds; a vertex whose values lie beyond it, or null
// data, gives zeros.
struct AttributeSource {
    int32_t componentCount;
    const float* perVertexData;
    int32_t valueCount;
};

// "World" in this block is the hit object's own world frame (its
// objectMatrix), not tracing space: it is what shaders see.
struct alignas(16) HitSurface {
    float worldPosition[3][kHitBatchSize];
    float worldNormal[3][kHitBatchSize];      // shading normal, not normalised
    float objectPosition[3][kHitBatchSize];
    float objectNormal[3][kHitBatchSize];     // interpolated vertex normal
    float rayDirection[3][kHitBatchSize];
    float rayOrigin[3][kHitBatchSize];
    float hitDistance[kHitBatchSize];
    float hitU[kHitBatchSize];
    float hitV[kHitBatchSize];
    int32_t hitTriangle[kHitBatchSize];       // kept integral: triangle numbers pass 2^24
    float worldFaceNormal[3][kHitBatchSize];
    float objectFaceNormal[3][kHitBatchSize];
    float attributes[kMaxAttributeComponents][kHitBatchSize];

    uint8_t activeMask[kHitBatchGroups];  // bit j: ray 4g + j holds a valid hit
    int32_t rayCount;
    uint32_t instanceNumber;
    const Instance* instance;
    const CompiledScene* viewState;
    const scene::ShaderRecord* shader;    // the shader to call (the instance's own by default)
    int32_t attributeComponents;
    // One ray's attribute values side by side, for the shading record's
    // pointer (the arrays above hold them 256 floats apart).
    float shadedAttributes[kMaxAttributeComponents];
};

// Interpolates the hits of up to 256 rays that all hit `instance` (rays
// beyond 256 are ignored). rays[i] null, or a triangle that is not the
// geometry's, leaves ray i inactive with zeros in its entries. Weights:
// 1 - hitU - hitV, hitU, hitV for the triangle's three vertices.
void interpolateHits(HitSurface& surface, const Ray* const* rays, int rayCount,
                     const Instance& instance, const AttributeSource* attributes,
                     int attributeCount);

// Writes ray `lane`'s surface into the shading record: words 6-23 (world
// and object-space position, normal and face normal), 30-79 (the
// instance's matrices) and the attribute pointer, which points into the
// surface block. False, with the record untouched, for an inactive lane.
bool fillShadingState(HitSurface& surface, int lane, const Instance& instance,
                      ShadingState& state);

}  // namespace trace
}  // namespace hox
