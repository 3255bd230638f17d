// Bad arguments to the platform's shared-library loader. Sharing, replacing,
// removing and retaining library files are checked through the manager in
// manager_test, reload_test and parameter_stream_test.
#include <gtest/gtest.h>

#include "hox/config.h"
#include "platform/shared_library.h"
#include "shader_test_support.h"

using namespace hox;

TEST(SharedLibrary, MissingFilesNamesAndNullArgumentsGiveNull) {
    EXPECT_EQ(platform::openSharedLibrary("/nonexistent/folder/lib64.so"), nullptr);
    EXPECT_EQ(platform::openSharedLibrary(""), nullptr);
    EXPECT_EQ(platform::openSharedLibrary(nullptr), nullptr);
    EXPECT_EQ(platform::findSharedLibrarySymbol(nullptr, "x"), nullptr);
    platform::closeSharedLibrary(nullptr);  // accepted

    platform::SharedLibrary* library = platform::openSharedLibrary(shader_test::pluginFile("all_kinds").c_str());
    ASSERT_NE(library, nullptr);
    auto version = reinterpret_cast<ShaderApiVersionFunction>(
        platform::findSharedLibrarySymbol(library, "all_kinds_getAPIVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version(), kApiVersion);
    EXPECT_EQ(platform::findSharedLibrarySymbol(library, "all_kinds_missing"), nullptr);
    EXPECT_EQ(platform::findSharedLibrarySymbol(library, nullptr), nullptr);
    platform::closeSharedLibrary(library);
}
