// Triangle packets: each triangle as its plane and two barycentric planes.
//
// The leaf test then needs one dot product for the plane distance and one
// per barycentric coordinate. A barycentric plane is scaled so that it reads
// 0 on the opposite edge and 1 at the vertex it belongs to; the triangle is
// first enlarged by a relative 1e-5 around its centroid so that rays through
// an edge shared by two triangles hit at least one of them despite rounding.
#include "accel/packet_builder.h"

#include <cmath>

namespace hox {
namespace accel {
namespace {

struct V3 {
    float x, y, z;
};

inline V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 add(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 scale(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Squared edge length below which a triangle counts as degenerate.
constexpr float kDegenerateEdge2 = 1e-20f;
// Relative enlargement of every triangle around its centroid.
constexpr float kEnlarge = 1e-5f;
// Floor of a barycentric plane's scale; a face normal pointing the wrong way
// (clockwise vertices) lands here and the triangle is then missed.
constexpr float kMinPlaneScale = 1e-6f;
// Offset that puts a never-hit lane's plane out of any ray's reach.
constexpr float kFarPlane = 1e20f;

struct Lane {
    V3 n;
    float nd;
    V3 u;
    float ud;
    V3 v;
    float vd;
};

// A lane no ray hits: its plane lies 1e20 away along y. The second
// barycentric plane points the other way, so that even a point on that
// plane would read v < 0.
Lane fillerLane() {
    return {{0, 1, 0}, kFarPlane, {0, 1, 0}, kFarPlane, {0, -1, 0}, kFarPlane};
}

Lane degenerateLane() {
    return {{0, 1, 0}, kFarPlane, {0, 1, 0}, kFarPlane, {0, 1, 0}, kFarPlane};
}

// The barycentric plane through the edge from `from` (normal a) measured
// towards `vertex`. False when the plane normal has no length (face normal
// parallel to the edge: the triangle has no area).
bool barycentricPlane(V3 n, V3 edge, V3 p0, V3 vertex, V3& normal, float& offset) {
    V3 a = cross(n, edge);
    const float length = std::sqrt(dot(a, a));
    if (!(length > 0.0f)) return false;
    a = scale(a, 1.0f / length);
    float s = dot(a, vertex) - dot(a, p0);
    if (!(s >= kMinPlaneScale)) s = kMinPlaneScale;
    normal = scale(a, 1.0f / s);
    offset = dot(a, p0) / s;
    return true;
}

Lane buildLane(V3 p0, V3 p1, V3 p2, V3 n) {
    const V3 c = scale(add(add(p0, p1), p2), 0.33333334f);
    p0 = add(p0, scale(sub(p0, c), kEnlarge));
    p1 = add(p1, scale(sub(p1, c), kEnlarge));
    p2 = add(p2, scale(sub(p2, c), kEnlarge));
    const V3 e1 = sub(p1, p0);
    const V3 e2 = sub(p0, p2);
    if (dot(e1, e1) < kDegenerateEdge2 || dot(e2, e2) < kDegenerateEdge2) return degenerateLane();

    Lane lane;
    lane.n = n;
    lane.nd = dot(n, p0);
    // First plane: 0 on edge p0-p2, 1 at p1. Second: 0 on edge p0-p1, 1 at p2.
    if (!barycentricPlane(n, e2, p0, p1, lane.u, lane.ud) ||
        !barycentricPlane(n, e1, p0, p2, lane.v, lane.vd)) {
        // A zero plane normal would read u = 0 everywhere and turn the
        // triangle into its whole plane.
        return degenerateLane();
    }
    return lane;
}

inline V3 toV3(const Vec3f& v) { return {v.x, v.y, v.z}; }

// The lane of the geometry's triangle t; a degenerate one when any of its
// data lie outside the geometry's arrays.
Lane triangleLane(const scene::GeometryRecord& g, int32_t t) {
    if (t < 0 || t >= g.faceNormals.count() || static_cast<int64_t>(t) * 3 + 2 >= g.indices.count()) {
        return degenerateLane();
    }
    V3 p[3];
    for (int k = 0; k < 3; ++k) {
        const int32_t v = g.indices[t * 3 + k];
        if (v < 0 || v >= g.normalisedCoords.count()) return degenerateLane();
        p[k] = toV3(g.normalisedCoords[v]);
    }
    return buildLane(p[0], p[1], p[2], toV3(g.faceNormals[t]));
}

void store(trace::TrianglePacket& packet, int j, const Lane& lane) {
    packet.nx[j] = lane.n.x;
    packet.ny[j] = lane.n.y;
    packet.nz[j] = lane.n.z;
    packet.nd[j] = lane.nd;
    packet.ux[j] = lane.u.x;
    packet.uy[j] = lane.u.y;
    packet.uz[j] = lane.u.z;
    packet.ud[j] = lane.ud;
    packet.vx[j] = lane.v.x;
    packet.vy[j] = lane.v.y;
    packet.vz[j] = lane.v.z;
    packet.vd[j] = lane.vd;
}

}  // namespace

void buildLeafPackets(trace::MeshLeaf& leaf, trace::TrianglePacket* packets,
                      const scene::GeometryRecord& geometry) {
    const int count = leaf.triangles && packets && leaf.triangleCount > 0 ? leaf.triangleCount : 0;
    const int packetCount = (count + 3) / 4;
    for (int p = 0; p < packetCount; ++p) {
        for (int j = 0; j < 4; ++j) {
            const int k = p * 4 + j;
            store(packets[p], j, k < count ? triangleLane(geometry, leaf.triangles[k]) : fillerLane());
        }
    }
    leaf.packetCount = packetCount;
}

}  // namespace accel
}  // namespace hox
