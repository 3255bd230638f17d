// GeometryRecord: one indexed triangle mesh and what is derived from it.
#pragma once

#include <cstdint>

#include "hox/string.h"
#include "hox/types.h"
#include "scene/record.h"
#include "util/growable_array.h"

namespace hox {
namespace scene {

class AccelerationData;

// State bits; the geometry is ready for rendering when all six are set.
enum GeometryState : uint32_t {
    GEOMETRY_INDICES = 1,       // setIndexArray succeeded
    GEOMETRY_COORDS = 2,        // setCoordArray3f succeeded
    GEOMETRY_NORMALISED = 4,    // normalising transform and normalised coordinates derived
    GEOMETRY_NORMALS = 8,       // normals given or derived
    GEOMETRY_FACE_NORMALS = 16, // face normals derived
    GEOMETRY_BOUNDS = 32,       // bounds derived
    GEOMETRY_READY = 63
};

// What preparation found when it last checked the indices against the
// vertex count. Kept apart from the state bits because the setters leave
// those alone: a new index array must be checked again even when the state
// already says "ready".
enum IndexCheck : uint8_t {
    INDICES_UNCHECKED = 0,  // init, setIndexArray or a stream read since the last check
    INDICES_VALID = 1,
    INDICES_INVALID = 2     // reported once; the geometry stays out of frames
};

// One named per-vertex attribute that shaders can read.
struct VertexAttribute {
    util::String name;
    int32_t componentCount;            // floats per vertex
    util::GrowableArray<float> values; // vertexCount * componentCount
};

class GeometryRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_GEOMETRY };
    explicit GeometryRecord(int instance);
    ~GeometryRecord() override;
    void setEditStamp(int stamp) override { editStamp = stamp; }
    // Stream form (all int32 and float, little-endian):
    //   instance, geometryType, primitiveCount, vertexCount, editStamp
    //   index count (0 or 3 * primitiveCount), then the indices
    //   coordinate count (0 or vertexCount), then x y z per vertex
    //   normal count (0 or vertexCount), then x y z per vertex
    //   attribute count, then per attribute:
    //     name (String), componentCount, value count, then the floats
    // An array whose state bit is not set holds nothing meaningful (init
    // sizes the arrays but leaves their contents undefined), so it is
    // written with count 0; the reader then derives or waits for it exactly
    // as this side does. The state, bounds, derived data, normalised
    // coordinates and face normals are not sent.
    //
    // Reading sets bit 0, 1 or 3 when the indices, coordinates or normals
    // arrived in full, sizes the derived arrays for preparation and drops
    // the acceleration data. Counts that disagree with the sizes, sizes that
    // init would refuse, and truncated data fail the stream and leave the
    // record empty (no arrays, no attributes, state 0).
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    // Everything but the acceleration data: a new version builds its own.
    void copyFrom(const Record& other) override;

    // Replaces the acceleration data (takes a reference on the new one,
    // releases the old one). Null drops it.
    void setAcceleration(AccelerationData* data);

    // The attribute of that name, or null.
    const VertexAttribute* findAttribute(const char* name) const;
    int attributeCount() const { return vertexAttributes.count(); }
    const VertexAttribute* attribute(int i) const { return vertexAttributes[i]; }

    int32_t geometryType;      // EGeometryType, 0 = indexed triangles
    int32_t primitiveCount;
    int32_t vertexCount;
    int32_t editStamp;
    AccelerationData* acceleration;  // counted reference, null until compiled
    uint32_t state;                  // GeometryState bits
    IndexCheck indexCheck;           // verdict of preparation's index scan
    Vec3f boundsMin;                 // (1e38, 1e38, 1e38)
    Vec3f boundsMax;                 // (-1e38, -1e38, -1e38)
    Mat4f normalising;               // bounds centre to origin, longest side to 2
    Mat4f normalisingInverse;        // all zero when not invertible
    util::GrowableArray<int32_t> indices;      // 3 per primitive
    util::GrowableArray<Vec3f> coords;         // vertexCount
    util::GrowableArray<Vec3f> normalisedCoords;
    util::GrowableArray<Vec3f> normals;
    util::GrowableArray<Vec3f> faceNormals;    // primitiveCount
    util::GrowableArray<VertexAttribute*> vertexAttributes;  // owned entries, first-use order

    // Frees every attribute entry.
    void clearAttributes();

private:
    // Back to the state of a fresh record (keeps instance and edit stamp).
    void resetToEmpty();
    bool readArrays(util::InputStream& in);
    bool readAttributes(util::InputStream& in);
};

// Allocates an attribute entry (16-byte aligned) with an empty value array;
// null when memory is short. Freed with destroyVertexAttribute.
VertexAttribute* createVertexAttribute(const util::String& name, int componentCount);
void destroyVertexAttribute(VertexAttribute* entry);

}  // namespace scene
}  // namespace hox
