// Editing a geometry record: what the public Geometry class does.
//
// Every function works on the record version obtained by beginEdit and
// returns the status the host sees: 0, or -1 when the call was refused (the
// record is then unchanged).
#pragma once

#include <cstdint>

#include "hox/types.h"
#include "scene/geometry_record.h"

namespace hox {
namespace scene {

// The only geometry type: three indices per primitive.
constexpr int kGeometryTypeTriangles = 0;

// Largest primitive or vertex count: the Vec3f arrays (and the 3 indices
// per primitive) must stay within one array's 2 GiB limit.
constexpr int kMaxGeometryElements = static_cast<int>((1u << 31) / sizeof(Vec3f));

// True when init would accept these values: triangles, at least one
// primitive and three vertices, none above kMaxGeometryElements. Stream
// readers use the same rule.
bool geometryCountsValid(int type, int primitiveCount, int vertexCount);

// Stores the counts, clears the state and sizes indices, coordinates,
// normalised coordinates, normals and face normals (contents undefined until
// set or derived). Vertex attributes are left as they are. -1 for counts
// geometryCountsValid refuses, or when memory is short.
int initGeometry(GeometryRecord& geometry, int type, int primitiveCount, int vertexCount);

// Copy 3 * primitiveCount indices / vertexCount coordinates / vertexCount
// normals from the caller's array and set the matching state bit. -1 before
// a successful init or for a null pointer. Indices are not checked here:
// preparation checks them once against the vertex count.
int setGeometryIndices(GeometryRecord& geometry, const int32_t* indices);
int setGeometryCoords(GeometryRecord& geometry, const Vec3f* coords);
int setGeometryNormals(GeometryRecord& geometry, const Vec3f* normals);

// Sets the attribute `name` to vertexCount elements of componentCount
// floats each, replacing an attribute of that name (whatever its previous
// component count) or appending a new one. -1 for a null name or values
// pointer, a component count outside 1..16, or when memory is short.
int setVertexAttribute(GeometryRecord& geometry, const char* name, const float* values,
                       int componentCount);

// Like setVertexAttribute for n x n matrices (n = 2, 3 or 4) stored row by
// row; with transpose, each vertex's matrix is stored transposed.
int setVertexAttributeMatrix(GeometryRecord& geometry, const char* name, const float* values,
                             int order, bool transpose);

}  // namespace scene
}  // namespace hox
