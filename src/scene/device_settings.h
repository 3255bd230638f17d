// The device setting setters by id: which id takes which kind of value, the
// valid ranges and the warnings.
#pragma once

#include "scene/settings_records.h"

namespace hox {
namespace scene {

// 0; 4097 for an id not of the setter's kind (or unknown); 4098 with a
// warning, settings unchanged, for a value out of range. The tile queue size
// is the exception: clamped with a warning and accepted.
int setDeviceSetting1b(DeviceSettingsData& settings, int id, bool value);
int setDeviceSetting1i(DeviceSettingsData& settings, int id, int value);
int setDeviceSetting1f(DeviceSettingsData& settings, int id, float value);
// A null text is taken as "".
int setDeviceSetting1s(DeviceSettingsData& settings, int id, const char* value);

}  // namespace scene
}  // namespace hox
