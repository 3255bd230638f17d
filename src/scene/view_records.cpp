// FrameDef, RenderView and Framebuffer records: defaults, copies, stream form.
#include "scene/view_records.h"

#include "platform/aligned_memory.h"
#include "scene/record_stream.h"
#include "util/byte_stream.h"

namespace hox {
namespace scene {

// --- FrameDef ---------------------------------------------------------------

FrameDefRecord::FrameDefRecord(int instance)
    : Record(CLASS_TYPE_FRAME_DEF, instance),
      deviceSettings(nullHandleValue(CLASS_TYPE_DEVICE_SETTINGS)) {}

void FrameDefRecord::copyFrom(const Record& other) {
    const FrameDefRecord* from = recordAs<FrameDefRecord>(&other);
    if (!from || from == this) return;
    deviceSettings = from->deviceSettings;
    if (!renderViews.assign(from->renderViews.data(), from->renderViews.count())) {
        renderViews.release();
    }
}

void FrameDefRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    writeHandle(out, deviceSettings);
    writeHandleArray(out, renderViews);
}

void FrameDefRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    deviceSettings = readHandle(in, CLASS_TYPE_DEVICE_SETTINGS);
    readHandleArray(in, renderViews, CLASS_TYPE_RENDER_VIEW);
}

// --- RenderView -------------------------------------------------------------

RenderViewRecord::RenderViewRecord(int instance)
    : Record(CLASS_TYPE_RENDER_VIEW, instance), sceneRoot(nullHandleValue(CLASS_TYPE_GROUP)),
      camera(nullHandleValue(CLASS_TYPE_CAMERA)),
      framebuffer(nullHandleValue(CLASS_TYPE_FRAMEBUFFER)),
      environmentShader(nullHandleValue(CLASS_TYPE_SHADER)),
      renderOptions(nullHandleValue(CLASS_TYPE_RENDER_OPTIONS)) {}

void RenderViewRecord::copyFrom(const Record& other) {
    const RenderViewRecord* from = recordAs<RenderViewRecord>(&other);
    if (!from || from == this) return;
    sceneRoot = from->sceneRoot;
    camera = from->camera;
    framebuffer = from->framebuffer;
    environmentShader = from->environmentShader;
    renderOptions = from->renderOptions;
}

void RenderViewRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    writeHandle(out, sceneRoot);
    writeHandle(out, camera);
    writeHandle(out, framebuffer);
    writeHandle(out, environmentShader);
    writeHandle(out, renderOptions);
}

void RenderViewRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    sceneRoot = readHandle(in, CLASS_TYPE_GROUP);
    camera = readHandle(in, CLASS_TYPE_CAMERA);
    framebuffer = readHandle(in, CLASS_TYPE_FRAMEBUFFER);
    environmentShader = readHandle(in, CLASS_TYPE_SHADER);
    renderOptions = readHandle(in, CLASS_TYPE_RENDER_OPTIONS);
}

// --- Framebuffer ------------------------------------------------------------

FramebufferRecord::FramebufferRecord(int instance)
    : Record(CLASS_TYPE_FRAMEBUFFER, instance), swapCallback(nullptr), format(0),
      isStatic{false, false},
      viewTag{nullHandleValue(CLASS_TYPE_RENDER_VIEW), nullHandleValue(CLASS_TYPE_RENDER_VIEW)},
      state(nullptr) {}

FramebufferRecord::~FramebufferRecord() {
    // The render engine creates the state with platform::alignedNew; the
    // block starts at the most-derived object.
    if (state) {
        void* block = dynamic_cast<void*>(state);
        state->~FramebufferState();
        platform::alignedFree(block);
    }
}

void FramebufferRecord::copyFrom(const Record& other) {
    const FramebufferRecord* from = recordAs<FramebufferRecord>(&other);
    if (!from || from == this) return;
    swapCallback = from->swapCallback;
    format = from->format;
    for (int i = 0; i < 2; ++i) {
        isStatic[i] = from->isStatic[i];
        viewTag[i] = from->viewTag[i];
    }
    // The render state is not copied: the old version keeps what frames in
    // flight still write into, and the engine gives the new one its own.
}

// The stream form carries what a render server needs to reproduce the host's
// framebuffer: the format, then per frame parity the flag and the render
// view tag (as instances, like every handle). The swap callback is a pointer
// into the host process and the render state belongs to the local engine;
// neither is written, and reading leaves both as they are.
void FramebufferRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    out.writeInt32(format);
    out.writeBool(isStatic[0]);
    out.writeBool(isStatic[1]);
    writeHandle(out, viewTag[0]);
    writeHandle(out, viewTag[1]);
}

void FramebufferRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    format = in.readInt32();
    isStatic[0] = in.readBool();
    isStatic[1] = in.readBool();
    viewTag[0] = readHandle(in, CLASS_TYPE_RENDER_VIEW);
    viewTag[1] = readHandle(in, CLASS_TYPE_RENDER_VIEW);
}

}  // namespace scene
}  // namespace hox
