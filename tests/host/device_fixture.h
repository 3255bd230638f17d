// A device initialised for one host test and shut down after it.
#pragma once

#include <gtest/gtest.h>

#include "host_test_support.h"
#include "hox/device.h"

namespace hox_host_test {

class HostDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, hox::Init(&callback, device)); }
    void TearDown() override {
        if (device && device->isInitialized()) hox::Shutdown(device);
    }

    RecordingCallback callback;
    hox::IRenderDevice* device = nullptr;
};

}  // namespace hox_host_test
