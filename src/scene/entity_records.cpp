// Camera, Light, Group and Object records: defaults, copies, stream form.
#include "scene/entity_records.h"

#include "scene/record_stream.h"
#include "util/byte_stream.h"

namespace hox {
namespace scene {

EntityPart::EntityPart()
    : transform(), shader(nullHandleValue(CLASS_TYPE_SHADER)),
      renderAttributes(nullHandleValue(CLASS_TYPE_RENDER_ATTRIBUTES)) {
    for (int i = 0; i < 16; ++i) transform.m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void EntityPart::write(util::OutputStream& out) const {
    out.writeMat4f(transform);
    writeHandle(out, shader);
    writeHandle(out, renderAttributes);
}

void EntityPart::read(util::InputStream& in) {
    transform = in.readMat4f();
    shader = readHandle(in, CLASS_TYPE_SHADER);
    renderAttributes = readHandle(in, CLASS_TYPE_RENDER_ATTRIBUTES);
}

// --- Camera -----------------------------------------------------------------

CameraRecord::CameraRecord(int instance)
    : EntityRecord(CLASS_TYPE_CAMERA, instance), cameraType(0), width(640), height(480),
      aspectRatio(4.0f / 3.0f), fieldOfView(45.0f), aperture(1.0f), focalDistance(1.0f),
      lensRadius(0.0f), offsetX(0.0f), offsetY(0.0f), windowRegion{0, 0, 0x7FFFFFFF, 0x7FFFFFFF},
      projection{{-0.5f, -0.5f, 1.0f}, {0.5f, -0.5f, 1.0f}, {-0.5f, 0.5f, 1.0f}} {}

void CameraRecord::copyFrom(const Record& other) {
    const CameraRecord* from = recordAs<CameraRecord>(&other);
    if (!from || from == this) return;
    entity = from->entity;
    cameraType = from->cameraType;
    width = from->width;
    height = from->height;
    aspectRatio = from->aspectRatio;
    fieldOfView = from->fieldOfView;
    aperture = from->aperture;
    focalDistance = from->focalDistance;
    lensRadius = from->lensRadius;
    offsetX = from->offsetX;
    offsetY = from->offsetY;
    for (int i = 0; i < 4; ++i) windowRegion[i] = from->windowRegion[i];
    for (int i = 0; i < 3; ++i) projection[i] = from->projection[i];
}

void CameraRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    entity.write(out);
    out.writeInt32(cameraType);
    out.writeInt32(width);
    out.writeInt32(height);
    out.writeFloat(aspectRatio);
    out.writeFloat(fieldOfView);
    out.writeFloat(aperture);
    out.writeFloat(focalDistance);
    out.writeFloat(lensRadius);
    out.writeFloat(offsetX);
    out.writeFloat(offsetY);
    for (int32_t v : windowRegion) out.writeInt32(v);
    for (const Vec3f& v : projection) out.writeVec3f(v);
}

void CameraRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    entity.read(in);
    cameraType = in.readInt32();
    width = in.readInt32();
    height = in.readInt32();
    aspectRatio = in.readFloat();
    fieldOfView = in.readFloat();
    aperture = in.readFloat();
    focalDistance = in.readFloat();
    lensRadius = in.readFloat();
    offsetX = in.readFloat();
    offsetY = in.readFloat();
    for (int32_t& v : windowRegion) v = in.readInt32();
    for (Vec3f& v : projection) v = in.readVec3f();
}

// --- Light ------------------------------------------------------------------

LightRecord::LightRecord(int instance)
    : EntityRecord(CLASS_TYPE_LIGHT, instance), lightType(0), parameter0(1e20f),
      parameter1(3.1415927f), parameter2(0.0f), parameter3(0.0f), parameter5(0),
      parameter4(true) {}

void LightRecord::copyFrom(const Record& other) {
    const LightRecord* from = recordAs<LightRecord>(&other);
    if (!from || from == this) return;
    entity = from->entity;
    lightType = from->lightType;
    parameter0 = from->parameter0;
    parameter1 = from->parameter1;
    parameter2 = from->parameter2;
    parameter3 = from->parameter3;
    parameter5 = from->parameter5;
    parameter4 = from->parameter4;
}

void LightRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    entity.write(out);
    out.writeInt32(lightType);
    out.writeFloat(parameter0);
    out.writeFloat(parameter1);
    out.writeFloat(parameter2);
    out.writeFloat(parameter3);
    out.writeInt32(parameter5);
    out.writeBool(parameter4);
}

void LightRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    entity.read(in);
    lightType = in.readInt32();
    parameter0 = in.readFloat();
    parameter1 = in.readFloat();
    parameter2 = in.readFloat();
    parameter3 = in.readFloat();
    parameter5 = in.readInt32();
    parameter4 = in.readBool();
}

// --- Group ------------------------------------------------------------------

GroupRecord::GroupRecord(int instance) : EntityRecord(CLASS_TYPE_GROUP, instance) {}

void GroupRecord::copyFrom(const Record& other) {
    const GroupRecord* from = recordAs<GroupRecord>(&other);
    if (!from || from == this) return;
    entity = from->entity;
    // A short copy would silently drop children; an empty group is the
    // lesser harm when memory is gone.
    if (!children.assign(from->children.data(), from->children.count())) children.release();
}

// Children may be of any entity class, so unlike a handle field of fixed
// class they travel as full handle words: an instance alone could not say
// whether it names a camera, a light, a group or an object.
void GroupRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    entity.write(out);
    writeArray(out, children, [](util::OutputStream& o, uint32_t h) { o.writeUInt32(h); });
}

void GroupRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    entity.read(in);
    readArray(in, children, [](util::InputStream& i) { return i.readUInt32(); });
}

// --- Object -----------------------------------------------------------------

ObjectRecord::ObjectRecord(int instance)
    : EntityRecord(CLASS_TYPE_OBJECT, instance), geometry(nullHandleValue(CLASS_TYPE_GEOMETRY)) {}

void ObjectRecord::copyFrom(const Record& other) {
    const ObjectRecord* from = recordAs<ObjectRecord>(&other);
    if (!from || from == this) return;
    entity = from->entity;
    geometry = from->geometry;
}

void ObjectRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    entity.write(out);
    writeHandle(out, geometry);
}

void ObjectRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    entity.read(in);
    geometry = readHandle(in, CLASS_TYPE_GEOMETRY);
}

}  // namespace scene
}  // namespace hox
