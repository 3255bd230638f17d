#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "hox/string.h"

using hox::util::String;

namespace {

bool alignedTo(const void* p, std::uintptr_t alignment) {
    return reinterpret_cast<std::uintptr_t>(p) % alignment == 0;
}

// The text up to the terminator; a length that disagrees shows as a suffix.
std::string str(const String& s) {
    const std::string t(s.c_str());
    return static_cast<int>(t.size()) == s.length() ? t : t + "<length " + std::to_string(s.length()) + ">";
}

}  // namespace

TEST(StringTest, InlineBufferHoldsThirtyOneCharacters) {
    String s;
    EXPECT_EQ(std::make_tuple(s.length(), s.empty(), str(s), s.isInline(), s.bufferSize()),
              std::make_tuple(0, true, "", true, 32));
    s = std::string(31, 'a').c_str();
    EXPECT_TRUE(s.isInline());
    s += 'b';  // 32 characters + terminator no longer fit
    EXPECT_FALSE(s.isInline());
    EXPECT_EQ(s.bufferSize(), 64);
    EXPECT_EQ(str(s), std::string(31, 'a') + "b");
    s[1] = 'X';
    const char* raw = s;
    EXPECT_EQ(std::string(raw, 3), "aXa");
}

TEST(StringTest, GrowthRoundsToThirtyTwoAndAlignsLargeBlocks) {
    String s;
    std::string expected;
    for (int i = 0; i < 1100; ++i) {
        s += static_cast<char>('a' + i % 26);
        expected += static_cast<char>('a' + i % 26);
        EXPECT_EQ(s.bufferSize() % 32, 0);
        ASSERT_GE(s.bufferSize(), i + 2);
        if (!s.isInline()) {
            EXPECT_TRUE(alignedTo(s.c_str(), s.bufferSize() > 1024 ? 128 : 16)) << i;
        }
    }
    EXPECT_EQ(str(s), expected);
    // A size that already is a multiple of 32 is taken as it is.
    EXPECT_EQ(String(std::string(63, 'x').c_str()).bufferSize(), 64);
}

TEST(StringTest, SubstringBoundsAreClamped) {
    const String source("hello world");
    const std::pair<String, const char*> cases[] = {
        {String("abcdef", 2, 4), "cd"}, {String("abc", -5, 2), "ab"}, {String("abc", 5, 9), ""},
        {String("abc", 2, 1), ""},      {String("abc", 0, 100), "abc"}, {String(source, 6, 11), "world"},
        {String(source, 6, 3), ""},     {String(nullptr, 0, 3), ""}};
    for (const auto& c : cases) EXPECT_EQ(str(c.first), c.second);
}

TEST(StringTest, NumberAndBoolConversions) {
    EXPECT_EQ((std::vector<std::string>{str(String(true)), str(String(false)), str(String(0.5f)),
                                        str(String(-3)), str(String(4000000000u)), str(String('x'))}),
              (std::vector<std::string>{"1", "0", "0.5", "-3", "4000000000", "x"}));
    String s;
    s += true;
    s += false;
    s += -7;
    s += 7u;
    s += 0.25f;
    EXPECT_EQ(str(s), "truefalse-770.25");
}

TEST(StringTest, ResizeFillsAndTruncatesWithoutShrinking) {
    String s("ab");
    s.resize(5, '.');
    EXPECT_EQ(str(s), "ab...");
    s.resize(1, '?');
    EXPECT_EQ(str(s), "a");

    String big(std::string(100, 'q').c_str());
    const int size = big.bufferSize();
    big.resize(3, ' ');
    big.clear();
    EXPECT_EQ(std::make_tuple(big.bufferSize(), str(big)), std::make_tuple(size, ""));
    big.resize(-4, 'z');
    EXPECT_EQ(big.length(), 0);
}

TEST(StringTest, AssignmentCopiesAndReleases) {
    String s(std::string(200, 'a').c_str());
    s = "short";
    EXPECT_TRUE(s.isInline());  // assignment returns to the empty state first
    EXPECT_EQ(str(s), "short");
    String other(std::string(40, 'b').c_str());
    s = other;
    EXPECT_EQ(str(s), str(other));
    EXPECT_NE(s.c_str(), other.c_str());
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.empty());
}

TEST(StringTest, SelfReferencesSurviveReallocation) {
    String s(std::string(40, 'r').c_str());
    s += s;  // grows while reading from the old (freed) heap block
    EXPECT_EQ(str(s), std::string(80, 'r'));
    s = s;
    EXPECT_EQ(s.length(), 80);
    s = s.c_str() + 70;  // assign from the string's own tail
    EXPECT_EQ(str(s), std::string(10, 'r'));
    String t("abc");
    t += t.c_str() + 1;
    EXPECT_EQ(str(t), "abcbc");
}
