#include "util/messages.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "hox/message_callback.h"

namespace hox {
namespace util {
namespace {

enum class Kind { Message, Warning, Error };

// The lock is a function-local static so that messages emitted while other
// static objects are constructed find it ready.
std::mutex& messageLock() {
    static std::mutex lock;
    return lock;
}

IMessageCallback* g_callback = nullptr;

void emit(Kind kind, int level, const char* format, va_list args) {
    std::lock_guard<std::mutex> guard(messageLock());
    char text[kMessageBufferSize];
    int n = std::vsnprintf(text, sizeof text, format, args);
    if (n < 0) text[0] = '\0';  // vsnprintf already cut and terminated long text
    if (g_callback) {
        switch (kind) {
            case Kind::Message: g_callback->message(level, text); break;
            case Kind::Warning: g_callback->warning(text); break;
            case Kind::Error: g_callback->error(text); break;
        }
        return;
    }
    if (kind == Kind::Message && level >= 2) return;
    std::printf("%s", text);
    std::fflush(stdout);
}

}  // namespace

void setMessageCallback(IMessageCallback* callback) {
    std::lock_guard<std::mutex> guard(messageLock());
    g_callback = callback;
}

IMessageCallback* messageCallback() {
    std::lock_guard<std::mutex> guard(messageLock());
    return g_callback;
}

void error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(Kind::Error, 0, format, args);
    va_end(args);
}

void warning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(Kind::Warning, 0, format, args);
    va_end(args);
}

void message(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(Kind::Message, level, format, args);
    va_end(args);
}

}  // namespace util
}  // namespace hox
