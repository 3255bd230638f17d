#include "platform/socket_calls.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"

namespace hox {
namespace platform {

bool configureSocket(int socket) {
    const int on = 1;
    if (setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) return false;
    const int flags = fcntl(socket, F_GETFL, 0);
    return flags != -1 && fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

void closeSocket(int socket) {
    // Not retried on EINTR: on Linux the descriptor is released either way,
    // and closing it again could close a descriptor another thread just got.
    if (socket != kNoSocket) ::close(socket);
}

uint64_t deadlineAfterSeconds(double seconds) {
    if (!(seconds >= 0.0)) return kNoDeadline;
    // Beyond a year is as good as no limit, and keeps the sum from wrapping.
    if (seconds > 3.2e7) return kNoDeadline;
    return monotonicMicroseconds() + static_cast<uint64_t>(seconds * 1e6);
}

SocketWait waitForSocket(int socket, bool forWrite, uint64_t deadlineMicroseconds) {
    pollfd entry{};
    entry.fd = socket;
    entry.events = forWrite ? POLLOUT : POLLIN;
    for (;;) {
        int timeoutMs = -1;
        if (deadlineMicroseconds != kNoDeadline) {
            const uint64_t now = monotonicMicroseconds();
            const uint64_t left = deadlineMicroseconds > now ? deadlineMicroseconds - now : 0;
            // Rounded up, so that a wait never ends before its deadline.
            const uint64_t ms = (left + 999) / 1000;
            timeoutMs = ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms);
        }
        const int result = poll(&entry, 1, timeoutMs);
        if (result > 0) {
            return (entry.revents & POLLNVAL) ? SocketWait::Failed : SocketWait::Ready;
        }
        if (result == 0) {
            if (deadlineMicroseconds != kNoDeadline && monotonicMicroseconds() >= deadlineMicroseconds)
                return SocketWait::TimedOut;
            continue;
        }
        if (errno != EINTR) return SocketWait::Failed;
    }
}

}  // namespace platform
}  // namespace hox
