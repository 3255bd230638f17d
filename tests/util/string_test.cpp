#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "hox/string.h"

using hox::util::String;

namespace {

bool alignedTo(const void* p, std::uintptr_t alignment) {
    return reinterpret_cast<std::uintptr_t>(p) % alignment == 0;
}

}  // namespace

TEST(StringTest, DefaultIsEmptyAndInline) {
    String s;
    EXPECT_EQ(s.length(), 0);
    EXPECT_TRUE(s.empty());
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_TRUE(s.isInline());
    EXPECT_EQ(s.bufferSize(), 32);
}

TEST(StringTest, InlineBufferHoldsThirtyOneCharacters) {
    String s(std::string(31, 'a').c_str());
    EXPECT_TRUE(s.isInline());
    EXPECT_EQ(s.length(), 31);
    s += 'b';  // 32 characters + terminator no longer fit
    EXPECT_FALSE(s.isInline());
    EXPECT_EQ(s.bufferSize(), 64);
    EXPECT_EQ(std::string(s.c_str()), std::string(31, 'a') + "b");
}

TEST(StringTest, GrowthRoundsToThirtyTwoAndAlignsLargeBlocks) {
    String s;
    std::string expected;
    for (int i = 0; i < 1100; ++i) {
        s += static_cast<char>('a' + i % 26);
        expected += static_cast<char>('a' + i % 26);
        int required = i + 2;
        EXPECT_EQ(s.bufferSize() % 32, 0);
        ASSERT_GE(s.bufferSize(), required);
        if (!s.isInline()) {
            EXPECT_TRUE(alignedTo(s.c_str(), s.bufferSize() > 1024 ? 128 : 16)) << i;
        }
    }
    EXPECT_EQ(expected, s.c_str());
    EXPECT_EQ(s.length(), 1100);
    // A size that already is a multiple of 32 is taken as it is.
    String exact(std::string(63, 'x').c_str());
    EXPECT_EQ(exact.bufferSize(), 64);
}

TEST(StringTest, SubstringClamping) {
    EXPECT_STREQ(String("abcdef", 2, 4).c_str(), "cd");
    EXPECT_STREQ(String("abc", -5, 2).c_str(), "ab");
    EXPECT_STREQ(String("abc", 5, 9).c_str(), "");
    EXPECT_STREQ(String("abc", 2, 1).c_str(), "");
    EXPECT_STREQ(String("abc", 0, 100).c_str(), "abc");
    String source("hello world");
    EXPECT_STREQ(String(source, 6, 11).c_str(), "world");
    EXPECT_STREQ(String(source, 6, 3).c_str(), "");
    EXPECT_STREQ(String(nullptr, 0, 3).c_str(), "");
}

TEST(StringTest, NumberAndBoolConversions) {
    EXPECT_STREQ(String(true).c_str(), "1");
    EXPECT_STREQ(String(false).c_str(), "0");
    EXPECT_STREQ(String(0.5f).c_str(), "0.5");
    EXPECT_STREQ(String(-3).c_str(), "-3");
    EXPECT_STREQ(String(4000000000u).c_str(), "4000000000");
    EXPECT_STREQ(String('x').c_str(), "x");

    String s;
    s += true;
    EXPECT_STREQ(s.c_str(), "true");
    s += false;
    s += -7;
    s += 7u;
    s += 0.25f;
    EXPECT_STREQ(s.c_str(), "truefalse-770.25");
}

TEST(StringTest, ResizeFillsAndTruncatesWithoutShrinking) {
    String s("ab");
    s.resize(5, '.');
    EXPECT_STREQ(s.c_str(), "ab...");
    String t("xyz");
    t.resize(1, '?');
    EXPECT_STREQ(t.c_str(), "x");
    EXPECT_EQ(t.length(), 1);

    String big(std::string(100, 'q').c_str());
    int size = big.bufferSize();
    big.resize(3, ' ');
    big.clear();
    EXPECT_EQ(big.bufferSize(), size);
    EXPECT_STREQ(big.c_str(), "");
    big.resize(-4, 'z');
    EXPECT_EQ(big.length(), 0);
}

TEST(StringTest, AssignmentCopiesAndReleases) {
    String s(std::string(200, 'a').c_str());
    s = "short";
    EXPECT_TRUE(s.isInline());  // assignment returns to the empty state first
    EXPECT_STREQ(s.c_str(), "short");
    String other(std::string(40, 'b').c_str());
    s = other;
    EXPECT_STREQ(s.c_str(), other.c_str());
    EXPECT_NE(s.c_str(), other.c_str());
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.empty());
}

TEST(StringTest, SelfReferencesSurviveReallocation) {
    String s(std::string(20, 'r').c_str());
    s += s;  // grows while reading from the old buffer
    EXPECT_EQ(std::string(s.c_str()), std::string(40, 'r'));
    s = s;
    EXPECT_EQ(s.length(), 40);
    s = s.c_str() + 30;  // assign from the string's own tail
    EXPECT_EQ(std::string(s.c_str()), std::string(10, 'r'));
    String t("abc");
    t += t.c_str() + 1;
    EXPECT_STREQ(t.c_str(), "abcbc");
}

TEST(StringTest, IndexAccessAndConversion) {
    String s("abc");
    s[1] = 'X';
    EXPECT_EQ(s[1], 'X');
    const char* raw = s;
    EXPECT_STREQ(raw, "aXc");
}
