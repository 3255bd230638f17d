// Where the library's messages go: warnings and errors to standard error,
// informational messages to standard output when asked for.
#pragma once

#include "hox/message_callback.h"

namespace hox_render {

//
// The library keeps the callback after Shutdown, so the one instance lives
// as long as the process.
class ConsoleMessages : public hox::IMessageCallback {
public:
    static ConsoleMessages& instance();
    void setVerbose(bool verbose) { m_verbose = verbose; }

    void message(int level, const char* text) override;
    void warning(const char* text) override;
    void error(const char* text) override;

private:
    ConsoleMessages() = default;
    bool m_verbose = false;
};

}  // namespace hox_render
