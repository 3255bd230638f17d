// The frustum of a screen rectangle and the test of one object against it,
// for region picking.
//
// The frustum is the four side planes spanned by the rays through the
// rectangle's corners; it has no near or far plane. An object is tested in
// three steps, cheapest first: its world box against each plane, then its
// vertices, and (in crossing mode) its triangles clipped to the frustum.
// Vertices are never transformed: the planes are carried into the
// geometry's own coordinates once per object instead.
#pragma once

#include "hox/types.h"
#include "trace/polygon_clip.h"

namespace hox {
namespace scene {
class GeometryRecord;
}

namespace trace {

struct SelectionFrustum {
    SidePlane planes[4];
};

enum class RegionMode {
    Window,    // the object must lie wholly inside
    Crossing   // touching the frustum is enough
};

// The frustum of four corner rays given in rotational order (each pair of
// neighbours, closing from the fourth back to the first, spans one side).
// Every normal is unit length and points out of the frustum. False when
// two neighbouring rays span no plane (a degenerate camera or rectangle).
bool buildSelectionFrustum(const Vec3f origins[4], const Vec3f directions[4], SelectionFrustum& out);

// True when the box lies wholly outside one of the planes.
bool boxOutsideFrustum(const SelectionFrustum& frustum, const Vec3f& boxMin, const Vec3f& boxMax);

// The planes in the coordinates of an object placed by `objectToWorld`
// (row-vector convention): a point p of the object lies outside a carried
// plane exactly when p · objectToWorld lies outside the original one. The
// carried normals are rescaled to unit length, so distances are measured in
// the object's own units; a plane whose normal the matrix flattens to zero
// keeps its zero normal and the constant side it gives.
SelectionFrustum carryFrustum(const SelectionFrustum& world, const Mat4f& objectToWorld);

// The vertex and triangle tests of one geometry against a frustum already
// carried into its coordinates.
bool geometryInFrustum(const scene::GeometryRecord& geometry, const SelectionFrustum& local, RegionMode mode);

// The whole test of one object: box rejection against the world planes,
// then the geometry's vertices and triangles. A null geometry counts as one
// without vertices.
bool objectInFrustum(const SelectionFrustum& world, RegionMode mode, const Mat4f& objectToWorld,
                     const Vec3f& worldMin, const Vec3f& worldMax, const scene::GeometryRecord* geometry);

}  // namespace trace
}  // namespace hox
