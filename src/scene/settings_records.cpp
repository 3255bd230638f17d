// RenderOptions, RenderAttributes and DeviceSettings records: defaults,
// copies, stream form.
#include "scene/settings_records.h"

#include "scene/record_stream.h"
#include "util/byte_stream.h"

namespace hox {
namespace scene {

// --- RenderOptions ----------------------------------------------------------

RenderOptionsData::RenderOptionsData()
    : traceDepth(5), traceDepthThreshold(0.005f), samplingRate(0), progressiveSampling(true),
      maxProgressiveSamplingRate(4), transmission(true), transmissionAccuracy(0.1f),
      occlusion(true), occlusionAccuracy(0.1f), globalIllumination(true),
      globalIlluminationAccuracy(0.1f), glossyReflections(true), glossyReflectionsAccuracy(0.1f),
      glossyRefractions(true), glossyRefractionsAccuracy(0.1f) {}

void RenderOptionsData::write(util::OutputStream& out) const {
    out.writeInt32(traceDepth);
    out.writeFloat(traceDepthThreshold);
    out.writeInt32(samplingRate);
    out.writeBool(progressiveSampling);
    out.writeInt32(maxProgressiveSamplingRate);
    out.writeBool(transmission);
    out.writeFloat(transmissionAccuracy);
    out.writeBool(occlusion);
    out.writeFloat(occlusionAccuracy);
    out.writeBool(globalIllumination);
    out.writeFloat(globalIlluminationAccuracy);
    out.writeBool(glossyReflections);
    out.writeFloat(glossyReflectionsAccuracy);
    out.writeBool(glossyRefractions);
    out.writeFloat(glossyRefractionsAccuracy);
}

void RenderOptionsData::read(util::InputStream& in) {
    traceDepth = in.readInt32();
    traceDepthThreshold = in.readFloat();
    samplingRate = in.readInt32();
    progressiveSampling = in.readBool();
    maxProgressiveSamplingRate = in.readInt32();
    transmission = in.readBool();
    transmissionAccuracy = in.readFloat();
    occlusion = in.readBool();
    occlusionAccuracy = in.readFloat();
    globalIllumination = in.readBool();
    globalIlluminationAccuracy = in.readFloat();
    glossyReflections = in.readBool();
    glossyReflectionsAccuracy = in.readFloat();
    glossyRefractions = in.readBool();
    glossyRefractionsAccuracy = in.readFloat();
}

RenderOptionsRecord::RenderOptionsRecord(int instance)
    : Record(CLASS_TYPE_RENDER_OPTIONS, instance) {}

const RenderOptionsData& RenderOptionsRecord::builtInDefaults() {
    static const RenderOptionsData defaults;
    return defaults;
}

void RenderOptionsRecord::copyFrom(const Record& other) {
    const RenderOptionsRecord* from = recordAs<RenderOptionsRecord>(&other);
    if (!from || from == this) return;
    options = from->options;
}

void RenderOptionsRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    options.write(out);
}

void RenderOptionsRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    options.read(in);
}

// --- RenderAttributes -------------------------------------------------------

RenderAttributesRecord::RenderAttributesRecord(int instance)
    : Record(CLASS_TYPE_RENDER_ATTRIBUTES, instance), givenMask(0), offMask(0),
      floatGiven(false), floatValue(1.0f) {}

void RenderAttributesRecord::copyFrom(const Record& other) {
    const RenderAttributesRecord* from = recordAs<RenderAttributesRecord>(&other);
    if (!from || from == this) return;
    givenMask = from->givenMask;
    offMask = from->offMask;
    floatGiven = from->floatGiven;
    floatValue = from->floatValue;
    // A list cut short would change what the attribute means; an empty list
    // is the lesser harm when memory is gone.
    if (!addList.assign(from->addList.data(), from->addList.count())) addList.release();
    if (!removeList.assign(from->removeList.data(), from->removeList.count())) {
        removeList.release();
    }
}

void RenderAttributesRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    out.writeUInt32(givenMask);
    out.writeUInt32(offMask);
    out.writeBool(floatGiven);
    out.writeFloat(floatValue);
    writeInt32Array(out, addList);
    writeInt32Array(out, removeList);
}

void RenderAttributesRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    givenMask = in.readUInt32();
    offMask = in.readUInt32();
    floatGiven = in.readBool();
    floatValue = in.readFloat();
    readInt32Array(in, addList);
    readInt32Array(in, removeList);
}

// --- DeviceSettings ---------------------------------------------------------

DeviceSettingsData::DeviceSettingsData()
    : threadCount(0), shaderPath(""), clusterEnabled(false), clusterMasterHost("localhost"),
      clusterMasterPort(50709), setting5(0), clusterTileQueueSize(5), setting7(0), setting8(0),
      setting9(1), setting10(false), clusterMasterDisplayWidth(1024),
      clusterMasterDisplayHeight(1024), setting13(false), clusterImageCompressionLevel(0.25f) {}

void DeviceSettingsData::write(util::OutputStream& out) const {
    out.writeInt32(threadCount);
    out.writeString(shaderPath);
    out.writeBool(clusterEnabled);
    out.writeString(clusterMasterHost);
    out.writeInt32(clusterMasterPort);
    out.writeInt32(setting5);
    out.writeInt32(clusterTileQueueSize);
    out.writeInt32(setting7);
    out.writeInt32(setting8);
    out.writeInt32(setting9);
    out.writeBool(setting10);
    out.writeInt32(clusterMasterDisplayWidth);
    out.writeInt32(clusterMasterDisplayHeight);
    out.writeBool(setting13);
    out.writeFloat(clusterImageCompressionLevel);
}

void DeviceSettingsData::read(util::InputStream& in) {
    threadCount = in.readInt32();
    in.readString(shaderPath);
    clusterEnabled = in.readBool();
    in.readString(clusterMasterHost);
    clusterMasterPort = in.readInt32();
    setting5 = in.readInt32();
    clusterTileQueueSize = in.readInt32();
    setting7 = in.readInt32();
    setting8 = in.readInt32();
    setting9 = in.readInt32();
    setting10 = in.readBool();
    clusterMasterDisplayWidth = in.readInt32();
    clusterMasterDisplayHeight = in.readInt32();
    setting13 = in.readBool();
    clusterImageCompressionLevel = in.readFloat();
}

DeviceSettingsRecord::DeviceSettingsRecord(int instance)
    : Record(CLASS_TYPE_DEVICE_SETTINGS, instance) {}

void DeviceSettingsRecord::copyFrom(const Record& other) {
    const DeviceSettingsRecord* from = recordAs<DeviceSettingsRecord>(&other);
    if (!from || from == this) return;
    settings = from->settings;
}

void DeviceSettingsRecord::write(util::OutputStream& out) const {
    out.writeInt32(instance());
    settings.write(out);
}

void DeviceSettingsRecord::read(util::InputStream& in) {
    setInstance(in.readInt32());
    settings.read(in);
}

}  // namespace scene
}  // namespace hox
