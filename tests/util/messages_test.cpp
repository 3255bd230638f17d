#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "hox/message_callback.h"
#include "util/messages.h"

namespace {

// Records what reaches the host; the callback is not thread-safe on purpose:
// the library's lock must be.
struct MessagesTest : ::testing::Test, hox::IMessageCallback {
    void TearDown() override { hox::util::setMessageCallback(nullptr); }
    void message(int level, const char* text) override { messages.push_back(std::to_string(level) + text); }
    void warning(const char* text) override { warnings.push_back(text); }
    void error(const char* text) override { errors.push_back(text); }
    std::vector<std::string> messages, warnings, errors;
};

TEST_F(MessagesTest, RoutesEachKindToItsCallbackSerialisedAndCutAt4095Characters) {
    hox::util::setMessageCallback(this);
    hox::util::error("invalid %s handle %d", "Camera", 7);
    hox::util::warning("invalid render view %d", 3);
    hox::util::message(5, "high");  // the host decides what to do with any level
    hox::util::error("%s", std::string(10000, 'x').c_str());
    EXPECT_EQ(errors, (std::vector<std::string>{"invalid Camera handle 7", std::string(4095, 'x')}));
    EXPECT_EQ(warnings, std::vector<std::string>{"invalid render view 3"});
    EXPECT_EQ(messages, std::vector<std::string>{"5high"});

    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 500; ++i) hox::util::message(0, "%d:%d", t, i);
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(messages.size(), 2001u);
}

TEST_F(MessagesTest, WithoutCallbackPrintsBelowLevelTwo) {
    testing::internal::CaptureStdout();
    hox::util::message(1, "one;");
    hox::util::message(2, "two;");
    hox::util::warning("warn;");
    hox::util::error("err;");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "one;warn;err;");
}

}  // namespace
