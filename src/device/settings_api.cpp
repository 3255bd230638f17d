// RenderOptions, RenderAttributes and DeviceSettings: the setters by id.
#include "device/public_object.h"
#include "hox/device_settings.h"
#include "hox/render_attributes.h"
#include "hox/render_options.h"
#include "hox/status.h"
#include "scene/device_settings.h"
#include "scene/render_attributes.h"
#include "scene/render_options.h"
#include "scene/settings_records.h"

namespace hox {

int RenderOptions::setOption1b(ERenderOption option, bool value) {
    scene::RenderOptionsRecord* r = device::recordOf<scene::RenderOptionsRecord>(this);
    return r ? scene::setRenderOption1b(r->options, option, value) : RESULT_INVALID_HANDLE;
}

int RenderOptions::setOption1i(ERenderOption option, int value) {
    scene::RenderOptionsRecord* r = device::recordOf<scene::RenderOptionsRecord>(this);
    return r ? scene::setRenderOption1i(r->options, option, value) : RESULT_INVALID_HANDLE;
}

int RenderOptions::setOption1f(ERenderOption option, float value) {
    scene::RenderOptionsRecord* r = device::recordOf<scene::RenderOptionsRecord>(this);
    return r ? scene::setRenderOption1f(r->options, option, value) : RESULT_INVALID_HANDLE;
}

int RenderOptions::getOption1b(ERenderOption option, bool& value) const {
    const scene::RenderOptionsRecord* r = device::recordOf<scene::RenderOptionsRecord>(this);
    return r ? scene::getRenderOption1b(r->options, option, value) : RESULT_INVALID_HANDLE;
}

int RenderOptions::getOption1i(ERenderOption option, int& value) const {
    const scene::RenderOptionsRecord* r = device::recordOf<scene::RenderOptionsRecord>(this);
    return r ? scene::getRenderOption1i(r->options, option, value) : RESULT_INVALID_HANDLE;
}

int RenderOptions::getOption1f(ERenderOption option, float& value) const {
    const scene::RenderOptionsRecord* r = device::recordOf<scene::RenderOptionsRecord>(this);
    return r ? scene::getRenderOption1f(r->options, option, value) : RESULT_INVALID_HANDLE;
}

int RenderAttributes::setAttribute1b(ERenderAttribute attribute, bool value) {
    scene::RenderAttributesRecord* r = device::recordOf<scene::RenderAttributesRecord>(this);
    return r ? scene::setRenderAttribute1b(*r, attribute, value) : RESULT_INVALID_HANDLE;
}

int RenderAttributes::setAttribute1f(ERenderAttribute attribute, float value) {
    scene::RenderAttributesRecord* r = device::recordOf<scene::RenderAttributesRecord>(this);
    return r ? scene::setRenderAttribute1f(*r, attribute, value) : RESULT_INVALID_HANDLE;
}

int RenderAttributes::setAttribute1iv(ERenderAttribute attribute, int count, const int* values) {
    scene::RenderAttributesRecord* r = device::recordOf<scene::RenderAttributesRecord>(this);
    return r ? scene::setRenderAttribute1iv(*r, attribute, count, values) : RESULT_INVALID_HANDLE;
}

int RenderAttributes::removeAttribute(ERenderAttribute attribute) {
    scene::RenderAttributesRecord* r = device::recordOf<scene::RenderAttributesRecord>(this);
    return r ? scene::removeRenderAttribute(*r, attribute) : RESULT_INVALID_HANDLE;
}

int DeviceSettings::setSetting1b(EDeviceSettings setting, bool value) {
    scene::DeviceSettingsRecord* r = device::recordOf<scene::DeviceSettingsRecord>(this);
    return r ? scene::setDeviceSetting1b(r->settings, setting, value) : RESULT_INVALID_HANDLE;
}

int DeviceSettings::setSetting1i(EDeviceSettings setting, int value) {
    scene::DeviceSettingsRecord* r = device::recordOf<scene::DeviceSettingsRecord>(this);
    return r ? scene::setDeviceSetting1i(r->settings, setting, value) : RESULT_INVALID_HANDLE;
}

int DeviceSettings::setSetting1f(EDeviceSettings setting, float value) {
    scene::DeviceSettingsRecord* r = device::recordOf<scene::DeviceSettingsRecord>(this);
    return r ? scene::setDeviceSetting1f(r->settings, setting, value) : RESULT_INVALID_HANDLE;
}

int DeviceSettings::setSetting1s(EDeviceSettings setting, const char* value) {
    scene::DeviceSettingsRecord* r = device::recordOf<scene::DeviceSettingsRecord>(this);
    return r ? scene::setDeviceSetting1s(r->settings, setting, value) : RESULT_INVALID_HANDLE;
}

}  // namespace hox
