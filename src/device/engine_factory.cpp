#include "device/engine_factory.h"

#include "engine/render_engine_local.h"
#include "platform/aligned_memory.h"

namespace hox {
namespace device {

namespace {

engine::IRenderEngine* createLocalEngine(void*) {
    return platform::alignedNew<engine::RenderEngineLocal>(engine::kEngineAlignment);
}

engine::IRenderEngine* createNoClusterEngine(void*) { return nullptr; }

}  // namespace

EngineFactory defaultEngineFactory() {
    return EngineFactory{&createLocalEngine, &createNoClusterEngine, nullptr};
}

}  // namespace device
}  // namespace hox
