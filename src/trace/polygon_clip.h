// Clipping a convex polygon against planes: what is left of a triangle
// inside a selection frustum.
#pragma once

#include "hox/types.h"

namespace hox {
namespace trace {

// A plane as the selection tests use it: a point p lies outside when
// normal · p − offset > 0.
struct SidePlane {
    Vec3f normal;
    float offset;
};

// A triangle clipped by four planes gains at most one vertex per plane
// (seven in all); the room beyond that is slack for tolerance effects.
constexpr int kMaxClipVertices = 16;

struct ClipPolygon {
    int count = 0;
    Vec3f points[kMaxClipVertices];
};

// Signed distance of p from the plane, positive outside (in the plane
// normal's units).
inline float planeDistance(const SidePlane& plane, const Vec3f& p) {
    return plane.normal.x * p.x + plane.normal.y * p.y + plane.normal.z * p.z - plane.offset;
}

// Keeps the part of `in` on the inner side of `plane` in `out` (which must
// not be `in`). A vertex within `tolerance` of the plane counts as lying on
// it and is kept; a crossing point is inserted only on an edge that runs
// from strictly inside to strictly outside or back, so a polygon that merely
// touches the plane keeps its touching vertices and nothing else.
void clipPolygon(const ClipPolygon& in, const SidePlane& plane, float tolerance, ClipPolygon& out);

}  // namespace trace
}  // namespace hox
