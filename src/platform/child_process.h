// Running a piece of work in a copy of this process.
//
// Some work runs third-party code we cannot trust to survive hostile input
// (a scene importer fed a malformed file). Running it first in a forked copy
// turns a crash or an endless loop inside that code into an answer the
// caller can report, instead of taking the whole host down with it.
#pragma once

namespace hox {
namespace platform {

struct ChildOutcome {
    enum class Kind {
        Finished,   // the task returned; `exitCode` is its result (0..255)
        Crashed,    // ended by a signal; `signal` says which
        TimedOut,   // still running at the deadline, and killed
        NotStarted  // no process could be made; the task did not run
    };
    Kind kind = Kind::NotStarted;
    int exitCode = 0;
    int signal = 0;
};

// Runs `task(context)` in a copy of the calling process and waits for it, at
// most `timeoutMs` milliseconds (negative: no limit). The copy holds only the
// calling thread: the task must not wait for other threads nor start any.
// The copy ends without running exit handlers or flushing buffered output
// (those belong to this process), so anything the task wants to say goes
// through its result. Crash handlers installed by tools such as sanitizers
// or fuzzers are reset in the copy, so that a crash there is reported here
// as `Crashed` rather than handled as this process's own.
ChildOutcome runInChildProcess(int (*task)(void* context), void* context, int timeoutMs);

// A name for a signal number ("segmentation fault", …) for messages.
const char* signalDescription(int signal);

}  // namespace platform
}  // namespace hox
