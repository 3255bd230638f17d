// The socket system calls shared by the connection and the listener.
// Internal to src/platform.
//
// Waits use poll() rather than select(): select()'s descriptor set cannot
// name a descriptor of 1024 or more, and a host that keeps many files open
// would hand us such a socket. Every wait restarts after a signal with the
// time that is left.
#pragma once

#include <cstdint>

namespace hox {
namespace platform {

constexpr int kNoSocket = -1;

// Turns on TCP_NODELAY (messages are small and must not wait for more) and
// non-blocking mode. False when either fails.
bool configureSocket(int socket);

// Closes a descriptor, ignoring kNoSocket.
void closeSocket(int socket);

enum class SocketWait { Ready, TimedOut, Failed };

// Waits until `socket` is readable (forWrite false) or writable. A hang-up
// or error on the socket counts as Ready: the next recv/send reports it.
// deadlineMicroseconds is a monotonicMicroseconds() reading, or
// kNoDeadline to wait without limit.
constexpr uint64_t kNoDeadline = ~uint64_t(0);
SocketWait waitForSocket(int socket, bool forWrite, uint64_t deadlineMicroseconds);

// The deadline `seconds` from now; a negative limit means none.
uint64_t deadlineAfterSeconds(double seconds);

}  // namespace platform
}  // namespace hox
