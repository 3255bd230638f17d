#include "scene/light_parameters.h"

#include <cmath>

#include "hox/entity.h"
#include "hox/status.h"

namespace hox {
namespace scene {

namespace {

constexpr float kMaxAngularSizeDegrees = 45.0f;
constexpr float kDegreesToRadians = 3.14159265358979f / 180.0f;

float* floatField(LightRecord& light, int id) {
    switch (id) {
    case LIGHT_PARAMETER_RANGE: return &light.parameter0;
    case LIGHT_PARAMETER_CONE_ANGLE: return &light.parameter1;
    case LIGHT_PARAMETER_RADIUS: return &light.parameter2;
    case LIGHT_PARAMETER_ANGULAR_SIZE: return &light.parameter3;
    default: return nullptr;
    }
}

}  // namespace

float angularSizeTangent(float degrees) {
    // Written so that not-a-number lands on 0. The 45 degree cap keeps the
    // tangent at most 1, so the soft-shadow disk never tilts a sample past
    // the horizon.
    if (!(degrees > 0.0f)) return 0.0f;
    if (degrees > kMaxAngularSizeDegrees) degrees = kMaxAngularSizeDegrees;
    return std::tan(degrees * kDegreesToRadians);
}

int setLightType(LightRecord& light, int type) {
    if (type < LIGHT_TYPE_POINT || type > LIGHT_TYPE_AMBIENT) return RESULT_INVALID_ENUM;
    light.lightType = type;
    return RESULT_OK;
}

int setLightParameter1f(LightRecord& light, int id, float value) {
    float* field = floatField(light, id);
    if (!field) return RESULT_INVALID_ENUM;
    *field = id == LIGHT_PARAMETER_ANGULAR_SIZE ? angularSizeTangent(value) : value;
    return RESULT_OK;
}

int setLightParameter1b(LightRecord& light, int id, bool value) {
    if (id != LIGHT_PARAMETER_CAST_SHADOWS) return RESULT_INVALID_ENUM;
    light.parameter4 = value;
    return RESULT_OK;
}

int setLightParameter1i(LightRecord& light, int id, int value) {
    if (id != LIGHT_PARAMETER_LIGHT_GROUP) return RESULT_INVALID_ENUM;
    light.parameter5 = value;
    return RESULT_OK;
}

int getLightParameter1f(const LightRecord& light, int id, float& value) {
    const float* field = floatField(const_cast<LightRecord&>(light), id);
    if (!field) return RESULT_INVALID_ENUM;
    value = *field;
    return RESULT_OK;
}

int getLightParameter1b(const LightRecord& light, int id, bool& value) {
    if (id != LIGHT_PARAMETER_CAST_SHADOWS) return RESULT_INVALID_ENUM;
    value = light.parameter4;
    return RESULT_OK;
}

int getLightParameter1i(const LightRecord& light, int id, int& value) {
    if (id != LIGHT_PARAMETER_LIGHT_GROUP) return RESULT_INVALID_ENUM;
    value = light.parameter5;
    return RESULT_OK;
}

}  // namespace scene
}  // namespace hox
