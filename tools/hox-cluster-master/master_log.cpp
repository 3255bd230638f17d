#include "master_log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace hox_cluster {

namespace {

int g_rank = 0;
bool g_verbose = false;
std::mutex g_mutex;

void writeLine(const char* kind, const char* format, va_list args) {
    char text[2048];
    std::vsnprintf(text, sizeof text, format, args);
    std::lock_guard<std::mutex> lock(g_mutex);
    std::fprintf(stderr, "hox-cluster-master[%d] %s%s\n", g_rank, kind, text);
    std::fflush(stderr);
}

}  // namespace

void setLogRank(int rank) { g_rank = rank; }
void setLogVerbose(bool verbose) { g_verbose = verbose; }
bool logVerbose() { return g_verbose; }

void logInfo(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine("", format, args);
    va_end(args);
}

void logVerboseLine(const char* format, ...) {
    if (!g_verbose) return;
    va_list args;
    va_start(args, format);
    writeLine("", format, args);
    va_end(args);
}

void logError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine("error: ", format, args);
    va_end(args);
}

}  // namespace hox_cluster
