// FramebufferRenderState: creation on first use, per-frame preparation and
// the swap to the host.
#include "engine/framebuffer_render_state.h"

#include "hox/framebuffer.h"
#include "platform/aligned_memory.h"

namespace hox {
namespace engine {

float sampleDensity(int passCount, int samplingLevel) {
    // 4^level for levels −2 … 4: 1/16 … 256, all exact in a float.
    static const float kPerLevel[7] = {1.0f / 16.0f, 1.0f / 4.0f, 1.0f, 4.0f, 16.0f, 64.0f, 256.0f};
    const int level = samplingLevel < -2 ? -2 : samplingLevel > 4 ? 4 : samplingLevel;
    const int passes = passCount > 1 ? passCount : 1;
    return static_cast<float>(passes) * kPerLevel[level + 2];
}

void FramebufferRenderState::swap(scene::FramebufferRecord& framebuffer, int frameNumber) {
    IFramebufferCallback* callback = framebuffer.swapCallback;
    if (!callback) return;
    const int parity = frameNumber & 1;
    const FrameBuffer& frame = buffers_[parity];
    const bool isStatic = framebuffer.isStatic[parity];

    // A static view rendered nothing this frame; the host gets the image it
    // already has. Only when there is none yet (a fresh state) is the empty
    // frame resolved, so that the host still receives a valid image.
    if (!isStatic || !resolver_.holdsImage(framebuffer.format)) {
        resolver_.setOutputFormat(framebuffer.format);
        if (frame.passCount() == 0) resolver_.requestRestart();
        // Without memory for the image there is nothing to show.
        if (!resolver_.resolve(frame.width(), frame.height(), frame.floatSums(), frame.weights()))
            return;
    }

    SwapInfo info;
    info.frameNumber = frameNumber;
    info.viewTag = static_cast<int32_t>(framebuffer.viewTag[parity]);
    info.width = resolver_.width();
    info.height = resolver_.height();
    info.format = framebuffer.format;
    info.bytesPerPixel = framebufferBytesPerPixel(framebuffer.format);
    info.sampleDensity = sampleDensity(frame.passCount(), frame.samplingLevel());
    info.isStatic = isStatic ? 1 : 0;
    info.padding[0] = info.padding[1] = info.padding[2] = 0;
    info.pixels = resolver_.image();
    callback->swap(&info);
}

FramebufferRenderState* ensureRenderState(scene::FramebufferRecord& framebuffer) {
    if (framebuffer.state) return dynamic_cast<FramebufferRenderState*>(framebuffer.state);
    // The record frees the state with platform::alignedFree on the
    // most-derived address, which is where alignedNew puts the object.
    FramebufferRenderState* state = platform::alignedNew<FramebufferRenderState>(
        platform::alignmentFor(sizeof(FramebufferRenderState)));
    framebuffer.state = state;
    return state;
}

bool prepareFramebufferForFrame(scene::FramebufferRecord& framebuffer, int frameNumber,
                                bool isStatic, uint32_t viewTag, int width, int height,
                                int samplingLevel, int passCount) {
    const int parity = frameNumber & 1;
    framebuffer.isStatic[parity] = isStatic;
    framebuffer.viewTag[parity] = viewTag;
    FramebufferRenderState* state = ensureRenderState(framebuffer);
    if (!state) return false;
    return state->buffer(parity).prepare(width, height, kTileSize, FRAMEBUFFER_FORMAT_RGBA32F,
                                         samplingLevel, passCount);
}

TileSink* frameTileSink(scene::FramebufferRecord& framebuffer, int frameNumber) {
    FramebufferRenderState* state =
        framebuffer.state ? dynamic_cast<FramebufferRenderState*>(framebuffer.state) : nullptr;
    return state ? &state->buffer(frameNumber & 1) : nullptr;
}

}  // namespace engine
}  // namespace hox
