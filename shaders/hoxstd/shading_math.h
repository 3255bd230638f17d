// Vector arithmetic and the small optical formulas the standard shaders
// share. Everything is inline and free of state: shade() runs on every
// render thread at once and must not touch anything but its own stack.
#pragma once

#include <algorithm>
#include <cmath>

#include "hox/shader_api.h"

namespace hoxstd {

using hox::Vec2f;
using hox::Vec3f;
using hox::Vec4f;

constexpr float kPi = 3.14159265358979f;

// Starting value of a texture parameter: names no texture. The instance is
// the null handle's (all 28 instance bits set); 0 would name the first
// texture the host happens to create.
constexpr hox::UniformRef kUnboundTexture{nullptr, 0xFFFFFFFu, 0};

inline Vec3f operator+(const Vec3f& a, const Vec3f& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3f operator-(const Vec3f& a, const Vec3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3f operator-(const Vec3f& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3f operator*(const Vec3f& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3f operator*(float s, const Vec3f& a) { return a * s; }
// Per-channel product: colour times colour.
inline Vec3f operator*(const Vec3f& a, const Vec3f& b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline Vec3f& operator+=(Vec3f& a, const Vec3f& b) { return a = a + b; }

inline float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3f cross(const Vec3f& a, const Vec3f& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(const Vec3f& a) { return std::sqrt(dot(a, a)); }

// The unit vector along `a`, or `fallback` when `a` has no usable length
// (zero, or not a number).
inline Vec3f normalizeOr(const Vec3f& a, const Vec3f& fallback) {
    const float len = length(a);
    if (!(len > 1e-12f) || !std::isfinite(len)) return fallback;
    return a * (1.0f / len);
}

inline Vec3f rgb(const Vec4f& c) { return {c.x, c.y, c.z}; }
inline Vec4f opaque(const Vec3f& c) { return {c.x, c.y, c.z, 1.0f}; }

inline float clamp(float x, float lo, float hi) { return std::min(std::max(x, lo), hi); }
inline Vec3f lerp(const Vec3f& a, const Vec3f& b, float t) { return a + (b - a) * t; }

// 0 below `edge0`, 1 above `edge1`, a cubic with flat ends between.
inline float smoothstep(float edge0, float edge1, float x) {
    const float t = clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Mirror image of the incoming direction `d` about the normal `n` (unit).
inline Vec3f reflect(const Vec3f& d, const Vec3f& n) { return d - n * (2.0f * dot(d, n)); }

// The unit shading normal of a hit, turned toward the viewer. The
// interpolated normal comes unnormalised and may face either way (two-sided
// meshes, normals authored inside out); a degenerate one falls back to the
// face normal, and failing that to the reverse of the ray.
inline Vec3f facingNormal(const hox::ShadingState& state) {
    const Vec3f d = state.rayDirection;
    Vec3f n = normalizeOr(state.normal, normalizeOr(state.faceNormal, -d));
    if (dot(n, d) > 0.0f) n = -n;
    return n;
}

// Blinn highlight exponent for a roughness in (0, 1]: the usual match of a
// Blinn lobe to a Beckmann one of slope `roughness`. 1 gives a flat lobe,
// 0.2 about 48, small values a pin-point highlight.
inline float blinnExponent(float roughness) {
    const float r = clamp(roughness, 0.01f, 1.0f);
    return 2.0f / (r * r) - 2.0f;
}

// Schlick's approximation of Fresnel reflectance, `f0` at normal incidence.
inline float schlick(float cosTheta, float f0) {
    const float m = 1.0f - clamp(cosTheta, 0.0f, 1.0f);
    const float m2 = m * m;
    return f0 + (1.0f - f0) * m2 * m2 * m;
}
inline Vec3f schlick(float cosTheta, const Vec3f& f0) {
    return {schlick(cosTheta, f0.x), schlick(cosTheta, f0.y), schlick(cosTheta, f0.z)};
}

// Reflectance at normal incidence of a boundary between indices n1 and n2.
inline float normalReflectance(float n1, float n2) {
    const float r = (n1 - n2) / (n1 + n2);
    return r * r;
}

// Exact unpolarised Fresnel reflectance of a dielectric boundary, for the
// cosines of the incident and the transmitted angle (both >= 0).
inline float fresnelDielectric(float cosI, float cosT, float n1, float n2) {
    const float rs = (n1 * cosI - n2 * cosT) / (n1 * cosI + n2 * cosT);
    const float rp = (n2 * cosI - n1 * cosT) / (n2 * cosI + n1 * cosT);
    return 0.5f * (rs * rs + rp * rp);
}

}  // namespace hoxstd
