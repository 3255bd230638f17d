// The render attribute setters by id. Ids 0 to 5 are visibility switches
// (bit = id in the given and off masks), id 6 the occlusion range, ids 7 and
// 8 the light numbers added to and removed from the inherited light set.
#pragma once

#include "scene/settings_records.h"

namespace hox {
namespace scene {

// Number of boolean attributes: bits 0..5 of the masks.
constexpr int kBooleanAttributeCount = 6;

// 0, or 4097 for an id not of the setter's kind (nothing changed).
int setRenderAttribute1b(RenderAttributesRecord& attributes, int id, bool value);
int setRenderAttribute1f(RenderAttributesRecord& attributes, int id, float value);
// The list becomes the count values given; count <= 0 or null values empty
// it. -1 when the list's memory cannot be obtained (the list is then empty).
int setRenderAttribute1iv(RenderAttributesRecord& attributes, int id, int count, const int* values);
// Makes the attribute inherited again. 0, or 4097 for an unknown id.
int removeRenderAttribute(RenderAttributesRecord& attributes, int id);

}  // namespace scene
}  // namespace hox
