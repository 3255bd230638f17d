// Geometry: one indexed triangle mesh.
//
// The host sizes the mesh with init, then copies its arrays in with the
// setters; the library keeps its own copies, so the caller's arrays may be
// freed as soon as a setter returns. Before a geometry is first rendered the
// library derives its bounds, face normals and (unless given) vertex
// normals, once per edit.
//
// A Geometry* comes from THandle<Geometry>::beginEdit and stays usable until
// the next beginEdit or destroy of the same object. Every operation returns
// 0, or -1 when it was refused and nothing changed.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"
#include "hox/types.h"

namespace hox {

enum EGeometryType {
    GEOMETRY_TYPE_TRIANGLES = 0  // three indices per primitive
};

class HOX_API Geometry : public Class {
public:
    enum { TypeId = CLASS_TYPE_GEOMETRY };

    // Sizes the mesh: primitiveCount triangles over vertexCount vertices.
    // Refused for another type, fewer than 1 triangle or fewer than 3
    // vertices. Everything derived is dropped and must be given again
    // (indices, coordinates, normals); vertex attributes are kept as they are.
    int init(EGeometryType type, int primitiveCount, int vertexCount);

    // 3 * primitiveCount indices, each in [0, vertexCount). A geometry with
    // an index outside that range is reported once and not rendered.
    // Refused before init or for a null pointer.
    int setIndexArray(const int* indices);
    // vertexCount coordinates. Refused before init or for a null pointer.
    int setCoordArray3f(const Vec3f* coords);
    // vertexCount normals, used as given (not normalised). Without them the
    // library derives area-weighted vertex normals. Refused before init or
    // for a null pointer.
    int setNormalArray3f(const Vec3f* normals);

    // Named per-vertex values for shaders: vertexCount elements each. A name
    // already in use is replaced, whatever its previous kind. Refused for a
    // null name or values pointer.
    int setVertexAttribArray1f(const char* name, const float* values);
    int setVertexAttribArray2f(const char* name, const Vec2f* values);
    int setVertexAttribArray3f(const char* name, const Vec3f* values);
    int setVertexAttribArray4f(const char* name, const Vec4f* values);
    // Matrices, stored row by row; with transpose each one is stored
    // transposed.
    int setVertexAttribArray2x2f(const char* name, bool transpose, const Mat2f* values);
    int setVertexAttribArray3x3f(const char* name, bool transpose, const Mat3f* values);
    int setVertexAttribArray4x4f(const char* name, bool transpose, const Mat4f* values);

    EGeometryType getGeometryType() const;
    // As given to the last successful init; 0 before one.
    int getPrimitiveCount() const;
    int getVertexCount() const;

protected:
    // Only beginEdit hands out Geometry objects.
    Geometry() {}
};

}  // namespace hox
