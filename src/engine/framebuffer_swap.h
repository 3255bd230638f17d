// The swap step of a finished frame: each view's framebuffer hands its image
// to the host.
#pragma once

#include "scene/view_records.h"

namespace hox {
namespace engine {

// Hands the image of `frameNumber` in `framebuffer` to its swap callback.
// The image lives in the framebuffer's render state, which the render engine
// creates when it first renders into the framebuffer; a framebuffer without
// one has no image yet, and nothing is handed over.
void swapFramebuffer(scene::FramebufferRecord& framebuffer, int frameNumber);

}  // namespace engine
}  // namespace hox
