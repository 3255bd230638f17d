#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "hox/message_callback.h"
#include "util/messages.h"

namespace {

struct RecordingCallback : hox::IMessageCallback {
    std::vector<std::string> messages, warnings, errors;
    std::vector<int> levels;
    void message(int level, const char* text) override {
        levels.push_back(level);
        messages.push_back(text);
    }
    void warning(const char* text) override { warnings.push_back(text); }
    void error(const char* text) override { errors.push_back(text); }
};

struct MessagesTest : ::testing::Test {
    void TearDown() override { hox::util::setMessageCallback(nullptr); }
};

}  // namespace

TEST_F(MessagesTest, RoutesEachKindToItsCallback) {
    RecordingCallback cb;
    hox::util::setMessageCallback(&cb);
    hox::util::error("invalid %s handle %d", "Camera", 7);
    hox::util::warning("invalid render view %d", 3);
    hox::util::message(1, "level %d", 1);
    hox::util::message(5, "high");  // the host decides what to do with any level
    ASSERT_EQ(cb.errors.size(), 1u);
    EXPECT_EQ(cb.errors[0], "invalid Camera handle 7");
    EXPECT_EQ(cb.warnings.at(0), "invalid render view 3");
    ASSERT_EQ(cb.messages.size(), 2u);
    EXPECT_EQ(cb.levels[0], 1);
    EXPECT_EQ(cb.levels[1], 5);
}

TEST_F(MessagesTest, LongTextIsCutTo4095Characters) {
    RecordingCallback cb;
    hox::util::setMessageCallback(&cb);
    std::string longText(10000, 'x');
    hox::util::error("%s", longText.c_str());
    ASSERT_EQ(cb.errors.size(), 1u);
    EXPECT_EQ(cb.errors[0].size(), 4095u);
}

TEST_F(MessagesTest, WithoutCallbackPrintsBelowLevelTwo) {
    testing::internal::CaptureStdout();
    hox::util::message(0, "zero;");
    hox::util::message(1, "one;");
    hox::util::message(2, "two;");
    hox::util::warning("warn;");
    hox::util::error("err;");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "zero;one;warn;err;");
}

TEST_F(MessagesTest, CallsAreSerialisedAcrossThreads) {
    // The callback is not thread-safe on purpose: the library's lock must be.
    RecordingCallback cb;
    hox::util::setMessageCallback(&cb);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 500; ++i) hox::util::message(0, "%d:%d", t, i);
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(cb.messages.size(), 2000u);
}
