// What the host tests share: a message callback that keeps what it hears.
// Like a real host, these tests see only the public headers and the shared
// library.
#pragma once

#include <string>
#include <vector>

#include "hox/message_callback.h"

namespace hox_host_test {

class RecordingCallback : public hox::IMessageCallback {
public:
    void message(int level, const char* text) override {
        messages.push_back(std::to_string(level) + ":" + text);
    }
    void warning(const char* text) override { warnings.push_back(text); }
    void error(const char* text) override { errors.push_back(text); }

    std::vector<std::string> messages;
    std::vector<std::string> warnings;
    std::vector<std::string> errors;
};

}  // namespace hox_host_test
