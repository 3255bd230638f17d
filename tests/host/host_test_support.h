// The host tests' fixtures: a recording callback, a device per test and a
// render scene on it. Like a real host they see only the public headers.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "render_scene.h"

namespace hox_host_test {

class RecordingCallback : public hox::IMessageCallback {
public:
    void message(int level, const char* text) override {
        messages.push_back(std::to_string(level) + ":" + text);
    }
    void warning(const char* text) override { warnings.push_back(text); }
    void error(const char* text) override { errors.push_back(text); }

    std::vector<std::string> messages;
    std::vector<std::string> warnings;
    std::vector<std::string> errors;
};

class HostDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, hox::Init(&callback, device)); }
    void TearDown() override {
        if (device && device->isInitialized()) hox::Shutdown(device);
    }

    RecordingCallback callback;
    hox::IRenderDevice* device = nullptr;
};

// The debug shading is a process-wide switch: it is turned off after each
// test.
class RenderSceneTest : public HostDeviceTest {
protected:
    void SetUp() override {
        HostDeviceTest::SetUp();
        scene.reset(new RenderScene(device));
    }
    void TearDown() override {
        setDebugShade(0);
        scene.reset();
        HostDeviceTest::TearDown();
    }
    // Single passes at the pixel centres unless a test asks otherwise.
    void build(int width, int height) {
        ASSERT_TRUE(scene->build(width, height));
        scene->setOption(hox::OPTION_PROGRESSIVE_SAMPLING, false);
    }

    std::unique_ptr<RenderScene> scene;
};

}  // namespace hox_host_test
