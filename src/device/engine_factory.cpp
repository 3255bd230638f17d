#include "device/engine_factory.h"

#include "engine/immediate_render_engine.h"
#include "platform/aligned_memory.h"

namespace hox {
namespace device {

namespace {

engine::IRenderEngine* createImmediateEngine(void*) {
    return platform::alignedNew<engine::ImmediateRenderEngine>(engine::kEngineAlignment);
}

engine::IRenderEngine* createNoClusterEngine(void*) { return nullptr; }

}  // namespace

EngineFactory defaultEngineFactory() {
    return EngineFactory{&createImmediateEngine, &createNoClusterEngine, nullptr};
}

}  // namespace device
}  // namespace hox
