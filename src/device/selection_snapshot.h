// SelectionSnapshot: what the selection service keeps of one frame.
//
// A frame's slot holds references on its records only until the frame is
// swapped; then it drops them and forgets its prepared views. The host,
// though, picks on the frame it last rendered, typically right after sync,
// and the view's compiled scene (which the engine keeps until the next frame
// of that parity) still points at the object and geometry records of that
// frame. So when a frame starts, the service copies what picking needs out
// of the slot and takes its own reference on every object and geometry
// record the frame uses; it lets them go when the next frame replaces the
// snapshot. Destroying or editing an object after sync therefore leaves the
// version the pick reads alive until then.
//
// What is copied per view: the render view's handle and index, the camera's
// pick frame, and per object (in the view's order) the records, the world
// matrix and the world box.
#pragma once

#include <cstdint>

#include "hox/types.h"
#include "scene/camera_model.h"
#include "util/growable_array.h"

namespace hox {
namespace scene {
class ObjectRecord;
class GeometryRecord;
}  // namespace scene
namespace engine {
class FrameSlot;
}

namespace device {

class SelectionSnapshot {
public:
    struct View {
        uint32_t renderViewHandle;
        int32_t index;          // in the frame's view list
        int32_t firstObject;    // into objects()
        int32_t objectCount;
        int32_t height;         // image rows, for the pick ray's row flip
        bool hasCamera;         // false: no pick ray can be built
        scene::CameraFrame camera;
    };

    struct Object {
        scene::ObjectRecord* object;      // referenced
        scene::GeometryRecord* geometry;  // referenced, may be null
        Mat4f worldMatrix;
        Vec3f boundsMin;                  // world box
        Vec3f boundsMax;
    };

    SelectionSnapshot() = default;
    ~SelectionSnapshot() { clear(); }
    SelectionSnapshot(const SelectionSnapshot&) = delete;
    SelectionSnapshot& operator=(const SelectionSnapshot&) = delete;

    // Replaces the contents by the prepared views of frame `frameNumber`
    // in `slot`, taking references. False when memory is short: the
    // snapshot is then empty (no frame).
    bool capture(int frameNumber, const engine::FrameSlot& slot);
    // Drops the references and forgets the frame; the blocks are kept for
    // the next capture.
    void clear();

    bool empty() const { return m_frameNumber < 0; }
    int frameNumber() const { return m_frameNumber; }
    // The first view with this render view handle (all 32 bits), or null.
    const View* findView(uint32_t renderViewHandle) const;
    const Object* objects(const View& view) const { return m_objects.data() + view.firstObject; }

private:
    int32_t m_frameNumber = -1;
    util::GrowableArray<View> m_views;
    util::GrowableArray<Object> m_objects;
};

}  // namespace device
}  // namespace hox
