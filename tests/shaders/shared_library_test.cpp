#include <gtest/gtest.h>

#include <memory>

#include "hox/config.h"
#include "platform/shared_library.h"
#include "shader_test_support.h"

using namespace hox;
using platform::SharedLibrary;
using shader_test::pluginFile;

namespace {

ShaderCreateFunction factoryOf(SharedLibrary* library, const char* shaderName) {
    std::string symbol = std::string(shaderName) + "_create";
    return reinterpret_cast<ShaderCreateFunction>(
        platform::findSharedLibrarySymbol(library, symbol.c_str()));
}

int versionMadeBy(SharedLibrary* library) {
    ShaderCreateFunction create = factoryOf(library, "reloadable");
    if (!create) return -1;
    std::unique_ptr<ShaderObject> object(create());
    return object ? object->getVersion() : -1;
}

}  // namespace

TEST(SharedLibrary, MissingFilesAndNamesGiveNull) {
    EXPECT_EQ(platform::openSharedLibrary("/nonexistent/folder/lib64.so"), nullptr);
    EXPECT_EQ(platform::openSharedLibrary(""), nullptr);
    EXPECT_EQ(platform::openSharedLibrary(nullptr), nullptr);
    EXPECT_EQ(platform::findSharedLibrarySymbol(nullptr, "x"), nullptr);
    platform::closeSharedLibrary(nullptr);  // accepted
}

TEST(SharedLibrary, FindsExportsOnlyByTheirName) {
    SharedLibrary* library = platform::openSharedLibrary(pluginFile("all_kinds").c_str());
    ASSERT_NE(library, nullptr);
    auto version = reinterpret_cast<ShaderApiVersionFunction>(
        platform::findSharedLibrarySymbol(library, "all_kinds_getAPIVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version(), kApiVersion);
    EXPECT_EQ(platform::findSharedLibrarySymbol(library, "all_kinds_missing"), nullptr);
    EXPECT_EQ(platform::findSharedLibrarySymbol(library, nullptr), nullptr);
    platform::closeSharedLibrary(library);
}

TEST(SharedLibrary, AnUnchangedFileSharesItsModule) {
    SharedLibrary* first = platform::openSharedLibrary(pluginFile("all_kinds").c_str());
    SharedLibrary* second = platform::openSharedLibrary(pluginFile("all_kinds").c_str());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(factoryOf(first, "all_kinds"), factoryOf(second, "all_kinds"));
    platform::closeSharedLibrary(first);
    // The second reference still keeps the code loaded.
    EXPECT_NE(factoryOf(second, "all_kinds"), nullptr);
    platform::closeSharedLibrary(second);
}

TEST(SharedLibrary, AReplacedFileIsLoadedAfreshWhileTheOldOneStaysUsable) {
    shader_test::TemporaryFolder folder;
    const std::string file = folder.path() + "/reloadable64.so";
    folder.install(pluginFile("reloadable_a"), "reloadable64.so");
    SharedLibrary* oldBuild = platform::openSharedLibrary(file.c_str());
    ASSERT_NE(oldBuild, nullptr);
    EXPECT_EQ(versionMadeBy(oldBuild), 1);

    folder.install(pluginFile("reloadable_b"), "reloadable64.so");
    SharedLibrary* newBuild = platform::openSharedLibrary(file.c_str());
    ASSERT_NE(newBuild, nullptr);
    EXPECT_EQ(versionMadeBy(newBuild), 2);
    EXPECT_EQ(versionMadeBy(oldBuild), 1);

    // Opening the same, now unchanged, file again shares the new build.
    SharedLibrary* again = platform::openSharedLibrary(file.c_str());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(factoryOf(again, "reloadable"), factoryOf(newBuild, "reloadable"));

    platform::closeSharedLibrary(oldBuild);
    platform::closeSharedLibrary(again);
    EXPECT_EQ(versionMadeBy(newBuild), 2);
    platform::closeSharedLibrary(newBuild);
}

TEST(SharedLibrary, ARemovedFileFailsEvenWhileItsOldBuildIsLoaded) {
    shader_test::TemporaryFolder folder;
    const std::string file = folder.path() + "/gone64.so";
    folder.install(pluginFile("reloadable_a"), "gone64.so");
    SharedLibrary* loaded = platform::openSharedLibrary(file.c_str());
    ASSERT_NE(loaded, nullptr);
    std::filesystem::remove(file);
    EXPECT_EQ(platform::openSharedLibrary(file.c_str()), nullptr);
    EXPECT_EQ(versionMadeBy(loaded), 1);
    platform::closeSharedLibrary(loaded);
}

TEST(SharedLibrary, RetainKeepsTheLibraryUntilTheLastClose) {
    SharedLibrary* library =
        platform::openSharedLibrary((shader_test::pluginDir() + "/nested/kind364.so").c_str());
    ASSERT_NE(library, nullptr);
    platform::retainSharedLibrary(library);
    platform::closeSharedLibrary(library);
    // Still loaded: making and destroying an object runs its code.
    ShaderCreateFunction create = factoryOf(library, "odd");
    ASSERT_NE(create, nullptr);
    std::unique_ptr<ShaderObject> object(create());
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->getKind(), 3);
    object.reset();
    platform::closeSharedLibrary(library);
}
