// Triangle packets: each triangle as its plane and two barycentric planes.
//
// The leaf test then needs one dot product for the plane distance and one
// per barycentric coordinate. A barycentric plane is scaled so that it reads
// 0 on the opposite edge and 1 at the vertex it belongs to; the triangle is
// first enlarged by a relative 1e-5 around its centroid so that rays through
// an edge shared by two triangles hit at least one of them despite rounding.
//
// The four triangles of a packet are computed together, one per SSE lane:
// every plane costs a square root and three divisions, which dominate the
// packet build when done a triangle at a time. Each lane performs exactly
// the operations, in the order, of the one-triangle formulation (SSE
// arithmetic is IEEE single precision per lane), so the planes are the same
// to the bit as before.
#include "accel/packet_builder.h"

#include <emmintrin.h>

namespace hox {
namespace accel {
namespace {

// Squared edge length below which a triangle counts as degenerate.
constexpr float kDegenerateEdge2 = 1e-20f;
// Relative enlargement of every triangle around its centroid.
constexpr float kEnlarge = 1e-5f;
// Floor of a barycentric plane's scale; a face normal pointing the wrong way
// (clockwise vertices) lands here and the triangle is then missed.
constexpr float kMinPlaneScale = 1e-6f;
// Offset that puts a never-hit lane's plane out of any ray's reach.
constexpr float kFarPlane = 1e20f;

// Three rows of four lanes: the x, y and z of four vectors.
struct V3x4 {
    __m128 x, y, z;
};

inline V3x4 sub(const V3x4& a, const V3x4& b) {
    return {_mm_sub_ps(a.x, b.x), _mm_sub_ps(a.y, b.y), _mm_sub_ps(a.z, b.z)};
}
inline V3x4 add(const V3x4& a, const V3x4& b) {
    return {_mm_add_ps(a.x, b.x), _mm_add_ps(a.y, b.y), _mm_add_ps(a.z, b.z)};
}
inline V3x4 scale(const V3x4& a, __m128 s) { return {_mm_mul_ps(a.x, s), _mm_mul_ps(a.y, s), _mm_mul_ps(a.z, s)}; }
// (x*x + y*y) + z*z, the order of the one-triangle code.
inline __m128 dot(const V3x4& a, const V3x4& b) {
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(a.x, b.x), _mm_mul_ps(a.y, b.y)), _mm_mul_ps(a.z, b.z));
}
inline V3x4 cross(const V3x4& a, const V3x4& b) {
    return {_mm_sub_ps(_mm_mul_ps(a.y, b.z), _mm_mul_ps(a.z, b.y)),
            _mm_sub_ps(_mm_mul_ps(a.z, b.x), _mm_mul_ps(a.x, b.z)),
            _mm_sub_ps(_mm_mul_ps(a.x, b.y), _mm_mul_ps(a.y, b.x))};
}
// mask ? a : b, lane by lane.
inline __m128 select(__m128 mask, __m128 a, __m128 b) {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

// The four triangles' corners and face normals as loaded for one packet.
struct PacketInput {
    alignas(16) float p[3][3][4];  // [corner][axis][lane]
    alignas(16) float n[3][4];     // [axis][lane]
    int usable[4];                 // 1: a triangle with all its data
    int present[4];                // 0: a filler lane past the leaf's end
};

// One barycentric plane per lane: through the edge from p0 along `edge`,
// reading 1 at `vertex`. `valid` clears the lanes whose plane normal has no
// length (face normal parallel to the edge: no area).
void barycentricPlanes(const V3x4& n, const V3x4& edge, const V3x4& p0, const V3x4& vertex, V3x4& normal,
                       __m128& offset, __m128& valid) {
    V3x4 a = cross(n, edge);
    const __m128 length = _mm_sqrt_ps(dot(a, a));
    valid = _mm_and_ps(valid, _mm_cmpgt_ps(length, _mm_setzero_ps()));
    a = scale(a, _mm_div_ps(_mm_set1_ps(1.0f), length));
    __m128 s = _mm_sub_ps(dot(a, vertex), dot(a, p0));
    // !(s >= floor) rather than s < floor: a NaN scale takes the floor too.
    const __m128 floor = _mm_set1_ps(kMinPlaneScale);
    s = select(_mm_cmpge_ps(s, floor), s, floor);
    normal = scale(a, _mm_div_ps(_mm_set1_ps(1.0f), s));
    offset = _mm_div_ps(dot(a, p0), s);
}

// All bits set in the lanes whose flag is 1 (0 - 1 = all ones).
inline __m128 laneMask(const int flags[4]) {
    return _mm_castsi128_ps(
        _mm_sub_epi32(_mm_setzero_si128(), _mm_loadu_si128(reinterpret_cast<const __m128i*>(flags))));
}

V3x4 loadRows(const float rows[3][4]) { return {_mm_load_ps(rows[0]), _mm_load_ps(rows[1]), _mm_load_ps(rows[2])}; }

void storeRows(float x[4], float y[4], float z[4], float d[4], const V3x4& v, __m128 offset) {
    _mm_store_ps(x, v.x);
    _mm_store_ps(y, v.y);
    _mm_store_ps(z, v.z);
    _mm_store_ps(d, offset);
}

void buildPacket(const PacketInput& in, trace::TrianglePacket& packet) {
    V3x4 p0 = loadRows(in.p[0]);
    V3x4 p1 = loadRows(in.p[1]);
    V3x4 p2 = loadRows(in.p[2]);
    const V3x4 n = loadRows(in.n);

    const V3x4 c = scale(add(add(p0, p1), p2), _mm_set1_ps(0.33333334f));
    const __m128 enlarge = _mm_set1_ps(kEnlarge);
    p0 = add(p0, scale(sub(p0, c), enlarge));
    p1 = add(p1, scale(sub(p1, c), enlarge));
    p2 = add(p2, scale(sub(p2, c), enlarge));
    const V3x4 e1 = sub(p1, p0);
    const V3x4 e2 = sub(p0, p2);
    // !(|e|² < limit): a NaN edge passes here, as it did one triangle at a time.
    const __m128 limit = _mm_set1_ps(kDegenerateEdge2);
    __m128 valid = _mm_and_ps(_mm_cmpnlt_ps(dot(e1, e1), limit), _mm_cmpnlt_ps(dot(e2, e2), limit));
    valid = _mm_and_ps(valid, laneMask(in.usable));

    const __m128 nd = dot(n, p0);
    V3x4 u, v;
    __m128 ud, vd;
    // First plane: 0 on edge p0-p2, 1 at p1. Second: 0 on edge p0-p1, 1 at p2.
    barycentricPlanes(n, e2, p0, p1, u, ud, valid);
    barycentricPlanes(n, e1, p0, p2, v, vd, valid);

    // Lanes no ray may hit: plane and first barycentric plane 1e20 away
    // along y; the second points along +y for a degenerate triangle and
    // along -y for a filler, so that even a point on a filler's plane reads
    // v < 0.
    const __m128 present = laneMask(in.present);
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 far = _mm_set1_ps(kFarPlane);
    const V3x4 up = {zero, one, zero};
    const V3x4 missV = {zero, select(present, one, _mm_set1_ps(-1.0f)), zero};
    const auto choose = [valid](const V3x4& hit, const V3x4& miss) {
        return V3x4{select(valid, hit.x, miss.x), select(valid, hit.y, miss.y), select(valid, hit.z, miss.z)};
    };
    storeRows(packet.nx, packet.ny, packet.nz, packet.nd, choose(n, up), select(valid, nd, far));
    storeRows(packet.ux, packet.uy, packet.uz, packet.ud, choose(u, up), select(valid, ud, far));
    storeRows(packet.vx, packet.vy, packet.vz, packet.vd, choose(v, missV), select(valid, vd, far));
}

// A filler lane past the leaf's end, all zero.
void loadFiller(int lane, PacketInput& in) {
    in.present[lane] = 0;
    in.usable[lane] = 0;
    for (int k = 0; k < 3; ++k)
        for (int axis = 0; axis < 3; ++axis) in.p[k][axis][lane] = 0.0f;
    for (int axis = 0; axis < 3; ++axis) in.n[axis][lane] = 0.0f;
}

// Lane `lane` of `in` from the geometry's triangle t; not usable when any of
// its data lie outside the geometry's arrays.
void loadTriangle(const scene::GeometryRecord& g, int32_t t, int lane, PacketInput& in) {
    loadFiller(lane, in);
    in.present[lane] = 1;
    if (t < 0 || t >= g.faceNormals.count() || static_cast<int64_t>(t) * 3 + 2 >= g.indices.count()) return;
    for (int k = 0; k < 3; ++k) {
        const int32_t v = g.indices[t * 3 + k];
        if (v < 0 || v >= g.normalisedCoords.count()) return;
        const Vec3f& p = g.normalisedCoords[v];
        in.p[k][0][lane] = p.x;
        in.p[k][1][lane] = p.y;
        in.p[k][2][lane] = p.z;
    }
    const Vec3f& normal = g.faceNormals[t];
    in.n[0][lane] = normal.x;
    in.n[1][lane] = normal.y;
    in.n[2][lane] = normal.z;
    in.usable[lane] = 1;
}

}  // namespace

void buildLeafPackets(trace::MeshLeaf& leaf, trace::TrianglePacket* packets,
                      const scene::GeometryRecord& geometry) {
    const int count = leaf.triangles && packets && leaf.triangleCount > 0 ? leaf.triangleCount : 0;
    const int packetCount = (count + 3) / 4;
    PacketInput in;
    for (int p = 0; p < packetCount; ++p) {
        for (int j = 0; j < 4; ++j) {
            const int k = p * 4 + j;
            if (k < count)
                loadTriangle(geometry, leaf.triangles[k], j, in);
            else
                loadFiller(j, in);
        }
        buildPacket(in, packets[p]);
    }
    leaf.packetCount = packetCount;
}

}  // namespace accel
}  // namespace hox
