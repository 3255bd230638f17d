// The public Geometry class: reaches the record version being edited and
// hands the work to the scene model.
#include "hox/geometry.h"

#include "device/public_object.h"
#include "scene/geometry_edit.h"
#include "scene/geometry_record.h"

namespace hox {
namespace {

scene::GeometryRecord* recordOf(Geometry* geometry) {
    return device::recordOf<scene::GeometryRecord>(geometry);
}

const scene::GeometryRecord* recordOf(const Geometry* geometry) {
    return device::recordOf<scene::GeometryRecord>(static_cast<const void*>(geometry));
}

// The vector and matrix types are packed floats, so their arrays are float
// arrays.
static_assert(sizeof(Vec2f) == 2 * sizeof(float), "Vec2f must be two packed floats");
static_assert(sizeof(Vec3f) == 3 * sizeof(float), "Vec3f must be three packed floats");
static_assert(sizeof(Vec4f) == 4 * sizeof(float), "Vec4f must be four packed floats");
static_assert(sizeof(Mat2f) == 4 * sizeof(float), "Mat2f must be four packed floats");
static_assert(sizeof(Mat3f) == 9 * sizeof(float), "Mat3f must be nine packed floats");

template <typename T>
const float* floats(const T* values) {
    return reinterpret_cast<const float*>(values);
}

int setAttribute(Geometry* geometry, const char* name, const float* values, int components) {
    scene::GeometryRecord* record = recordOf(geometry);
    return record ? scene::setVertexAttribute(*record, name, values, components) : -1;
}

int setMatrixAttribute(Geometry* geometry, const char* name, const float* values, int order,
                       bool transpose) {
    scene::GeometryRecord* record = recordOf(geometry);
    return record ? scene::setVertexAttributeMatrix(*record, name, values, order, transpose) : -1;
}

}  // namespace

int Geometry::init(EGeometryType type, int primitiveCount, int vertexCount) {
    scene::GeometryRecord* record = recordOf(this);
    return record ? scene::initGeometry(*record, static_cast<int>(type), primitiveCount, vertexCount)
                  : -1;
}

int Geometry::setIndexArray(const int* indices) {
    scene::GeometryRecord* record = recordOf(this);
    return record ? scene::setGeometryIndices(*record, indices) : -1;
}

int Geometry::setCoordArray3f(const Vec3f* coords) {
    scene::GeometryRecord* record = recordOf(this);
    return record ? scene::setGeometryCoords(*record, coords) : -1;
}

int Geometry::setNormalArray3f(const Vec3f* normals) {
    scene::GeometryRecord* record = recordOf(this);
    return record ? scene::setGeometryNormals(*record, normals) : -1;
}

int Geometry::setVertexAttribArray1f(const char* name, const float* values) {
    return setAttribute(this, name, values, 1);
}

int Geometry::setVertexAttribArray2f(const char* name, const Vec2f* values) {
    return setAttribute(this, name, floats(values), 2);
}

int Geometry::setVertexAttribArray3f(const char* name, const Vec3f* values) {
    return setAttribute(this, name, floats(values), 3);
}

int Geometry::setVertexAttribArray4f(const char* name, const Vec4f* values) {
    return setAttribute(this, name, floats(values), 4);
}

int Geometry::setVertexAttribArray2x2f(const char* name, bool transpose, const Mat2f* values) {
    return setMatrixAttribute(this, name, floats(values), 2, transpose);
}

int Geometry::setVertexAttribArray3x3f(const char* name, bool transpose, const Mat3f* values) {
    return setMatrixAttribute(this, name, floats(values), 3, transpose);
}

int Geometry::setVertexAttribArray4x4f(const char* name, bool transpose, const Mat4f* values) {
    return setMatrixAttribute(this, name, floats(values), 4, transpose);
}

EGeometryType Geometry::getGeometryType() const {
    const scene::GeometryRecord* record = recordOf(this);
    return static_cast<EGeometryType>(record ? record->geometryType : 0);
}

int Geometry::getPrimitiveCount() const {
    const scene::GeometryRecord* record = recordOf(this);
    return record ? record->primitiveCount : 0;
}

int Geometry::getVertexCount() const {
    const scene::GeometryRecord* record = recordOf(this);
    return record ? record->vertexCount : 0;
}

}  // namespace hox
