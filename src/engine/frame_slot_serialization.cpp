#include "engine/frame_slot_serialization.h"

#include <new>

#include "engine/frame_slot.h"
#include "scene/record_stream.h"

namespace hox {
namespace engine {

namespace {

int32_t instanceOf(const scene::Record* record) { return record ? record->instance() : -1; }

template <typename R>
void writeRecordList(util::OutputStream& out, const util::GrowableArray<R*>& records) {
    out.writeInt32(records.count());
    for (const R* record : records) out.writeInt32(instanceOf(record));
}

void writeObjectEntry(util::OutputStream& out, const accel::ObjectEntry& entry) {
    out.writeInt32(instanceOf(entry.object));
    out.writeInt32(instanceOf(entry.shader));
    out.writeInt32(instanceOf(entry.geometry));
    out.writeMat4f(entry.worldMatrix);
    out.writeBox(entry.boundsMin, entry.boundsMax);
    out.writeUInt32(entry.givenMask);
    out.writeUInt32(entry.offMask);
    out.writeBool(entry.floatGiven != 0);
    out.writeFloat(entry.floatValue);
    out.writeUInt32(entry.lightSetIndex);
}

void writeLightEntry(util::OutputStream& out, const accel::LightEntry& entry) {
    out.writeInt32(instanceOf(entry.light));
    out.writeInt32(instanceOf(entry.shader));
    out.writeVec3f(entry.worldPosition);
    out.writeVec3f(entry.worldDirection);
    out.writeInt32(entry.lightType);
    out.writeFloat(entry.parameter0);
    out.writeFloat(entry.parameter1);
    out.writeFloat(entry.parameter2);
    out.writeFloat(entry.parameter3);
    out.writeInt32(entry.parameter5);
    out.writeBool(entry.parameter4);
}

void writeView(util::OutputStream& out, const accel::PreparedView& view) {
    scene::writeHandle(out, view.renderViewHandle);
    out.writeInt32(view.index);
    out.writeInt32(instanceOf(view.camera));
    out.writeInt32(instanceOf(view.framebuffer));
    out.writeInt32(instanceOf(view.environmentShader));
    out.writeInt32(instanceOf(view.options));
    scene::writeArray(out, view.objects, writeObjectEntry);
    scene::writeArray(out, view.lights, writeLightEntry);
    writeRecordList(out, view.geometries);
    writeRecordList(out, view.shaders);
    writeRecordList(out, view.textures);
    out.writeBool(view.isStatic);
    out.writeBool(view.progressive);
    out.writeInt32(view.passCount);
    out.writeBox(view.boundsMin, view.boundsMax);
    out.writeFloat(view.worldScale);
    out.writeFloat(view.inverseWorldScale);
    out.writeVec3f(view.worldOffset);
    out.writeVec3f(view.negatedWorldOffset);
}

DecodedObjectEntry readObjectEntry(util::InputStream& in) {
    DecodedObjectEntry entry;
    entry.object = in.readInt32();
    entry.shader = in.readInt32();
    entry.geometry = in.readInt32();
    entry.worldMatrix = in.readMat4f();
    in.readBox(entry.boundsMin, entry.boundsMax);
    entry.givenMask = in.readUInt32();
    entry.offMask = in.readUInt32();
    entry.floatGiven = in.readBool();
    entry.floatValue = in.readFloat();
    entry.lightSetIndex = in.readUInt32();
    return entry;
}

DecodedLightEntry readLightEntry(util::InputStream& in) {
    DecodedLightEntry entry;
    entry.light = in.readInt32();
    entry.shader = in.readInt32();
    entry.worldPosition = in.readVec3f();
    entry.worldDirection = in.readVec3f();
    entry.lightType = in.readInt32();
    entry.parameter0 = in.readFloat();
    entry.parameter1 = in.readFloat();
    entry.parameter2 = in.readFloat();
    entry.parameter3 = in.readFloat();
    entry.parameter5 = in.readInt32();
    entry.parameter4 = in.readBool();
    return entry;
}

void readView(util::InputStream& in, DecodedView& view) {
    view.renderViewHandle = scene::readHandle(in, CLASS_TYPE_RENDER_VIEW);
    view.index = in.readInt32();
    view.camera = in.readInt32();
    view.framebuffer = in.readInt32();
    view.environmentShader = in.readInt32();
    view.options = in.readInt32();
    scene::readArray(in, view.objects, readObjectEntry);
    scene::readArray(in, view.lights, readLightEntry);
    scene::readInt32Array(in, view.geometries);
    scene::readInt32Array(in, view.shaders);
    scene::readInt32Array(in, view.textures);
    view.isStatic = in.readBool();
    view.progressive = in.readBool();
    view.passCount = in.readInt32();
    in.readBox(view.boundsMin, view.boundsMax);
    view.worldScale = in.readFloat();
    view.inverseWorldScale = in.readFloat();
    view.worldOffset = in.readVec3f();
    view.negatedWorldOffset = in.readVec3f();
}

}  // namespace

void writeFrameSlot(util::OutputStream& out, const FrameSlot& slot) {
    out.writeInt32(slot.frameNumber);
    slot.settings.write(out);
    out.writeInt32(slot.viewCount());
    for (int i = 0; i < slot.viewCount(); ++i) writeView(out, slot.view(i));
}

bool readFrameSlot(util::InputStream& in, DecodedFrame& frame) {
    frame.views.clear();
    frame.frameNumber = in.readInt32();
    frame.settings.read(in);
    const int32_t count = in.readInt32();
    if (in.failed() || count < 0) {
        frame.views.clear();
        return false;
    }
    // One view at a time: a count larger than the data stops at the first
    // view that does not arrive.
    for (int32_t i = 0; i < count; ++i) {
        std::unique_ptr<DecodedView> view(new (std::nothrow) DecodedView());
        if (!view) break;
        readView(in, *view);
        if (in.failed()) break;
        try {
            frame.views.push_back(std::move(view));
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    if (in.failed() || static_cast<int32_t>(frame.views.size()) != count) {
        frame.views.clear();
        return false;
    }
    return true;
}

}  // namespace engine
}  // namespace hox
