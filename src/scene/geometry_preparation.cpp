// Geometry preparation: bounds, normalising transform, face and vertex
// normals, and the one-time index check.
#include "scene/geometry_preparation.h"

#include <cmath>
#include <cstddef>

#include "platform/aligned_memory.h"
#include "scene/geometry_edit.h"
#include "scene/matrix4.h"
#include "util/messages.h"

namespace hox {
namespace scene {
namespace {

// Normals are worked out in double precision: thin triangles of large
// meshes lose their direction in float cross products.
struct DVec3 {
    double x, y, z;
};

DVec3 toDouble(const Vec3f& v) { return DVec3{v.x, v.y, v.z}; }
DVec3 sub(const DVec3& a, const DVec3& b) { return DVec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
DVec3 cross(const DVec3& a, const DVec3& b) {
    return DVec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(const DVec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
DVec3 scaled(const DVec3& v, double s) { return DVec3{v.x * s, v.y * s, v.z * s}; }

// The normal of anything without a direction of its own.
const Vec3f kDefaultNormal{0.0f, 1.0f, 0.0f};

// v / |v|, or the default normal when v has no usable length (zero, or the
// coordinates were not finite).
Vec3f normalisedOrDefault(const DVec3& v) {
    const double len = length(v);
    if (!(len > 0.0) || !std::isfinite(len)) return kDefaultNormal;
    return Vec3f{static_cast<float>(v.x / len), static_cast<float>(v.y / len),
                 static_cast<float>(v.z / len)};
}

// Every array must have the size the counts give; a record that says
// otherwise (memory ran out while copying it) must not be indexed.
bool arraysConsistent(const GeometryRecord& g) {
    if (!geometryCountsValid(g.geometryType, g.primitiveCount, g.vertexCount)) return false;
    return g.indices.count() == 3 * g.primitiveCount && g.coords.count() == g.vertexCount &&
           g.normalisedCoords.count() == g.vertexCount && g.normals.count() == g.vertexCount &&
           g.faceNormals.count() == g.primitiveCount;
}

// Scans the indices once; reports the first one out of range.
IndexCheck checkIndices(const GeometryRecord& g) {
    const int count = g.indices.count();
    for (int i = 0; i < count; ++i) {
        const int32_t index = g.indices[i];
        if (index < 0 || index >= g.vertexCount) {
            util::warning("Geometry %d : index %d out of range [0, %d) at triangle %d\n",
                          g.instance(), index, g.vertexCount, i / 3);
            return INDICES_INVALID;
        }
    }
    return INDICES_VALID;
}

void deriveBounds(GeometryRecord& g) {
    Vec3f lo{1e38f, 1e38f, 1e38f};
    Vec3f hi{-1e38f, -1e38f, -1e38f};
    for (const Vec3f& p : g.coords) {
        if (p.x < lo.x) lo.x = p.x;
        if (p.y < lo.y) lo.y = p.y;
        if (p.z < lo.z) lo.z = p.z;
        if (p.x > hi.x) hi.x = p.x;
        if (p.y > hi.y) hi.y = p.y;
        if (p.z > hi.z) hi.z = p.z;
    }
    g.boundsMin = lo;
    g.boundsMax = hi;
}

// Moves the centre of the bounds to the origin and scales the longest side
// to 2: p' = (p - centre) * s, as the matrix diag(s, s, s, 1) with the
// translation -centre * s in elements 12..14.
void deriveNormalising(GeometryRecord& g) {
    const double cx = 0.5 * (static_cast<double>(g.boundsMin.x) + g.boundsMax.x);
    const double cy = 0.5 * (static_cast<double>(g.boundsMin.y) + g.boundsMax.y);
    const double cz = 0.5 * (static_cast<double>(g.boundsMin.z) + g.boundsMax.z);
    double longest = static_cast<double>(g.boundsMax.x) - g.boundsMin.x;
    const double dy = static_cast<double>(g.boundsMax.y) - g.boundsMin.y;
    const double dz = static_cast<double>(g.boundsMax.z) - g.boundsMin.z;
    if (dy > longest) longest = dy;
    if (dz > longest) longest = dz;

    // A point-like or unbounded mesh has no side to scale: keep its size.
    double s = 1.0;
    if (longest > 0.0 && std::isfinite(longest)) {
        const double candidate = 2.0 / longest;
        if (std::isfinite(static_cast<float>(candidate)) && static_cast<float>(candidate) > 0.0f)
            s = candidate;
    }

    Mat4f m = mat4Identity();
    m.m[0] = m.m[5] = m.m[10] = static_cast<float>(s);
    m.m[12] = static_cast<float>(-cx * s);
    m.m[13] = static_cast<float>(-cy * s);
    m.m[14] = static_cast<float>(-cz * s);

    // Closed-form inverse: scale by 1/s, then move the centre back.
    Mat4f inv = mat4Identity();
    inv.m[0] = inv.m[5] = inv.m[10] = static_cast<float>(1.0 / s);
    inv.m[12] = static_cast<float>(cx);
    inv.m[13] = static_cast<float>(cy);
    inv.m[14] = static_cast<float>(cz);
    if (!std::isfinite(inv.m[12]) || !std::isfinite(inv.m[13]) || !std::isfinite(inv.m[14]))
        inv = mat4Zero();

    g.normalising = m;
    g.normalisingInverse = inv;
    for (int i = 0; i < g.vertexCount; ++i) g.normalisedCoords[i] = transformPoint(g.coords[i], m);
}

void deriveFaceNormals(GeometryRecord& g) {
    for (int t = 0; t < g.primitiveCount; ++t) {
        const int32_t* tri = g.indices.data() + 3 * t;
        const DVec3 a = toDouble(g.coords[tri[0]]);
        const DVec3 e1 = sub(toDouble(g.coords[tri[1]]), a);
        const DVec3 e2 = sub(toDouble(g.coords[tri[2]]), a);
        const double len1 = length(e1);
        const double len2 = length(e2);
        if (!(len1 > 0.0) || !(len2 > 0.0)) {
            g.faceNormals[t] = kDefaultNormal;
            continue;
        }
        // Parallel edges give a zero cross product, which falls back to the
        // default normal as well.
        g.faceNormals[t] = normalisedOrDefault(cross(scaled(e1, 1.0 / len1), scaled(e2, 1.0 / len2)));
    }
}

// Area-weighted average of the face normals around each vertex.
bool deriveVertexNormals(GeometryRecord& g) {
    const std::size_t n = static_cast<std::size_t>(g.vertexCount);
    DVec3* sums = static_cast<DVec3*>(platform::alignedAlloc(sizeof(DVec3) * n));
    if (!sums) return false;
    for (std::size_t i = 0; i < n; ++i) sums[i] = DVec3{0.0, 0.0, 0.0};

    for (int t = 0; t < g.primitiveCount; ++t) {
        const int32_t* tri = g.indices.data() + 3 * t;
        const DVec3 a = toDouble(g.coords[tri[0]]);
        const DVec3 e1 = sub(toDouble(g.coords[tri[1]]), a);
        const DVec3 e2 = sub(toDouble(g.coords[tri[2]]), a);
        const double area = 0.5 * length(cross(e1, e2));
        if (!(area > 0.0) || !std::isfinite(area)) continue;
        const DVec3 weighted = scaled(toDouble(g.faceNormals[t]), area);
        for (int k = 0; k < 3; ++k) {
            DVec3& s = sums[tri[k]];
            s.x += weighted.x;
            s.y += weighted.y;
            s.z += weighted.z;
        }
    }
    for (std::size_t i = 0; i < n; ++i) g.normals[static_cast<int>(i)] = normalisedOrDefault(sums[i]);
    platform::alignedFree(sums);
    return true;
}

}  // namespace

bool prepareGeometry(GeometryRecord& g) {
    if (!(g.state & GEOMETRY_INDICES) || !(g.state & GEOMETRY_COORDS)) return false;
    if (!arraysConsistent(g)) return false;

    // Before the "already ready" shortcut: the setters leave the state
    // bits alone, so a ready geometry may just have received new indices.
    if (g.indexCheck == INDICES_UNCHECKED) g.indexCheck = checkIndices(g);
    if (g.indexCheck != INDICES_VALID) return false;

    if (g.state == GEOMETRY_READY) return true;

    if (!(g.state & GEOMETRY_BOUNDS)) {
        deriveBounds(g);
        g.state |= GEOMETRY_BOUNDS;
    }
    if (!(g.state & GEOMETRY_NORMALISED)) {
        deriveNormalising(g);
        g.state |= GEOMETRY_NORMALISED;
    }
    if (!(g.state & GEOMETRY_FACE_NORMALS)) {
        deriveFaceNormals(g);
        g.state |= GEOMETRY_FACE_NORMALS;
    }
    if (!(g.state & GEOMETRY_NORMALS)) {
        if (deriveVertexNormals(g)) g.state |= GEOMETRY_NORMALS;
    }
    return g.state == GEOMETRY_READY;
}

}  // namespace scene
}  // namespace hox
