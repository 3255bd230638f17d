// TrianglePacket: four triangles precomputed for the SSE leaf test.
//
// Per triangle: its plane and two barycentric planes; lane j of every row
// belongs to triangle j, so one SSE instruction handles all four.
#pragma once

namespace hox {
namespace trace {

struct alignas(16) TrianglePacket {
    float nx[4], ny[4], nz[4];  // plane normal (the triangle's face normal)
    float nd[4];                // plane offset: n . p0
    float ux[4], uy[4], uz[4];  // first barycentric plane (0 on edge p0-p2, 1 at p1)
    float ud[4];
    float vx[4], vy[4], vz[4];  // second barycentric plane (0 on edge p0-p1, 1 at p2)
    float vd[4];
};
static_assert(sizeof(TrianglePacket) == 192, "TrianglePacket is twelve SSE rows");

}  // namespace trace
}  // namespace hox
