// Entity and Object: transform, shader, attributes and geometry handles.
#include <cstring>

#include "device/public_object.h"
#include "hox/entity.h"
#include "hox/status.h"

namespace hox {

void Entity::setTransform(const Mat4f& transform) {
    if (scene::EntityRecord* record = device::entityRecordOf(this))
        std::memcpy(&record->entity.transform, &transform, sizeof(Mat4f));
}

void Entity::getTransform(Mat4f& transform) const {
    if (const scene::EntityRecord* record = device::entityRecordOf(this))
        std::memcpy(&transform, &record->entity.transform, sizeof(Mat4f));
}

int Entity::setShader(const THandle<Shader>& shader) {
    if (scene::EntityRecord* record = device::entityRecordOf(this)) record->entity.shader = shader.getValue();
    return RESULT_OK;
}

void Entity::setRenderAttributes(const THandle<RenderAttributes>& attributes) {
    if (scene::EntityRecord* record = device::entityRecordOf(this))
        record->entity.renderAttributes = attributes.getValue();
}

int Object::setGeometry(const THandle<Geometry>& geometry) {
    if (scene::ObjectRecord* record = device::recordOf<scene::ObjectRecord>(this))
        record->geometry = geometry.getValue();
    return RESULT_OK;
}

const THandle<Geometry>& Object::getGeometry() const {
    const scene::ObjectRecord* record = device::recordOf<scene::ObjectRecord>(this);
    return record ? device::storedHandle<Geometry>(record->geometry) : device::nullHandle<Geometry>();
}

}  // namespace hox
