#include "scene/render_attributes.h"

#include "hox/render_attributes.h"
#include "hox/status.h"

namespace hox {
namespace scene {

namespace {

constexpr float kDefaultOcclusionRange = 1.0f;

bool isBooleanAttribute(int id) { return id >= 0 && id < kBooleanAttributeCount; }

util::GrowableArray<int32_t>* listField(RenderAttributesRecord& a, int id) {
    switch (id) {
    case ATTRIBUTE_ADD_LIST: return &a.addList;
    case ATTRIBUTE_REMOVE_LIST: return &a.removeList;
    default: return nullptr;
    }
}

}  // namespace

int setRenderAttribute1b(RenderAttributesRecord& attributes, int id, bool value) {
    if (!isBooleanAttribute(id)) return RESULT_INVALID_ENUM;
    const uint32_t bit = 1u << id;
    attributes.givenMask |= bit;
    if (value)
        attributes.offMask &= ~bit;
    else
        attributes.offMask |= bit;
    return RESULT_OK;
}

int setRenderAttribute1f(RenderAttributesRecord& attributes, int id, float value) {
    if (id != ATTRIBUTE_OCCLUSION_RANGE) return RESULT_INVALID_ENUM;
    attributes.floatGiven = true;
    attributes.floatValue = value;
    return RESULT_OK;
}

int setRenderAttribute1iv(RenderAttributesRecord& attributes, int id, int count, const int* values) {
    util::GrowableArray<int32_t>* list = listField(attributes, id);
    if (!list) return RESULT_INVALID_ENUM;
    // assign() empties the list for count <= 0 or null values.
    return list->assign(values, count) ? RESULT_OK : RESULT_FAILED;
}

int removeRenderAttribute(RenderAttributesRecord& attributes, int id) {
    if (isBooleanAttribute(id)) {
        // Only the given bit matters once it is clear: inheritance ignores
        // the off bit of an attribute that is not given.
        attributes.givenMask &= ~(1u << id);
        return RESULT_OK;
    }
    if (id == ATTRIBUTE_OCCLUSION_RANGE) {
        attributes.floatGiven = false;
        attributes.floatValue = kDefaultOcclusionRange;
        return RESULT_OK;
    }
    if (util::GrowableArray<int32_t>* list = listField(attributes, id)) {
        list->release();
        return RESULT_OK;
    }
    return RESULT_INVALID_ENUM;
}

}  // namespace scene
}  // namespace hox
