// The operations of HandleBase that go to the device.
//
// They reach the device through RenderDevice::s_pInstance, not through a
// pointer kept in the handle: a handle is one word, and it must stay usable
// (answering "invalid") after Shutdown and while the library unloads.
#include "device/render_device.h"
#include "hox/handle.h"
#include "hox/status.h"

namespace hox {

namespace {

IRenderDevice* theDevice() { return RenderDevice::instance(); }

}  // namespace

HandleBase::HandleBase(int type, IRenderDevice* device)
    : m_value(static_cast<unsigned int>(type) << kHandleInstanceBits) {
    const int instance = device ? device->createHandle(type) : -1;
    m_value |= instance < 0 ? kNullInstance : (static_cast<unsigned int>(instance) & kNullInstance);
}

bool HandleBase::isValid() const {
    if (isNull()) return false;
    IRenderDevice* device = theDevice();
    return device && device->isValid(*this);
}

void* HandleBase::beginEdit() {
    IRenderDevice* device = theDevice();
    return device ? device->beginEdit(*this) : nullptr;
}

int HandleBase::endEdit() const {
    IRenderDevice* device = theDevice();
    return device ? device->endEdit(*this) : RESULT_INVALID_HANDLE;
}

int HandleBase::destroy() {
    IRenderDevice* device = theDevice();
    if (!device) return RESULT_INVALID_HANDLE;
    const int result = device->destroyHandle(*this);
    m_value |= kNullInstance;
    return result;
}

}  // namespace hox
