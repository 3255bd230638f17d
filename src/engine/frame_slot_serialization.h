// The stream form of a frame slot: what the cluster engine sends to its
// master for each frame, and how the master reads it back.
//
// Layout (stream primitives of util/byte_stream.h):
//   int32   frame number
//   ...     the frame's device settings (DeviceSettingsData::write)
//   int32   number of prepared views, then per view:
//     uint32  render view instance (28 bits)
//     int32   index in the frame definition
//     int32   camera, framebuffer, environment shader, options instances
//             (-1 for a missing record)
//     int32 count + object entries:
//       int32 object, shader, geometry instances (-1 when missing)
//       Mat4f world matrix, box world bounds (min, max)
//       uint32 given mask, uint32 off mask, bool float given, float value
//       uint32 light-set index
//     int32 count + light entries:
//       int32 light, shader instances (-1 when missing)
//       Vec3f world position, Vec3f world direction
//       int32 light type, float parameters 0..3, int32 parameter 5,
//       bool parameter 4
//     int32 count + geometry instances (int32 each)
//     int32 count + shader instances
//     int32 count + texture instances
//     bool static, bool progressive, int32 pass count
//     box scene bounds (min, max)
//     float world scale, float inverse world scale
//     Vec3f world offset, Vec3f negated world offset
// The light-set table stays with the engine that compiles the view; the
// receiver rebuilds it from the scene.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "hox/types.h"
#include "scene/settings_records.h"
#include "util/byte_stream.h"
#include "util/growable_array.h"

namespace hox {
namespace engine {

class FrameSlot;

void writeFrameSlot(util::OutputStream& out, const FrameSlot& slot);

// A frame slot as read from a stream: record instances instead of records.
struct DecodedObjectEntry {
    int32_t object;
    int32_t shader;
    int32_t geometry;
    Mat4f worldMatrix;
    Vec3f boundsMin;
    Vec3f boundsMax;
    uint32_t givenMask;
    uint32_t offMask;
    bool floatGiven;
    float floatValue;
    uint32_t lightSetIndex;
};

struct DecodedLightEntry {
    int32_t light;
    int32_t shader;
    Vec3f worldPosition;
    Vec3f worldDirection;
    int32_t lightType;
    float parameter0;
    float parameter1;
    float parameter2;
    float parameter3;
    int32_t parameter5;
    bool parameter4;
};

struct DecodedView {
    uint32_t renderViewHandle;  // class bits restored
    int32_t index;
    int32_t camera;
    int32_t framebuffer;
    int32_t environmentShader;
    int32_t options;
    util::GrowableArray<DecodedObjectEntry> objects;
    util::GrowableArray<DecodedLightEntry> lights;
    util::GrowableArray<int32_t> geometries;
    util::GrowableArray<int32_t> shaders;
    util::GrowableArray<int32_t> textures;
    bool isStatic;
    bool progressive;
    int32_t passCount;
    Vec3f boundsMin;
    Vec3f boundsMax;
    float worldScale;
    float inverseWorldScale;
    Vec3f worldOffset;
    Vec3f negatedWorldOffset;
};

struct DecodedFrame {
    int32_t frameNumber = -1;
    scene::DeviceSettingsData settings;
    std::vector<std::unique_ptr<DecodedView>> views;
};

// Reads one frame slot into `frame` (its old contents are replaced). False
// when the data end early or are malformed (a negative count, a count no
// memory could hold); `frame` then holds no views. Memory grows only with
// the data that actually arrive, so a lying count cannot force a huge
// allocation.
bool readFrameSlot(util::InputStream& in, DecodedFrame& frame);

}  // namespace engine
}  // namespace hox
