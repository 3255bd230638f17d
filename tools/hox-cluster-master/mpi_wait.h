// Waiting for MPI requests without spinning.
//
// Open MPI's blocking calls poll at full speed. Render ranks share their
// machine with render threads (and, on a small machine, with each other),
// so every wait here tests its request and sleeps briefly between tests.
#pragma once

#include <mpi.h>

namespace hox_cluster {

// Waits for `request`: true when it completed, false when MPI reported an
// error or `*stop` turned true meanwhile (the request is then left as is).
bool waitPolitely(MPI_Request& request, const volatile bool* stop = nullptr);

// A short sleep for loops with nothing to do.
void idlePause(int microseconds);

}  // namespace hox_cluster
