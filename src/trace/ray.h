// Ray: one ray being traced, in tracing space (world) or in the coordinates
// of one instance's mesh (an object-space copy made by the instance test).
//
// The first 160 bytes hold every quantity the SSE kernels read, each
// broadcast into four lanes, so the box and leaf tests load them with
// aligned loads and never shuffle. The scalar copies after the block are
// what the per-instance code and the shading read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hox/types.h"

namespace hox {
namespace trace {

class CompiledScene;
struct Instance;

// Distance a fresh ray may reach; also the "nothing hit yet" value of tMax.
constexpr float kRayFar = 1e9f;

struct alignas(16) Ray {
    // SSE block: the same value in all four lanes of each row.
    float sseOrigin[3][4];
    float sseInvDir[3][4];
    float sseDirection[3][4];
    float sseTMax[4];

    uint32_t dirSign[3];  // 1 where the direction component is negative
    int32_t hitTriangle;  // index in the geometry, -1 when nothing was hit
    float invDir[3];
    float tMax;           // scalar copy of sseTMax
    float origin[3];
    float hitU;           // weight of the triangle's second vertex
    float direction[3];
    float hitV;           // weight of the third vertex
    int32_t hitInstanceId;  // -1 when nothing was hit
    const Instance* instance;             // the instance an object-space copy lives in
    const CompiledScene* viewState;       // supplies world offset and scale
    const Instance* hitInstance;          // null when nothing was hit
    uint32_t excludeMask;                 // instances whose mask shares a bit are skipped
    const Instance* originInstance;       // the surface the ray leaves from, or null
    int32_t originTriangle;               // -1 when none
    float tMin;                           // hits on the origin instance up to here are ignored
    uint8_t isOriginInstance;             // object-space copy: instance == originInstance
};
static_assert(offsetof(Ray, dirSign) == 160, "the SSE block is ten 16-byte rows");

// Starts a world ray from a point and direction given in the view's world
// frame. The origin is carried into tracing space; the direction keeps its
// length (the caller normalises), except that components too small to
// invert are replaced by +1e-6 so the slab tests never divide by zero.
void initRay(Ray& ray, const CompiledScene& view, const Vec3f& origin, const Vec3f& direction,
             uint32_t excludeMask);

// Copies the scalar origin, inverse direction and direction into the SSE
// block, and tMax into its lanes.
void broadcastRay(Ray& ray);

// Sets the scalar tMax and all four lanes of its broadcast.
inline void setRayTMax(Ray& ray, float t) {
    ray.tMax = t;
    ray.sseTMax[0] = ray.sseTMax[1] = ray.sseTMax[2] = ray.sseTMax[3] = t;
}

}  // namespace trace
}  // namespace hox
