#include "command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "image_output.h"

namespace hox_render {

namespace {

// Larger images than this are refused rather than risking an allocation the
// machine cannot give.
constexpr int kMaxResolution = 16384;
// The library's sampling tops out at 4^4 samples per pixel.
constexpr int kMaxSamples = 256;
constexpr int kMaxPasses = 256;
constexpr int kMaxThreads = 1024;

bool parseInt(const std::string& text, long minValue, long maxValue, int& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < minValue || value > maxValue) return false;
    out = static_cast<int>(value);
    return true;
}

bool parseFloat(const std::string& text, float& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value)) return false;
    out = value;
    return true;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.push_back("");
    return parts;
}

bool parseCamera(const std::string& text, CameraPose& pose, std::string& error) {
    const std::vector<std::string> parts = split(text, ',');
    float v[10];
    bool ok = parts.size() == 10;
    for (size_t i = 0; ok && i < 10; ++i) ok = parseFloat(parts[i], v[i]);
    if (!ok) {
        error = "--camera needs ten numbers: eyeX,eyeY,eyeZ,targetX,targetY,targetZ,upX,upY,upZ,fov";
        return false;
    }
    pose.eye = {v[0], v[1], v[2]};
    pose.target = {v[3], v[4], v[5]};
    pose.up = {v[6], v[7], v[8]};
    pose.fovDegrees = v[9];
    const hox::Vec3f forward = pose.target - pose.eye;
    if (length(forward) <= 0.0f) {
        error = "--camera: the eye and the target are the same point";
        return false;
    }
    if (length(cross(normalize(forward), normalize(pose.up))) < 1e-3f) {
        error = "--camera: the up vector is zero or points along the view direction";
        return false;
    }
    if (!(pose.fovDegrees > 0.0f && pose.fovDegrees <= 178.0f)) {
        error = "--camera: the field of view must be above 0 and at most 178 degrees";
        return false;
    }
    return true;
}

bool parseCluster(const std::string& text, Options& options, std::string& error) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 ||
        !parseInt(text.substr(colon + 1), 1025, 65535, options.clusterPort)) {
        error = "--cluster needs host:port with a port from 1025 to 65535, not '" + text + "'";
        return false;
    }
    options.cluster = true;
    options.clusterHost = text.substr(0, colon);
    return true;
}

}  // namespace

const char* usageText() {
    return "usage: hox-render [scene-file] [options]\n"
           "\n"
           "Renders a scene file (any format assimp reads: OBJ, PLY, glTF/GLB, FBX, Collada, 3DS, STL, ...)\n"
           "or, without one, the built-in demo scene.\n"
           "\n"
           "options:\n"
           "  -o FILE                 output image: .png, .exr or .ppm (default hox-demo.png for the demo,\n"
           "                          hox-render.png for a scene file)\n"
           "  -W WIDTH, -H HEIGHT     image size in pixels (default 800 x 600)\n"
           "  --spp N                 samples per pixel, 1 to 256 (default 16; rounded up to a power of 4)\n"
           "  --passes N              progressive passes of one sample per pixel, 1 to 256 (instead of --spp)\n"
           "  --threads N             render threads (default 0: one per processor)\n"
           "  --camera ex,ey,ez,tx,ty,tz,ux,uy,uz,fov\n"
           "                          eye, target, up and horizontal field of view in degrees\n"
           "  --debug normals|primitives\n"
           "                          colour surfaces by their normal or their triangle number\n"
           "  --cvar NAME=VALUE       set a console variable (repeatable)\n"
           "  --list-cvars            list the console variables and exit\n"
           "  --cluster HOST:PORT     render on the cluster whose master listens there\n"
           "  --shader-path DIR       where to look for shader libraries first\n"
           "  --models DIR            where the demo finds assimp's sample models\n"
           "                          (default /usr/share/assimp/models)\n"
           "  --stats                 print render statistics afterwards\n"
           "  -v, --verbose           print the library's informational messages\n"
           "  -h, --help              this text\n";
}

ParseResult parseCommandLine(int argc, const char* const* argv, Options& options, std::string& error) {
    bool passesGiven = false, samplesGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        // The value of an option that takes one; reports its absence.
        auto value = [&](std::string& out) {
            if (i + 1 >= argc || !argv[i + 1]) {
                error = "option '" + arg + "' needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg.empty()) {
            error = "empty argument";
            return ParseResult::kError;
        }
        if (arg == "-h" || arg == "--help") return ParseResult::kHelp;
        if (arg == "-v" || arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--stats") {
            options.stats = true;
        } else if (arg == "--list-cvars") {
            options.listCVars = true;
        } else if (arg == "-o") {
            if (!value(options.outputFile)) return ParseResult::kError;
            if (imageFormatOf(options.outputFile) == ImageFormat::kUnknown) {
                error = "cannot write '" + options.outputFile + "': the output must end in .png, .exr or .ppm";
                return ParseResult::kError;
            }
        } else if (arg == "-W" || arg == "-H") {
            if (!value(v)) return ParseResult::kError;
            if (!parseInt(v, 1, kMaxResolution, arg == "-W" ? options.width : options.height)) {
                error = "option '" + arg + "' needs a whole number of pixels from 1 to 16384, not '" + v + "'";
                return ParseResult::kError;
            }
        } else if (arg == "--spp") {
            if (!value(v)) return ParseResult::kError;
            if (!parseInt(v, 1, kMaxSamples, options.samplesPerPixel)) {
                error = "--spp needs a whole number from 1 to 256, not '" + v + "'";
                return ParseResult::kError;
            }
            samplesGiven = true;
        } else if (arg == "--passes") {
            if (!value(v)) return ParseResult::kError;
            if (!parseInt(v, 1, kMaxPasses, options.passes)) {
                error = "--passes needs a whole number from 1 to 256, not '" + v + "'";
                return ParseResult::kError;
            }
            passesGiven = true;
        } else if (arg == "--threads") {
            if (!value(v)) return ParseResult::kError;
            if (!parseInt(v, 0, kMaxThreads, options.threads)) {
                error = "--threads needs a whole number from 0 to 1024, not '" + v + "'";
                return ParseResult::kError;
            }
        } else if (arg == "--camera") {
            if (!value(v) || !parseCamera(v, options.camera, error)) return ParseResult::kError;
            options.hasCamera = true;
        } else if (arg == "--debug") {
            if (!value(v)) return ParseResult::kError;
            if (v == "normals") {
                options.debugShade = 1;
            } else if (v == "primitives") {
                options.debugShade = 2;
            } else {
                error = "--debug takes 'normals' or 'primitives', not '" + v + "'";
                return ParseResult::kError;
            }
        } else if (arg == "--cvar") {
            if (!value(v)) return ParseResult::kError;
            const size_t equals = v.find('=');
            if (equals == std::string::npos || equals == 0) {
                error = "--cvar needs NAME=VALUE, not '" + v + "'";
                return ParseResult::kError;
            }
            options.cvars.emplace_back(v.substr(0, equals), v.substr(equals + 1));
        } else if (arg == "--cluster") {
            if (!value(v) || !parseCluster(v, options, error)) return ParseResult::kError;
        } else if (arg == "--shader-path") {
            if (!value(options.shaderPath)) return ParseResult::kError;
        } else if (arg == "--models") {
            if (!value(options.modelDirectory)) return ParseResult::kError;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "' (--help lists the options)";
            return ParseResult::kError;
        } else if (!options.sceneFile.empty()) {
            error = "one scene file at a time: '" + options.sceneFile + "' and '" + arg + "'";
            return ParseResult::kError;
        } else {
            options.sceneFile = arg;
        }
    }
    if (passesGiven && samplesGiven) {
        error = "give --spp or --passes, not both";
        return ParseResult::kError;
    }
    return ParseResult::kRun;
}

std::string outputPath(const Options& options) {
    if (!options.outputFile.empty()) return options.outputFile;
    return options.sceneFile.empty() ? "hox-demo.png" : "hox-render.png";
}

}  // namespace hox_render
