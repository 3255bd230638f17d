#include "view_options.h"

#include <cerrno>
#include <cstdlib>

namespace hox_view {

namespace {

// Larger windows are possible, but nobody means 100000 pixels.
constexpr int kMaxSide = 8192;

bool readInt(const char* text, int low, int high, int& out) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

}  // namespace

const char* viewUsage() {
    return "usage: hox-view [scene-file] [options]\n"
           "  scene-file            any file assimp reads; none: the built-in demo scene\n"
           "  -W, --width N         window width (960)\n"
           "  -H, --height N        window height (540)\n"
           "  --threads N           render threads (0: one per processor)\n"
           "  --rate R              sampling rate of every pass, -2 to 0 (-1)\n"
           "  --max-rate R          rate the still image refines to, up to 4 (2)\n"
           "  --frames N            stop after N frames were shown\n"
           "  --screenshot FILE     save the window's image as PNG when the run ends\n"
           "  --script FILE         play scripted input (see README.md)\n"
           "  --cvar NAME=VALUE     set a console variable of the library\n"
           "  --shader-path DIR     where the shader libraries are\n"
           "  --models DIR          the demo scene's sample models\n"
           "keys: drag to orbit, right-drag to pan, wheel to zoom, WASD/QE to fly, R reset,\n"
           "      click to pick, shift-drag to pick a region (to the left: crossing),\n"
           "      F1 shaded, F2 normals, F3 primitives, +/- threads, [/] trace depth,\n"
           "      1 shadows, 2 ambient occlusion, 3 global illumination, Esc quit\n";
}

ViewParse parseViewOptions(int argc, const char* const* argv, ViewOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        const bool hasValue = i + 1 < argc && argv[i + 1];
        const char* value = hasValue ? argv[i + 1] : "";
        auto number = [&](int low, int high, int& out) {
            if (!hasValue || !readInt(value, low, high, out)) {
                error = arg + " takes a number from " + std::to_string(low) + " to " + std::to_string(high);
                return false;
            }
            ++i;
            return true;
        };
        auto text = [&](std::string& out) {
            if (!hasValue || !*value) {
                error = arg + " takes a value";
                return false;
            }
            out = value;
            ++i;
            return true;
        };
        bool ok = true;
        if (arg == "-h" || arg == "--help") return ViewParse::kHelp;
        else if (arg == "-W" || arg == "--width") ok = number(16, kMaxSide, options.width);
        else if (arg == "-H" || arg == "--height") ok = number(16, kMaxSide, options.height);
        else if (arg == "--threads") ok = number(0, 1024, options.threads);
        else if (arg == "--rate") ok = number(-2, 0, options.samplingRate);
        else if (arg == "--max-rate") ok = number(-2, 4, options.maxRate);
        else if (arg == "--frames") ok = number(1, 10000000, options.frames);
        else if (arg == "--screenshot") ok = text(options.screenshot);
        else if (arg == "--script") ok = text(options.script);
        else if (arg == "--shader-path") ok = text(options.shaderPath);
        else if (arg == "--models") ok = text(options.modelDirectory);
        else if (arg == "--cvar") {
            std::string setting;
            ok = text(setting);
            const size_t equals = setting.find('=');
            if (ok && (equals == std::string::npos || equals == 0)) {
                error = "--cvar takes NAME=VALUE";
                ok = false;
            }
            if (ok) options.cvars.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
            ok = false;
        } else if (options.sceneFile.empty()) {
            options.sceneFile = arg;
        } else {
            error = "only one scene file, not also " + arg;
            ok = false;
        }
        if (!ok) return ViewParse::kError;
    }
    if (options.maxRate < options.samplingRate) {
        error = "--max-rate must not be below --rate";
        return ViewParse::kError;
    }
    return ViewParse::kRun;
}

}  // namespace hox_view
