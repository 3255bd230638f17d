// The copy of the process that runs untrusted work: every way it can end
// must come back as the matching outcome, and nothing it does may reach
// the caller's memory.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/child_process.h"
#include "platform/clock.h"

namespace {

using hox::platform::ChildOutcome;
using hox::platform::runInChildProcess;

int returnsItsArgument(void* context) { return *static_cast<int*>(context); }

int writesAndReturns(void* context) {
    *static_cast<int*>(context) = 99;
    return 0;
}

// Raised rather than provoked, so that the undefined-behaviour checker of
// the sanitizer build does not catch it first.
int segfaults(void*) {
    std::raise(SIGSEGV);
    return 0;
}

int aborts(void*) { std::abort(); }

int neverEnds(void*) {
    for (;;) pause();
}

TEST(ChildProcess, ReportsHowTheCopyEnded) {
    int result = 7;
    ChildOutcome outcome = runInChildProcess(returnsItsArgument, &result, 10000);
    EXPECT_EQ(outcome.kind, ChildOutcome::Kind::Finished);
    EXPECT_EQ(outcome.exitCode, 7);

    // A write in the copy stays in the copy.
    int value = 1;
    outcome = runInChildProcess(writesAndReturns, &value, 10000);
    EXPECT_EQ(outcome.kind, ChildOutcome::Kind::Finished);
    EXPECT_EQ(value, 1);

    // Crashes end the copy even where this process has crash handlers of
    // its own (the sanitizer builds install them).
    outcome = runInChildProcess(segfaults, nullptr, 10000);
    EXPECT_EQ(outcome.kind, ChildOutcome::Kind::Crashed);
    EXPECT_EQ(outcome.signal, SIGSEGV);
    outcome = runInChildProcess(aborts, nullptr, 10000);
    EXPECT_EQ(outcome.kind, ChildOutcome::Kind::Crashed);
    EXPECT_EQ(outcome.signal, SIGABRT);
    EXPECT_STRNE(hox::platform::signalDescription(SIGSEGV), "");
}

TEST(ChildProcess, KillsACopyThatOutlivesItsTime) {
    const uint64_t start = hox::platform::monotonicMicroseconds();
    const ChildOutcome outcome = runInChildProcess(neverEnds, nullptr, 200);
    const uint64_t elapsedMs = (hox::platform::monotonicMicroseconds() - start) / 1000;
    EXPECT_EQ(outcome.kind, ChildOutcome::Kind::TimedOut);
    EXPECT_GE(elapsedMs, 200u);
    EXPECT_LT(elapsedMs, 10000u);
    // The killed copy was reaped: no child of ours is left to wait for.
    EXPECT_LT(waitpid(-1, nullptr, WNOHANG), 0);
}

}  // namespace
