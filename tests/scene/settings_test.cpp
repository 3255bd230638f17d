// The setters of render options, device settings, render attributes and
// light parameters (which id reaches which field, ranges and warnings), and
// how render attributes are inherited down the scene graph.
#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "hox/device_settings.h"
#include "hox/entity.h"
#include "hox/render_attributes.h"
#include "hox/render_options.h"
#include "hox/status.h"
#include "scene/attribute_state.h"
#include "scene/device_settings.h"
#include "scene/light_parameters.h"
#include "scene/render_attributes.h"
#include "scene/render_options.h"
#include "scene_test_support.h"

namespace {

using namespace hox;
using namespace hox::scene;
using hox::scene::testing::bytesOf;
using hox::scene::testing::MessageCatcher;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

// Every test sees the warnings it caused and nothing else.
struct SettingsTest : ::testing::Test {
    MessageCatcher catcher;

    void expectWarnings(const std::vector<std::string>& expected) {
        EXPECT_EQ(catcher.warnings, expected);
        catcher.warnings.clear();
    }

    // Each valid value goes into `field` and nowhere else, silently; each
    // invalid one is refused with a warning naming the option and its value,
    // and changes nothing.
    template <typename Data, typename T>
    void expectRange(int (*set)(Data&, int, T), int id, const char* name, T Data::*field,
                     std::initializer_list<T> valid,
                     std::initializer_list<std::pair<T, const char*>> invalid) {
        SCOPED_TRACE(name);
        Data data, expected;
        for (T v : valid) {
            EXPECT_EQ(set(data, id, v), RESULT_OK) << v;
            expected.*field = v;
            EXPECT_EQ(bytesOf(data), bytesOf(expected)) << v;
        }
        expectWarnings({});
        for (const auto& bad : invalid) {
            EXPECT_EQ(set(data, id, bad.first), RESULT_INVALID_VALUE) << bad.second;
            expectWarnings({std::string(name) + " : invalid value : " + bad.second});
        }
        EXPECT_EQ(bytesOf(data), bytesOf(expected));
    }
};

// --- render options ----------------------------------------------------

using RenderOptionsTest = SettingsTest;
using Options = RenderOptionsData;

// Every option by id: its name and field (exactly one of the three is set).
struct OptionField {
    const char* name;
    int32_t Options::*i;
    float Options::*f;
    bool Options::*b;
};
const OptionField kOptions[] = {
    {"OPTION_TRACE_DEPTH", &Options::traceDepth, nullptr, nullptr},
    {"OPTION_TRACE_DEPTH_THRESHOLD", nullptr, &Options::traceDepthThreshold, nullptr},
    {"OPTION_SAMPLING_RATE", &Options::samplingRate, nullptr, nullptr},
    {"OPTION_PROGRESSIVE_SAMPLING", nullptr, nullptr, &Options::progressiveSampling},
    {"OPTION_MAX_PROGRESSIVE_SAMPLING_RATE", &Options::maxProgressiveSamplingRate, nullptr, nullptr},
    {"OPTION_TRANSMISSION", nullptr, nullptr, &Options::transmission},
    {"OPTION_TRANSMISSION_ACCURACY", nullptr, &Options::transmissionAccuracy, nullptr},
    {"OPTION_OCCLUSION", nullptr, nullptr, &Options::occlusion},
    {"OPTION_OCCLUSION_ACCURACY", nullptr, &Options::occlusionAccuracy, nullptr},
    {"OPTION_GLOBAL_ILLUMINATION", nullptr, nullptr, &Options::globalIllumination},
    {"OPTION_GLOBAL_ILLUMINATION_ACCURACY", nullptr, &Options::globalIlluminationAccuracy, nullptr},
    {"OPTION_GLOSSY_REFLECTIONS", nullptr, nullptr, &Options::glossyReflections},
    {"OPTION_GLOSSY_REFLECTIONS_ACCURACY", nullptr, &Options::glossyReflectionsAccuracy, nullptr},
    {"OPTION_GLOSSY_REFRACTIONS", nullptr, nullptr, &Options::glossyRefractions},
    {"OPTION_GLOSSY_REFRACTIONS_ACCURACY", nullptr, &Options::glossyRefractionsAccuracy, nullptr},
};

TEST_F(RenderOptionsTest, EachIdReachesItsOwnFieldThroughItsOwnKindOnly) {
    for (int id = -1; id <= 15; ++id) {  // the two outside reach nothing
        SCOPED_TRACE(id);
        const OptionField& field = id >= 0 && id < 15 ? kOptions[id] : OptionField{};
        Options o, expected;
        EXPECT_EQ(setRenderOption1i(o, id, 3), field.i ? RESULT_OK : RESULT_INVALID_ENUM);
        EXPECT_EQ(setRenderOption1f(o, id, 0.5f), field.f ? RESULT_OK : RESULT_INVALID_ENUM);
        EXPECT_EQ(setRenderOption1b(o, id, false), field.b ? RESULT_OK : RESULT_INVALID_ENUM);
        int i = -1;
        float f = -1;
        bool b = true;
        EXPECT_EQ(getRenderOption1i(o, id, i), field.i ? RESULT_OK : RESULT_INVALID_ENUM);
        EXPECT_EQ(getRenderOption1f(o, id, f), field.f ? RESULT_OK : RESULT_INVALID_ENUM);
        EXPECT_EQ(getRenderOption1b(o, id, b), field.b ? RESULT_OK : RESULT_INVALID_ENUM);
        if (field.i) expected.*field.i = 3;
        if (field.f) expected.*field.f = 0.5f;
        if (field.b) expected.*field.b = false;
        EXPECT_EQ(bytesOf(o), bytesOf(expected));
        EXPECT_EQ(std::make_tuple(i, f, b),
                  std::make_tuple(field.i ? 3 : -1, field.f ? 0.5f : -1.0f, !field.b));
    }
    expectWarnings({});
}

TEST_F(RenderOptionsTest, Ranges) {
    expectRange(setRenderOption1i, OPTION_TRACE_DEPTH, "OPTION_TRACE_DEPTH", &Options::traceDepth, {1000, 0},
                {{1001, "1001"}, {-1, "-1"}, {kIntMin, "-2147483648"}});
    for (int id = 0; id < 15; ++id) {
        const auto& option = kOptions[id];
        if (option.i && id != OPTION_TRACE_DEPTH) {  // the sampling rates
            expectRange(setRenderOption1i, id, option.name, option.i, {-2, -1, 0, 3, 4},
                        {{-3, "-3"}, {5, "5"}, {kIntMax, "2147483647"}});
        }
        if (option.f) {
            expectRange(setRenderOption1f, id, option.name, option.f, {0.0f, 1.0f, 0.25f},
                        {{1.5f, "1.5"}, {-0.001f, "-0.001"}, {kNaN, "nan"}});
        }
    }
}

// --- device settings ---------------------------------------------------

using DeviceSettingsTest = SettingsTest;
using Settings = DeviceSettingsData;

TEST_F(DeviceSettingsTest, Ranges) {
    expectRange(setDeviceSetting1i, DEVICE_CLUSTER_MASTER_PORT, "DEVICE_CLUSTER_MASTER_PORT",
                &Settings::clusterMasterPort, {1025, 65535}, {{1024, "1024"}, {65536, "65536"}});
    expectRange(setDeviceSetting1i, DEVICE_CLUSTER_MASTER_DISPLAY_WIDTH,
                "DEVICE_CLUSTER_MASTER_DISPLAY_WIDTH", &Settings::clusterMasterDisplayWidth, {1, 3000},
                {{0, "0"}, {-7, "-7"}});
    expectRange(setDeviceSetting1i, DEVICE_CLUSTER_MASTER_DISPLAY_HEIGHT,
                "DEVICE_CLUSTER_MASTER_DISPLAY_HEIGHT", &Settings::clusterMasterDisplayHeight, {1, 3000},
                {{0, "0"}, {-7, "-7"}});
    expectRange(setDeviceSetting1f, DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL,
                "DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL", &Settings::clusterImageCompressionLevel,
                {0.0f, 1.0f}, {{1.5f, "1.5"}, {kNaN, "nan"}, {-kInf, "-inf"}});
    // Wrong kinds and unknown ids change nothing; texts are copied and null is the empty text.
    Settings s, untouched;
    EXPECT_EQ(std::make_tuple(setDeviceSetting1f(s, DEVICE_THREAD_COUNT, 1.0f),
                              setDeviceSetting1s(s, DEVICE_CLUSTER_MASTER_PORT, "x"),
                              setDeviceSetting1b(s, DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, true),
                              setDeviceSetting1i(s, 15, 1), setDeviceSetting1s(s, -1, "x")),
              std::make_tuple(RESULT_INVALID_ENUM, RESULT_INVALID_ENUM, RESULT_INVALID_ENUM, RESULT_INVALID_ENUM,
                              RESULT_INVALID_ENUM));
    EXPECT_EQ(bytesOf(s), bytesOf(untouched));
    char path[] = "/opt/shaders";
    EXPECT_EQ(setDeviceSetting1s(s, DEVICE_SHADER_PATH, path), RESULT_OK);
    path[1] = 'X';
    EXPECT_EQ(setDeviceSetting1s(s, DEVICE_CLUSTER_MASTER_HOST, nullptr), RESULT_OK);
    EXPECT_EQ(std::make_pair(std::string(s.shaderPath.c_str()), std::string(s.clusterMasterHost.c_str())),
              std::make_pair(std::string("/opt/shaders"), std::string()));
    expectWarnings({});
}

TEST_F(DeviceSettingsTest, TileQueueIsClampedWithAWarningAndCountsStoreNegativesAsZero) {
    Settings s;
    const int queue[][2] = {{20, 10}, {-5, 1}, {0, 0}, {10, 10}};  // given, stored
    for (const auto& q : queue) {
        EXPECT_EQ(setDeviceSetting1i(s, DEVICE_CLUSTER_TILE_QUEUE_SIZE, q[0]), RESULT_OK);
        EXPECT_EQ(s.clusterTileQueueSize, q[1]);
        if (q[0] != q[1]) {
            expectWarnings({"DEVICE_CLUSTER_TILE_QUEUE_SIZE : invalid value : " + std::to_string(q[0])});
        }
    }
    const std::pair<int, int32_t Settings::*> counts[] = {
        {DEVICE_THREAD_COUNT, &Settings::threadCount},
        {DEVICE_RESERVED_INT_5, &Settings::setting5},
        {DEVICE_CLUSTER_CONNECT_VALUE_A, &Settings::setting7},
        {DEVICE_CLUSTER_CONNECT_VALUE_B, &Settings::setting8},
        {DEVICE_RESERVED_INT_9, &Settings::setting9}};
    for (const auto& count : counts) {
        s.*count.second = 7;
        EXPECT_EQ(setDeviceSetting1i(s, count.first, kIntMin), RESULT_OK);
        EXPECT_EQ(s.*count.second, 0) << "id " << count.first;
    }
    expectWarnings({});
}

// --- render attributes -------------------------------------------------

using RenderAttributesTest = SettingsTest;

TEST_F(RenderAttributesTest, OcclusionRangeAndListsSetAndRemove) {
    RenderAttributesRecord a(0);
    EXPECT_EQ(setRenderAttribute1f(a, ATTRIBUTE_OCCLUSION_RANGE, 12.5f), RESULT_OK);
    EXPECT_EQ(std::make_tuple(a.floatGiven, a.floatValue), std::make_tuple(true, 12.5f));
    EXPECT_EQ(removeRenderAttribute(a, ATTRIBUTE_OCCLUSION_RANGE), RESULT_OK);
    EXPECT_EQ(std::make_tuple(a.floatGiven, a.floatValue), std::make_tuple(false, 1.0f));

    int lights[] = {4, 1, 4};
    EXPECT_EQ(setRenderAttribute1iv(a, ATTRIBUTE_ADD_LIST, 3, lights), RESULT_OK);
    lights[0] = 99;  // copied
    EXPECT_EQ(setRenderAttribute1iv(a, ATTRIBUTE_REMOVE_LIST, 1, lights + 1), RESULT_OK);
    EXPECT_EQ(std::vector<int>(a.addList.begin(), a.addList.end()), (std::vector<int>{4, 1, 4}));
    EXPECT_EQ(std::vector<int>(a.removeList.begin(), a.removeList.end()), std::vector<int>{1});
    EXPECT_EQ(removeRenderAttribute(a, ATTRIBUTE_ADD_LIST), RESULT_OK);
    EXPECT_EQ(std::make_tuple(a.addList.empty(), a.removeList.count()), std::make_tuple(true, 1));
    // A count below one or null values empty the list.
    for (int count : {0, -3}) {
        setRenderAttribute1iv(a, ATTRIBUTE_REMOVE_LIST, 2, lights);
        EXPECT_EQ(setRenderAttribute1iv(a, ATTRIBUTE_REMOVE_LIST, count, lights), RESULT_OK);
        EXPECT_EQ(std::make_tuple(a.removeList.count(), a.removeList.capacity()), std::make_tuple(0, 0));
    }
    setRenderAttribute1iv(a, ATTRIBUTE_REMOVE_LIST, 2, lights);
    EXPECT_EQ(setRenderAttribute1iv(a, ATTRIBUTE_REMOVE_LIST, 5, nullptr), RESULT_OK);
    EXPECT_TRUE(a.removeList.empty());
}

TEST_F(RenderAttributesTest, WrongKindAndUnknownIdsChangeNothing) {
    RenderAttributesRecord a(0);
    const int lights[] = {1};
    EXPECT_EQ(std::make_tuple(setRenderAttribute1b(a, ATTRIBUTE_OCCLUSION_RANGE, false),
                              setRenderAttribute1b(a, ATTRIBUTE_ADD_LIST, false),
                              setRenderAttribute1f(a, ATTRIBUTE_CAMERA_RAYS, 2.0f),
                              setRenderAttribute1iv(a, ATTRIBUTE_OCCLUSION_RANGE, 1, lights)),
              std::make_tuple(RESULT_INVALID_ENUM, RESULT_INVALID_ENUM, RESULT_INVALID_ENUM, RESULT_INVALID_ENUM));
    for (int id : {9, -1, 32}) {
        EXPECT_EQ(std::make_tuple(setRenderAttribute1b(a, id, false), setRenderAttribute1f(a, id, 2.0f),
                                  setRenderAttribute1iv(a, id, 1, lights), removeRenderAttribute(a, id)),
                  std::make_tuple(RESULT_INVALID_ENUM, RESULT_INVALID_ENUM, RESULT_INVALID_ENUM, RESULT_INVALID_ENUM))
            << id;
    }
    EXPECT_EQ(bytesOf(a), bytesOf(RenderAttributesRecord(0)));
    expectWarnings({});
}

// --- attribute inheritance and light sets --------------------------------

std::vector<int> members(const LightSet& set) { return std::vector<int>(set.begin(), set.end()); }

void setList(RenderAttributesRecord& a, int id, std::initializer_list<int> values) {
    setRenderAttribute1iv(a, id, static_cast<int>(values.size()), values.begin());
}

auto fields(const AttributeState& s) {
    return std::make_tuple(s.givenMask, s.offMask, s.floatGiven, s.floatValue, members(s.lightSet));
}

TEST(AttributeState, WithoutAttributesOrWithARemovedOneTheChildInheritsFromItsParent) {
    AttributeState parent;
    EXPECT_EQ(fields(parent), std::make_tuple(0u, 0u, false, 1.0f, std::vector<int>{}));  // the root sees all
    parent.givenMask = 0x5;
    parent.offMask = 0x4;
    parent.floatGiven = true;
    parent.floatValue = 3.0f;
    parent.lightSet.assign(std::vector<int32_t>{2, 5}.data(), 2);
    AttributeState child;
    child.offMask = 0x3F;  // stale contents must not leak through
    child.lightSet.assign(std::vector<int32_t>{9}.data(), 1);
    ASSERT_TRUE(inheritAttributes(parent, nullptr, child));
    EXPECT_EQ(fields(child), fields(parent));
    // A removed attribute: the record's stale off bit for refraction rays
    // must neither show the child where the parent hides it nor hide it
    // where the parent shows it.
    RenderAttributesRecord removed(0);
    setRenderAttribute1b(removed, ATTRIBUTE_REFRACTION_RAYS, false);
    removeRenderAttribute(removed, ATTRIBUTE_REFRACTION_RAYS);
    ASSERT_TRUE(inheritAttributes(parent, &removed, child));
    EXPECT_EQ(fields(child), fields(parent));
    ASSERT_TRUE(inheritAttributes(AttributeState(), &removed, child));
    EXPECT_EQ(child.offMask, 0u);
}

TEST(AttributeState, GivenAttributesOverrideTheOthersAreInherited) {
    AttributeState parent, child;
    RenderAttributesRecord hideFromShadowsAndReflections(0), record(0);
    setRenderAttribute1b(hideFromShadowsAndReflections, ATTRIBUTE_SHADOW_RAYS, false);
    setRenderAttribute1b(hideFromShadowsAndReflections, ATTRIBUTE_REFLECTION_RAYS, false);
    ASSERT_TRUE(inheritAttributes(AttributeState(), &hideFromShadowsAndReflections, parent));
    EXPECT_EQ(parent.offMask, (1u << 3) | (1u << 1));
    // The child shows itself to shadow rays again (its own off bit cleared),
    // hides from camera rays and sets the occlusion range.
    setRenderAttribute1b(record, ATTRIBUTE_SHADOW_RAYS, false);
    setRenderAttribute1b(record, ATTRIBUTE_SHADOW_RAYS, true);
    setRenderAttribute1b(record, ATTRIBUTE_CAMERA_RAYS, false);
    setRenderAttribute1f(record, ATTRIBUTE_OCCLUSION_RANGE, 0.5f);
    ASSERT_TRUE(inheritAttributes(parent, &record, child));
    EXPECT_EQ(std::make_tuple(child.givenMask, child.offMask, child.floatGiven, child.floatValue),
              std::make_tuple((1u << 0) | (1u << 1) | (1u << 3), (1u << 1) | (1u << 0), true, 0.5f));
}

TEST(AttributeState, LightSetLosesTheRemoveListThenGainsTheAddListOverSeveralLevels) {
    AttributeState parent, child;
    parent.lightSet.assign(std::vector<int32_t>{1, 3, 5}.data(), 3);
    RenderAttributesRecord record(0);
    setList(record, ATTRIBUTE_REMOVE_LIST, {7, 3, 3, 2});
    setList(record, ATTRIBUTE_ADD_LIST, {4, 1, 4, 0, 2});
    ASSERT_TRUE(inheritAttributes(parent, &record, child));
    // 2 is both removed and added: adding comes last, so it stays.
    EXPECT_EQ(members(child.lightSet), (std::vector<int>{0, 1, 2, 4, 5}));
    EXPECT_EQ(members(parent.lightSet), (std::vector<int>{1, 3, 5}));

    AttributeState root, group, subgroup, object;
    root.lightSet.assign(std::vector<int32_t>{0, 1, 2, 3}.data(), 4);
    RenderAttributesRecord dropTwo(0), addNine(0);
    setList(dropTwo, ATTRIBUTE_REMOVE_LIST, {2});
    setRenderAttribute1b(dropTwo, ATTRIBUTE_OCCLUSION_RAYS, false);
    setList(addNine, ATTRIBUTE_ADD_LIST, {9});
    ASSERT_TRUE(inheritAttributes(root, &dropTwo, group));
    ASSERT_TRUE(inheritAttributes(group, nullptr, subgroup));
    ASSERT_TRUE(inheritAttributes(subgroup, &addNine, object));
    EXPECT_EQ(members(object.lightSet), (std::vector<int>{0, 1, 3, 9}));
    EXPECT_EQ(object.offMask, 1u << 4);
}

TEST(LightSet, StaysSortedAndUniqueAndIgnoresAbsentValuesAndEmptyInput) {
    LightSet set;
    const int32_t first[] = {8, 3, 8, -1}, second[] = {3, 10, 0}, gone[] = {10, 9, -1, 10}, all[] = {3, 8, 0};
    ASSERT_TRUE(addToLightSet(set, first, 4));
    EXPECT_EQ(members(set), (std::vector<int>{-1, 3, 8}));
    ASSERT_TRUE(addToLightSet(set, second, 3));
    ASSERT_TRUE(addToLightSet(set, nullptr, 3));
    ASSERT_TRUE(addToLightSet(set, second, 0));
    EXPECT_EQ(members(set), (std::vector<int>{-1, 0, 3, 8, 10}));
    removeFromLightSet(set, gone, 4);
    EXPECT_EQ(members(set), (std::vector<int>{0, 3, 8}));
    for (int twice = 0; twice < 2; ++twice) {
        removeFromLightSet(set, all, 3);
        EXPECT_TRUE(set.empty());
    }
}

// --- lights ------------------------------------------------------------

using LightParametersTest = SettingsTest;

TEST_F(LightParametersTest, TypesAndEachIdReachingItsOwnField) {
    LightRecord light(0);
    EXPECT_EQ(std::make_tuple(setLightType(light, LIGHT_TYPE_AMBIENT), setLightType(light, 3), setLightType(light, -1)),
              std::make_tuple(RESULT_OK, RESULT_INVALID_ENUM, RESULT_INVALID_ENUM));
    EXPECT_EQ(light.lightType, 2);
    EXPECT_EQ(setLightType(light, LIGHT_TYPE_POINT), RESULT_OK);
    EXPECT_EQ(light.lightType, 0);

    // Plain values are stored as given.
    EXPECT_EQ(setLightParameter1f(light, LIGHT_PARAMETER_RANGE, 250.0f), RESULT_OK);
    EXPECT_EQ(setLightParameter1f(light, LIGHT_PARAMETER_CONE_ANGLE, 0.5f), RESULT_OK);
    EXPECT_EQ(setLightParameter1f(light, LIGHT_PARAMETER_RADIUS, -2.0f), RESULT_OK);
    EXPECT_EQ(setLightParameter1b(light, LIGHT_PARAMETER_CAST_SHADOWS, false), RESULT_OK);
    EXPECT_EQ(setLightParameter1i(light, LIGHT_PARAMETER_LIGHT_GROUP, -4), RESULT_OK);
    EXPECT_EQ(std::make_tuple(light.parameter0, light.parameter1, light.parameter2, light.parameter3,
                              light.parameter4, light.parameter5),
              std::make_tuple(250.0f, 0.5f, -2.0f, 0.0f, false, -4));

    // Wrong kinds and unknown ids reach nothing.
    LightRecord l(0);
    EXPECT_EQ(std::make_tuple(setLightParameter1b(l, LIGHT_PARAMETER_RANGE, false),
                              setLightParameter1f(l, LIGHT_PARAMETER_CAST_SHADOWS, 1.0f),
                              setLightParameter1f(l, LIGHT_PARAMETER_LIGHT_GROUP, 1.0f),
                              setLightParameter1i(l, LIGHT_PARAMETER_RADIUS, 3), setLightParameter1f(l, 6, 1.0f),
                              setLightParameter1i(l, -1, 3)),
              std::make_tuple(RESULT_INVALID_ENUM, RESULT_INVALID_ENUM, RESULT_INVALID_ENUM, RESULT_INVALID_ENUM,
                              RESULT_INVALID_ENUM, RESULT_INVALID_ENUM));
    EXPECT_EQ(bytesOf(l), bytesOf(LightRecord(0)));
}

TEST_F(LightParametersTest, AngularSizeIsStoredAsTheTangentOfAtMost45Degrees) {
    LightRecord light(0);
    const std::pair<float, float> cases[] = {  // degrees, stored
        {60.0f, 1.0f}, {30.0f, 0.57735027f}, {-10.0f, 0.0f}, {kNaN, 0.0f}};
    for (const auto& c : cases) {
        light.parameter3 = 7.0f;
        EXPECT_EQ(setLightParameter1f(light, LIGHT_PARAMETER_ANGULAR_SIZE, c.first), RESULT_OK);
        EXPECT_NEAR(light.parameter3, c.second, 1e-6f) << "degrees " << c.first;
        float read = -1.0f;
        EXPECT_EQ(getLightParameter1f(light, LIGHT_PARAMETER_ANGULAR_SIZE, read), RESULT_OK);
        EXPECT_EQ(read, light.parameter3);
    }
}

}  // namespace
