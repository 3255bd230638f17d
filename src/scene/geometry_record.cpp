// GeometryRecord: defaults, deep copy, acceleration reference, stream form.
#include "scene/geometry_record.h"

#include <cstring>

#include "platform/aligned_memory.h"
#include "scene/acceleration_data.h"
#include "scene/geometry_edit.h"
#include "scene/matrix4.h"
#include "scene/record_stream.h"
#include "util/byte_stream.h"

namespace hox {
namespace scene {
namespace {

constexpr float kEmptyBoundsMin = 1e38f;
constexpr float kEmptyBoundsMax = -1e38f;
constexpr int kMaxAttributeComponents = 16;
// Arrays read from a stream grow with the data that actually arrives, at
// least this many elements at a time, so a hostile count followed by a few
// bytes costs a few bytes of memory, not the count's worth.
constexpr int kReadChunk = 4096;

// Makes room for one more element while reading `total`: geometric growth,
// never beyond the announced total.
template <typename T>
bool growForRead(util::GrowableArray<T>& array, int total) {
    if (array.count() < array.capacity()) return true;
    long long doubled = 2LL * array.capacity();
    long long target = doubled > kReadChunk ? doubled : kReadChunk;
    if (target > total) target = total;
    return array.reserve(static_cast<int>(target));
}

// Reads `count` elements into an emptied array; false when the stream fails
// or memory runs out.
template <typename T, typename ReadOne>
bool readElements(util::InputStream& in, util::GrowableArray<T>& array, int count,
                  ReadOne readOne) {
    array.release();
    for (int i = 0; i < count; ++i) {
        if (!growForRead(array, count)) return false;
        T value = readOne();
        if (in.failed()) return false;
        array.push(value);
    }
    return !in.failed();
}

// An array count must be 0 (not sent) or exactly the size the counts give.
bool countAcceptable(int count, int expected) { return count == 0 || count == expected; }

void writeVec3Array(util::OutputStream& out, const util::GrowableArray<Vec3f>& array, bool sent) {
    const int count = sent ? array.count() : 0;
    out.writeInt32(count);
    for (int i = 0; i < count; ++i) out.writeVec3f(array[i]);
}

}  // namespace

VertexAttribute* createVertexAttribute(const util::String& name, int componentCount) {
    VertexAttribute* entry =
        platform::alignedNew<VertexAttribute>(platform::alignmentFor(sizeof(VertexAttribute)));
    if (!entry) return nullptr;
    entry->name = name;
    entry->componentCount = componentCount;
    return entry;
}

void destroyVertexAttribute(VertexAttribute* entry) { platform::alignedDelete(entry); }

GeometryRecord::GeometryRecord(int instance)
    : Record(kClassType, instance),
      geometryType(kGeometryTypeTriangles),
      primitiveCount(0),
      vertexCount(0),
      editStamp(0),
      acceleration(nullptr),
      state(0),
      indexCheck(INDICES_UNCHECKED),
      boundsMin{kEmptyBoundsMin, kEmptyBoundsMin, kEmptyBoundsMin},
      boundsMax{kEmptyBoundsMax, kEmptyBoundsMax, kEmptyBoundsMax},
      normalising(mat4Identity()),
      normalisingInverse(mat4Identity()) {}

GeometryRecord::~GeometryRecord() {
    setAcceleration(nullptr);
    clearAttributes();
}

void GeometryRecord::clearAttributes() {
    for (VertexAttribute* entry : vertexAttributes) destroyVertexAttribute(entry);
    vertexAttributes.release();
}

void GeometryRecord::setAcceleration(AccelerationData* data) {
    // Reference the new data before letting go of the old, which may be the
    // same object.
    if (data) data->addRef();
    if (acceleration) acceleration->release();
    acceleration = data;
}

const VertexAttribute* GeometryRecord::findAttribute(const char* name) const {
    if (!name) return nullptr;
    const std::size_t length = std::strlen(name);
    for (const VertexAttribute* entry : vertexAttributes) {
        if (static_cast<std::size_t>(entry->name.length()) == length &&
            std::memcmp(entry->name.c_str(), name, length) == 0)
            return entry;
    }
    return nullptr;
}

void GeometryRecord::copyFrom(const Record& other) {
    const GeometryRecord* source = recordAs<GeometryRecord>(&other);
    if (!source || source == this) return;
    // The acceleration data belong to the arrays of the old version; the new
    // version builds its own.
    setAcceleration(nullptr);
    geometryType = source->geometryType;
    primitiveCount = source->primitiveCount;
    vertexCount = source->vertexCount;
    editStamp = source->editStamp;
    state = source->state;
    indexCheck = source->indexCheck;
    boundsMin = source->boundsMin;
    boundsMax = source->boundsMax;
    normalising = source->normalising;
    normalisingInverse = source->normalisingInverse;
    bool complete = indices.assign(source->indices.data(), source->indices.count()) &&
                    coords.assign(source->coords.data(), source->coords.count()) &&
                    normalisedCoords.assign(source->normalisedCoords.data(),
                                            source->normalisedCoords.count()) &&
                    normals.assign(source->normals.data(), source->normals.count()) &&
                    faceNormals.assign(source->faceNormals.data(), source->faceNormals.count());

    clearAttributes();
    for (const VertexAttribute* from : source->vertexAttributes) {
        if (!complete) break;
        VertexAttribute* entry = createVertexAttribute(from->name, from->componentCount);
        if (!entry) {
            complete = false;
            break;
        }
        if (!entry->values.assign(from->values.data(), from->values.count()) ||
            !vertexAttributes.push(entry)) {
            destroyVertexAttribute(entry);
            complete = false;
        }
    }
    // Out of memory: a version with missing arrays must not claim to be
    // ready; preparation also refuses arrays of the wrong size.
    if (!complete) state = 0;
}

void GeometryRecord::resetToEmpty() {
    setAcceleration(nullptr);
    geometryType = kGeometryTypeTriangles;
    primitiveCount = 0;
    vertexCount = 0;
    state = 0;
    indexCheck = INDICES_UNCHECKED;
    boundsMin = Vec3f{kEmptyBoundsMin, kEmptyBoundsMin, kEmptyBoundsMin};
    boundsMax = Vec3f{kEmptyBoundsMax, kEmptyBoundsMax, kEmptyBoundsMax};
    normalising = mat4Identity();
    normalisingInverse = mat4Identity();
    indices.release();
    coords.release();
    normalisedCoords.release();
    normals.release();
    faceNormals.release();
    clearAttributes();
}

void GeometryRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    out.writeInt32(geometryType);
    out.writeInt32(primitiveCount);
    out.writeInt32(vertexCount);
    out.writeInt32(editStamp);

    const int indexCount = (state & GEOMETRY_INDICES) ? indices.count() : 0;
    out.writeInt32(indexCount);
    for (int i = 0; i < indexCount; ++i) out.writeInt32(indices[i]);
    writeVec3Array(out, coords, (state & GEOMETRY_COORDS) != 0);
    writeVec3Array(out, normals, (state & GEOMETRY_NORMALS) != 0);

    out.writeInt32(vertexAttributes.count());
    for (const VertexAttribute* entry : vertexAttributes) {
        out.writeString(entry->name);
        out.writeInt32(entry->componentCount);
        out.writeInt32(entry->values.count());
        for (float value : entry->values) out.writeFloat(value);
    }
}

void GeometryRecord::read(util::InputStream& in) {
    resetToEmpty();
    const int32_t newInstance = in.readInt32();
    geometryType = in.readInt32();
    primitiveCount = in.readInt32();
    vertexCount = in.readInt32();
    editStamp = in.readInt32();

    // Either a geometry that was never initialised or one init accepts.
    const bool countsValid =
        (geometryType == kGeometryTypeTriangles && primitiveCount == 0 && vertexCount == 0) ||
        geometryCountsValid(geometryType, primitiveCount, vertexCount);
    if (in.failed() || !countsValid || !readArrays(in) || !readAttributes(in)) {
        failStream(in);
        resetToEmpty();
        return;
    }
    setInstance(newInstance);

    // An array that arrived in full was set (or derived) on the sending
    // side. An empty one never counts: a geometry without indices or
    // coordinates is never ready.
    if (indices.count() > 0) state |= GEOMETRY_INDICES;
    if (coords.count() > 0) state |= GEOMETRY_COORDS;
    if (normals.count() > 0) state |= GEOMETRY_NORMALS;

    // Preparation derives into these, so they need the sizes init gives -
    // but only once indices and coordinates are here: without them the
    // geometry is never prepared, and sizing them from the counts alone
    // would let a few bytes of a hostile stream claim gigabytes.
    if (indices.count() == 0 || coords.count() == 0) return;
    if (!normalisedCoords.resize(vertexCount) || !faceNormals.resize(primitiveCount) ||
        (normals.count() == 0 && !normals.resize(vertexCount))) {
        failStream(in);
        resetToEmpty();
    }
}

bool GeometryRecord::readArrays(util::InputStream& in) {
    const int indexCount = in.readInt32();
    if (in.failed() || !countAcceptable(indexCount, 3 * primitiveCount)) return false;
    if (!readElements(in, indices, indexCount, [&in] { return in.readInt32(); })) return false;

    const int coordCount = in.readInt32();
    if (in.failed() || !countAcceptable(coordCount, vertexCount)) return false;
    if (!readElements(in, coords, coordCount, [&in] { return in.readVec3f(); })) return false;

    const int normalCount = in.readInt32();
    if (in.failed() || !countAcceptable(normalCount, vertexCount)) return false;
    return readElements(in, normals, normalCount, [&in] { return in.readVec3f(); });
}

bool GeometryRecord::readAttributes(util::InputStream& in) {
    const int entryCount = in.readInt32();
    if (in.failed() || entryCount < 0) return false;
    // Entries are appended as they arrive, so a hostile entry count ends
    // with the data instead of reserving memory up front.
    for (int i = 0; i < entryCount; ++i) {
        util::String name;
        in.readString(name);
        const int componentCount = in.readInt32();
        const int valueCount = in.readInt32();
        // The value count is the vertex count of the init the attribute was
        // set under (init leaves attributes alone), so it need not match the
        // current one; it must still be whole vertices.
        if (in.failed() || componentCount < 1 || componentCount > kMaxAttributeComponents ||
            valueCount < 0 || valueCount % componentCount != 0)
            return false;
        VertexAttribute* entry = createVertexAttribute(name, componentCount);
        if (!entry) return false;
        if (!vertexAttributes.push(entry)) {
            destroyVertexAttribute(entry);
            return false;
        }
        if (!readElements(in, entry->values, valueCount, [&in] { return in.readFloat(); }))
            return false;
    }
    return true;
}

}  // namespace scene
}  // namespace hox
