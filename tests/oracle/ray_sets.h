// World rays over a scene's box: a camera grid, random and outside-in rays,
// axis-parallel rays, rays that graze or aim at edges of given triangles.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "mesh_sources.h"
#include "mirrored_scene.h"

namespace hox {
namespace oracle {

// Normalised in double precision, then rounded: both tracers get these floats.
inline WorldRay rayBetween(Vec3d from, Vec3d to) {
    const Vec3d d = normalise(to - from);
    return {toF(from), toF(d)};
}

inline Vec3d randomDirection(std::mt19937& rng) {
    std::normal_distribution<double> n(0.0, 1.0);
    for (;;) {
        const Vec3d d{n(rng), n(rng), n(rng)};
        const double l = length(d);
        if (l > 1e-6) return d * (1.0 / l);
    }
}

inline Vec3d randomPointIn(const Bounds& b, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    return {b.lo.x + u(rng) * (b.hi.x - b.lo.x), b.lo.y + u(rng) * (b.hi.y - b.lo.y),
            b.lo.z + u(rng) * (b.hi.z - b.lo.z)};
}

// A pinhole camera above the box looking at its centre; rays in scanline order.
inline std::vector<WorldRay> cameraRays(const Bounds& b, int width, int height) {
    const Vec3d centre = toD(b.centre());
    const double distance = 1.6 * b.diagonal();
    const Vec3d eye = centre + normalise(Vec3d{0.55, -0.8, 0.45}) * distance;
    const Vec3d forward = normalise(centre - eye);
    const Vec3d right = normalise(cross(forward, Vec3d{0, 0, 1}));
    const Vec3d up = cross(right, forward);
    const double halfHeight = std::tan(0.5 * 36.0 * 3.14159265358979323846 / 180.0);
    const double halfWidth = halfHeight * width / height;
    std::vector<WorldRay> rays;
    rays.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double sx = (2.0 * (x + 0.5) / width - 1.0) * halfWidth;
            const double sy = (1.0 - 2.0 * (y + 0.5) / height) * halfHeight;
            rays.push_back(rayBetween(eye, eye + forward + right * sx + up * sy));
        }
    }
    return rays;
}

// Origins in the box, directions uniform over the sphere: diffuse bounces.
inline std::vector<WorldRay> randomRays(const Bounds& b, int count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<WorldRay> rays;
    rays.reserve(count);
    for (int i = 0; i < count; ++i) {
        const Vec3d o = randomPointIn(b, rng);
        rays.push_back({toF(o), toF(randomDirection(rng))});
    }
    return rays;
}

// Origins on a sphere around the box, aimed at random points inside it.
inline std::vector<WorldRay> outsideInRays(const Bounds& b, int count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<WorldRay> rays;
    rays.reserve(count);
    const Vec3d centre = toD(b.centre());
    for (int i = 0; i < count; ++i) {
        const Vec3d from = centre + randomDirection(rng) * b.diagonal();
        rays.push_back(rayBetween(from, randomPointIn(b, rng)));
    }
    return rays;
}

// Exactly axis-parallel directions, all six, from just outside the box.
inline std::vector<WorldRay> axisRays(const Bounds& b, int count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<WorldRay> rays;
    rays.reserve(count);
    const float margin = 0.01f * b.extent();
    for (int i = 0; i < count; ++i) {
        const int axis = i % 3;
        const bool negative = (i / 3) % 2 == 1;
        Vec3f o = toF(randomPointIn(b, rng));
        (&o.x)[axis] = negative ? (&b.hi.x)[axis] + margin : (&b.lo.x)[axis] - margin;
        Vec3f d{0.0f, 0.0f, 0.0f};
        (&d.x)[axis] = negative ? -1.0f : 1.0f;
        rays.push_back({o, d});
    }
    return rays;
}

struct WorldTriangle {
    Vec3d p[3];
};

// Rays crossing random triangles (`pick(rng)`) at 0.5 to 3 degrees to their plane.
template <typename Pick>
std::vector<WorldRay> grazingRays(const Bounds& b, int count, uint32_t seed, Pick pick) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double degree = 3.14159265358979323846 / 180.0;
    std::vector<WorldRay> rays;
    rays.reserve(count);
    while (static_cast<int>(rays.size()) < count) {
        const WorldTriangle t = pick(rng);
        const Vec3d e1 = t.p[1] - t.p[0], e2 = t.p[2] - t.p[0];
        const Vec3d n = cross(e1, e2);
        if (length(n) < 1e-12 * (dot(e1, e1) + dot(e2, e2)) || length(n) == 0.0) continue;
        double a = u(rng), c = u(rng);
        if (a + c > 1.0) a = 1.0 - a, c = 1.0 - c;
        const Vec3d p = t.p[0] + e1 * a + e2 * c;
        const Vec3d normal = normalise(n);
        Vec3d tangent = cross(normal, randomDirection(rng));
        if (length(tangent) < 1e-6) continue;
        tangent = normalise(tangent);
        const double angle = (0.5 + 2.5 * u(rng)) * degree * (u(rng) < 0.5 ? -1.0 : 1.0);
        const Vec3d d = tangent * std::cos(angle) + normal * std::sin(angle);
        rays.push_back(rayBetween(p - d * b.diagonal(), p));
    }
    return rays;
}

// Rays aimed exactly at edges (now and then a vertex) of random triangles: where leaks show.
template <typename Pick>
std::vector<WorldRay> edgeRays(const Bounds& b, int count, uint32_t seed, Pick pick) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<WorldRay> rays;
    rays.reserve(count);
    const Vec3d centre = toD(b.centre());
    for (int i = 0; i < count; ++i) {
        const WorldTriangle t = pick(rng);
        const int k = static_cast<int>(rng() % 3);
        const double s = (i % 16 == 0) ? 0.0 : u(rng);
        const Vec3d target = t.p[k] + (t.p[(k + 1) % 3] - t.p[k]) * s;
        rays.push_back(rayBetween(centre + randomDirection(rng) * b.diagonal(), target));
    }
    return rays;
}

}  // namespace oracle
}  // namespace hox
