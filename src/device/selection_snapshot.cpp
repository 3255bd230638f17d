#include "device/selection_snapshot.h"

#include "accel/prepared_view.h"
#include "engine/frame_slot.h"
#include "scene/entity_records.h"
#include "scene/geometry_record.h"

namespace hox {
namespace device {

bool SelectionSnapshot::capture(int frameNumber, const engine::FrameSlot& slot) {
    clear();
    const int viewCount = slot.viewCount();
    int objectCount = 0;
    for (int i = 0; i < viewCount; ++i) objectCount += slot.view(i).objects.count();
    // Room first, references after: a capture that runs out of memory must
    // not leave references behind that nothing would drop.
    if (!m_views.reserve(viewCount) || !m_objects.reserve(objectCount)) return false;

    for (int i = 0; i < viewCount; ++i) {
        const accel::PreparedView& prepared = slot.view(i);
        View view{};
        view.renderViewHandle = prepared.renderViewHandle;
        view.index = prepared.index;
        view.firstObject = m_objects.count();
        view.objectCount = prepared.objects.count();
        // Primary rays use the camera's own transform; the pick ray must be
        // the ray that rendered the pixel.
        view.hasCamera = prepared.camera != nullptr &&
                         scene::computeCameraFrame(*prepared.camera, prepared.camera->entity.transform,
                                                   view.camera);
        view.height = prepared.camera ? prepared.camera->height : 0;
        m_views.push(view);

        for (const accel::ObjectEntry& entry : prepared.objects) {
            Object object;
            object.object = entry.object;
            object.geometry = entry.geometry;
            object.worldMatrix = entry.worldMatrix;
            object.boundsMin = entry.boundsMin;
            object.boundsMax = entry.boundsMax;
            if (object.object) object.object->addRef();
            if (object.geometry) object.geometry->addRef();
            m_objects.push(object);
        }
    }
    m_frameNumber = frameNumber;
    return true;
}

void SelectionSnapshot::clear() {
    for (Object& object : m_objects) {
        if (object.object) object.object->release();
        if (object.geometry) object.geometry->release();
    }
    m_objects.clear();
    m_views.clear();
    m_frameNumber = -1;
}

const SelectionSnapshot::View* SelectionSnapshot::findView(uint32_t renderViewHandle) const {
    for (const View& view : m_views) {
        if (view.renderViewHandle == renderViewHandle) return &view;
    }
    return nullptr;
}

}  // namespace device
}  // namespace hox
