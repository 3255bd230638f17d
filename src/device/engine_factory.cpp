#include "device/engine_factory.h"

#include "cluster/render_engine_cluster.h"
#include "device/render_device.h"
#include "engine/render_engine_local.h"
#include "platform/aligned_memory.h"

namespace hox {
namespace device {

namespace {

engine::IRenderEngine* createLocalEngine(void*) {
    return platform::alignedNew<engine::RenderEngineLocal>(engine::kEngineAlignment);
}

// The cluster engine mirrors the device's object table.
engine::IRenderEngine* createClusterEngine(void*) {
    RenderDevice* device = RenderDevice::instance();
    return platform::alignedNew<cluster::RenderEngineCluster>(engine::kEngineAlignment,
                                                              device ? &device->objectTable() : nullptr);
}

}  // namespace

EngineFactory defaultEngineFactory() {
    return EngineFactory{&createLocalEngine, &createClusterEngine, nullptr};
}

}  // namespace device
}  // namespace hox
