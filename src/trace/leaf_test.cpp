// Ray against four precomputed triangles at a time.
//
// Each packet row holds one quantity of four triangles, so the plane
// distance and both barycentric coordinates are three dot products of the
// broadcast ray rows with packet rows: no cross products at trace time.
#include "trace/leaf_test.h"

#include <xmmintrin.h>

namespace hox {
namespace trace {
namespace {

inline __m128 dot3(__m128 ax, __m128 ay, __m128 az, __m128 bx, __m128 by, __m128 bz) {
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(ax, bx), _mm_mul_ps(ay, by)), _mm_mul_ps(az, bz));
}

}  // namespace

bool testLeaf(const MeshLeaf& leaf, Ray& ray) {
    if (!leaf.packets || !leaf.triangles) return false;

    const __m128 ox = _mm_load_ps(ray.sseOrigin[0]);
    const __m128 oy = _mm_load_ps(ray.sseOrigin[1]);
    const __m128 oz = _mm_load_ps(ray.sseOrigin[2]);
    const __m128 dx = _mm_load_ps(ray.sseDirection[0]);
    const __m128 dy = _mm_load_ps(ray.sseDirection[1]);
    const __m128 dz = _mm_load_ps(ray.sseDirection[2]);
    // Hits on the surface a ray leaves from are ignored up to tMin, so that
    // a secondary ray does not find its own start point again.
    const __m128 lower = _mm_set1_ps(ray.isOriginInstance ? ray.tMin : 0.0f);
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);

    bool hitAny = false;
    for (int p = 0; p < leaf.packetCount; ++p) {
        const TrianglePacket& packet = leaf.packets[p];
        const __m128 nx = _mm_load_ps(packet.nx);
        const __m128 ny = _mm_load_ps(packet.ny);
        const __m128 nz = _mm_load_ps(packet.nz);

        const __m128 den = dot3(nx, ny, nz, dx, dy, dz);
        const __m128 num = _mm_sub_ps(dot3(nx, ny, nz, ox, oy, oz), _mm_load_ps(packet.nd));
        // Reciprocal estimate refined by one Newton step. A zero denominator
        // (ray parallel to the plane) gives inf - inf = NaN here, which fails
        // both strict compares below, so such a lane is never hit.
        const __m128 r0 = _mm_rcp_ps(den);
        const __m128 r = _mm_sub_ps(_mm_add_ps(r0, r0), _mm_mul_ps(_mm_mul_ps(r0, den), r0));
        const __m128 t = _mm_mul_ps(_mm_sub_ps(zero, num), r);

        // tMax is re-read for every packet: an earlier packet may have
        // shortened it, and the strict compare keeps a hit at exactly the
        // current distance from replacing the one already recorded.
        const __m128 candidates = _mm_and_ps(_mm_cmplt_ps(t, _mm_load_ps(ray.sseTMax)),
                                             _mm_cmplt_ps(lower, t));
        if (_mm_movemask_ps(candidates) == 0) continue;

        const __m128 px = _mm_add_ps(ox, _mm_mul_ps(t, dx));
        const __m128 py = _mm_add_ps(oy, _mm_mul_ps(t, dy));
        const __m128 pz = _mm_add_ps(oz, _mm_mul_ps(t, dz));
        const __m128 u = _mm_sub_ps(dot3(_mm_load_ps(packet.ux), _mm_load_ps(packet.uy),
                                         _mm_load_ps(packet.uz), px, py, pz),
                                    _mm_load_ps(packet.ud));
        const __m128 v = _mm_sub_ps(dot3(_mm_load_ps(packet.vx), _mm_load_ps(packet.vy),
                                         _mm_load_ps(packet.vz), px, py, pz),
                                    _mm_load_ps(packet.vd));
        const __m128 inside = _mm_and_ps(_mm_and_ps(_mm_cmple_ps(zero, u), _mm_cmple_ps(zero, v)),
                                         _mm_cmple_ps(_mm_add_ps(u, v), one));
        // Filler lanes are built never to hit; masking them as well keeps a
        // damaged packet from naming a triangle past the leaf's run.
        const int remaining = leaf.triangleCount - p * 4;
        const int realLanes = remaining >= 4 ? 0xF : (remaining > 0 ? (1 << remaining) - 1 : 0);
        const int hits = _mm_movemask_ps(_mm_and_ps(candidates, inside)) & realLanes;
        if (hits == 0) continue;

        alignas(16) float tLane[4], uLane[4], vLane[4];
        _mm_store_ps(tLane, t);
        _mm_store_ps(uLane, u);
        _mm_store_ps(vLane, v);
        // Nearest hit lane; on equal distances the later lane wins (<=), so
        // the choice between coincident triangles is fixed by packet order.
        int best = -1;
        for (int j = 0; j < 4; ++j) {
            if ((hits >> j) & 1) {
                if (best < 0 || tLane[j] <= tLane[best]) best = j;
            }
        }
        setRayTMax(ray, tLane[best]);
        ray.hitU = uLane[best];
        ray.hitV = vLane[best];
        ray.hitTriangle = leaf.triangles[p * 4 + best];
        hitAny = true;
    }
    return hitAny;
}

}  // namespace trace
}  // namespace hox
