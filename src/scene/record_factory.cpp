// createRecord: the one place that knows which record class and alignment
// belong to a class identifier.
#include "platform/aligned_memory.h"
#include "scene/entity_records.h"
#include "scene/geometry_record.h"
#include "scene/record.h"
#include "scene/settings_records.h"
#include "scene/shader_record.h"
#include "scene/texture_record.h"
#include "scene/view_records.h"

namespace hox {
namespace scene {

namespace {

// Framebuffer and shader records hold state that many render threads touch
// at once; a 128-byte block keeps it off cache lines shared with
// neighbouring allocations.
constexpr std::size_t kRecordAlignment = 16;
constexpr std::size_t kWideRecordAlignment = 128;

template <typename R>
Record* make(std::size_t alignment, int instance) {
    return platform::alignedNew<R>(alignment, instance);
}

}  // namespace

Record* createRecord(int type, int instance) {
    switch (type) {
        case CLASS_TYPE_FRAME_DEF: return make<FrameDefRecord>(kRecordAlignment, instance);
        case CLASS_TYPE_RENDER_VIEW: return make<RenderViewRecord>(kRecordAlignment, instance);
        case CLASS_TYPE_FRAMEBUFFER:
            return make<FramebufferRecord>(kWideRecordAlignment, instance);
        case CLASS_TYPE_CAMERA: return make<CameraRecord>(kRecordAlignment, instance);
        case CLASS_TYPE_LIGHT: return make<LightRecord>(kRecordAlignment, instance);
        case CLASS_TYPE_GROUP: return make<GroupRecord>(kRecordAlignment, instance);
        case CLASS_TYPE_OBJECT: return make<ObjectRecord>(kRecordAlignment, instance);
        case CLASS_TYPE_SHADER: return make<ShaderRecord>(kWideRecordAlignment, instance);
        case CLASS_TYPE_GEOMETRY: return make<GeometryRecord>(kRecordAlignment, instance);
        case CLASS_TYPE_TEXTURE: return make<TextureRecord>(kRecordAlignment, instance);
        case CLASS_TYPE_RENDER_OPTIONS:
            return make<RenderOptionsRecord>(kRecordAlignment, instance);
        case CLASS_TYPE_RENDER_ATTRIBUTES:
            return make<RenderAttributesRecord>(kRecordAlignment, instance);
        case CLASS_TYPE_DEVICE_SETTINGS:
            return make<DeviceSettingsRecord>(kRecordAlignment, instance);
        default: return nullptr;
    }
}

}  // namespace scene
}  // namespace hox
