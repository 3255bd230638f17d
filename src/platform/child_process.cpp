#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>

#include <fcntl.h>

#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "clock.h"

namespace hox {
namespace platform {

namespace {

void resetCrashHandlers() {
    const int crashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};
    for (int signal : crashSignals) std::signal(signal, SIG_DFL);
}

ChildOutcome outcomeOf(int status) {
    ChildOutcome outcome;
    if (WIFEXITED(status)) {
        outcome.kind = ChildOutcome::Kind::Finished;
        outcome.exitCode = WEXITSTATUS(status);
    } else {
        outcome.kind = ChildOutcome::Kind::Crashed;
        outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return outcome;
}

int waitForChild(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

ChildOutcome runInChildProcess(int (*task)(void* context), void* context, int timeoutMs) {
    // The child holds the write end of a pipe and never writes: the read
    // end reports end-of-file the moment the child is gone, however it
    // ends, which poll can wait for with a time-out (waitpid cannot).
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return {};
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return {};
    }
    if (child == 0) {
        close(pipeEnds[0]);
        resetCrashHandlers();
        _exit(task(context) & 0xff);
    }
    close(pipeEnds[1]);

    const uint64_t start = monotonicMicroseconds();
    bool ended = false;
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const uint64_t elapsedMs = (monotonicMicroseconds() - start) / 1000u;
            if (elapsedMs >= static_cast<uint64_t>(timeoutMs)) break;
            wait = static_cast<int>(static_cast<uint64_t>(timeoutMs) - elapsedMs);
        }
        pollfd watch = {pipeEnds[0], POLLIN, 0};
        const int ready = poll(&watch, 1, wait);
        if (ready > 0) {
            ended = true;
            break;
        }
        if (ready < 0 && errno != EINTR) break;
    }
    close(pipeEnds[0]);
    if (!ended) {
        kill(child, SIGKILL);
        waitForChild(child);
        ChildOutcome outcome;
        outcome.kind = ChildOutcome::Kind::TimedOut;
        return outcome;
    }
    return outcomeOf(waitForChild(child));
}

const char* signalDescription(int signal) {
    const char* description = strsignal(signal);
    return description ? description : "unknown signal";
}

}  // namespace platform
}  // namespace hox
