// The master's log: one line per event on standard error, prefixed with the
// rank, so that the interleaved output of mpirun stays readable. Verbose
// lines appear only with --verbose.
#pragma once

namespace hox_cluster {

void setLogRank(int rank);
void setLogVerbose(bool verbose);
bool logVerbose();

void logInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logVerboseLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logError(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace hox_cluster
