// The command line of hox-render: what it accepts, checked completely
// before anything is rendered, so that a mistake costs no rendering time.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "camera_setup.h"

namespace hox_render {

struct Options {
    std::string sceneFile;   // empty: the built-in demo scene
    std::string outputFile;  // empty: the default for the scene
    int width = 800;
    int height = 600;
    int samplesPerPixel = 16;  // --spp; the image gets at least this many
    int passes = 0;            // --passes; 0: as many as --spp needs
    int threads = 0;           // 0: one per processor
    bool hasCamera = false;
    CameraPose camera;
    int debugShade = 0;  // 1 normals, 2 primitives
    std::vector<std::pair<std::string, std::string>> cvars;
    bool cluster = false;
    std::string clusterHost;
    int clusterPort = 0;
    bool stats = false;
    bool verbose = false;
    bool listCVars = false;
    std::string shaderPath;
    std::string modelDirectory;  // the demo's sample models; empty: the default
};

enum class ParseResult { kRun, kHelp, kError };

// Reads argv[1 …]. kError with `error` set for anything it cannot accept.
ParseResult parseCommandLine(int argc, const char* const* argv, Options& options, std::string& error);

// The help text.
const char* usageText();

// The output file the options name, or the default for the scene.
std::string outputPath(const Options& options);

}  // namespace hox_render
