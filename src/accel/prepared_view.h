// PreparedView: one render view of a frame, resolved into the records it
// renders from.
//
// The device fills one per render view of the frame definition (index,
// handle, view records, progressive state); the scene walk of the
// acceleration work fills the lists and the scene's bounds. While the frame
// is in flight the frame slot holds one reference on every record a prepared
// view points to, so the engine may read them while the host edits newer
// versions.
//
// Everything here is plain data held in growable arrays, because the engine
// reads it from many threads and the cluster engine serialises it as it
// stands.
#pragma once

#include <cstdint>

#include "hox/types.h"
#include "scene/entity_records.h"
#include "scene/geometry_record.h"
#include "scene/settings_records.h"
#include "scene/shader_record.h"
#include "scene/texture_record.h"
#include "scene/view_records.h"
#include "util/growable_array.h"

namespace hox {
namespace accel {

// One visible object of the view, in walk order.
struct ObjectEntry {
    scene::ObjectRecord* object;
    scene::ShaderRecord* shader;      // the surface shader in force, may be null
    scene::GeometryRecord* geometry;  // may be null
    Mat4f worldMatrix;
    Vec3f boundsMin;                  // world box of the object
    Vec3f boundsMax;
    // The inherited render attribute state (see scene/attribute_state.h); the
    // light set itself lives in the view's light-set table.
    uint32_t givenMask;
    uint32_t offMask;
    uint8_t floatGiven;
    float floatValue;
    uint32_t lightSetIndex;
};

// One lit light of the view, in walk order, with the light record's
// parameters as they were when the frame started.
struct LightEntry {
    scene::LightRecord* light;
    scene::ShaderRecord* shader;  // the light shader in force, may be null
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

// A distinct light set met during the walk: `count` sorted light numbers
// starting at `first` in PreparedView::lightSetMembers, and the light
// entries that set lights with: `lightCount` indices into
// PreparedView::lights starting at `lightFirst` in
// PreparedView::lightSetLights. Kept flat so that the table stays a plain
// array however many sets a scene has.
//
// Members are light record numbers (the instance of a Light), the numbers
// the host names in a RenderAttributes add or remove list; light entries are
// made in walk order, one per light met under a light shader. The two meet
// in the finish of view preparation: lightEntryByRecord maps a record number
// to its first entry, and each set's light list holds every entry of every
// member, so a light placed in the graph twice lights from both places and
// a member that is not lit in the view simply contributes nothing.
struct LightSetEntry {
    uint32_t hash;
    int32_t first;
    int32_t count;
    int32_t lightFirst;
    int32_t lightCount;
};

struct PreparedView {
    PreparedView();
    PreparedView(const PreparedView&) = delete;
    PreparedView& operator=(const PreparedView&) = delete;

    // Forgets every record pointer and empties the lists (their blocks are
    // kept for the next frame). The index and the progressive state stay:
    // the next frame's view of the same index continues from them.
    void clearRecords();

    // The render options in force: the view's record, or the built-in set.
    const scene::RenderOptionsData& renderOptions() const {
        return options ? options->options : scene::RenderOptionsRecord::builtInDefaults();
    }

    int32_t index;              // position in the frame definition's list
    // The render view's handle word. It is also the view tag that the engine
    // hands to the framebuffer and the host's swap callback.
    uint32_t renderViewHandle;

    scene::RenderViewRecord* renderView;
    scene::CameraRecord* camera;
    scene::FramebufferRecord* framebuffer;
    scene::ShaderRecord* environmentShader;  // may be null
    scene::RenderOptionsRecord* options;     // null: built-in defaults

    util::GrowableArray<ObjectEntry> objects;
    util::GrowableArray<LightEntry> lights;
    // The light-set table (see LightSetEntry). Set 0 is the set of every
    // light record number, which is what an object sees unless attributes
    // above it changed its set.
    util::GrowableArray<LightSetEntry> lightSets;
    util::GrowableArray<int32_t> lightSetMembers;  // light record numbers, sorted per set
    util::GrowableArray<int32_t> lightSetLights;   // indices into `lights`, per set
    // One element per light record slot of the table: the index of that
    // light's first entry in `lights`, or -1 when it is not lit in this view.
    util::GrowableArray<int32_t> lightEntryByRecord;
    util::GrowableArray<uint8_t> usedShaders;  // one flag per shader instance
    // Every distinct record the lists use, for compilation and the cluster.
    util::GrowableArray<scene::GeometryRecord*> geometries;
    util::GrowableArray<scene::ShaderRecord*> shaders;
    util::GrowableArray<scene::TextureRecord*> textures;

    // Progressive state, decided by the device per frame.
    bool isStatic;     // the engine need not render the view again
    bool progressive;  // samples accumulate over frames
    int32_t passCount; // the refinement pass this frame renders

    // The scene's world box and the normalisation derived from it.
    Vec3f boundsMin;
    Vec3f boundsMax;
    float worldScale;
    float inverseWorldScale;
    Vec3f worldOffset;
    Vec3f negatedWorldOffset;
};

// Calls fn(scene::Record*) once for every record pointer the view holds, in
// a fixed order, skipping null ones. Taking and dropping a frame's
// references both walk this, so they can never disagree.
template <typename Fn>
void forEachRecord(const PreparedView& view, Fn fn) {
    auto visit = [&fn](scene::Record* record) {
        if (record) fn(record);
    };
    visit(view.renderView);
    visit(view.camera);
    visit(view.framebuffer);
    visit(view.environmentShader);
    visit(view.options);
    for (const ObjectEntry& entry : view.objects) {
        visit(entry.object);
        visit(entry.shader);
        visit(entry.geometry);
    }
    for (const LightEntry& entry : view.lights) {
        visit(entry.light);
        visit(entry.shader);
    }
    for (scene::GeometryRecord* record : view.geometries) visit(record);
    for (scene::ShaderRecord* record : view.shaders) visit(record);
    for (scene::TextureRecord* record : view.textures) visit(record);
}

}  // namespace accel
}  // namespace hox
