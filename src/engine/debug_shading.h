// The debug shading modes of rt_debugShade: what a hit looks like without
// its shader. Mode 1 shows the surface normal, mode 2 the primitive number.
#pragma once

#include <cstdint>

#include "hox/types.h"
#include "trace/instance.h"
#include "trace/ray.h"

namespace hox {
namespace engine {

enum DebugShadeMode { kShadeWithShaders = 0, kShadeNormals = 1, kShadePrimitives = 2 };

// ((nx + 1) / 2, (ny + 1) / 2, (nz + 1) / 2, 1) of the shading normal as
// the shading record holds it (words 9-11), not normalised: the debug view
// shows what a shader would be handed, so a scaled object's shorter or
// longer normals show up in it too.
void normalColour(const Vec3f& normal, float colour[4]);

// ((17p mod 200) / 255, (37p mod 200) / 255, (79p mod 200) / 255, 1):
// neighbouring primitives get clearly different colours.
void primitiveColour(int32_t primitive, float colour[4]);

// The shading normal of the hit recorded in `ray` on `instance`, in the
// object's world frame: the triangle's vertex normals blended with the
// hit's weights and carried by the transposed normal matrix, as the
// shading record holds it. False when the ray's triangle is not the
// instance geometry's.
bool hitShadingNormal(const trace::Instance& instance, const trace::Ray& ray, Vec3f& normal);

}  // namespace engine
}  // namespace hox
