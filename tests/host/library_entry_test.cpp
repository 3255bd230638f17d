// Init, Shutdown and the device's identity, as a host sees them.
#include <gtest/gtest.h>

#include <string>

#include "host_test_support.h"
#include "hox/camera.h"
#include "hox/device.h"
#include "hox/status.h"

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
    EXPECT_EQ(50, device->getAPIVersion());
    EXPECT_STREQ("2.0.5.0", device->getAPIVersionString());
    EXPECT_EQ(0, hox::Shutdown(device));
    EXPECT_FALSE(device->isInitialized());
    // The version stays readable after Shutdown.
    EXPECT_EQ(50, device->getAPIVersion());
    EXPECT_STREQ("2.0.5.0", device->getAPIVersionString());
}

TEST(LibraryEntry, SecondInitFailsButItsCallbackTakesOver) {
    RecordingCallback first, second;
    hox::IRenderDevice* device = nullptr;
    ASSERT_EQ(0, hox::Init(&first, device));
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

TEST(LibraryEntry, ShutdownWithAForeignPointerFailsSilently) {
    RecordingCallback callback;
    hox::IRenderDevice* device = nullptr;
    ASSERT_EQ(0, hox::Init(&callback, device));
    int notADevice = 0;
    EXPECT_EQ(-1, hox::Shutdown(reinterpret_cast<hox::IRenderDevice*>(&notADevice)));
    EXPECT_EQ(-1, hox::Shutdown(nullptr));
    EXPECT_TRUE(callback.errors.empty());
    EXPECT_TRUE(device->isInitialized());
    EXPECT_EQ(0, hox::Shutdown(device));
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

}  // namespace
