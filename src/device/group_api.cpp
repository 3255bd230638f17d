// Group: the ordered child list.
#include "device/public_object.h"
#include "hox/entity.h"
#include "hox/status.h"
#include "scene/handle_list.h"

namespace hox {

void Group::addChild(const EntityHandle& child) {
    // A failed growth leaves the list as it was, which is all the host is
    // promised; there is no status to report it through.
    if (scene::GroupRecord* record = device::recordOf<scene::GroupRecord>(this)) record->children.push(child.getValue());
}

int Group::removeChild(const EntityHandle& child) {
    scene::GroupRecord* record = device::recordOf<scene::GroupRecord>(this);
    return record && scene::removeHandle(record->children, child.getValue()) ? RESULT_OK
                                                                             : RESULT_INVALID_HANDLE;
}

int Group::setChild(int index, const EntityHandle& child) {
    scene::GroupRecord* record = device::recordOf<scene::GroupRecord>(this);
    return record && scene::setHandleAt(record->children, index, child.getValue()) ? RESULT_OK
                                                                                   : RESULT_FAILED;
}

int Group::replaceChild(const EntityHandle& oldChild, const EntityHandle& newChild) {
    scene::GroupRecord* record = device::recordOf<scene::GroupRecord>(this);
    return record && scene::replaceHandle(record->children, oldChild.getValue(), newChild.getValue())
               ? RESULT_OK
               : RESULT_FAILED;
}

int Group::findChild(const EntityHandle& child) const {
    const scene::GroupRecord* record = device::recordOf<scene::GroupRecord>(this);
    return record ? scene::findHandle(record->children, child.getValue()) : -1;
}

void Group::removeAllChildren() {
    if (scene::GroupRecord* record = device::recordOf<scene::GroupRecord>(this)) record->children.clear();
}

int Group::getNumChildren() const {
    const scene::GroupRecord* record = device::recordOf<scene::GroupRecord>(this);
    return record ? record->children.count() : 0;
}

EntityHandle Group::getChild(int index) const {
    const scene::GroupRecord* record = device::recordOf<scene::GroupRecord>(this);
    const uint32_t nullEntity = scene::nullHandleValue(CLASS_TYPE_ENTITY);
    return HandleBase::fromValue(record ? scene::handleAt(record->children, index, nullEntity) : nullEntity);
}

EntityConstIterator Group::getChildren() const {
    const scene::GroupRecord* record = device::recordOf<scene::GroupRecord>(this);
    // An emptied list may still own its block; the iterator of an empty
    // group is two null pointers all the same.
    if (!record || record->children.empty()) return EntityConstIterator();
    return EntityConstIterator(record->children.begin(), record->children.end());
}

}  // namespace hox
