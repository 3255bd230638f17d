#include "master_options.h"

#include <cerrno>
#include <cstdlib>

namespace hox_cluster {

namespace {

bool parseInt(const char* text, int low, int high, int& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

}  // namespace

bool parseMasterOptions(int argc, const char* const* argv, MasterOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--port") {
            if (!parseInt(value, 1, 65535, options.port)) {
                error = "--port needs a port from 1 to 65535";
                return false;
            }
            ++i;
        } else if (arg == "--shader-path") {
            if (!value) {
                error = "--shader-path needs a directory";
                return false;
            }
            options.shaderPath = value;
            ++i;
        } else if (arg == "--threads") {
            if (!parseInt(value, 0, 1024, options.threads)) {
                error = "--threads needs a count from 0 (one per processor) to 1024";
                return false;
            }
            ++i;
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    return true;
}

const char* masterUsage() {
    return "usage: mpirun -np N hox-cluster-master [options]\n"
           "  --port PORT          master port hosts connect to (default 50709)\n"
           "  --shader-path DIR    where shader plug-ins are looked for (default: the\n"
           "                       host's DEVICE_SHADER_PATH, then the system search)\n"
           "  --threads N          render threads per rank (default 0: one per processor)\n"
           "  --verbose            log every session, frame and image\n";
}

}  // namespace hox_cluster
