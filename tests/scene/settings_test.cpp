#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "hox/device_settings.h"
#include "hox/entity.h"
#include "hox/message_callback.h"
#include "hox/render_attributes.h"
#include "hox/render_options.h"
#include "hox/status.h"
#include "scene/device_settings.h"
#include "scene/light_parameters.h"
#include "scene/render_attributes.h"
#include "scene/render_options.h"
#include "util/messages.h"

namespace {

using namespace hox;
using namespace hox::scene;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

struct WarningRecorder : IMessageCallback {
    std::vector<std::string> warnings;
    int others = 0;
    void message(int, const char*) override { ++others; }
    void warning(const char* text) override { warnings.push_back(text); }
    void error(const char*) override { ++others; }
};

// Every test sees the warnings it caused and nothing else.
struct SettingsTest : ::testing::Test {
    WarningRecorder recorder;
    void SetUp() override { util::setMessageCallback(&recorder); }
    void TearDown() override { util::setMessageCallback(nullptr); }

    void expectOneWarning(const std::string& text) {
        ASSERT_EQ(recorder.warnings.size(), 1u) << "expected: " << text;
        EXPECT_EQ(recorder.warnings[0], text);
        recorder.warnings.clear();
    }
    void expectNoWarning() { EXPECT_TRUE(recorder.warnings.empty()) << recorder.warnings.front(); }
};

// --- render options ----------------------------------------------------

using RenderOptionsTest = SettingsTest;

TEST_F(RenderOptionsTest, TraceDepthRange) {
    RenderOptionsData o;
    EXPECT_EQ(setRenderOption1i(o, OPTION_TRACE_DEPTH, 1000), RESULT_OK);
    EXPECT_EQ(setRenderOption1i(o, OPTION_TRACE_DEPTH, 0), RESULT_OK);
    expectNoWarning();

    EXPECT_EQ(setRenderOption1i(o, OPTION_TRACE_DEPTH, 1001), RESULT_INVALID_VALUE);
    expectOneWarning("OPTION_TRACE_DEPTH : invalid value : 1001");
    EXPECT_EQ(setRenderOption1i(o, OPTION_TRACE_DEPTH, -1), RESULT_INVALID_VALUE);
    expectOneWarning("OPTION_TRACE_DEPTH : invalid value : -1");
    EXPECT_EQ(setRenderOption1i(o, OPTION_TRACE_DEPTH, kIntMin), RESULT_INVALID_VALUE);
    expectOneWarning("OPTION_TRACE_DEPTH : invalid value : -2147483648");
    EXPECT_EQ(o.traceDepth, 0);
}

TEST_F(RenderOptionsTest, SamplingRatesRunFromMinusTwoToFour) {
    struct Rate { int id; const char* name; } rates[] = {
        {OPTION_SAMPLING_RATE, "OPTION_SAMPLING_RATE"},
        {OPTION_MAX_PROGRESSIVE_SAMPLING_RATE, "OPTION_MAX_PROGRESSIVE_SAMPLING_RATE"}};
    for (const Rate& rate : rates) {
        RenderOptionsData o;
        int stored = 0;
        for (int value : {-2, -1, 0, 3, 4}) {
            EXPECT_EQ(setRenderOption1i(o, rate.id, value), RESULT_OK) << rate.name << " " << value;
            ASSERT_EQ(getRenderOption1i(o, rate.id, stored), RESULT_OK);
            EXPECT_EQ(stored, value);
        }
        expectNoWarning();
        for (int value : {-3, 5, kIntMax, kIntMin, kIntMax - 1}) {
            EXPECT_EQ(setRenderOption1i(o, rate.id, value), RESULT_INVALID_VALUE) << rate.name << " " << value;
            expectOneWarning(std::string(rate.name) + " : invalid value : " + std::to_string(value));
        }
        ASSERT_EQ(getRenderOption1i(o, rate.id, stored), RESULT_OK);
        EXPECT_EQ(stored, 4);
    }
}

TEST_F(RenderOptionsTest, FloatOptionsAcceptZeroToOne) {
    struct Option { int id; const char* name; } options[] = {
        {OPTION_TRACE_DEPTH_THRESHOLD, "OPTION_TRACE_DEPTH_THRESHOLD"},
        {OPTION_TRANSMISSION_ACCURACY, "OPTION_TRANSMISSION_ACCURACY"},
        {OPTION_OCCLUSION_ACCURACY, "OPTION_OCCLUSION_ACCURACY"},
        {OPTION_GLOBAL_ILLUMINATION_ACCURACY, "OPTION_GLOBAL_ILLUMINATION_ACCURACY"},
        {OPTION_GLOSSY_REFLECTIONS_ACCURACY, "OPTION_GLOSSY_REFLECTIONS_ACCURACY"},
        {OPTION_GLOSSY_REFRACTIONS_ACCURACY, "OPTION_GLOSSY_REFRACTIONS_ACCURACY"}};
    for (const Option& option : options) {
        RenderOptionsData o;
        float stored = -1.0f;
        EXPECT_EQ(setRenderOption1f(o, option.id, 0.0f), RESULT_OK);
        EXPECT_EQ(setRenderOption1f(o, option.id, 1.0f), RESULT_OK);
        EXPECT_EQ(setRenderOption1f(o, option.id, 0.25f), RESULT_OK);
        expectNoWarning();
        const std::string prefix = std::string(option.name) + " : invalid value : ";
        EXPECT_EQ(setRenderOption1f(o, option.id, 1.5f), RESULT_INVALID_VALUE);
        expectOneWarning(prefix + "1.5");
        EXPECT_EQ(setRenderOption1f(o, option.id, -0.001f), RESULT_INVALID_VALUE);
        expectOneWarning(prefix + "-0.001");
        EXPECT_EQ(setRenderOption1f(o, option.id, kNaN), RESULT_INVALID_VALUE);
        expectOneWarning(prefix + "nan");
        EXPECT_EQ(setRenderOption1f(o, option.id, kInf), RESULT_INVALID_VALUE);
        expectOneWarning(prefix + "inf");
        ASSERT_EQ(getRenderOption1f(o, option.id, stored), RESULT_OK);
        EXPECT_EQ(stored, 0.25f) << option.name;
    }
}

TEST_F(RenderOptionsTest, BooleanOptionsReachTheirOwnField) {
    RenderOptionsData o;
    EXPECT_EQ(setRenderOption1b(o, OPTION_PROGRESSIVE_SAMPLING, false), RESULT_OK);
    EXPECT_EQ(setRenderOption1b(o, OPTION_GLOSSY_REFRACTIONS, false), RESULT_OK);
    EXPECT_FALSE(o.progressiveSampling);
    EXPECT_FALSE(o.glossyRefractions);
    EXPECT_TRUE(o.transmission);
    EXPECT_TRUE(o.occlusion);
    EXPECT_TRUE(o.globalIllumination);
    EXPECT_TRUE(o.glossyReflections);
    bool value = true;
    EXPECT_EQ(getRenderOption1b(o, OPTION_GLOSSY_REFRACTIONS, value), RESULT_OK);
    EXPECT_FALSE(value);
}

TEST_F(RenderOptionsTest, EachIdBelongsToExactlyOneSetter) {
    const char kinds[] = "ifibibfbfbfbfbf";  // ids 0..14
    for (int id = 0; id < 15; ++id) {
        RenderOptionsData o;
        const bool isInt = setRenderOption1i(o, id, 1) != RESULT_INVALID_ENUM;
        const bool isFloat = setRenderOption1f(o, id, 0.5f) != RESULT_INVALID_ENUM;
        const bool isBool = setRenderOption1b(o, id, false) != RESULT_INVALID_ENUM;
        EXPECT_EQ(isInt, kinds[id] == 'i') << "id " << id;
        EXPECT_EQ(isFloat, kinds[id] == 'f') << "id " << id;
        EXPECT_EQ(isBool, kinds[id] == 'b') << "id " << id;
    }
    expectNoWarning();
}

TEST_F(RenderOptionsTest, WrongKindAndUnknownIdsChangeNothing) {
    RenderOptionsData o;
    EXPECT_EQ(setRenderOption1i(o, 1, 3), RESULT_INVALID_ENUM);
    EXPECT_EQ(setRenderOption1f(o, 0, 0.5f), RESULT_INVALID_ENUM);
    EXPECT_EQ(setRenderOption1b(o, 0, false), RESULT_INVALID_ENUM);
    for (int id : {15, 16, -1, 1000, kIntMin}) {
        EXPECT_EQ(setRenderOption1i(o, id, 1), RESULT_INVALID_ENUM);
        EXPECT_EQ(setRenderOption1f(o, id, 0.5f), RESULT_INVALID_ENUM);
        EXPECT_EQ(setRenderOption1b(o, id, false), RESULT_INVALID_ENUM);
        int i;
        float f;
        bool b;
        EXPECT_EQ(getRenderOption1i(o, id, i), RESULT_INVALID_ENUM);
        EXPECT_EQ(getRenderOption1f(o, id, f), RESULT_INVALID_ENUM);
        EXPECT_EQ(getRenderOption1b(o, id, b), RESULT_INVALID_ENUM);
    }
    expectNoWarning();
    RenderOptionsData defaults;
    EXPECT_EQ(o.traceDepth, defaults.traceDepth);
    EXPECT_EQ(o.traceDepthThreshold, defaults.traceDepthThreshold);
    EXPECT_EQ(o.progressiveSampling, defaults.progressiveSampling);
}

// --- device settings ---------------------------------------------------

using DeviceSettingsTest = SettingsTest;

TEST_F(DeviceSettingsTest, MasterPortRange) {
    DeviceSettingsData s;
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_MASTER_PORT, 1024), RESULT_INVALID_VALUE);
    expectOneWarning("DEVICE_CLUSTER_MASTER_PORT : invalid value : 1024");
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_MASTER_PORT, 65536), RESULT_INVALID_VALUE);
    expectOneWarning("DEVICE_CLUSTER_MASTER_PORT : invalid value : 65536");
    EXPECT_EQ(s.clusterMasterPort, 50709);
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_MASTER_PORT, 1025), RESULT_OK);
    EXPECT_EQ(s.clusterMasterPort, 1025);
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_MASTER_PORT, 65535), RESULT_OK);
    EXPECT_EQ(s.clusterMasterPort, 65535);
    expectNoWarning();
}

TEST_F(DeviceSettingsTest, TileQueueSizeIsClampedWithAWarning) {
    DeviceSettingsData s;
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_TILE_QUEUE_SIZE, 20), RESULT_OK);
    expectOneWarning("DEVICE_CLUSTER_TILE_QUEUE_SIZE : invalid value : 20");
    EXPECT_EQ(s.clusterTileQueueSize, 10);
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_TILE_QUEUE_SIZE, -5), RESULT_OK);
    expectOneWarning("DEVICE_CLUSTER_TILE_QUEUE_SIZE : invalid value : -5");
    EXPECT_EQ(s.clusterTileQueueSize, 1);
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_TILE_QUEUE_SIZE, 0), RESULT_OK);
    EXPECT_EQ(s.clusterTileQueueSize, 0);
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_TILE_QUEUE_SIZE, 10), RESULT_OK);
    EXPECT_EQ(s.clusterTileQueueSize, 10);
    expectNoWarning();
}

TEST_F(DeviceSettingsTest, CountsStoreNegativeValuesAsZeroSilently) {
    struct Count { int id; int32_t DeviceSettingsData::*field; } counts[] = {
        {DEVICE_THREAD_COUNT, &DeviceSettingsData::threadCount},
        {DEVICE_RESERVED_INT_5, &DeviceSettingsData::setting5},
        {DEVICE_CLUSTER_CONNECT_VALUE_A, &DeviceSettingsData::setting7},
        {DEVICE_CLUSTER_CONNECT_VALUE_B, &DeviceSettingsData::setting8},
        {DEVICE_RESERVED_INT_9, &DeviceSettingsData::setting9}};
    for (const Count& c : counts) {
        DeviceSettingsData s;
        EXPECT_EQ(setDeviceSetting1i(s, c.id, 7), RESULT_OK);
        EXPECT_EQ(s.*c.field, 7) << "id " << c.id;
        EXPECT_EQ(setDeviceSetting1i(s, c.id, -3), RESULT_OK);
        EXPECT_EQ(s.*c.field, 0) << "id " << c.id;
        EXPECT_EQ(setDeviceSetting1i(s, c.id, kIntMin), RESULT_OK);
        EXPECT_EQ(s.*c.field, 0);
    }
    expectNoWarning();
}

TEST_F(DeviceSettingsTest, DisplaySizeMustBeAtLeastOne) {
    DeviceSettingsData s;
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_MASTER_DISPLAY_WIDTH, 0), RESULT_INVALID_VALUE);
    expectOneWarning("DEVICE_CLUSTER_MASTER_DISPLAY_WIDTH : invalid value : 0");
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_MASTER_DISPLAY_HEIGHT, -7), RESULT_INVALID_VALUE);
    expectOneWarning("DEVICE_CLUSTER_MASTER_DISPLAY_HEIGHT : invalid value : -7");
    EXPECT_EQ(s.clusterMasterDisplayWidth, 1024);
    EXPECT_EQ(s.clusterMasterDisplayHeight, 1024);
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_MASTER_DISPLAY_WIDTH, 1), RESULT_OK);
    EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_MASTER_DISPLAY_HEIGHT, 3000), RESULT_OK);
    EXPECT_EQ(s.clusterMasterDisplayWidth, 1);
    EXPECT_EQ(s.clusterMasterDisplayHeight, 3000);
    expectNoWarning();
}

TEST_F(DeviceSettingsTest, CompressionLevelRange) {
    DeviceSettingsData s;
    EXPECT_EQ(setDeviceSetting1f(s, DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, 0.0f), RESULT_OK);
    EXPECT_EQ(setDeviceSetting1f(s, DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, 1.0f), RESULT_OK);
    expectNoWarning();
    EXPECT_EQ(setDeviceSetting1f(s, DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, 1.5f), RESULT_INVALID_VALUE);
    expectOneWarning("DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL : invalid value : 1.5");
    EXPECT_EQ(setDeviceSetting1f(s, DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, kNaN), RESULT_INVALID_VALUE);
    expectOneWarning("DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL : invalid value : nan");
    EXPECT_EQ(setDeviceSetting1f(s, DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, -kInf), RESULT_INVALID_VALUE);
    expectOneWarning("DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL : invalid value : -inf");
    EXPECT_EQ(s.clusterImageCompressionLevel, 1.0f);
}

TEST_F(DeviceSettingsTest, TextsAreCopiedAndNullIsEmpty) {
    DeviceSettingsData s;
    char path[] = "/opt/shaders";
    EXPECT_EQ(setDeviceSetting1s(s, DEVICE_SHADER_PATH, path), RESULT_OK);
    path[1] = 'X';
    EXPECT_STREQ(s.shaderPath.c_str(), "/opt/shaders");
    EXPECT_EQ(setDeviceSetting1s(s, DEVICE_CLUSTER_MASTER_HOST, "render-master"), RESULT_OK);
    EXPECT_STREQ(s.clusterMasterHost.c_str(), "render-master");
    EXPECT_EQ(setDeviceSetting1s(s, DEVICE_CLUSTER_MASTER_HOST, nullptr), RESULT_OK);
    EXPECT_STREQ(s.clusterMasterHost.c_str(), "");
}

TEST_F(DeviceSettingsTest, BooleansReachTheirOwnField) {
    DeviceSettingsData s;
    EXPECT_EQ(setDeviceSetting1b(s, DEVICE_CLUSTER, true), RESULT_OK);
    EXPECT_TRUE(s.clusterEnabled);
    EXPECT_FALSE(s.setting10);
    EXPECT_EQ(setDeviceSetting1b(s, DEVICE_RESERVED_BOOL_10, true), RESULT_OK);
    EXPECT_TRUE(s.setting10);
    EXPECT_FALSE(s.setting13);
    EXPECT_EQ(setDeviceSetting1b(s, DEVICE_RESERVED_BOOL_13, true), RESULT_OK);
    EXPECT_TRUE(s.setting13);
}

TEST_F(DeviceSettingsTest, EachIdBelongsToExactlyOneSetter) {
    const char kinds[] = "isbsiiiiiibiibf";  // ids 0..14
    for (int id = 0; id < 15; ++id) {
        DeviceSettingsData s;
        const bool isInt = setDeviceSetting1i(s, id, 2000) != RESULT_INVALID_ENUM;
        const bool isFloat = setDeviceSetting1f(s, id, 0.5f) != RESULT_INVALID_ENUM;
        const bool isBool = setDeviceSetting1b(s, id, true) != RESULT_INVALID_ENUM;
        const bool isText = setDeviceSetting1s(s, id, "x") != RESULT_INVALID_ENUM;
        EXPECT_EQ(isInt, kinds[id] == 'i') << "id " << id;
        EXPECT_EQ(isFloat, kinds[id] == 'f') << "id " << id;
        EXPECT_EQ(isBool, kinds[id] == 'b') << "id " << id;
        EXPECT_EQ(isText, kinds[id] == 's') << "id " << id;
    }
    recorder.warnings.clear();  // 2000 is out of range for the tile queue
    for (int id : {15, -1, kIntMax}) {
        DeviceSettingsData s;
        EXPECT_EQ(setDeviceSetting1i(s, id, 1), RESULT_INVALID_ENUM);
        EXPECT_EQ(setDeviceSetting1f(s, id, 0.5f), RESULT_INVALID_ENUM);
        EXPECT_EQ(setDeviceSetting1b(s, id, true), RESULT_INVALID_ENUM);
        EXPECT_EQ(setDeviceSetting1s(s, id, "x"), RESULT_INVALID_ENUM);
    }
    expectNoWarning();
}

// --- render attributes -------------------------------------------------

using RenderAttributesTest = SettingsTest;

TEST_F(RenderAttributesTest, BooleanSetsGivenAndOffBits) {
    RenderAttributesRecord a(0);
    EXPECT_EQ(setRenderAttribute1b(a, ATTRIBUTE_REFRACTION_RAYS, false), RESULT_OK);
    EXPECT_EQ(a.givenMask, 1u << 2);
    EXPECT_EQ(a.offMask, 1u << 2);
    EXPECT_EQ(setRenderAttribute1b(a, ATTRIBUTE_REFRACTION_RAYS, true), RESULT_OK);
    EXPECT_EQ(a.givenMask, 1u << 2);
    EXPECT_EQ(a.offMask, 0u);
    EXPECT_EQ(setRenderAttribute1b(a, ATTRIBUTE_INDIRECT_DIFFUSE_RAYS, false), RESULT_OK);
    EXPECT_EQ(setRenderAttribute1b(a, ATTRIBUTE_CAMERA_RAYS, false), RESULT_OK);
    EXPECT_EQ(a.givenMask, (1u << 0) | (1u << 2) | (1u << 5));
    EXPECT_EQ(a.offMask, (1u << 0) | (1u << 5));
}

TEST_F(RenderAttributesTest, RemovingABooleanClearsOnlyItsGivenBit) {
    RenderAttributesRecord a(0);
    setRenderAttribute1b(a, ATTRIBUTE_SHADOW_RAYS, false);
    setRenderAttribute1b(a, ATTRIBUTE_OCCLUSION_RAYS, false);
    EXPECT_EQ(removeRenderAttribute(a, ATTRIBUTE_SHADOW_RAYS), RESULT_OK);
    EXPECT_EQ(a.givenMask, 1u << 4);
    EXPECT_NE(a.offMask & (1u << 4), 0u);
}

TEST_F(RenderAttributesTest, OcclusionRangeSetAndRemove) {
    RenderAttributesRecord a(0);
    EXPECT_EQ(setRenderAttribute1f(a, ATTRIBUTE_OCCLUSION_RANGE, 12.5f), RESULT_OK);
    EXPECT_TRUE(a.floatGiven);
    EXPECT_EQ(a.floatValue, 12.5f);
    EXPECT_EQ(removeRenderAttribute(a, ATTRIBUTE_OCCLUSION_RANGE), RESULT_OK);
    EXPECT_FALSE(a.floatGiven);
    EXPECT_EQ(a.floatValue, 1.0f);
}

TEST_F(RenderAttributesTest, ListsCopyTheValuesGiven) {
    RenderAttributesRecord a(0);
    int lights[] = {4, 1, 4};
    EXPECT_EQ(setRenderAttribute1iv(a, ATTRIBUTE_ADD_LIST, 3, lights), RESULT_OK);
    lights[0] = 99;
    ASSERT_EQ(a.addList.count(), 3);
    EXPECT_EQ(a.addList[0], 4);
    EXPECT_EQ(a.addList[2], 4);
    EXPECT_TRUE(a.removeList.empty());

    EXPECT_EQ(setRenderAttribute1iv(a, ATTRIBUTE_REMOVE_LIST, 1, lights + 1), RESULT_OK);
    EXPECT_EQ(a.removeList.count(), 1);
    EXPECT_EQ(removeRenderAttribute(a, ATTRIBUTE_ADD_LIST), RESULT_OK);
    EXPECT_TRUE(a.addList.empty());
    EXPECT_EQ(a.removeList.count(), 1);
}

TEST_F(RenderAttributesTest, NonPositiveCountOrNullValuesEmptyTheList) {
    RenderAttributesRecord a(0);
    const int lights[] = {1, 2};
    for (int count : {0, -3}) {
        setRenderAttribute1iv(a, ATTRIBUTE_REMOVE_LIST, 2, lights);
        EXPECT_EQ(setRenderAttribute1iv(a, ATTRIBUTE_REMOVE_LIST, count, lights), RESULT_OK);
        EXPECT_TRUE(a.removeList.empty());
        EXPECT_EQ(a.removeList.capacity(), 0);
    }
    setRenderAttribute1iv(a, ATTRIBUTE_REMOVE_LIST, 2, lights);
    EXPECT_EQ(setRenderAttribute1iv(a, ATTRIBUTE_REMOVE_LIST, 5, nullptr), RESULT_OK);
    EXPECT_TRUE(a.removeList.empty());
}

TEST_F(RenderAttributesTest, WrongKindAndUnknownIdsChangeNothing) {
    RenderAttributesRecord a(0);
    const int lights[] = {1};
    EXPECT_EQ(setRenderAttribute1b(a, ATTRIBUTE_OCCLUSION_RANGE, false), RESULT_INVALID_ENUM);
    EXPECT_EQ(setRenderAttribute1b(a, ATTRIBUTE_ADD_LIST, false), RESULT_INVALID_ENUM);
    EXPECT_EQ(setRenderAttribute1f(a, ATTRIBUTE_CAMERA_RAYS, 2.0f), RESULT_INVALID_ENUM);
    EXPECT_EQ(setRenderAttribute1iv(a, ATTRIBUTE_OCCLUSION_RANGE, 1, lights), RESULT_INVALID_ENUM);
    for (int id : {9, 10, -1, 32, kIntMin}) {
        EXPECT_EQ(setRenderAttribute1b(a, id, false), RESULT_INVALID_ENUM) << id;
        EXPECT_EQ(setRenderAttribute1f(a, id, 2.0f), RESULT_INVALID_ENUM) << id;
        EXPECT_EQ(setRenderAttribute1iv(a, id, 1, lights), RESULT_INVALID_ENUM) << id;
        EXPECT_EQ(removeRenderAttribute(a, id), RESULT_INVALID_ENUM) << id;
    }
    EXPECT_EQ(a.givenMask, 0u);
    EXPECT_EQ(a.offMask, 0u);
    EXPECT_FALSE(a.floatGiven);
    EXPECT_TRUE(a.addList.empty());
    EXPECT_TRUE(a.removeList.empty());
    expectNoWarning();
}

// --- lights ------------------------------------------------------------

using LightParametersTest = SettingsTest;

TEST_F(LightParametersTest, TypeOutsideRangeKeepsTheOldType) {
    LightRecord light(0);
    EXPECT_EQ(setLightType(light, LIGHT_TYPE_AMBIENT), RESULT_OK);
    EXPECT_EQ(setLightType(light, 3), RESULT_INVALID_ENUM);
    EXPECT_EQ(setLightType(light, -1), RESULT_INVALID_ENUM);
    EXPECT_EQ(light.lightType, 2);
    EXPECT_EQ(setLightType(light, LIGHT_TYPE_POINT), RESULT_OK);
    EXPECT_EQ(light.lightType, 0);
}

TEST_F(LightParametersTest, PlainFloatParametersAreStoredAsGiven) {
    LightRecord light(0);
    EXPECT_EQ(setLightParameter1f(light, LIGHT_PARAMETER_RANGE, 250.0f), RESULT_OK);
    EXPECT_EQ(setLightParameter1f(light, LIGHT_PARAMETER_CONE_ANGLE, 0.5f), RESULT_OK);
    EXPECT_EQ(setLightParameter1f(light, LIGHT_PARAMETER_RADIUS, -2.0f), RESULT_OK);
    EXPECT_EQ(light.parameter0, 250.0f);
    EXPECT_EQ(light.parameter1, 0.5f);
    EXPECT_EQ(light.parameter2, -2.0f);
    EXPECT_EQ(light.parameter3, 0.0f);
}

TEST_F(LightParametersTest, AngularSizeIsStoredAsTheTangentOfAtMost45Degrees) {
    LightRecord light(0);
    struct Case { float degrees, stored; } cases[] = {
        {60.0f, 1.0f}, {45.0f, 1.0f}, {kInf, 1.0f}, {30.0f, 0.57735027f},
        {-10.0f, 0.0f}, {kNaN, 0.0f}, {-kInf, 0.0f}, {0.0f, 0.0f}};
    for (const Case& c : cases) {
        light.parameter3 = 7.0f;
        EXPECT_EQ(setLightParameter1f(light, LIGHT_PARAMETER_ANGULAR_SIZE, c.degrees), RESULT_OK);
        EXPECT_NEAR(light.parameter3, c.stored, 1e-6f) << "degrees " << c.degrees;
        float read = -1.0f;
        EXPECT_EQ(getLightParameter1f(light, LIGHT_PARAMETER_ANGULAR_SIZE, read), RESULT_OK);
        EXPECT_EQ(read, light.parameter3);
    }
}

TEST_F(LightParametersTest, EachIdBelongsToExactlyOneSetter) {
    const char kinds[] = "ffffbi";  // ids 0..5
    for (int id = 0; id < 6; ++id) {
        LightRecord light(0);
        EXPECT_EQ(setLightParameter1f(light, id, 1.0f) == RESULT_OK, kinds[id] == 'f') << id;
        EXPECT_EQ(setLightParameter1b(light, id, false) == RESULT_OK, kinds[id] == 'b') << id;
        EXPECT_EQ(setLightParameter1i(light, id, 3) == RESULT_OK, kinds[id] == 'i') << id;
    }
    LightRecord light(0);
    for (int id : {6, 7, -1, kIntMax}) {
        EXPECT_EQ(setLightParameter1f(light, id, 1.0f), RESULT_INVALID_ENUM);
        EXPECT_EQ(setLightParameter1b(light, id, false), RESULT_INVALID_ENUM);
        EXPECT_EQ(setLightParameter1i(light, id, 3), RESULT_INVALID_ENUM);
    }
    EXPECT_EQ(setLightParameter1b(light, LIGHT_PARAMETER_CAST_SHADOWS, false), RESULT_OK);
    EXPECT_EQ(setLightParameter1i(light, LIGHT_PARAMETER_LIGHT_GROUP, -4), RESULT_OK);
    EXPECT_FALSE(light.parameter4);
    EXPECT_EQ(light.parameter5, -4);
    EXPECT_EQ(light.parameter0, 1e20f);
}

}  // namespace
