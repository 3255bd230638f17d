// The command line of hox-view.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace hox_view {

struct ViewOptions {
    std::string sceneFile;  // empty: the built-in demo scene
    int width = 960, height = 540;
    int threads = 0;        // 0: one per processor
    int samplingRate = -1;  // -2 … 0
    int maxRate = 2;        // samplingRate … 4
    int frames = 0;         // > 0: stop after that many frames reached the window
    std::string screenshot; // saved when the run ends
    std::string script;
    std::string shaderPath;
    std::string modelDirectory;
    std::vector<std::pair<std::string, std::string>> cvars;
};

enum class ViewParse { kRun, kHelp, kError };

ViewParse parseViewOptions(int argc, const char* const* argv, ViewOptions& options, std::string& error);
const char* viewUsage();

}  // namespace hox_view
