// DeviceSettings: render threads, shader path and the cluster configuration,
// applied with the frame definition that names them.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"

namespace hox {

// Based on int so that any number a host passes is a value of the type;
// the setters answer ids outside the list with 4097.
enum EDeviceSettings : int {
    // int, 0: render threads of the local engine. 1 up to one less than the
    // processor count is used as given; anything else means one per
    // processor. Negative values are stored as 0.
    DEVICE_THREAD_COUNT = 0,
    DEVICE_SHADER_PATH = 1,                    // text, "": where shader libraries are looked for
    DEVICE_CLUSTER = 2,                        // bool, false: render on a cluster
    DEVICE_CLUSTER_MASTER_HOST = 3,            // text, "localhost"
    DEVICE_CLUSTER_MASTER_PORT = 4,            // int, 50709, 1025..65535
    DEVICE_RESERVED_INT_5 = 5,                 // int, 0, negative stored as 0; kept for the cluster engine
    DEVICE_CLUSTER_TILE_QUEUE_SIZE = 6,        // int, 5, 0..10 (clamped with a warning)
    // int, 0, negative stored as 0: two values the cluster master receives
    // when the cluster engine connects; their meaning is the master's.
    DEVICE_CLUSTER_CONNECT_VALUE_A = 7,
    DEVICE_CLUSTER_CONNECT_VALUE_B = 8,
    DEVICE_RESERVED_INT_9 = 9,                 // int, 1, negative stored as 0
    DEVICE_RESERVED_BOOL_10 = 10,              // bool, false
    DEVICE_CLUSTER_MASTER_DISPLAY_WIDTH = 11,  // int, 1024, at least 1
    DEVICE_CLUSTER_MASTER_DISPLAY_HEIGHT = 12, // int, 1024, at least 1
    DEVICE_RESERVED_BOOL_13 = 13,              // bool, false
    DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL = 14  // float, 0.25, 0..1
};

// Every setter returns 0 on success, 4097 for an id of another kind or an
// unknown id, and 4098 (with a warning, value unchanged) for a value out of
// range.
class HOX_API DeviceSettings : public Class {
public:
    enum { TypeId = CLASS_TYPE_DEVICE_SETTINGS };

    // Ids 2, 10, 13.
    int setSetting1b(EDeviceSettings setting, bool value);
    // Ids 0, 4 to 9, 11, 12.
    int setSetting1i(EDeviceSettings setting, int value);
    // Id 14.
    int setSetting1f(EDeviceSettings setting, float value);
    // Ids 1, 3. The text is copied; a null pointer is taken as "".
    int setSetting1s(EDeviceSettings setting, const char* value);
};

}  // namespace hox
