#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shaders/library_name.h"

using hox::util::String;
using namespace hox::shaders;

namespace {

std::vector<std::string> candidates(const char* searchPath, const char* name) {
    LibraryCandidates c = libraryCandidates(searchPathFrom(searchPath), name);
    std::vector<std::string> files;
    for (int i = 0; i < c.count; ++i) files.push_back(c.files[i].c_str());
    return files;
}

}  // namespace

TEST(LibraryName, NormalisingTurnsBackslashesAndStripsBlanksAndTrailingSlashes) {
    EXPECT_STREQ(normalizeLibraryName("shaders\\std\\phong").c_str(), "shaders/std/phong");
    EXPECT_STREQ(normalizeLibraryName("  \tphong lib \t").c_str(), "phong lib");
    EXPECT_STREQ(normalizeLibraryName("dir/phong//\\ ").c_str(), "dir/phong");
    EXPECT_STREQ(normalizeLibraryName("").c_str(), "");
    EXPECT_STREQ(normalizeLibraryName(nullptr).c_str(), "");
}

TEST(LibraryName, AbsoluteNames) {
    EXPECT_TRUE(isAbsoluteLibraryName("//server/share/lib"));
    EXPECT_TRUE(isAbsoluteLibraryName("C:/shaders/lib"));
    EXPECT_TRUE(isAbsoluteLibraryName("/opt/shaders/lib"));
    EXPECT_TRUE(isAbsoluteLibraryName("/a"));
    EXPECT_FALSE(isAbsoluteLibraryName("C:"));  // two characters only
    EXPECT_FALSE(isAbsoluteLibraryName("shaders/lib"));
    EXPECT_FALSE(isAbsoluteLibraryName("lib"));
}

TEST(LibraryName, SearchPathEndsInASlashUnlessEmpty) {
    EXPECT_STREQ(searchPathFrom("/opt/shaders").c_str(), "/opt/shaders/");
    EXPECT_STREQ(searchPathFrom("/opt/shaders/").c_str(), "/opt/shaders/");
    EXPECT_STREQ(searchPathFrom("").c_str(), "");
    EXPECT_STREQ(searchPathFrom(nullptr).c_str(), "");
}

TEST(LibraryName, RelativeNamesAreTriedUnderTheSearchPathFirstThenAsGiven) {
    const std::vector<std::string> expected = {
        "/opt/sp/sub/std.lib64.so", "/opt/sp/std64.so", "sub/std.lib64.so", "std64.so"};
    EXPECT_EQ(candidates("/opt/sp", "sub\\std.lib"), expected);
}

TEST(LibraryName, ANameWithoutExtensionHasItselfAsStem) {
    const std::vector<std::string> expected = {"sp/phong64.so", "sp/phong64.so", "phong64.so",
                                               "phong64.so"};
    EXPECT_EQ(candidates("sp", " phong/ "), expected);
}

TEST(LibraryName, AbsoluteNamesAreTriedOnceUnchanged) {
    EXPECT_EQ(candidates("/opt/sp", "C:\\shaders\\std.lib"),
              std::vector<std::string>{"C:/shaders/std.lib64.so"});
    EXPECT_EQ(candidates("/opt/sp", "//server/std"),
              std::vector<std::string>{"//server/std64.so"});
    EXPECT_EQ(candidates("/opt/sp", "/usr/lib/std"), std::vector<std::string>{"/usr/lib/std64.so"});
}

TEST(LibraryName, AnEmptyNameHasNoCandidates) {
    EXPECT_TRUE(candidates("/opt/sp", "  / ").empty());
    EXPECT_TRUE(candidates("/opt/sp", nullptr).empty());
}
