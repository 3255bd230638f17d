// Meshes made in code for the built-in scene: every one comes with normals
// and uvs, so that textured shaders work on it.
#pragma once

#include "mesh_data.h"

namespace hox_render {

// A sphere centred at the origin: `segments` around the Y axis, `rings`
// from pole to pole. u runs around, v from the north pole (0) to the south
// pole (1).
MeshData makeSphere(float radius, int segments, int rings);

// A torus around the Y axis: the tube of radius `minorRadius` follows a
// circle of radius `majorRadius` in the XZ plane.
MeshData makeTorus(float majorRadius, float minorRadius, int majorSegments, int minorSegments);

// A rectangle in the XZ plane centred at the origin, facing +Y, `width`
// along X and `depth` along Z. The uvs span 0 … uvRepeat, so a repeating
// texture tiles it uvRepeat times each way.
MeshData makePlane(float width, float depth, float uvRepeat);

}  // namespace hox_render
