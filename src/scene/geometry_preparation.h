// Preparing a geometry for rendering: what scene compilation derives once
// per version before the mesh is used.
#pragma once

#include "scene/geometry_record.h"

namespace hox {
namespace scene {

// Derives whatever the state says is missing (bounds, normalising
// transform, normalised coordinates, face normals, vertex normals) and
// returns whether the geometry is ready (state 63). Cheap once ready.
//
// Not ready, and left out of the frame, when indices or coordinates were
// never given, when the record's arrays do not have the sizes its counts
// give, or when an index lies outside [0, vertexCount). The last case is
// reported once per index array with the warning
//   "Geometry <instance> : index <value> out of range [0, <vertexCount>) at triangle <t>"
// naming the first bad index; its verdict is remembered until init or
// setIndexArray gives new indices.
//
// Choices where the rules leave room:
// - Bounds of zero size (a point) or not finite: the normalising scale is 1,
//   so the matrix only moves the centre to the origin and is always
//   invertible. Its inverse is computed in closed form (scale by the
//   reciprocal, move back), which stays exact for meshes of any size where
//   a general inverse would call the tiny determinant of a large mesh's
//   scale singular.
// - A triangle whose edges have length but are parallel (or whose
//   coordinates are not finite) gets the face normal (0, 1, 0), like one
//   with a zero-length edge; no normal is ever NaN.
// Runs on the host thread while no frame reads this version.
bool prepareGeometry(GeometryRecord& geometry);

}  // namespace scene
}  // namespace hox
