// hox-cluster-master: the cluster master and its render servers.
//
//   mpirun -np N hox-cluster-master [--port 50709] [--shader-path DIR]
//                                   [--threads N] [--verbose]
//
// Rank 0 is the master hosts connect to; every rank (rank 0 included)
// renders tiles. See docs/cluster.md.
#include <mpi.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "master_log.h"
#include "master_loop.h"
#include "master_options.h"
#include "render_server.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

}  // namespace

int main(int argc, char** argv) {
    int provided = 0;
    // Only each rank's main thread calls MPI; render threads hand their
    // tiles over through a queue.
    if (MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided) != MPI_SUCCESS) {
        std::fprintf(stderr, "hox-cluster-master: MPI could not start\n");
        return 1;
    }
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_RETURN);
    hox_cluster::setLogRank(rank);

    hox_cluster::MasterOptions options;
    std::string error;
    if (!hox_cluster::parseMasterOptions(argc, argv, options, error) || options.help) {
        if (rank == 0) {
            if (!options.help) std::fprintf(stderr, "hox-cluster-master: %s\n", error.c_str());
            std::fputs(hox_cluster::masterUsage(), options.help ? stdout : stderr);
        }
        MPI_Finalize();
        return options.help ? 0 : 2;
    }
    hox_cluster::setLogVerbose(options.verbose);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    const int status = rank == 0 ? hox_cluster::runMaster(options, g_stop)
                                 : hox_cluster::runRenderServer(options, g_stop);
    if (status == hox_cluster::kExitMpiFailed) {
        // A rank that lost the others cannot finalise with them.
        MPI_Abort(MPI_COMM_WORLD, status);
        return status;
    }
    MPI_Finalize();
    return status;
}
