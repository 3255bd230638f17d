#include "hox_render_app.h"

#include <cstdio>
#include <string>

#include "command_line.h"
#include "console_messages.h"
#include "cvar_registry.h"
#include "hox/device.h"
#include "image_output.h"
#include "render_session.h"
#include "render_stats.h"
#include "scene_builder.h"
#include "scene_source.h"
#include "shader_factory.h"

namespace hox_render {

namespace {

constexpr const char* kShaderLibrary = "hoxstd";

void listCVars(CVarRegistry& registry) {
    static const char* const kTypes[] = {"bool", "int", "float", "string"};
    for (hox::util::CVar* cvar : registry.all()) {
        const int type = static_cast<int>(cvar->getType());
        std::printf("%-26s %-6s %-10s %s\n", cvar->getName(), type >= 0 && type < 4 ? kTypes[type] : "?",
                    cvar->getValueString(), cvar->getDescription());
    }
}

// --cvar settings in order, then --debug, then the statistics interval that
// --stats wants unless the command line set it.
bool applyConsoleVariables(const Options& options, CVarRegistry& registry, std::string& error) {
    bool intervalGiven = false;
    for (const auto& cvar : options.cvars) {
        if (!registry.set(cvar.first, cvar.second, error)) return false;
        intervalGiven = intervalGiven || cvar.first == "rt_statsInterval";
    }
    if (options.debugShade && !registry.set("rt_debugShade", std::to_string(options.debugShade), error))
        return false;
    // The shortest interval the device allows, so that even a run of a few
    // seconds has counters to report.
    if (options.stats && !intervalGiven && !registry.set("rt_statsInterval", "100", error)) return false;
    return true;
}

int renderWithDevice(hox::IRenderDevice* device, const Options& options) {
    const std::string library =
        options.shaderPath.empty() ? std::string(kShaderLibrary) : options.shaderPath + "/" + kShaderLibrary;
    ShaderFactory shaders(device, library.c_str());
    SceneBuilder builder(device, shaders);
    SceneContent scene;
    std::string error;
    if (!buildScene(builder, options.sceneFile, options.modelDirectory, scene, error)) {
        std::fprintf(stderr, "hox-render: %s\n", error.c_str());
        return kExitFailure;
    }
    const float aspect = static_cast<float>(options.width) / static_cast<float>(options.height);
    const CameraPose camera = options.hasCamera ? options.camera : sceneCamera(scene, aspect);

    RenderResult result;
    const RenderStatus status = renderScene(device, options, scene, camera, result, error);
    if (status != RenderStatus::kOk) {
        std::fprintf(stderr, "hox-render: %s\n", error.c_str());
        return kExitFailure;
    }
    const std::string output = outputPath(options);
    if (!writeImage(output, result.image, error)) {
        std::fprintf(stderr, "hox-render: %s\n", error.c_str());
        return kExitFailure;
    }
    std::printf("hox-render: %s; %d x %d, %g samples per pixel in %d frame(s), %d ms -> %s\n",
                scene.summary.c_str(), result.image.width, result.image.height, result.sampleDensity,
                result.frames, result.elapsedMs, output.c_str());
    if (options.stats) printRenderStats(stdout, device, result);
    return kExitOk;
}

}  // namespace

int runHoxRender(int argc, const char* const* argv) {
    Options options;
    std::string error;
    switch (parseCommandLine(argc, argv, options, error)) {
        case ParseResult::kHelp: std::fputs(usageText(), stdout); return kExitOk;
        case ParseResult::kError:
            std::fprintf(stderr, "hox-render: %s\n", error.c_str());
            return kExitUsage;
        case ParseResult::kRun: break;
    }

    CVarRegistry& registry = CVarRegistry::instance();
    if (options.listCVars) {
        listCVars(registry);
        return kExitOk;
    }
    if (!applyConsoleVariables(options, registry, error)) {
        std::fprintf(stderr, "hox-render: %s\n", error.c_str());
        return kExitUsage;
    }

    ConsoleMessages& messages = ConsoleMessages::instance();
    messages.setVerbose(options.verbose);
    hox::IRenderDevice* device = nullptr;
    if (hox::Init(&messages, device) != 0 || !device) {
        std::fprintf(stderr, "hox-render: the render device could not be initialised\n");
        return kExitFailure;
    }
    const int exitCode = renderWithDevice(device, options);
    hox::Shutdown(device);
    return exitCode;
}

}  // namespace hox_render
