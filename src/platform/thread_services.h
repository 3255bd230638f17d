// Small thread services: processor count, thread names, short sleeps.
#pragma once

namespace vu_threads {

// Longest thread name the system shows (Linux keeps 15 characters).
constexpr unsigned kSystemThreadNameLength = 15;
// Longest name currentThreadName() keeps in full.
constexpr unsigned kThreadNameCapacity = 127;

// Processors this process may run on (its affinity mask), at least 1.
unsigned getNumProcessors();

// Names the calling thread. The system (debuggers, top, /proc) sees the
// first kSystemThreadNameLength characters; the whole name, up to
// kThreadNameCapacity characters, stays readable through currentThreadName().
// A null name is ignored.
void setThreadName(const char* name);

// The name last given to the calling thread, "" when it has none.
const char* currentThreadName();

// Sleeps at least `microseconds` on the monotonic clock, resuming after
// signals. 0 on success, -1 on failure.
int sleepMicroseconds(unsigned microseconds);

}  // namespace vu_threads
