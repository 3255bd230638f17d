// EngineFactory: which render engines the device can create.
//
// The device asks for a local or a cluster engine as the settings say
// (RenderDevice::initRenderEngine); the factory decides which classes those
// are in this build. A factory answers null when it cannot make the engine
// (no memory, or no such engine in this build). Engines must come from
// platform::alignedNew at 16-byte alignment: the device destroys them with
// engine::destroyEngine.
#pragma once

namespace hox {
namespace engine {
class IRenderEngine;
}

namespace device {

struct EngineFactory {
    engine::IRenderEngine* (*createLocal)(void* context);
    engine::IRenderEngine* (*createCluster)(void* context);
    void* context;
};

// The engines of this build: the local engine renders on this machine's
// cores; the cluster engine mirrors the device's scene to a cluster master.
EngineFactory defaultEngineFactory();

}  // namespace device
}  // namespace hox
