// Triangle meshes for the Embree cross-checks and the trace benchmark:
// procedural shapes of any size and OBJ models, as plain arrays.
#pragma once

#include <tiny_obj_loader.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "hox/types.h"

namespace hox {
namespace oracle {

struct MeshData {
    std::string name;
    std::vector<Vec3f> vertices;
    std::vector<int32_t> indices;  // three per triangle
    int triangleCount() const { return static_cast<int>(indices.size() / 3); }
};

struct Bounds {
    Vec3f lo{1e30f, 1e30f, 1e30f};
    Vec3f hi{-1e30f, -1e30f, -1e30f};

    void add(const Vec3f& p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    void add(const Bounds& b) {
        add(b.lo);
        add(b.hi);
    }
    Vec3f centre() const { return {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2}; }
    float extent() const { return std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}); }
    float diagonal() const {
        const float dx = hi.x - lo.x, dy = hi.y - lo.y, dz = hi.z - lo.z;
        return std::sqrt(dx * dx + dy * dy + dz * dz);
    }
};

inline Bounds meshBounds(const MeshData& mesh) {
    Bounds b;
    for (const Vec3f& v : mesh.vertices) b.add(v);
    return b;
}

// A rippled UV sphere of radius about 1 with about `triangles` triangles (exactly
// when four times a square), the polar bands as fans.
inline MeshData makeSphereWithTriangles(int triangles) {
    const int half = std::max(2, static_cast<int>(std::lround(std::sqrt(triangles / 4.0))));
    const int segments = 2 * half, rings = half + 1;
    const double pi = 3.14159265358979323846;
    auto radius = [](double theta, double phi) {
        return 1.0 + 0.05f * std::sin(7.0 * theta) * std::sin(9.0 * phi);
    };
    MeshData mesh;
    mesh.vertices.push_back({0.0f, 0.0f, static_cast<float>(radius(0, 0))});
    for (int r = 1; r < rings; ++r) {
        const double theta = pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            const double phi = 2.0 * pi * s / segments, rad = radius(theta, phi);
            mesh.vertices.push_back({static_cast<float>(rad * std::sin(theta) * std::cos(phi)),
                                     static_cast<float>(rad * std::sin(theta) * std::sin(phi)),
                                     static_cast<float>(rad * std::cos(theta))});
        }
    }
    mesh.vertices.push_back({0.0f, 0.0f, static_cast<float>(-radius(pi, 0))});
    const int south = static_cast<int>(mesh.vertices.size()) - 1;
    auto ring = [&](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };
    for (int s = 0; s < segments; ++s) mesh.indices.insert(mesh.indices.end(), {0, ring(1, s), ring(1, s + 1)});
    for (int r = 1; r + 1 < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int a = ring(r, s), b = ring(r, s + 1), c = ring(r + 1, s), d = ring(r + 1, s + 1);
            mesh.indices.insert(mesh.indices.end(), {a, c, d, a, d, b});
        }
    }
    for (int s = 0; s < segments; ++s)
        mesh.indices.insert(mesh.indices.end(), {south, ring(rings - 1, s + 1), ring(rings - 1, s)});
    mesh.name = "sphere-" + std::to_string(mesh.triangleCount());
    return mesh;
}

// Overlapping, interpenetrating triangles in the unit cube: the worst case for a hierarchy.
inline MeshData makeSoup(int count, uint32_t seed) {
    MeshData mesh;
    mesh.name = "soup-" + std::to_string(count);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float size = 2.5f / std::cbrt(static_cast<float>(count));
    std::uniform_real_distribution<float> offset(-size, size);
    for (int t = 0; t < count; ++t) {
        const Vec3f c{unit(rng), unit(rng), unit(rng)};
        for (int k = 0; k < 3; ++k) {
            mesh.indices.push_back(static_cast<int32_t>(mesh.vertices.size()));
            mesh.vertices.push_back({c.x + offset(rng), c.y + offset(rng), c.z + offset(rng)});
        }
    }
    return mesh;
}

// A terrain of `cells` x `cells` quads over the unit square, heights from waves and noise.
inline MeshData makeHeightField(int cells, uint32_t seed) {
    MeshData mesh;
    mesh.name = "heightfield-" + std::to_string(2 * cells * cells);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(-0.004f, 0.004f);
    for (int y = 0; y <= cells; ++y) {
        for (int x = 0; x <= cells; ++x) {
            const float fx = static_cast<float>(x) / cells, fy = static_cast<float>(y) / cells;
            const float h = 0.08f * std::sin(6.0f * fx) * std::cos(5.0f * fy) +
                            0.03f * std::sin(23.0f * fx + 11.0f * fy) + noise(rng);
            mesh.vertices.push_back({fx, fy, h});
        }
    }
    for (int y = 0; y < cells; ++y) {
        for (int x = 0; x < cells; ++x) {
            const int a = y * (cells + 1) + x, b = a + 1, c = a + cells + 1, d = c + 1;
            mesh.indices.insert(mesh.indices.end(), {a, b, d, a, d, c});
        }
    }
    return mesh;
}

// Every shape of an OBJ file as one mesh; false with the reason when unreadable or empty.
inline bool loadObj(const std::string& path, MeshData& mesh, std::string& error) {
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    config.vertex_color = false;
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(path, config)) {
        error = path + ": " + reader.Error();
        return false;
    }
    const tinyobj::attrib_t& attrib = reader.GetAttrib();
    mesh = MeshData();
    mesh.name = path.substr(path.find_last_of('/') + 1);
    for (size_t i = 0; i + 2 < attrib.vertices.size(); i += 3)
        mesh.vertices.push_back({attrib.vertices[i], attrib.vertices[i + 1], attrib.vertices[i + 2]});
    for (const tinyobj::shape_t& shape : reader.GetShapes()) {
        for (const tinyobj::index_t& index : shape.mesh.indices) mesh.indices.push_back(index.vertex_index);
    }
    if (mesh.indices.empty() || mesh.indices.size() % 3 != 0) {
        error = path + ": no triangles";
        return false;
    }
    return true;
}

}  // namespace oracle
}  // namespace hox
