// Pick-query evaluation of a hit.
#include "trace/query_hit.h"

#include <cmath>

#include "scene/entity_records.h"
#include "scene/geometry_record.h"
#include "scene/matrix4.h"
#include "trace/triangle_vertices.h"

namespace hox {
namespace trace {
namespace {

Vec3f blend(const Vec3f& a, const Vec3f& b, const Vec3f& c, float w0, float w1, float w2) {
    return {w0 * a.x + w1 * b.x + w2 * c.x, w0 * a.y + w1 * b.y + w2 * c.y,
            w0 * a.z + w1 * b.z + w2 * c.z};
}

}  // namespace

bool evaluateQueryHit(const Instance& instance, const Ray& ray, QueryHit& out) {
    if (!instance.geometry) return false;
    const scene::GeometryRecord& g = *instance.geometry;
    int32_t v[3];
    if (!triangleVertices(g, ray.hitTriangle, v)) return false;

    const float w1 = ray.hitU, w2 = ray.hitV, w0 = 1.0f - ray.hitU - ray.hitV;
    const Mat4f& m = instance.objectMatrix;

    // The geometry's own coordinates through the object's matrix: the host
    // asks in its world, not in the rescaled tracing space.
    const Vec3f p = blend(g.coords[v[0]], g.coords[v[1]], g.coords[v[2]], w0, w1, w2);
    out.position = {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12],
                    p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
                    p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};

    // Normals go through the inverse transpose: normalMatrix is the inverse
    // of the object matrix's 3x3 part, applied transposed (row j of it
    // dotted with the normal gives world component j).
    Vec3f n = blend(g.normals[v[0]], g.normals[v[1]], g.normals[v[2]], w0, w1, w2);
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (length > 0.0f) n = {n.x / length, n.y / length, n.z / length};
    const float* N = instance.normalMatrix.m;
    out.normal = {N[0] * n.x + N[1] * n.y + N[2] * n.z, N[3] * n.x + N[4] * n.y + N[5] * n.z,
                  N[6] * n.x + N[7] * n.y + N[8] * n.z};

    scene::transformBox(m, g.boundsMin, g.boundsMax, out.boxMin, out.boxMax);
    out.objectNumber = instance.object ? instance.object->instance() : -1;
    return true;
}

}  // namespace trace
}  // namespace hox
