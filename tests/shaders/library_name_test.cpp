// How a library name given by the host becomes the files tried.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shaders/library_name.h"

using namespace hox::shaders;

TEST(LibraryName, NormalisingAbsoluteNamesAndTheSearchPath) {
    const std::pair<const char*, const char*> normalised[] = {
        {"shaders\\std\\phong", "shaders/std/phong"}, {"  \tphong lib \t", "phong lib"},
        {"dir/phong//\\ ", "dir/phong"}, {"", ""}, {nullptr, ""}};
    for (const auto& n : normalised) EXPECT_STREQ(normalizeLibraryName(n.first).c_str(), n.second);
    for (const char* absolute : {"//server/share/lib", "C:/shaders/lib", "/opt/shaders/lib", "/a"})
        EXPECT_TRUE(isAbsoluteLibraryName(absolute)) << absolute;
    for (const char* relative : {"C:", "shaders/lib", "lib"})  // "C:" is two characters only
        EXPECT_FALSE(isAbsoluteLibraryName(relative)) << relative;
    const std::pair<const char*, const char*> paths[] = {
        {"/opt/shaders", "/opt/shaders/"}, {"/opt/shaders/", "/opt/shaders/"}, {"", ""}, {nullptr, ""}};
    for (const auto& p : paths) EXPECT_STREQ(searchPathFrom(p.first).c_str(), p.second);
}

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
        {"/opt/sp", "C:\\shaders\\std.lib", {"C:/shaders/std.lib64.so"}},
        {"/opt/sp", "//server/std", {"//server/std64.so"}},
        {"/opt/sp", "/usr/lib/std", {"/usr/lib/std64.so"}},
        {"/opt/sp", "  / ", {}},
        {"/opt/sp", nullptr, {}},
    };
    for (const auto& c : cases) {
        LibraryCandidates found = libraryCandidates(searchPathFrom(c.searchPath), c.name);
        std::vector<std::string> files;
        for (int i = 0; i < found.count; ++i) files.push_back(found.files[i].c_str());
        EXPECT_EQ(files, c.files) << (c.name ? c.name : "null");
    }
}
