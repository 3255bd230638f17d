// Instance: one object of a compiled view, with every transform the kernels
// and the shading need, and a counted reference to its geometry's mesh.
#pragma once

#include <cstdint>

#include "hox/types.h"

namespace hox {
namespace scene {
class ObjectRecord;
class GeometryRecord;
class ShaderRecord;
}  // namespace scene

namespace trace {

class CompiledMesh;
struct MeshLeaf;

// Shaders bound to an instance for shading (filled by the shading pipeline).
struct ShaderBinding {
    const scene::ShaderRecord* shader;
    void* data;  // owned by the shading pipeline
};

struct alignas(16) Instance {
    uint32_t mask;           // ray kinds (bits 0..5) that skip this instance
    float worldMin[3];       // bounds in tracing space (offset and scale applied)
    float worldMax[3];
    Mat4f worldToObject;     // inverse of objectToWorld
    Mat3f normalToObject;    // 3x3 inverse of worldToObject's upper-left part
    Mat4f objectToWorld;     // scale x offset x object matrix x inverse normalising matrix
    float epsilon;           // 0.001: self-intersection distance on the origin instance
    CompiledMesh* mesh;      // counted reference
    const MeshLeaf* singleLeaf;  // the mesh's only leaf when it has no 4-wide nodes
    Mat4f objectMatrix;          // the object's own world matrix
    Mat4f objectMatrixInverse;
    Mat3f normalMatrix;          // 3x3 inverse of objectMatrix's upper-left part (applied transposed)
    Mat3f normalMatrixInverse;   // 3x3 inverse of objectMatrixInverse's upper-left part
    const scene::ObjectRecord* object;
    const scene::GeometryRecord* geometry;
    const scene::ShaderRecord* shader;
    uint32_t shaderValue;
    uint32_t instanceNumber;
    uint32_t lightSetIndex;
    bool transparentShadows;  // the shader lets shadow and occlusion rays through
    uint32_t givenMask;
    uint32_t offMask;
    uint8_t floatGiven;
    float occlusionRange;     // default 1.0
    const int32_t* addList;   // the attribute state's light lists (owned by the prepared view)
    int32_t addCount;
    const int32_t* removeList;
    int32_t removeCount;
    ShaderBinding* bindings;  // own shader first, then the object's extra shaders
    int32_t bindingCount;
};

}  // namespace trace
}  // namespace hox
