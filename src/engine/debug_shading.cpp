#include "engine/debug_shading.h"

#include "scene/geometry_record.h"
#include "trace/triangle_vertices.h"

namespace hox {
namespace engine {

void normalColour(const Vec3f& normal, float colour[4]) {
    colour[0] = (normal.x + 1.0f) * 0.5f;
    colour[1] = (normal.y + 1.0f) * 0.5f;
    colour[2] = (normal.z + 1.0f) * 0.5f;
    colour[3] = 1.0f;
}

void primitiveColour(int32_t primitive, float colour[4]) {
    // 64-bit products: 79p overflows 32 bits for the largest meshes.
    const int64_t p = primitive < 0 ? 0 : primitive;
    colour[0] = static_cast<float>((17 * p) % 200) / 255.0f;
    colour[1] = static_cast<float>((37 * p) % 200) / 255.0f;
    colour[2] = static_cast<float>((79 * p) % 200) / 255.0f;
    colour[3] = 1.0f;
}

bool hitShadingNormal(const trace::Instance& instance, const trace::Ray& ray, Vec3f& normal) {
    if (!instance.geometry) return false;
    const scene::GeometryRecord& g = *instance.geometry;
    int32_t v[3];
    if (!trace::triangleVertices(g, ray.hitTriangle, v)) return false;
    const float w0 = 1.0f - ray.hitU - ray.hitV, w1 = ray.hitU, w2 = ray.hitV;
    const Vec3f& a = g.normals[v[0]];
    const Vec3f& b = g.normals[v[1]];
    const Vec3f& c = g.normals[v[2]];
    const float n[3] = {w0 * a.x + w1 * b.x + w2 * c.x, w0 * a.y + w1 * b.y + w2 * c.y,
                        w0 * a.z + w1 * b.z + w2 * c.z};
    // World component j is row j of the normal matrix dotted with n.
    const float* N = instance.normalMatrix.m;
    normal = {N[0] * n[0] + N[1] * n[1] + N[2] * n[2], N[3] * n[0] + N[4] * n[1] + N[5] * n[2],
              N[6] * n[0] + N[7] * n[1] + N[8] * n[2]};
    return true;
}

}  // namespace engine
}  // namespace hox
