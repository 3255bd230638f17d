// The light setters by id: light type and the six light parameters.
#pragma once

#include "scene/entity_records.h"

namespace hox {
namespace scene {

// 0, or 4097 for a type other than 0..2 (type kept).
int setLightType(LightRecord& light, int type);
// 0, or 4097 for an id not of the setter's kind (nothing changed).
int setLightParameter1f(LightRecord& light, int id, float value);
int setLightParameter1b(LightRecord& light, int id, bool value);
int setLightParameter1i(LightRecord& light, int id, int value);
int getLightParameter1f(const LightRecord& light, int id, float& value);
int getLightParameter1b(const LightRecord& light, int id, bool& value);
int getLightParameter1i(const LightRecord& light, int id, int& value);

// What parameter 3 stores for an angle given in degrees: the tangent of the
// angle clamped to [0, 45]; negative or not-a-number angles give 0.
float angularSizeTangent(float degrees);

}  // namespace scene
}  // namespace hox
