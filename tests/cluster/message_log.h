// The library's messages as the cluster tests see them, kept by kind and
// safe to fill from any thread. Public interface only, so that the cluster
// master's end-to-end tests can use it too.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "hox/message_callback.h"

namespace cluster_test {

class MessageLog : public hox::IMessageCallback {
public:
    void message(int level, const char* text) override { add(level == 0 ? 'm' : 'v', text); }
    void warning(const char* text) override { add('w', text); }
    void error(const char* text) override { add('e', text); }

    // The texts of one kind ('m' normal, 'v' verbose, 'w', 'e'; 0 for all).
    std::vector<std::string> lines(char kind = 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> out;
        for (const auto& line : lines_)
            if (kind == 0 || line.first == kind) out.push_back(line.second);
        return out;
    }
    bool contains(const std::string& part, char kind = 0) {
        for (const std::string& line : lines(kind))
            if (line.find(part) != std::string::npos) return true;
        return false;
    }
    std::string all() {
        std::string text;
        for (const std::string& line : lines()) text += line + (line.empty() || line.back() != '\n' ? "\n" : "");
        return text;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.clear();
    }

private:
    void add(char kind, const char* text) {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.emplace_back(kind, text);
    }
    std::mutex mutex_;
    std::vector<std::pair<char, std::string>> lines_;
};

}  // namespace cluster_test
