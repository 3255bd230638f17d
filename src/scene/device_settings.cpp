#include "scene/device_settings.h"

#include "hox/device_settings.h"
#include "hox/status.h"
#include "util/messages.h"

namespace hox {
namespace scene {

namespace {

constexpr int kMinPort = 1025;
constexpr int kMaxPort = 65535;
constexpr int kMaxTileQueueSize = 10;
// Out-of-range queue sizes are accepted after clamping: a negative size
// becomes one tile, a larger one the maximum.
constexpr int kTileQueueSizeForNegative = 1;

// Counts that cannot be negative; below 0 they are stored as 0 silently.
int32_t* countField(DeviceSettingsData& s, int id) {
    switch (id) {
    case DEVICE_THREAD_COUNT: return &s.threadCount;
    case DEVICE_RESERVED_INT_5: return &s.setting5;
    case DEVICE_CLUSTER_CONNECT_VALUE_A: return &s.setting7;
    case DEVICE_CLUSTER_CONNECT_VALUE_B: return &s.setting8;
    case DEVICE_RESERVED_INT_9: return &s.setting9;
    default: return nullptr;
    }
}

int setChecked(int32_t& field, int value, bool valid, const char* name) {
    if (!valid) {
        util::warning("%s : invalid value : %d", name, value);
        return RESULT_INVALID_VALUE;
    }
    field = value;
    return RESULT_OK;
}

}  // namespace

int setDeviceSetting1b(DeviceSettingsData& settings, int id, bool value) {
    switch (id) {
    case DEVICE_CLUSTER: settings.clusterEnabled = value; return RESULT_OK;
    case DEVICE_RESERVED_BOOL_10: settings.setting10 = value; return RESULT_OK;
    case DEVICE_RESERVED_BOOL_13: settings.setting13 = value; return RESULT_OK;
    default: return RESULT_INVALID_ENUM;
    }
}

int setDeviceSetting1i(DeviceSettingsData& settings, int id, int value) {
    if (int32_t* count = countField(settings, id)) {
        *count = value < 0 ? 0 : value;
        return RESULT_OK;
    }
    switch (id) {
    case DEVICE_CLUSTER_MASTER_PORT:
        return setChecked(settings.clusterMasterPort, value, value >= kMinPort && value <= kMaxPort,
                          "DEVICE_CLUSTER_MASTER_PORT");
    case DEVICE_CLUSTER_TILE_QUEUE_SIZE:
        if (value < 0 || value > kMaxTileQueueSize) {
            util::warning("DEVICE_CLUSTER_TILE_QUEUE_SIZE : invalid value : %d", value);
            value = value < 0 ? kTileQueueSizeForNegative : kMaxTileQueueSize;
        }
        settings.clusterTileQueueSize = value;
        return RESULT_OK;
    case DEVICE_CLUSTER_MASTER_DISPLAY_WIDTH:
        return setChecked(settings.clusterMasterDisplayWidth, value, value >= 1,
                          "DEVICE_CLUSTER_MASTER_DISPLAY_WIDTH");
    case DEVICE_CLUSTER_MASTER_DISPLAY_HEIGHT:
        return setChecked(settings.clusterMasterDisplayHeight, value, value >= 1,
                          "DEVICE_CLUSTER_MASTER_DISPLAY_HEIGHT");
    default:
        return RESULT_INVALID_ENUM;
    }
}

int setDeviceSetting1f(DeviceSettingsData& settings, int id, float value) {
    if (id != DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL) return RESULT_INVALID_ENUM;
    // Written so that not-a-number fails.
    if (!(value >= 0.0f && value <= 1.0f)) {
        util::warning("DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL : invalid value : %g", static_cast<double>(value));
        return RESULT_INVALID_VALUE;
    }
    settings.clusterImageCompressionLevel = value;
    return RESULT_OK;
}

int setDeviceSetting1s(DeviceSettingsData& settings, int id, const char* value) {
    if (!value) value = "";
    switch (id) {
    case DEVICE_SHADER_PATH: settings.shaderPath = value; return RESULT_OK;
    case DEVICE_CLUSTER_MASTER_HOST: settings.clusterMasterHost = value; return RESULT_OK;
    default: return RESULT_INVALID_ENUM;
    }
}

}  // namespace scene
}  // namespace hox
