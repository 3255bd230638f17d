// The library's entry points (hox::Init, hox::Shutdown, System::getTimeMsecs)
// and the device singleton.
//
// The device is a static object of this file, constructed when the library
// is loaded. s_pInstance is defined here too, so that any code that reaches
// the device through it also links the object that sets it.
#include "device/device_clock.h"
#include "device/render_device.h"
#include "hox/device.h"
#include "util/messages.h"

namespace hox {

RenderDevice* RenderDevice::s_pInstance = nullptr;

namespace {

RenderDevice g_device;

}  // namespace

int Init(IMessageCallback* callback, IRenderDevice*& device) {
    // The sink is replaced before any check, so even a refused Init reports
    // to the callback it was given.
    util::setMessageCallback(callback);
    device::restartClock();

    RenderDevice* renderDevice = RenderDevice::instance();
    if (renderDevice && renderDevice->isInitialized()) {
        util::error("Error: hox::Init() failed. Device already initialized.\n");
        return -1;
    }
    if (!renderDevice || renderDevice->init() != 0) {
        util::error("Error: hox::Init() failed.\n");
        return -1;
    }
    device = renderDevice;
    return 0;
}

int Shutdown(IRenderDevice* device) {
    RenderDevice* renderDevice = RenderDevice::instance();
    if (!renderDevice || device != renderDevice) return -1;
    if (!renderDevice->isInitialized()) {
        util::error("Error: hox::Shutdown() failed. Device not initialized.\n");
        return -1;
    }
    // The message sink stays: the host may still read what later calls say.
    return renderDevice->shutdown();
}

int System::getTimeMsecs() { return static_cast<int>(device::clockMsecs()); }

}  // namespace hox
