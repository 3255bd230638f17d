// RenderServer: the loop of every rank above 0. It follows rank 0's control
// packets (scene changes, frames, aborts), renders the tiles it is granted
// and returns each finished tile.
#pragma once

#include <csignal>

#include "master_options.h"

namespace hox_cluster {

// Returns the process's exit status: 0 after rank 0 said quit,
// kExitMpiFailed (master_loop.h) when MPI failed or rank 0 went silent.
// `stop` is set by a signal; the server then still waits a little for rank
// 0's quit so that the job ends together.
int runRenderServer(const MasterOptions& options, const volatile std::sig_atomic_t& stop);

}  // namespace hox_cluster
