// Records of the scene-graph classes: Camera, Light, Group, Object.
#pragma once

#include <cstdint>

#include "hox/types.h"
#include "scene/record.h"
#include "util/growable_array.h"

namespace hox {
namespace scene {

// Fields shared by every entity, written before the class's own.
struct EntityPart {
    Mat4f transform;                 // identity
    uint32_t shader;                 // Shader handle, null 0xAFFFFFFF
    uint32_t renderAttributes;       // RenderAttributes handle, null 0xEFFFFFFF

    EntityPart();
    void write(util::OutputStream& out) const;
    void read(util::InputStream& in);
};

class EntityRecord : public Record {
public:
    EntityRecord(int type, int instance) : Record(type, instance) {}
    EntityPart entity;
};

class CameraRecord : public EntityRecord {
public:
    enum { kClassType = CLASS_TYPE_CAMERA };
    explicit CameraRecord(int instance);
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    int32_t cameraType;              // ECameraType: 0 perspective, 1 orthographic, 2 projection
    int32_t width, height;           // 640 x 480
    float aspectRatio;               // 4/3
    float fieldOfView;               // degrees, 45
    float aperture;                  // 1
    float focalDistance;             // 1
    float lensRadius;                // 0
    float offsetX, offsetY;          // 0, 0
    int32_t windowRegion[4];         // 0, 0, 0x7FFFFFFF, 0x7FFFFFFF
    Vec3f projection[3];             // (-.5,-.5,1), (.5,-.5,1), (-.5,.5,1)
};

class LightRecord : public EntityRecord {
public:
    enum { kClassType = CLASS_TYPE_LIGHT };
    explicit LightRecord(int instance);
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    int32_t lightType;               // 0..2
    float parameter0;                // 1e20, scaled by the light's world scale
    float parameter1;                // pi
    float parameter2;                // 0, scaled by the light's world scale
    float parameter3;                // 0, stored as the tangent of an angle
    int32_t parameter5;              // 0
    bool parameter4;                 // true
};

class GroupRecord : public EntityRecord {
public:
    enum { kClassType = CLASS_TYPE_GROUP };
    explicit GroupRecord(int instance);
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    util::GrowableArray<uint32_t> children;  // entity handle words, duplicates allowed
};

class ObjectRecord : public EntityRecord {
public:
    enum { kClassType = CLASS_TYPE_OBJECT };
    explicit ObjectRecord(int instance);
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    uint32_t geometry;               // Geometry handle, null 0xBFFFFFFF
};

}  // namespace scene
}  // namespace hox
