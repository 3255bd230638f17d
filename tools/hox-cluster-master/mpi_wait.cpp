#include "mpi_wait.h"

#include <chrono>
#include <thread>

namespace hox_cluster {

bool waitPolitely(MPI_Request& request, const volatile bool* stop) {
    int pause = 5;
    for (;;) {
        int done = 0;
        if (MPI_Test(&request, &done, MPI_STATUS_IGNORE) != MPI_SUCCESS) return false;
        if (done) return true;
        if (stop && *stop) return false;
        idlePause(pause);
        // Quick answers stay quick; long waits cost little.
        if (pause < 500) pause *= 2;
    }
}

void idlePause(int microseconds) { std::this_thread::sleep_for(std::chrono::microseconds(microseconds)); }

}  // namespace hox_cluster
