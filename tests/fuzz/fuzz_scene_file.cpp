// Fuzzes the scene loading of hox-render: the bytes of a scene file, read
// through assimp into a scene graph of the render device, the way
// `hox-render --scene <file>` reads a file (lights of the file included).
//
// Input: byte 0 picks the format the bytes claim to be (the extension the
// file would have, see kFormats); the rest is the file. assimp goes by the
// content when the claimed format does not fit, so every format it reads
// stays reachable.
//
// Properties: no crash, leak or undefined behaviour in the loader or the
// library it feeds; a model that loads has at least one object, triangles,
// a root group and bounds; a refused one says why; a camera taken from the
// file stands at a finite place looking at a different one.
//
// assimp itself is not instrumented: only faults in our code, or reads and
// writes of memory our code handed out, are caught inside it. Its own
// crashes and hangs happen in the loader's trial import, in a copy of the
// process, and come back as refusals; what the fuzzer sees crash is ours.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hox/device.h"
#include "hox/message_callback.h"
#include "model_loader.h"
#include "scene_builder.h"
#include "shader_factory.h"

namespace {

const char* const kFormats[] = {"obj", "ply", "gltf", "glb", "stl", "off"};
constexpr size_t kFormatCount = sizeof(kFormats) / sizeof(kFormats[0]);

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "fuzz property violated: %s\n", what);
    std::abort();
}

bool finite(const hox::Vec3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The library's warnings about refused values are expected here.
class QuietMessages : public hox::IMessageCallback {
public:
    void message(int, const char*) override {}
    void warning(const char*) override {}
    void error(const char*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::string format = kFormats[data[0] % kFormatCount];

    // The library keeps the callback after Shutdown.
    static QuietMessages messages;
    // A device per input: everything a load creates goes away with it, so
    // that no input inherits the handles of the one before.
    hox::IRenderDevice* device = nullptr;
    if (hox::Init(&messages, device) != 0 || !device) violated("the render device could not be initialised");
    {
        hox_render::ShaderFactory shaders(device, "hoxstd");
        hox_render::SceneBuilder builder(device, shaders);
        hox_render::LoadedModel model;
        std::string error;
        if (hox_render::loadModelFromMemory(builder, data + 1, size - 1, format, /*importLights=*/true, model,
                                            error)) {
            if (model.objects < 1 || model.triangles < 1) violated("a loaded model holds no object");
            if (model.root.isNull()) violated("a loaded model has no root group");
            if (model.bounds.empty()) violated("a loaded model has no bounds");
            if (model.hasCamera && (!finite(model.camera.eye) || !finite(model.camera.target) ||
                                    !finite(model.camera.up)))
                violated("the file's camera is not at a finite place");
        } else if (error.empty()) {
            violated("a refused model says nothing");
        }
    }
    hox::Shutdown(device);
    return 0;
}
