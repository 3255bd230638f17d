// Light: type and parameters.
#include "device/public_object.h"
#include "hox/entity.h"
#include "hox/status.h"
#include "scene/light_parameters.h"

namespace hox {

int Light::setLightType(ELightType type) {
    scene::LightRecord* record = device::recordOf<scene::LightRecord>(this);
    return record ? scene::setLightType(*record, type) : RESULT_INVALID_HANDLE;
}

ELightType Light::getLightType() const {
    const scene::LightRecord* record = device::recordOf<scene::LightRecord>(this);
    return static_cast<ELightType>(record ? record->lightType : LIGHT_TYPE_POINT);
}

int Light::setParameter1f(ELightParameter parameter, float value) {
    scene::LightRecord* record = device::recordOf<scene::LightRecord>(this);
    return record ? scene::setLightParameter1f(*record, parameter, value) : RESULT_INVALID_HANDLE;
}

int Light::setParameter1b(ELightParameter parameter, bool value) {
    scene::LightRecord* record = device::recordOf<scene::LightRecord>(this);
    return record ? scene::setLightParameter1b(*record, parameter, value) : RESULT_INVALID_HANDLE;
}

int Light::setParameter1i(ELightParameter parameter, int value) {
    scene::LightRecord* record = device::recordOf<scene::LightRecord>(this);
    return record ? scene::setLightParameter1i(*record, parameter, value) : RESULT_INVALID_HANDLE;
}

int Light::getParameter1f(ELightParameter parameter, float& value) const {
    const scene::LightRecord* record = device::recordOf<scene::LightRecord>(this);
    return record ? scene::getLightParameter1f(*record, parameter, value) : RESULT_INVALID_HANDLE;
}

int Light::getParameter1b(ELightParameter parameter, bool& value) const {
    const scene::LightRecord* record = device::recordOf<scene::LightRecord>(this);
    return record ? scene::getLightParameter1b(*record, parameter, value) : RESULT_INVALID_HANDLE;
}

int Light::getParameter1i(ELightParameter parameter, int& value) const {
    const scene::LightRecord* record = device::recordOf<scene::LightRecord>(this);
    return record ? scene::getLightParameter1i(*record, parameter, value) : RESULT_INVALID_HANDLE;
}

}  // namespace hox
