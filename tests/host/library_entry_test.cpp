// The library's entry points as a host sees them: Init and Shutdown, handles
// and queries (bad ones above all), and the standard shaders.
#include <gtest/gtest.h>

#include <string>

#include "host_test_support.h"

namespace {

using hox_host_test::RecordingCallback;

TEST(LibraryEntry, InitHandsOutAnInitialisedDeviceWithItsVersionAndClock) {
    RecordingCallback callback;
    hox::IRenderDevice* device = nullptr;
    ASSERT_EQ(0, hox::Init(&callback, device));
    ASSERT_NE(nullptr, device);
    EXPECT_TRUE(device->isInitialized());
    ASSERT_EQ(1u, callback.messages.size());
    EXPECT_EQ("0:Render Device initialized. API version: 2.0.5.0", callback.messages[0]);
    EXPECT_NE(nullptr, device->getSelectionDevice());
    // The clock runs from Init.
    const int t0 = hox::System::getTimeMsecs();
    EXPECT_GE(t0, 0);
    EXPECT_LT(t0, 60000);
    EXPECT_GE(hox::System::getTimeMsecs(), t0);
    EXPECT_EQ(0, hox::Shutdown(device));
    EXPECT_FALSE(device->isInitialized());
    // The version, which plug-ins and hosts check, stays readable after Shutdown.
    EXPECT_EQ(50, device->getAPIVersion());
    EXPECT_STREQ("2.0.5.0", device->getAPIVersionString());
}

// A second Init fails but its callback takes over; a foreign pointer is
// refused silently.
TEST(LibraryEntry, SecondInitAndShutdownOfAForeignPointerFail) {
    RecordingCallback first, second;
    hox::IRenderDevice* device = nullptr;
    ASSERT_EQ(0, hox::Init(&first, device));
    int notADevice = 0;
    EXPECT_EQ(-1, hox::Shutdown(reinterpret_cast<hox::IRenderDevice*>(&notADevice)));
    EXPECT_EQ(-1, hox::Shutdown(nullptr));
    hox::IRenderDevice* untouched = reinterpret_cast<hox::IRenderDevice*>(0x1234);
    EXPECT_EQ(-1, hox::Init(&second, untouched));
    EXPECT_EQ(reinterpret_cast<hox::IRenderDevice*>(0x1234), untouched);
    ASSERT_EQ(1u, second.errors.size());
    EXPECT_EQ("Error: hox::Init() failed. Device already initialized.\n", second.errors[0]);
    EXPECT_TRUE(first.errors.empty());
    EXPECT_TRUE(device->isInitialized());

    EXPECT_EQ(0, hox::Shutdown(device));
    // The sink is the second callback now.
    EXPECT_EQ(-1, hox::Shutdown(device));
    ASSERT_EQ(2u, second.errors.size());
    EXPECT_EQ("Error: hox::Shutdown() failed. Device not initialized.\n", second.errors[1]);
}

TEST(LibraryEntry, WithoutCallbackMessagesGoToStandardOutput) {
    hox::IRenderDevice* device = nullptr;
    testing::internal::CaptureStdout();
    ASSERT_EQ(0, hox::Init(nullptr, device));
    hox::Shutdown(device);
    hox::Shutdown(device);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, printed.find("Render Device initialized. API version: 2.0.5.0"));
    EXPECT_NE(std::string::npos, printed.find("Error: hox::Shutdown() failed. Device not initialized.\n"));
}

TEST(LibraryEntry, ShutdownInvalidatesEveryHandleAndInitStartsNumberingAgain) {
    RecordingCallback callback;
    hox::IRenderDevice* device = nullptr;
    ASSERT_EQ(0, hox::Init(&callback, device));
    hox::THandle<hox::Camera> a(device), b(device);
    EXPECT_EQ(1, b.getInstance());
    ASSERT_EQ(0, hox::Shutdown(device));
    EXPECT_FALSE(a.isValid());
    EXPECT_EQ(nullptr, a.beginEdit());
    EXPECT_EQ(hox::RESULT_INVALID_HANDLE, a.endEdit());
    EXPECT_EQ(hox::RESULT_INVALID_HANDLE, a.destroy());
    // Without an initialised device nothing can be created.
    hox::THandle<hox::Camera> none(device);
    EXPECT_TRUE(none.isNull());

    ASSERT_EQ(0, hox::Init(&callback, device));
    hox::THandle<hox::Camera> c(device);
    EXPECT_EQ(0, c.getInstance());
    EXPECT_TRUE(c.isValid());
    EXPECT_EQ(0, hox::Shutdown(device));
}

using HandleTest = hox_host_test::HostDeviceTest;

TEST_F(HandleTest, DestroyedUnknownAndNullHandlesGiveNothingToEdit) {
    hox::THandle<hox::Camera> camera(device);
    hox::THandle<hox::Camera> copy = camera;
    const unsigned int value = camera.getValue();
    EXPECT_EQ(0, camera.destroy());
    // The handle destroyed through becomes null; its copies keep the value.
    EXPECT_EQ(hox::THandle<hox::Camera>().getValue(), camera.getValue());
    EXPECT_EQ(value, copy.getValue());
    EXPECT_FALSE(copy.isValid());
    const hox::THandle<hox::Camera> unknown = hox::THandle<hox::Camera>::fromInstance(77);
    // Made without a device: null, but still of its class.
    const hox::THandle<hox::Camera> deviceless(static_cast<hox::IRenderDevice*>(nullptr));
    EXPECT_TRUE(deviceless.isNull());
    EXPECT_EQ(hox::CLASS_TYPE_CAMERA, deviceless.getType());
    for (hox::THandle<hox::Camera> bad : {copy, hox::THandle<hox::Camera>(), unknown, deviceless}) {
        SCOPED_TRACE(bad.getValue());
        EXPECT_EQ(nullptr, bad.beginEdit());
        EXPECT_EQ(hox::RESULT_INVALID_HANDLE, bad.endEdit());
        EXPECT_EQ(hox::RESULT_INVALID_HANDLE, bad.destroy());
    }
}

TEST_F(HandleTest, EveryEditMarksTheSceneDirtyEvenOnABadHandle) {
    hox::THandle<hox::FrameDef> empty(device);
    ASSERT_EQ(0, device->frame(empty, false));
    bool dirty = true;
    device->query1b(hox::QUERY_SCENE_DIRTY, dirty);
    EXPECT_FALSE(dirty);
    hox::THandle<hox::Camera>().beginEdit();
    device->query1b(hox::QUERY_SCENE_DIRTY, dirty);
    EXPECT_TRUE(dirty);
}

TEST_F(HandleTest, QueriesOfTheWrongTypeOrUnknownAreRefusedWithoutOutput) {
    for (int q = -1; q <= 11; ++q) {  // none has an integer answer
        int out = 42;
        EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1i(static_cast<hox::EQuery>(q), out));
        EXPECT_EQ(42, out);
    }
    float f = 42.0f;
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1f(hox::QUERY_SCENE_DIRTY, f));
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1f(static_cast<hox::EQuery>(10), f));
    EXPECT_EQ(42.0f, f);
    bool b = false;
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1b(hox::QUERY_PROGRESS, b));
    EXPECT_EQ(hox::RESULT_INVALID_ENUM, device->query1b(hox::QUERY_RATE, b));
    EXPECT_FALSE(b);
}

// Named "hoxstd" with no shader path set, the standard shaders are found
// beside libhox64.so; their parameters take the documented names.
using StandardShaders = hox_host_test::HostDeviceTest;

TEST_F(StandardShaders, LoadByBareLibraryNameWithoutAShaderPathAndRefuseUnknownShaders) {
    hox::THandle<hox::Shader> surface(device);
    hox::Shader* shader = surface.beginEdit();
    ASSERT_EQ(shader->instantiate("matte", "hoxstd"), 0) << "hoxstd64.so beside libhox64.so";
    EXPECT_EQ(shader->setUniform3f("colour", hox::Vec3f{0.1f, 0.2f, 0.3f}), 0);
    EXPECT_EQ(shader->setUniform1b("occlusion", true), 0);
    // The same name under another kind is another parameter, and none.
    EXPECT_EQ(shader->setUniform1f("colour", 0.5f), -1);
    EXPECT_EQ(surface.endEdit(), 0);

    hox::THandle<hox::Shader> sky(device);
    EXPECT_EQ(sky.beginEdit()->instantiate("sky", "hoxstd"), 0);
    EXPECT_EQ(sky.beginEdit()->setUniform1f("sunSize", 0.05f), 0);
    EXPECT_EQ(sky.endEdit(), 0);
    EXPECT_TRUE(callback.warnings.empty());

    // A shader the library lacks is refused with a warning.
    hox::THandle<hox::Shader> velvet(device);
    EXPECT_EQ(velvet.beginEdit()->instantiate("velvet", "hoxstd"), -1);
    velvet.endEdit();
    ASSERT_EQ(callback.warnings.size(), 1u);
    EXPECT_EQ(callback.warnings[0], "could not find shader 'velvet' in library 'hoxstd'.\n");
}

}  // namespace
