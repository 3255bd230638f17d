#include "platform/thread_services.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "platform/monotonic_deadline.h"

namespace vu_threads {

namespace {

// A plain array rather than a std::string: no allocation and no thread-exit
// destructor, which matters for a library that may be unloaded.
thread_local char tlsThreadName[kThreadNameCapacity + 1] = {};

}  // namespace

unsigned getNumProcessors() {
    cpu_set_t processors;
    CPU_ZERO(&processors);
    if (sched_getaffinity(0, sizeof(processors), &processors) == 0) {
        const int count = CPU_COUNT(&processors);
        if (count > 0) return static_cast<unsigned>(count);
    }
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<unsigned>(online) : 1u;
}

void setThreadName(const char* name) {
    if (!name) return;
    std::strncpy(tlsThreadName, name, kThreadNameCapacity);
    tlsThreadName[kThreadNameCapacity] = '\0';

    char systemName[kSystemThreadNameLength + 1];
    std::strncpy(systemName, name, kSystemThreadNameLength);
    systemName[kSystemThreadNameLength] = '\0';
    // Naming is a debugging aid; a refusal changes nothing for the caller.
    pthread_setname_np(pthread_self(), systemName);
}

const char* currentThreadName() {
    return tlsThreadName;
}

int sleepMicroseconds(unsigned microseconds) {
    // An absolute deadline, so a signal that interrupts the sleep does not
    // restart the full interval.
    const timespec deadline =
        hox::platform::monotonicDeadlineAfter(static_cast<uint64_t>(microseconds) * 1000u);
    for (;;) {
        const int rc = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
        if (rc == 0) return 0;
        if (rc != EINTR) return -1;
    }
}

}  // namespace vu_threads
