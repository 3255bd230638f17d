// The directions the tracing services cast: the tangent frame of a normal,
// table directions carried into it, and the anisotropic Phong lobe of
// Ashikhmin and Shirley for glossy rays. Pure functions, kept apart from
// the worker so that they can be checked on their own.
#pragma once

#include "hox/types.h"

namespace hox {
namespace engine {

// Roughness below this counts as a perfect mirror; lobes clamp to it.
constexpr float kMinGlossyRoughness = 0.001f;

// An orthonormal frame (t1, t2, n) around unit `n`: t1 is perpendicular to
// n and to the x axis when n.y² + n.z² > 1e-6, else perpendicular to n and
// the y axis; t2 = n × t1.
void tangentFrame(const Vec3f& n, Vec3f& t1, Vec3f& t2);

// x·t1 + y·t2 + z·n, normalised.
Vec3f frameDirection(const float d[3], const Vec3f& t1, const Vec3f& t2, const Vec3f& n);

// The lobe exponent of a roughness: 1 / r⁴ with r clamped to [0.001, 1]
// (a roughness that is no number counts as the smallest).
float lobeExponent(float roughness);

// A direction of the lobe around unit `axis` for the square sample
// (xi1, xi2): azimuth φ from xi1 with the anisotropy k = √((nu+1)/(nv+1)),
// cos θ = xi2^(1/(nu cos²φ + nv sin²φ + 1)); the result
// cos θ·axis + sin θ(cos φ·tangent + sin φ·bitangent), normalised.
Vec3f glossyLobeDirection(const Vec3f& axis, const Vec3f& tangent, const Vec3f& bitangent, float nu,
                          float nv, float xi1, float xi2);

}  // namespace engine
}  // namespace hox
