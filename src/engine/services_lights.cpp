// Tracing services 1 to 3: gathering the lights that reach a point.
//
// The lights are those of the shaded instance's light set (an environment
// shader, which shades no instance, gets the set of every light). For each
// light sample the light's own shader runs with the shading record of the
// caller: the light's data, the direction and the distance in words 90-99,
// and, while it runs, the gathered point and axis in place of the hit's
// position and normal. What it leaves in words 100-102 is the sample's
// colour. A light shader typically calls transmission there for its
// shadow; the worker's shadow flag then holds the light's cast-shadows
// switch.
#include <cmath>

#include "accel/prepared_view.h"
#include "engine/render_worker_local.h"
#include "engine/service_directions.h"
#include "engine/service_samples.h"
#include "engine/shading_vectors.h"
#include "hox/shader_declaration.h"
#include "scene/entity_records.h"
#include "scene/shader_record.h"
#include "trace/instance.h"

namespace hox {
namespace engine {

namespace {

constexpr int kLightTypePoint = 0;
constexpr int kLightTypeDirectional = 1;
constexpr int kLightTypeAmbient = 2;

// The angle of illuminance without one: the hemisphere around the axis.
constexpr float kHemisphereAngle = 1.5707964f;

bool hasExtent(const accel::LightEntry& light) {
    return (light.lightType == kLightTypeDirectional && light.parameter3 > 0.0f) ||
           (light.lightType == kLightTypePoint && light.parameter2 > 0.0f);
}

bool selected(const accel::LightEntry& light, int selector) {
    if (selector > 0) return light.parameter5 == selector;
    if (selector < 0) return light.parameter5 != -selector;
    return true;
}

// Words 90-99 of the record for one light sample, with the light words the
// light shader answers in (100-105) back at their entry values.
void writeLightWords(ShadingState& state, const accel::LightEntry& light, const Vec3f& toLight,
                     float distance) {
    state.lightPosition = light.worldPosition;
    state.lightAxis = normalizedOrZero(light.worldDirection);
    state.toLight = toLight;
    state.lightDistance = distance;
    state.lightColour = {0.0f, 0.0f, 0.0f};
    state.lightColourScale = {1.0f, 1.0f, 1.0f};
}

}  // namespace

const accel::LightSetEntry* RenderWorkerLocal::activeLightSet() const {
    if (!view_) return nullptr;
    const uint32_t index = active_.instance ? active_.instance->lightSetIndex : 0u;
    return index < static_cast<uint32_t>(view_->lightSets.count()) ? &view_->lightSets[static_cast<int>(index)]
                                                                   : nullptr;
}

bool RenderWorkerLocal::sampleLight(const accel::LightEntry& light, const Vec3f& position, int set, int n,
                                    int count, Vec3f& toLight, float& distance) const {
    // Under a gather a light with extent takes one sample, still spread
    // over its disk from sample to sample of the pixel.
    const float* disk = hasExtent(light)
                            ? sampleTables().lensPoints[set][serviceSampleIndex(sampleOffsetIndex_, count, n)]
                            : nullptr;
    Vec3f lightPosition;
    if (light.lightType == kLightTypeDirectional) {
        Vec3f l = -normalizedOrZero(light.worldDirection);
        if (disk && light.parameter3 > 0.0f) {
            // A disk of radius tan(angular size) one unit along the light's
            // direction: the sun's disk as seen from the point.
            Vec3f t1, t2;
            tangentFrame(l, t1, t2);
            l = normalizedOrZero(l + (t1 * disk[0] + t2 * disk[1]) * light.parameter3);
        }
        lightPosition = position + l * farDistance_;
    } else {
        lightPosition = light.worldPosition;
        if (disk && light.parameter2 > 0.0f) {
            // The sphere's disk as seen from the point.
            const Vec3f facing = normalizedOrZero(position - light.worldPosition);
            if (lengthSquared(facing) > 0.0f) {
                Vec3f t1, t2;
                tangentFrame(facing, t1, t2);
                lightPosition = lightPosition + (t1 * disk[0] + t2 * disk[1]) * light.parameter2;
            }
        }
    }
    const Vec3f span = lightPosition - position;
    distance = std::sqrt(lengthSquared(span));
    toLight = normalizedOrZero(span);
    if (!std::isfinite(distance) || lengthSquared(toLight) == 0.0f) return false;
    if (light.lightType == kLightTypePoint &&
        !(-dot(toLight, normalizedOrZero(light.worldDirection)) >= std::cos(light.parameter1))) {
        return false;
    }
    return distance <= light.parameter0;
}

int RenderWorkerLocal::illuminance(int lightGroupSelector, const Vec3f& position, const Vec3f& axis,
                                   const LightSample** samples, float angle) {
    if (samples) *samples = nullptr;
    // A light shader gathering lights again would overwrite the samples and
    // the record words being gathered.
    if (!active_.state || gatheringLights_) return 0;
    const accel::LightSetEntry* set = activeLightSet();
    if (!set || set->lightCount <= 0 || !lightSamples_) return 0;

    const int64_t wanted = static_cast<int64_t>(set->lightCount) * settings_.shadowSamples;
    const int capacity = wanted < lightSampleCapacity_ ? static_cast<int>(wanted) : lightSampleCapacity_;
    const Vec3f unitAxis = normalizedOrZero(axis);
    const float coneLimit = std::cos(angle);
    ShadingState& state = *active_.state;
    const Vec3f hitPosition = state.position;
    const Vec3f hitNormal = state.normal;
    const bool savedShadowFlag = shadowFlag_;
    const int sampleSet = serviceSet(kServiceKeyLight);
    gatheringLights_ = true;

    int stored = 0;
    for (int i = 0; i < set->lightCount && stored < capacity; ++i) {
        const accel::LightEntry& light = view_->lights[view_->lightSetLights[set->lightFirst + i]];
        if (light.lightType == kLightTypeAmbient || !selected(light, lightGroupSelector)) continue;
        const ShaderObject* shader = light.shader ? light.shader->shaderObject : nullptr;
        if (!shader) continue;
        shadowFlag_ = light.parameter4;
        const int count = !gather_ && hasExtent(light) ? settings_.shadowSamples : 1;
        const float share = 1.0f / static_cast<float>(count);
        for (int n = 0; n < count && stored < capacity; ++n) {
            Vec3f toLight;
            float distance;
            if (!sampleLight(light, position, sampleSet, n, count, toLight, distance)) continue;
            if (!(dot(toLight, unitAxis) >= coneLimit)) continue;

            writeLightWords(state, light, toLight, distance);
            state.position = position;
            state.normal = axis;
            callShade(*shader, state, active_.instance);
            state.position = hitPosition;
            state.normal = hitNormal;

            LightSample& sample = lightSamples_[stored];
            sample.toLight = toLight;
            sample.distance = distance;
            sample.colour = state.lightColour * share;
            sample.lightNumber = light.light ? light.light->instance() : -1;
            sample.lightGroup = light.parameter5;
            sample.reserved = 0;
            sample.next = stored + 1 < capacity ? &lightSamples_[stored + 1] : nullptr;
            ++stored;
        }
    }

    gatheringLights_ = false;
    shadowFlag_ = savedShadowFlag;
    if (samples && stored > 0) *samples = lightSamples_;
    return stored;
}

int RenderWorkerLocal::illuminance(int lightGroupSelector, const Vec3f& position, const Vec3f& axis,
                                   const LightSample** samples) {
    return illuminance(lightGroupSelector, position, axis, samples, kHemisphereAngle);
}

void RenderWorkerLocal::ambient(Vec3f& result, const Vec3f& position) {
    result = {0.0f, 0.0f, 0.0f};
    if (!active_.state || gatheringLights_) return;
    const accel::LightSetEntry* set = activeLightSet();
    if (!set) return;
    ShadingState& state = *active_.state;
    gatheringLights_ = true;
    for (int i = 0; i < set->lightCount; ++i) {
        const accel::LightEntry& light = view_->lights[view_->lightSetLights[set->lightFirst + i]];
        if (light.lightType != kLightTypeAmbient) continue;
        const ShaderObject* shader = light.shader ? light.shader->shaderObject : nullptr;
        if (!shader) continue;
        const Vec3f span = light.worldPosition - position;
        writeLightWords(state, light, normalizedOrZero(span), std::sqrt(lengthSquared(span)));
        callShade(*shader, state, active_.instance);
        result = result + state.lightColour * state.lightColourScale;
    }
    gatheringLights_ = false;
}

}  // namespace engine
}  // namespace hox
