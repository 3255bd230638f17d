#include "engine/framebuffer_swap.h"

namespace hox {
namespace engine {

void swapFramebuffer(scene::FramebufferRecord& framebuffer, int frameNumber) {
    if (framebuffer.state) framebuffer.state->swap(framebuffer, frameNumber);
}

}  // namespace engine
}  // namespace hox
