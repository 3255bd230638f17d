// The loop of rank 0: hosts, their commands, and the frames in progress.
#pragma once

#include <csignal>

#include "master_options.h"

namespace hox_cluster {

// Exit statuses of the ranks. After kExitNoPort every rank still finalises
// MPI; after kExitMpiFailed the job is aborted.
constexpr int kExitMpiFailed = 1;
constexpr int kExitNoPort = 3;

// Serves hosts one after another until `stop` is set (by a signal). Returns
// 0, kExitNoPort when the master port could not be opened, or
// kExitMpiFailed.
int runMaster(const MasterOptions& options, const volatile std::sig_atomic_t& stop);

}  // namespace hox_cluster
