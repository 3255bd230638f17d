// The standard shader library as a host meets it: named "hoxstd" with no
// shader path set, it is found beside libhox64.so, and its parameters take
// values by the names the documentation gives.
#include <gtest/gtest.h>

#include "host_test_support.h"
#include "hox/shader.h"

namespace hox_host_test {
namespace {

using StandardShaders = HostDeviceTest;

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
}  // namespace hox_host_test
