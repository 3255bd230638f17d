// Geometry editing: init, the array setters and the vertex attributes.
#include "scene/geometry_edit.h"

#include <cstring>

namespace hox {
namespace scene {
namespace {

// Largest floats per vertex of any attribute kind (a 4 x 4 matrix).
constexpr int kMaxAttributeComponents = 16;

// Copies `count` elements over an array that init has already sized.
template <typename T>
int copyInto(util::GrowableArray<T>& array, const T* values, int count) {
    if (!values || array.count() == 0 || array.count() != count) return -1;
    std::memcpy(array.data(), values, sizeof(T) * static_cast<std::size_t>(count));
    return 0;
}

// Finds the entry of that name, or null (exact byte comparison).
VertexAttribute* findEntry(GeometryRecord& geometry, const char* name) {
    return const_cast<VertexAttribute*>(geometry.findAttribute(name));
}

// Makes the entry's value array hold exactly `needed` floats. Growth takes
// the larger of what is needed and one growth step more than now, so an
// attribute that is set again with a slightly larger mesh does not
// reallocate every time.
bool sizeValues(util::GrowableArray<float>& values, int needed) {
    if (needed <= 0) {
        values.release();
        return true;
    }
    if (needed > values.capacity()) {
        long long stepped = static_cast<long long>(values.capacity()) + values.growthStep();
        int target = stepped > needed && stepped <= 0x7FFFFFFF ? static_cast<int>(stepped) : needed;
        if (!values.reserve(target) && !values.reserve(needed)) return false;
    }
    return values.resize(needed);
}

// Stores vertexCount matrices of order n, each transposed: element (r, c)
// of the stored matrix is element (c, r) of the given one.
void copyTransposed(float* out, const float* in, int vertexCount, int n) {
    const int k = n * n;
    for (int v = 0; v < vertexCount; ++v) {
        const float* given = in + static_cast<std::size_t>(v) * k;
        float* stored = out + static_cast<std::size_t>(v) * k;
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) stored[r * n + c] = given[c * n + r];
    }
}

int setAttribute(GeometryRecord& geometry, const char* name, const float* values,
                 int componentCount, int transposeOrder) {
    if (!name || !values) return -1;
    if (componentCount < 1 || componentCount > kMaxAttributeComponents) return -1;
    long long total = static_cast<long long>(geometry.vertexCount) * componentCount;
    if (total < 0 || total > 0x7FFFFFFF) return -1;
    const int needed = static_cast<int>(total);

    VertexAttribute* entry = findEntry(geometry, name);
    bool appended = false;
    if (!entry) {
        entry = createVertexAttribute(util::String(name), componentCount);
        if (!entry) return -1;
        if (!geometry.vertexAttributes.push(entry)) {
            destroyVertexAttribute(entry);
            return -1;
        }
        appended = true;
    }
    if (!sizeValues(entry->values, needed)) {
        // Leave no half-made entry behind; an existing one keeps its old
        // values and component count.
        if (appended) {
            geometry.vertexAttributes.removeAt(geometry.vertexAttributes.count() - 1);
            destroyVertexAttribute(entry);
        }
        return -1;
    }
    entry->componentCount = componentCount;
    if (needed == 0) return 0;
    if (transposeOrder > 0)
        copyTransposed(entry->values.data(), values, geometry.vertexCount, transposeOrder);
    else
        std::memcpy(entry->values.data(), values, sizeof(float) * static_cast<std::size_t>(needed));
    return 0;
}

}  // namespace

bool geometryCountsValid(int type, int primitiveCount, int vertexCount) {
    return type == kGeometryTypeTriangles && primitiveCount >= 1 && vertexCount >= 3 &&
           primitiveCount <= kMaxGeometryElements && vertexCount <= kMaxGeometryElements;
}

int initGeometry(GeometryRecord& geometry, int type, int primitiveCount, int vertexCount) {
    if (!geometryCountsValid(type, primitiveCount, vertexCount)) return -1;
    const int indexCount = 3 * primitiveCount;
    // Reserve everything first: if memory runs out the record is still the
    // old mesh, not half of a new one.
    if (!geometry.indices.reserve(indexCount) || !geometry.coords.reserve(vertexCount) ||
        !geometry.normalisedCoords.reserve(vertexCount) ||
        !geometry.normals.reserve(vertexCount) || !geometry.faceNormals.reserve(primitiveCount))
        return -1;
    geometry.indices.resize(indexCount);
    geometry.coords.resize(vertexCount);
    geometry.normalisedCoords.resize(vertexCount);
    geometry.normals.resize(vertexCount);
    geometry.faceNormals.resize(primitiveCount);
    geometry.geometryType = type;
    geometry.primitiveCount = primitiveCount;
    geometry.vertexCount = vertexCount;
    geometry.state = 0;
    geometry.indexCheck = INDICES_UNCHECKED;
    return 0;
}

int setGeometryIndices(GeometryRecord& geometry, const int32_t* indices) {
    if (copyInto(geometry.indices, indices, 3 * geometry.primitiveCount) != 0) return -1;
    geometry.state |= GEOMETRY_INDICES;
    // The state may already say "ready", but these indices have not been
    // checked against the vertex count yet.
    geometry.indexCheck = INDICES_UNCHECKED;
    return 0;
}

int setGeometryCoords(GeometryRecord& geometry, const Vec3f* coords) {
    if (copyInto(geometry.coords, coords, geometry.vertexCount) != 0) return -1;
    geometry.state |= GEOMETRY_COORDS;
    return 0;
}

int setGeometryNormals(GeometryRecord& geometry, const Vec3f* normals) {
    if (copyInto(geometry.normals, normals, geometry.vertexCount) != 0) return -1;
    geometry.state |= GEOMETRY_NORMALS;
    return 0;
}

int setVertexAttribute(GeometryRecord& geometry, const char* name, const float* values,
                       int componentCount) {
    return setAttribute(geometry, name, values, componentCount, 0);
}

int setVertexAttributeMatrix(GeometryRecord& geometry, const char* name, const float* values,
                             int order, bool transpose) {
    if (order < 2 || order > 4) return -1;
    return setAttribute(geometry, name, values, order * order, transpose ? order : 0);
}

}  // namespace scene
}  // namespace hox
