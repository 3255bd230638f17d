// The threading layer of the library, in one include.
//
//   vuThread     a thread whose body is a virtual run(), with a stop event
//   vuMutex      a recursive lock
//   vuCondition  a condition variable whose waits end on a stop request
//   vuBarrier    a reusable barrier for a fixed number of threads
//   vuEvent, vuSemaphore, waitForObject()   the waitable objects beneath them
//   getNumProcessors(), setThreadName(), sleepMicroseconds()
//
// Results: 0 success, -1 failure, 258 (kWaitTimeout) time-out; a limit of
// kInfinite (0xFFFFFFFF) waits without limit. Nothing here throws.
//
// Where the POSIX version differs from a system with kernel wait handles:
//   - A stop request cannot terminate a body by force; stop() waits up to
//     kStopGraceMilliseconds for the body to return and reports -1 if it
//     did not (see vu_thread.h).
//   - Priorities map onto per-thread nice values and SCHED_IDLE; raising a
//     priority without privilege is silently refused (see vu_thread.h).
//   - The system keeps only the first 15 characters of a thread name;
//     currentThreadName() returns the whole name (see thread_services.h).
#pragma once

#include "platform/thread_services.h"
#include "platform/vu_barrier.h"
#include "platform/vu_condition.h"
#include "platform/vu_mutex.h"
#include "platform/vu_thread.h"
#include "platform/vu_waitable.h"
