// ObjectTable: slot arrays, creation, validation and the copy-on-write edit.
#include "scene/object_table.h"

#include <cstring>

#include "platform/aligned_memory.h"
#include "util/byte_stream.h"
#include "util/messages.h"

namespace hox {
namespace scene {

const int ObjectTable::kPoolOrder[ObjectTable::kPoolCount] = {
    CLASS_TYPE_FRAME_DEF, CLASS_TYPE_RENDER_VIEW,       CLASS_TYPE_CAMERA,
    CLASS_TYPE_FRAMEBUFFER, CLASS_TYPE_LIGHT,           CLASS_TYPE_GROUP,
    CLASS_TYPE_OBJECT,    CLASS_TYPE_SHADER,            CLASS_TYPE_GEOMETRY,
    CLASS_TYPE_TEXTURE,   CLASS_TYPE_RENDER_OPTIONS,    CLASS_TYPE_RENDER_ATTRIBUTES,
    CLASS_TYPE_DEVICE_SETTINGS};

namespace {

constexpr int kTypeCount = 16;

// Position of each class's pool in kPoolOrder; -1 for the values that are no
// class (0) or have no table (Class, Entity).
constexpr int kPoolIndex[kTypeCount] = {
    -1,  // 0: never a class
    -1,  // Class
    0,   // FrameDef
    1,   // RenderView
    3,   // Framebuffer
    -1,  // Entity
    2,   // Camera
    4,   // Light
    5,   // Group
    6,   // Object
    7,   // Shader
    8,   // Geometry
    9,   // Texture
    10,  // RenderOptions
    11,  // RenderAttributes
    12,  // DeviceSettings
};

int poolIndex(int type) { return type >= 0 && type < kTypeCount ? kPoolIndex[type] : -1; }

// Instance 0xFFFFFFF is the null handle, so a pool never hands it out.
constexpr int kMaxSlots = static_cast<int>(kNullInstance);

}  // namespace

ObjectTable::ObjectTable() : m_editStamp(0), m_sceneDirty(false) {
    for (ClassPool& pool : m_pools) {
        pool.count = 0;
        pool.capacity = 0;
        pool.growthStep = kGrowthStep;
        pool.slots = nullptr;
    }
}

ObjectTable::~ObjectTable() { reset(); }

ObjectTable::ClassPool* ObjectTable::poolFor(int type) {
    int index = poolIndex(type);
    return index < 0 ? nullptr : &m_pools[index];
}

const ObjectTable::ClassPool* ObjectTable::poolFor(int type) const {
    int index = poolIndex(type);
    return index < 0 ? nullptr : &m_pools[index];
}

int ObjectTable::create(int type) {
    ClassPool* pool = poolFor(type);
    if (!pool || pool->count >= kMaxSlots) return -1;
    if (pool->count == pool->capacity) {
        int capacity = pool->capacity + pool->growthStep;
        if (capacity > kMaxSlots) capacity = kMaxSlots;
        // alignedAlloc applies the 16/128 rule by block size.
        Record** slots = static_cast<Record**>(
            platform::alignedAlloc(sizeof(Record*) * static_cast<std::size_t>(capacity)));
        if (!slots) return -1;
        if (pool->count > 0) {
            std::memcpy(slots, pool->slots, sizeof(Record*) * static_cast<std::size_t>(pool->count));
        }
        platform::alignedFree(pool->slots);
        pool->slots = slots;
        pool->capacity = capacity;
    }
    int instance = pool->count;
    // The record is made before the slot is taken, so a failed allocation
    // does not use up an instance.
    Record* record = createRecord(type, instance);
    if (!record) return -1;
    record->addRef();
    pool->slots[instance] = record;
    pool->count = instance + 1;
    return instance;
}

Record* ObjectTable::lookup(int type, int instance) const {
    const ClassPool* pool = poolFor(type);
    if (!pool || instance < 0 || instance >= pool->count) return nullptr;
    return pool->slots[instance];
}

bool ObjectTable::isValid(const HandleBase& handle) const {
    // A null handle's instance (0xFFFFFFF) is never below a pool's count.
    return lookup(handle) != nullptr;
}

void* ObjectTable::beginEdit(const HandleBase& handle, int stamp) {
    m_sceneDirty = true;
    int type = handle.getType();
    int instance = handle.getInstance();
    Record* current = lookup(type, instance);
    if (!current) return nullptr;
    Record* next = createRecord(type, instance);
    // Out of memory: the current version stays, and the host learns from
    // the null that its edit did not start.
    if (!next) return nullptr;
    next->addRef();
    next->copyFrom(*current);
    poolFor(type)->slots[instance] = next;
    // Frames in flight that render from the old version hold their own
    // references; only the slot's goes here.
    current->release();
    next->setEditStamp(stamp);
    return next->publicObject();
}

int ObjectTable::destroy(int type, int instance) {
    ClassPool* pool = poolFor(type);
    if (!pool) return 4096;
    if (instance < 0 || instance >= pool->count) return -1;
    Record* record = pool->slots[instance];
    if (record) {
        // Emptied before the release, so the slot never names a freed record.
        pool->slots[instance] = nullptr;
        record->release();
    }
    return 0;
}

void ObjectTable::writeObject(int type, int instance, util::OutputStream& out) const {
    if (!poolFor(type)) return;
    const Record* record = lookup(type, instance);
    if (!record) {
        util::error("invalid %s handle %d", className(type), instance);
        return;
    }
    record->write(out);
}

void ObjectTable::forEachObject(Visitor visitor, void* context) const {
    if (!visitor) return;
    for (int p = 0; p < kPoolCount; ++p) {
        int type = kPoolOrder[p];
        const ClassPool& pool = m_pools[p];
        for (int i = 0; i < pool.count; ++i) {
            if (pool.slots[i]) visitor(context, *this, type, i);
        }
    }
}

void ObjectTable::markAllGeometryEdited() {
    ClassPool* pool = poolFor(CLASS_TYPE_GEOMETRY);
    for (int i = 0; i < pool->count; ++i) {
        if (pool->slots[i]) {
            beginEdit(HandleBase(CLASS_TYPE_GEOMETRY, i), static_cast<int>(m_editStamp));
        }
    }
}

void ObjectTable::reset() {
    for (ClassPool& pool : m_pools) {
        for (int i = 0; i < pool.count; ++i) {
            Record* record = pool.slots[i];
            pool.slots[i] = nullptr;
            if (record) record->release();
        }
        platform::alignedFree(pool.slots);
        pool.slots = nullptr;
        pool.count = 0;
        pool.capacity = 0;
    }
    m_sceneDirty = true;
}

int ObjectTable::slotCount(int type) const {
    const ClassPool* pool = poolFor(type);
    return pool ? pool->count : 0;
}

const char* ObjectTable::className(int type) {
    switch (type) {
        case CLASS_TYPE_FRAME_DEF: return "FrameDef";
        case CLASS_TYPE_RENDER_VIEW: return "RenderView";
        case CLASS_TYPE_FRAMEBUFFER: return "Framebuffer";
        case CLASS_TYPE_CAMERA: return "Camera";
        case CLASS_TYPE_LIGHT: return "Light";
        case CLASS_TYPE_GROUP: return "Group";
        case CLASS_TYPE_OBJECT: return "Object";
        case CLASS_TYPE_SHADER: return "Shader";
        case CLASS_TYPE_GEOMETRY: return "Geometry";
        case CLASS_TYPE_TEXTURE: return "Texture";
        case CLASS_TYPE_RENDER_OPTIONS: return "RenderOptions";
        case CLASS_TYPE_RENDER_ATTRIBUTES: return "RenderAttributes";
        case CLASS_TYPE_DEVICE_SETTINGS: return "DeviceSettings";
        default: return nullptr;
    }
}

}  // namespace scene
}  // namespace hox
