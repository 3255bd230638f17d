// A triangle mesh as the tool builds or imports it, before it becomes a
// Geometry: plain arrays, one entry per vertex (normals and uvs may be
// empty) and three indices per triangle.
#pragma once

#include <vector>

#include "hox/types.h"

namespace hox_render {

struct MeshData {
    std::vector<hox::Vec3f> positions;
    std::vector<hox::Vec3f> normals;  // empty: the library derives them
    std::vector<hox::Vec2f> uvs;      // empty: no "uv" attribute
    std::vector<int> indices;

    int vertexCount() const { return static_cast<int>(positions.size()); }
    int triangleCount() const { return static_cast<int>(indices.size() / 3); }
};

}  // namespace hox_render
