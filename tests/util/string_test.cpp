#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "hox/string.h"

using hox::util::String;

namespace {

// The text up to the terminator; a length that disagrees shows as a suffix.
std::string str(const String& s) {
    const std::string t(s.c_str());
    return static_cast<int>(t.size()) == s.length() ? t : t + "<length " + std::to_string(s.length()) + ">";
}

TEST(StringTest, ThirtyOneCharactersInlineThenBlocksInStepsOf32AlignedWhenLarge) {
    String s;
    EXPECT_EQ(std::make_tuple(s.empty(), str(s), s.isInline(), s.bufferSize()), std::make_tuple(true, "", true, 32));
    std::string expected;
    for (int i = 0; i < 1100; ++i) {
        s += static_cast<char>('a' + i % 26);
        expected += static_cast<char>('a' + i % 26);
        ASSERT_EQ(s.isInline(), i < 31) << i;  // 32 characters + terminator no longer fit
        EXPECT_EQ(s.bufferSize() % 32, 0);
        ASSERT_GE(s.bufferSize(), i + 2);
        const std::uintptr_t alignment = s.isInline() ? 1 : s.bufferSize() > 1024 ? 128 : 16;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(s.c_str()) % alignment, 0u) << i;
    }
    EXPECT_EQ(str(s), expected);
    EXPECT_EQ(String(std::string(31, 'a').c_str()).isInline(), true);
    EXPECT_EQ(String(std::string(32, 'a').c_str()).bufferSize(), 64);
    EXPECT_EQ(String(std::string(63, 'x').c_str()).bufferSize(), 64);  // a multiple of 32 is taken as it is
}

TEST(StringTest, SubstringBoundsAreClampedAndNumbersConvert) {
    const String source("hello world");
    const std::pair<String, const char*> cases[] = {
        {String("abcdef", 2, 4), "cd"}, {String("abc", -5, 2), "ab"}, {String("abc", 5, 9), ""},
        {String("abc", 2, 1), ""},      {String(source, 6, 11), "world"}, {String(nullptr, 0, 3), ""},
        {String(true), "1"}, {String(0.5f), "0.5"}, {String(-3), "-3"}, {String(4000000000u), "4000000000"},
        {String('x'), "x"}};
    for (const auto& c : cases) EXPECT_EQ(str(c.first), c.second);
    String s;
    s += true;
    s += false;
    s += -7;
    s += 7u;
    s += 0.25f;
    EXPECT_EQ(str(s), "truefalse-770.25");
}

TEST(StringTest, ResizeAndAssignment) {
    String s("ab");
    s.resize(5, '.');
    EXPECT_EQ(str(s), "ab...");
    s.resize(1, '?');
    EXPECT_EQ(str(s), "a");
    String big(std::string(100, 'q').c_str());
    const int size = big.bufferSize();
    big.resize(3, ' ');
    big.clear();
    EXPECT_EQ(std::make_tuple(big.bufferSize(), str(big)), std::make_tuple(size, ""));  // never shrinks
    big.resize(-4, 'z');
    EXPECT_EQ(big.length(), 0);

    big = "short";
    EXPECT_TRUE(big.isInline());  // assignment returns to the empty state first
    EXPECT_EQ(str(big), "short");
    const String other(std::string(40, 'b').c_str());
    big = other;
    EXPECT_EQ(str(big), str(other));
    EXPECT_NE(big.c_str(), other.c_str());
    big = static_cast<const char*>(nullptr);
    EXPECT_TRUE(big.empty());
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

}  // namespace
