// Region picking: the frustum of a screen rectangle and the object test.
#include "trace/selection_frustum.h"

#include <cmath>

#include "scene/geometry_record.h"

namespace hox {
namespace trace {
namespace {

// Relative to the geometry's own size, so that the test behaves the same
// for a mesh of millimetres and one of kilometres.
constexpr float kClipToleranceFactor = 1e-5f;

Vec3f add(const Vec3f& a, const Vec3f& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3f sub(const Vec3f& a, const Vec3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3f cross(const Vec3f& a, const Vec3f& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

bool outsideAny(const SelectionFrustum& f, const Vec3f& p) {
    for (const SidePlane& plane : f.planes) {
        if (planeDistance(plane, p) > 0.0f) return true;
    }
    return false;
}

// The plane (if any) that all three points lie outside of.
bool outsideOnePlane(const SelectionFrustum& f, const Vec3f& a, const Vec3f& b, const Vec3f& c) {
    for (const SidePlane& plane : f.planes) {
        if (planeDistance(plane, a) > 0.0f && planeDistance(plane, b) > 0.0f &&
            planeDistance(plane, c) > 0.0f)
            return true;
    }
    return false;
}

bool triangleCrosses(const SelectionFrustum& f, const Vec3f& a, const Vec3f& b, const Vec3f& c,
                     float tolerance) {
    if (outsideOnePlane(f, a, b, c)) return false;
    ClipPolygon polygons[2];
    polygons[0].count = 3;
    polygons[0].points[0] = a;
    polygons[0].points[1] = b;
    polygons[0].points[2] = c;
    int current = 0;
    for (const SidePlane& plane : f.planes) {
        clipPolygon(polygons[current], plane, tolerance, polygons[current ^ 1]);
        current ^= 1;
        if (polygons[current].count == 0) return false;
    }
    return true;
}

float clipTolerance(const scene::GeometryRecord& g) {
    const Vec3f diagonal = sub(g.boundsMax, g.boundsMin);
    const float length = std::sqrt(dot(diagonal, diagonal));
    // An unprepared geometry has the empty box (max below min): no band.
    return std::isfinite(length) && g.boundsMax.x >= g.boundsMin.x ? kClipToleranceFactor * length : 0.0f;
}

}  // namespace

bool buildSelectionFrustum(const Vec3f origins[4], const Vec3f directions[4], SelectionFrustum& out) {
    // The points one unit along each ray; their centre lies inside the
    // frustum, which is convex.
    Vec3f ahead[4];
    Vec3f centre = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        ahead[i] = add(origins[i], directions[i]);
        centre = add(centre, ahead[i]);
    }
    centre = {centre.x * 0.25f, centre.y * 0.25f, centre.z * 0.25f};

    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) & 3;
        // The side holds ray i and the point one unit along ray j. With a
        // shared origin (perspective) this is the cross product of the two
        // directions; with parallel rays (orthographic) it still spans the
        // side, where the bare directions would not.
        Vec3f n = cross(directions[i], sub(ahead[j], origins[i]));
        const float length = std::sqrt(dot(n, n));
        if (!(length > 0.0f) || !std::isfinite(length)) return false;
        n = {n.x / length, n.y / length, n.z / length};
        SidePlane plane = {n, dot(n, origins[i])};
        // The corner order gives all four normals one sense; whether that
        // sense is outward depends on the handedness of the camera's frame
        // (a projection camera may mirror it), so the centre decides.
        if (planeDistance(plane, centre) > 0.0f) plane = {{-n.x, -n.y, -n.z}, -plane.offset};
        out.planes[i] = plane;
    }
    return true;
}

bool boxOutsideFrustum(const SelectionFrustum& frustum, const Vec3f& boxMin, const Vec3f& boxMax) {
    for (const SidePlane& plane : frustum.planes) {
        // The corner farthest on the inner side: if even it is outside, the
        // whole box is.
        const Vec3f inner = {plane.normal.x > 0.0f ? boxMin.x : boxMax.x,
                             plane.normal.y > 0.0f ? boxMin.y : boxMax.y,
                             plane.normal.z > 0.0f ? boxMin.z : boxMax.z};
        if (planeDistance(plane, inner) > 0.0f) return true;
    }
    return false;
}

SelectionFrustum carryFrustum(const SelectionFrustum& world, const Mat4f& objectToWorld) {
    // n · (p·M) − d = Σ_i p_i (Σ_j M[i][j] n_j) + (Σ_j M[3][j] n_j − d): the
    // carried plane needs the matrix itself, not its inverse. A flattened
    // (singular) object is therefore carried as exactly as any other.
    const float* m = objectToWorld.m;
    SelectionFrustum local;
    for (int k = 0; k < 4; ++k) {
        const Vec3f& n = world.planes[k].normal;
        Vec3f carried = {m[0] * n.x + m[1] * n.y + m[2] * n.z, m[4] * n.x + m[5] * n.y + m[6] * n.z,
                         m[8] * n.x + m[9] * n.y + m[10] * n.z};
        float offset = world.planes[k].offset - (m[12] * n.x + m[13] * n.y + m[14] * n.z);
        const float length = std::sqrt(dot(carried, carried));
        if (length > 0.0f && std::isfinite(length)) {
            carried = {carried.x / length, carried.y / length, carried.z / length};
            offset /= length;
        }
        local.planes[k] = {carried, offset};
    }
    return local;
}

bool geometryInFrustum(const scene::GeometryRecord& g, const SelectionFrustum& local, RegionMode mode) {
    const int vertexCount = g.vertexCount < g.coords.count() ? g.vertexCount : g.coords.count();
    const Vec3f* coords = g.coords.data();

    if (mode == RegionMode::Window) {
        for (int v = 0; v < vertexCount; ++v) {
            if (outsideAny(local, coords[v])) return false;
        }
        return true;
    }

    for (int v = 0; v < vertexCount; ++v) {
        if (!outsideAny(local, coords[v])) return true;
    }
    // No vertex inside: only a triangle that passes through the frustum
    // (or around it, as a large triangle seen from close by does) can
    // still touch it.
    const float tolerance = clipTolerance(g);
    const int triangles = g.indices.count() / 3 < g.primitiveCount ? g.indices.count() / 3 : g.primitiveCount;
    const int32_t* indices = g.indices.data();
    for (int t = 0; t < triangles; ++t) {
        const int32_t i0 = indices[3 * t], i1 = indices[3 * t + 1], i2 = indices[3 * t + 2];
        if (i0 < 0 || i1 < 0 || i2 < 0 || i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
            continue;
        if (triangleCrosses(local, coords[i0], coords[i1], coords[i2], tolerance)) return true;
    }
    return false;
}

bool objectInFrustum(const SelectionFrustum& world, RegionMode mode, const Mat4f& objectToWorld,
                     const Vec3f& worldMin, const Vec3f& worldMax, const scene::GeometryRecord* geometry) {
    if (boxOutsideFrustum(world, worldMin, worldMax)) return false;
    if (!geometry) return mode == RegionMode::Window;
    return geometryInFrustum(*geometry, carryFrustum(world, objectToWorld), mode);
}

}  // namespace trace
}  // namespace hox
