// Small vector and matrix helpers of the renderer tool, on the interface's
// plain types. Matrices follow the library's row-vector convention: a point
// p maps to p * M, the translation sits in elements 12 to 14.
#pragma once

#include <cmath>

#include "hox/types.h"

namespace hox_render {

inline hox::Vec3f operator+(const hox::Vec3f& a, const hox::Vec3f& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline hox::Vec3f operator-(const hox::Vec3f& a, const hox::Vec3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline hox::Vec3f operator*(const hox::Vec3f& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(const hox::Vec3f& a, const hox::Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline hox::Vec3f cross(const hox::Vec3f& a, const hox::Vec3f& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(const hox::Vec3f& a) { return std::sqrt(dot(a, a)); }
// The unit vector along `a`, or (0, 0, 0) for a vector of no length.
inline hox::Vec3f normalize(const hox::Vec3f& a) {
    const float l = length(a);
    return l > 0.0f ? a * (1.0f / l) : hox::Vec3f{0.0f, 0.0f, 0.0f};
}
inline float maxComponent(const hox::Vec3f& a) { return std::fmax(a.x, std::fmax(a.y, a.z)); }

inline hox::Mat4f identityMatrix() { return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

inline hox::Mat4f translationMatrix(const hox::Vec3f& t) {
    hox::Mat4f m = identityMatrix();
    m.m[12] = t.x;
    m.m[13] = t.y;
    m.m[14] = t.z;
    return m;
}

// Uniform scale s followed by the translation t.
inline hox::Mat4f scaleTranslateMatrix(float s, const hox::Vec3f& t) {
    hox::Mat4f m = translationMatrix(t);
    m.m[0] = m.m[5] = m.m[10] = s;
    return m;
}

// a then b: p * (a * b) = (p * a) * b.
inline hox::Mat4f multiply(const hox::Mat4f& a, const hox::Mat4f& b) {
    hox::Mat4f r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[i * 4 + k] * b.m[k * 4 + j];
            r.m[i * 4 + j] = sum;
        }
    return r;
}

inline hox::Vec3f transformPoint(const hox::Vec3f& p, const hox::Mat4f& m) {
    return {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12],
            p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
            p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}

inline hox::Vec3f transformDirection(const hox::Vec3f& d, const hox::Mat4f& m) {
    return {d.x * m.m[0] + d.y * m.m[4] + d.z * m.m[8], d.x * m.m[1] + d.y * m.m[5] + d.z * m.m[9],
            d.x * m.m[2] + d.y * m.m[6] + d.z * m.m[10]};
}

// An entity frame at `position` whose -Z axis points along `forward` and
// whose +Y axis leans towards `up`: how cameras and lights are placed (both
// look along their -Z axis). A forward parallel to up falls back to another
// up so that the frame never degenerates.
inline hox::Mat4f frameLookingAlong(const hox::Vec3f& position, const hox::Vec3f& forward, const hox::Vec3f& up) {
    const hox::Vec3f z = normalize(forward * -1.0f);
    hox::Vec3f x = normalize(cross(up, z));
    if (length(x) < 0.5f) x = normalize(cross(std::fabs(z.y) < 0.9f ? hox::Vec3f{0, 1, 0} : hox::Vec3f{1, 0, 0}, z));
    const hox::Vec3f y = cross(z, x);
    return {{x.x, x.y, x.z, 0, y.x, y.y, y.z, 0, z.x, z.y, z.z, 0, position.x, position.y, position.z, 1}};
}

// Axis-aligned bounds; empty until the first point is added.
struct Bounds {
    hox::Vec3f min = {1e30f, 1e30f, 1e30f};
    hox::Vec3f max = {-1e30f, -1e30f, -1e30f};

    bool empty() const { return min.x > max.x; }
    void add(const hox::Vec3f& p) {
        min = {std::fmin(min.x, p.x), std::fmin(min.y, p.y), std::fmin(min.z, p.z)};
        max = {std::fmax(max.x, p.x), std::fmax(max.y, p.y), std::fmax(max.z, p.z)};
    }
    void merge(const Bounds& b) {
        if (b.empty()) return;
        add(b.min);
        add(b.max);
    }
    hox::Vec3f centre() const { return (min + max) * 0.5f; }
    hox::Vec3f extent() const { return max - min; }
};

}  // namespace hox_render
