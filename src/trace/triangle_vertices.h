// Checked access to one triangle of a geometry, shared by the code that
// evaluates hits (queries and shading): the kernels only hand over a
// triangle number, and these reads must stay inside the arrays whatever
// that number is.
#pragma once

#include <cstdint>

#include "scene/geometry_record.h"

namespace hox {
namespace trace {

// The three vertex indices of triangle `t`; false when `t` or one of its
// indices lies outside the geometry's arrays (coordinates, normals).
inline bool triangleVertices(const scene::GeometryRecord& g, int32_t t, int32_t v[3]) {
    if (t < 0 || t >= g.primitiveCount || static_cast<int64_t>(t) * 3 + 2 >= g.indices.count()) {
        return false;
    }
    const int vertexLimit = g.coords.count() < g.normals.count() ? g.coords.count() : g.normals.count();
    for (int k = 0; k < 3; ++k) {
        v[k] = g.indices[t * 3 + k];
        if (v[k] < 0 || v[k] >= vertexLimit) return false;
    }
    return true;
}

}  // namespace trace
}  // namespace hox
