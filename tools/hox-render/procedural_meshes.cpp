#include "procedural_meshes.h"

#include <algorithm>
#include <cmath>

namespace hox_render {

namespace {

constexpr float kPi = 3.14159265358979f;

// Two triangles per cell of a (columns + 1) x (rows + 1) vertex grid laid
// out row by row: (a, d, b) and (b, d, e), with a the cell's first corner,
// b the next in its row and d, e the ones below them.
void gridIndices(int columns, int rows, std::vector<int>& indices) {
    indices.reserve(static_cast<size_t>(columns) * rows * 6);
    const int stride = columns + 1;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const int a = r * stride + c, b = a + 1, d = a + stride, e = d + 1;
            indices.insert(indices.end(), {a, d, b, b, d, e});
        }
}

}  // namespace

MeshData makeSphere(float radius, int segments, int rings) {
    segments = std::max(segments, 3);
    rings = std::max(rings, 2);
    MeshData mesh;
    for (int r = 0; r <= rings; ++r) {
        const float v = static_cast<float>(r) / rings;
        const float theta = v * kPi;  // from the +Y pole down
        for (int s = 0; s <= segments; ++s) {
            const float u = static_cast<float>(s) / segments;
            const float phi = u * 2.0f * kPi;
            const hox::Vec3f n = {std::sin(theta) * std::sin(phi), std::cos(theta), std::sin(theta) * std::cos(phi)};
            mesh.normals.push_back(n);
            mesh.positions.push_back({n.x * radius, n.y * radius, n.z * radius});
            mesh.uvs.push_back({u, v});
        }
    }
    // The grid's first and last rows each have one edge squeezed into a
    // pole; the triangle on that edge has no area and is left out.
    const int stride = segments + 1;
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const int a = r * stride + s, b = a + 1, d = a + stride, e = d + 1;
            if (r > 0) mesh.indices.insert(mesh.indices.end(), {a, d, b});
            if (r < rings - 1) mesh.indices.insert(mesh.indices.end(), {b, d, e});
        }
    return mesh;
}

MeshData makeTorus(float majorRadius, float minorRadius, int majorSegments, int minorSegments) {
    majorSegments = std::max(majorSegments, 3);
    minorSegments = std::max(minorSegments, 3);
    MeshData mesh;
    for (int j = 0; j <= minorSegments; ++j) {
        const float v = static_cast<float>(j) / minorSegments;
        const float beta = v * 2.0f * kPi;  // around the tube, starting outwards
        for (int i = 0; i <= majorSegments; ++i) {
            const float u = static_cast<float>(i) / majorSegments;
            const float alpha = u * 2.0f * kPi;  // around the Y axis
            const hox::Vec3f radial = {std::sin(alpha), 0.0f, std::cos(alpha)};
            const hox::Vec3f n = {radial.x * std::cos(beta), std::sin(beta), radial.z * std::cos(beta)};
            mesh.normals.push_back(n);
            mesh.positions.push_back({radial.x * majorRadius + n.x * minorRadius, n.y * minorRadius,
                                      radial.z * majorRadius + n.z * minorRadius});
            mesh.uvs.push_back({u, v});
        }
    }
    // Rows advance around the tube the opposite way to the sphere's rings,
    // so the winding flips to keep the front outside.
    std::vector<int> indices;
    gridIndices(majorSegments, minorSegments, indices);
    for (size_t t = 0; t + 2 < indices.size(); t += 3) std::swap(indices[t + 1], indices[t + 2]);
    mesh.indices = std::move(indices);
    return mesh;
}

MeshData makePlane(float width, float depth, float uvRepeat) {
    MeshData mesh;
    const float hw = width * 0.5f, hd = depth * 0.5f;
    mesh.positions = {{-hw, 0, -hd}, {hw, 0, -hd}, {-hw, 0, hd}, {hw, 0, hd}};
    mesh.normals.assign(4, {0.0f, 1.0f, 0.0f});
    mesh.uvs = {{0, 0}, {uvRepeat, 0}, {0, uvRepeat}, {uvRepeat, uvRepeat}};
    mesh.indices = {0, 2, 1, 1, 2, 3};
    return mesh;
}

}  // namespace hox_render
