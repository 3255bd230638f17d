// Which files a library name given by the host leads to, and the platform
// loader's answers to bad arguments.
#include <string>
#include <vector>

#include "hox/config.h"
#include "platform/shared_library.h"
#include "shader_test_support.h"
#include "shaders/library_name.h"

using namespace hox;
using namespace hox::shaders;

// Relative names: the whole name, then its stem, under the search path, then
// both as given. Absolute names: once, unchanged. Empty names: nothing.
TEST(LibraryName, CandidateFilesInTheOrderTried) {
    const struct {
        const char* searchPath;
        const char* name;
        std::vector<std::string> files;
    } cases[] = {
        {"/opt/sp", "sub\\std.lib",
         {"/opt/sp/sub/std.lib64.so", "/opt/sp/std64.so", "sub/std.lib64.so", "std64.so"}},
        {"sp", " phong/ ", {"sp/phong64.so", "sp/phong64.so", "phong64.so", "phong64.so"}},
        // Blanks inside stay; an empty search path adds nothing; "C:" is too short to be a drive.
        {"", "\t a b.c\\\t", {"a b.c64.so", "a b64.so", "a b.c64.so", "a b64.so"}},
        {"/opt/sp/", "C:", {"/opt/sp/C:64.so", "/opt/sp/C:64.so", "C:64.so", "C:64.so"}},
        {"/opt/sp", "C:\\shaders\\std.lib", {"C:/shaders/std.lib64.so"}},
        {"/opt/sp", "//server/std", {"//server/std64.so"}},
        {"/opt/sp", "/a", {"/a64.so"}},
        {"/opt/sp", "  / ", {}},
        {"/opt/sp", nullptr, {}},
        {nullptr, "x", {"x64.so", "x64.so", "x64.so", "x64.so"}},
    };
    for (const auto& c : cases) {
        LibraryCandidates found = libraryCandidates(searchPathFrom(c.searchPath), c.name);
        std::vector<std::string> files;
        for (int i = 0; i < found.count; ++i) files.push_back(found.files[i].c_str());
        EXPECT_EQ(files, c.files) << (c.name ? c.name : "null");
    }
}

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
