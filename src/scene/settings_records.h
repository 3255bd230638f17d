// Records of the renderer's knobs: RenderOptions, RenderAttributes,
// DeviceSettings.
#pragma once

#include <cstdint>

#include "hox/string.h"
#include "scene/record.h"
#include "util/growable_array.h"

namespace hox {
namespace scene {

// Per render view. Kept as one plain block: the engine copies it per frame.
struct RenderOptionsData {
    int32_t traceDepth;                 // 5, 0..1000
    float traceDepthThreshold;          // 0.005, 0..1
    int32_t samplingRate;               // 0, -2..4
    bool progressiveSampling;           // true
    int32_t maxProgressiveSamplingRate; // 4, -2..4
    bool transmission;                  // true
    float transmissionAccuracy;         // 0.1
    bool occlusion;
    float occlusionAccuracy;
    bool globalIllumination;
    float globalIlluminationAccuracy;
    bool glossyReflections;
    float glossyReflectionsAccuracy;
    bool glossyRefractions;
    float glossyRefractionsAccuracy;

    RenderOptionsData();  // the defaults above
    void write(util::OutputStream& out) const;
    void read(util::InputStream& in);
};

class RenderOptionsRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_RENDER_OPTIONS };
    explicit RenderOptionsRecord(int instance);
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    // Used by render views that name no options record.
    static const RenderOptionsData& builtInDefaults();

    RenderOptionsData options;
};

class RenderAttributesRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_RENDER_ATTRIBUTES };
    explicit RenderAttributesRecord(int instance);
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    uint32_t givenMask;                   // bits 0..5: boolean attribute set here
    uint32_t offMask;                     // bits 0..5: boolean attribute false
    bool floatGiven;                      // attribute 6 set here
    float floatValue;                     // 1.0
    util::GrowableArray<int32_t> addList;     // attribute 7
    util::GrowableArray<int32_t> removeList;  // attribute 8
};

// The device settings: a record's fields, the device's settings in force and
// each frame slot's copy.
struct DeviceSettingsData {
    int32_t threadCount;                // 0 = one per processor
    util::String shaderPath;            // ""
    bool clusterEnabled;                // false
    util::String clusterMasterHost;     // "localhost"
    int32_t clusterMasterPort;          // 50709
    int32_t setting5;                   // 0
    int32_t clusterTileQueueSize;       // 5
    int32_t setting7;                   // 0, sent to the cluster master
    int32_t setting8;                   // 0, sent to the cluster master
    int32_t setting9;                   // 1
    bool setting10;                     // false
    int32_t clusterMasterDisplayWidth;  // 1024
    int32_t clusterMasterDisplayHeight; // 1024
    bool setting13;                     // false
    float clusterImageCompressionLevel; // 0.25

    DeviceSettingsData();  // the defaults above
    void write(util::OutputStream& out) const;
    void read(util::InputStream& in);
};

class DeviceSettingsRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_DEVICE_SETTINGS };
    explicit DeviceSettingsRecord(int instance);
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    DeviceSettingsData settings;
};

}  // namespace scene
}  // namespace hox
