// The library's three message functions.
//
// Every module reports through error(), warning() and message(). The text is
// formatted into a 4,096-byte buffer (longer text is cut to 4,095 characters)
// under one global lock and handed to the host's IMessageCallback, or printed
// to standard output when the host gave none (messages only below level 2).
#pragma once

namespace hox {
class IMessageCallback;

namespace util {

// Connects the sink; null restores printing to standard output.
void setMessageCallback(IMessageCallback* callback);
IMessageCallback* messageCallback();

void error(const char* format, ...) __attribute__((format(printf, 1, 2)));
void warning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void message(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

constexpr int kMessageBufferSize = 4096;

}  // namespace util
}  // namespace hox
