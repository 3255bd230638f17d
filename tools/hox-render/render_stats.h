// The --stats report: the run's own measurements and the device's queries.
#pragma once

#include <cstdio>

#include "hox/device.h"
#include "render_session.h"

namespace hox_render {

void printRenderStats(std::FILE* out, hox::IRenderDevice* device, const RenderResult& result);

}  // namespace hox_render
