// The render option setters by id: which id takes which kind of value, the
// valid ranges and the warnings.
#pragma once

#include "scene/settings_records.h"

namespace hox {
namespace scene {

// 0; 4097 for an id not of the setter's kind (or unknown); 4098 with a
// warning, options unchanged, for a value out of range.
int setRenderOption1b(RenderOptionsData& options, int id, bool value);
int setRenderOption1i(RenderOptionsData& options, int id, int value);
int setRenderOption1f(RenderOptionsData& options, int id, float value);

// 0, or 4097 for an id not of the getter's kind.
int getRenderOption1b(const RenderOptionsData& options, int id, bool& value);
int getRenderOption1i(const RenderOptionsData& options, int id, int& value);
int getRenderOption1f(const RenderOptionsData& options, int id, float& value);

}  // namespace scene
}  // namespace hox
