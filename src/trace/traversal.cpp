// The two traversal levels and the hand-over between them.
#include "trace/traversal.h"

#include <xmmintrin.h>

#include <cmath>

#include "trace/bvh4_walk.h"
#include "trace/leaf_test.h"

namespace hox {
namespace trace {
namespace {

// Object-space direction components are kept at least this far from zero:
// the mesh-level slab test multiplies by their exact reciprocals.
constexpr float kMinObjectDirection = 1e-9f;

// Row-vector convention: p' = p * M, translation in elements 12..14.
inline void transformPoint(const Mat4f& m, const float p[3], float out[3]) {
    for (int j = 0; j < 3; ++j) {
        out[j] = p[0] * m.m[j] + p[1] * m.m[4 + j] + p[2] * m.m[8 + j] + m.m[12 + j];
    }
}

inline void transformVector(const Mat4f& m, const float v[3], float out[3]) {
    for (int j = 0; j < 3; ++j) out[j] = v[0] * m.m[j] + v[1] * m.m[4 + j] + v[2] * m.m[8 + j];
}

inline float distance(const float a[3], const float b[3]) {
    const float dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// With a hit already recorded, the world tMax may have shrunk since the
// node test that led here; clipping the instance's own box against it again
// often spares the transform and the mesh walk.
bool clipsInstanceBox(const Instance& instance, const Ray& ray) {
    float entry = -3.0e38f, exit = 3.0e38f;
    for (int a = 0; a < 3; ++a) {
        const float nearPlane = ray.dirSign[a] ? instance.worldMax[a] : instance.worldMin[a];
        const float farPlane = ray.dirSign[a] ? instance.worldMin[a] : instance.worldMax[a];
        const float tNear = (nearPlane - ray.origin[a]) * ray.invDir[a];
        const float tFar = (farPlane - ray.origin[a]) * ray.invDir[a];
        if (tNear > entry) entry = tNear;
        if (tFar < exit) exit = tFar;
    }
    return entry < ray.tMax && kBoxExitEpsilon < exit && entry <= exit;
}

// Sets up `local` as the world ray expressed in the instance's mesh
// coordinates. False when the instance's transform is singular (its inverse
// is all zeros and the direction vanishes): such an instance has no extent
// and is never hit.
bool makeObjectRay(const Instance& instance, const Ray& world, Ray& local) {
    transformPoint(instance.worldToObject, world.origin, local.origin);
    float d[3];
    transformVector(instance.worldToObject, world.direction, d);
    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(length > 0.0f) || !std::isfinite(length)) return false;
    // The three components at once (packed division rounds exactly as the
    // scalar one). Exact division for the inverse: object-space rays meet
    // many more boxes than their single transform costs, and the estimate's
    // error grows with scale.
    const __m128 limit = _mm_set1_ps(kMinObjectDirection);
    __m128 c = _mm_div_ps(_mm_setr_ps(d[0], d[1], d[2], 0.0f), _mm_set1_ps(length));
    const __m128 tiny = _mm_and_ps(_mm_cmpgt_ps(c, _mm_sub_ps(_mm_setzero_ps(), limit)), _mm_cmplt_ps(c, limit));
    c = _mm_or_ps(_mm_and_ps(tiny, limit), _mm_andnot_ps(tiny, c));
    alignas(16) float direction[4], inverse[4];
    _mm_store_ps(direction, c);
    _mm_store_ps(inverse, _mm_div_ps(_mm_set1_ps(1.0f), c));
    for (int a = 0; a < 3; ++a) {
        local.direction[a] = direction[a];
        local.invDir[a] = inverse[a];
        local.dirSign[a] = direction[a] < 0.0f ? 1u : 0u;
    }
    local.excludeMask = world.excludeMask;
    local.viewState = world.viewState;
    local.originInstance = world.originInstance;
    local.originTriangle = world.originTriangle;
    local.tMin = world.tMin;
    local.instance = &instance;
    local.isOriginInstance = world.originInstance == &instance ? 1 : 0;
    local.hitTriangle = -1;
    local.hitInstanceId = -1;
    local.hitU = 0.0f;
    local.hitV = 0.0f;
    local.hitInstance = nullptr;

    if (world.hitInstance) {
        // Only hits nearer than the one already found matter: carry the
        // world hit point over and measure it in object space.
        float worldHit[3], objectHit[3];
        for (int a = 0; a < 3; ++a) worldHit[a] = world.origin[a] + world.tMax * world.direction[a];
        transformPoint(instance.worldToObject, worldHit, objectHit);
        local.tMax = distance(objectHit, local.origin);
    } else {
        local.tMax = kRayFar;
    }
    broadcastRay(local);
    return true;
}

struct MeshLeafVisit {
    const CompiledMesh& mesh;
    Ray& ray;
    bool operator()(int32_t leaf) const {
        if (leaf >= mesh.leaves.count) return false;
        return testLeaf(mesh.leafData[leaf], ray);
    }
};

struct InstanceVisit {
    const CompiledScene& scene;
    Ray& ray;
    bool operator()(int32_t index) const {
        if (index >= scene.instances.count) return false;
        return traceInstance(scene.instanceData[index], ray);
    }
};

}  // namespace

bool traceMesh(const CompiledMesh& mesh, Ray& ray) {
    if (!mesh.node4Data || !mesh.leafData) return false;
    MeshLeafVisit visit{mesh, ray};
    return walk::walkBvh4(mesh.node4Data, mesh.nodes4.count, 0, ray, visit);
}

bool traceInstance(const Instance& instance, Ray& ray) {
    if (instance.mask & ray.excludeMask) return false;
    if (ray.hitInstance && !clipsInstanceBox(instance, ray)) return false;

    Ray local;
    if (!makeObjectRay(instance, ray, local)) return false;

    bool hit = false;
    if (instance.singleLeaf) {
        hit = testLeaf(*instance.singleLeaf, local);
    } else if (instance.mesh && instance.mesh->node4Data) {
        hit = traceMesh(*instance.mesh, local);
    }
    if (!hit) return false;

    // Object-space distances are not world distances (the instance may be
    // scaled): carry the hit point back and measure it in tracing space.
    float objectHit[3], worldHit[3];
    for (int a = 0; a < 3; ++a) objectHit[a] = local.origin[a] + local.tMax * local.direction[a];
    transformPoint(instance.objectToWorld, objectHit, worldHit);
    const float t = distance(worldHit, ray.origin);
    if (!(t < ray.tMax)) return false;

    setRayTMax(ray, t);
    ray.hitInstanceId = static_cast<int32_t>(instance.instanceNumber);
    ray.hitInstance = &instance;
    ray.hitTriangle = local.hitTriangle;
    ray.hitU = local.hitU;
    ray.hitV = local.hitV;
    return true;
}

bool traceScene(const CompiledScene& scene, Ray& ray) {
    if (!scene.node4Data) return false;
    InstanceVisit visit{scene, ray};
    return walk::walkBvh4(scene.node4Data, scene.nodes4.count, 0, ray, visit);
}

}  // namespace trace
}  // namespace hox
