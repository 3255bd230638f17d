// Command line of hox-cluster-master.
#pragma once

#include <string>

namespace hox_cluster {

constexpr int kDefaultMasterPort = 50709;

struct MasterOptions {
    int port = kDefaultMasterPort;
    // Where shader plug-ins are looked for; empty: the path of the host's
    // device settings, then the system's library search.
    std::string shaderPath;
    // Render threads per rank; 0: one per processor.
    int threads = 0;
    bool verbose = false;
    bool help = false;
};

// Parses argv[1..]. False with `error` set for an unknown option or a bad
// value.
bool parseMasterOptions(int argc, const char* const* argv, MasterOptions& options, std::string& error);

const char* masterUsage();

}  // namespace hox_cluster
