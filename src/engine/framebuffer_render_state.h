// FramebufferRenderState: what the local engine keeps per framebuffer record
// (the two per-parity frame buffers and the resolver), and the swap that
// hands a finished image to the host's IFramebufferCallback.
//
// The state hangs off the record (FramebufferRecord::state) and is created
// on first use, when a frame prepares the framebuffer. Editing a framebuffer
// makes a new record version, and the state stays with the old one: frames
// still in flight keep writing into the buffers they were given, and the new
// version starts with a fresh state, so its accumulation starts again. That
// costs nothing worth keeping: an edited framebuffer marks the scene dirty,
// which restarts progressive accumulation anyway.
#pragma once

#include <cstdint>

#include "engine/frame_buffer.h"
#include "engine/framebuffer_resolver.h"
#include "scene/view_records.h"

namespace hox {
namespace engine {

class FramebufferRenderState : public scene::FramebufferState {
public:
    FramebufferRenderState() {}
    FramebufferRenderState(const FramebufferRenderState&) = delete;
    FramebufferRenderState& operator=(const FramebufferRenderState&) = delete;

    // The buffer frames of this parity (frame number & 1) render into.
    FrameBuffer& buffer(int parity) { return buffers_[parity & 1]; }
    const FrameBuffer& buffer(int parity) const { return buffers_[parity & 1]; }
    FramebufferResolver& resolver() { return resolver_; }

    // Hands frame `frameNumber`'s image to the record's swap callback. A
    // view that was not static is resolved first (restarting the history
    // when its pass count was 0); a static view re-delivers the previous
    // image. Without a callback nothing is resolved or converted.
    void swap(scene::FramebufferRecord& framebuffer, int frameNumber) override;

private:
    FrameBuffer buffers_[2];
    FramebufferResolver resolver_;
};

// The record's render state, made on first use. Null when memory is short,
// or when the record carries a state that is not the local engine's.
FramebufferRenderState* ensureRenderState(scene::FramebufferRecord& framebuffer);

// A frame's preparation of one view's framebuffer: records the view's
// static flag and tag for the frame's parity and prepares that parity's
// buffer (tile size 16, four floats per pixel). False when the buffer has no
// images for this frame.
bool prepareFramebufferForFrame(scene::FramebufferRecord& framebuffer, int frameNumber,
                                bool isStatic, uint32_t viewTag, int width, int height,
                                int samplingLevel, int passCount);

// The default tile sink of a frame: the framebuffer's buffer of the frame's
// parity; null when the framebuffer was never prepared.
TileSink* frameTileSink(scene::FramebufferRecord& framebuffer, int frameNumber);

// Samples per pixel an image holds: max(passCount, 1) × 4^level, the level
// taken in −2 … 4.
float sampleDensity(int passCount, int samplingLevel);

}  // namespace engine
}  // namespace hox
