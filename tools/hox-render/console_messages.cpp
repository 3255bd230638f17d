#include "console_messages.h"

#include <cstdio>
#include <cstring>

namespace hox_render {

namespace {

// The library ends some texts with a newline and not others; print each on
// exactly one line.
void printLine(std::FILE* out, const char* prefix, const char* text) {
    if (!text) text = "";
    size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == '\n') --length;
    std::fprintf(out, "%s%.*s\n", prefix, static_cast<int>(length), text);
}

}  // namespace

ConsoleMessages& ConsoleMessages::instance() {
    static ConsoleMessages messages;
    return messages;
}

void ConsoleMessages::message(int level, const char* text) {
    if (m_verbose) printLine(stdout, level == 0 ? "hox: " : "hox: (verbose) ", text);
}

void ConsoleMessages::warning(const char* text) { printLine(stderr, "hox: warning: ", text); }

void ConsoleMessages::error(const char* text) { printLine(stderr, "hox: error: ", text); }

}  // namespace hox_render
