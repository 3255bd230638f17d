// Small vector arithmetic for the shading code: the services work on single
// points and directions in the object world frame, so plain scalar inline
// functions are all they need.
#pragma once

#include <cmath>

#include "hox/types.h"

namespace hox {
namespace engine {

inline Vec3f operator+(const Vec3f& a, const Vec3f& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3f operator-(const Vec3f& a, const Vec3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3f operator-(const Vec3f& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3f operator*(const Vec3f& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
// Per channel, for colours.
inline Vec3f operator*(const Vec3f& a, const Vec3f& b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }

inline float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3f cross(const Vec3f& a, const Vec3f& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float lengthSquared(const Vec3f& a) { return dot(a, a); }

// `a` scaled to unit length; the zero vector for a zero (or not finite)
// length, so that a degenerate input fails every later comparison quietly
// instead of spreading NaN.
inline Vec3f normalizedOrZero(const Vec3f& a) {
    const float length = std::sqrt(lengthSquared(a));
    if (!(length > 0.0f) || !std::isfinite(length)) return {0.0f, 0.0f, 0.0f};
    const float inverse = 1.0f / length;
    return a * inverse;
}

inline bool isBlack(const Vec3f& c) { return c.x == 0.0f && c.y == 0.0f && c.z == 0.0f; }

}  // namespace engine
}  // namespace hox
