// ObjectTable: the store of every scene object, one slot array per class.
#pragma once

#include <cstdint>

#include "hox/handle.h"
#include "scene/record.h"

namespace hox {
namespace util {
class OutputStream;
}

namespace scene {

class ObjectTable {
public:
    // The classes that have a table, in the fixed order in which they are
    // laid out, visited and sent to a cluster.
    static constexpr int kPoolCount = 13;
    static const int kPoolOrder[kPoolCount];
    static constexpr int kGrowthStep = 1024;

    ObjectTable();
    ~ObjectTable();

    // A new object of the class: its instance, or -1 for a class without a
    // table or when memory is short.
    int create(int type);
    bool isValid(const HandleBase& handle) const;
    // Copy-on-write edit (marks the scene dirty even when the handle is bad):
    // the new version's public object, or null.
    void* beginEdit(const HandleBase& handle, int stamp);
    // 0; -1 for an instance out of range; 4096 for a class without a table.
    int destroy(int type, int instance);
    // Writes one record; a missing object gets the error "invalid <Class>
    // handle %d" and nothing is written.
    void writeObject(int type, int instance, util::OutputStream& out) const;

    using Visitor = void (*)(void* context, const ObjectTable& table, int type, int instance);
    // Every occupied slot, pool by pool in kPoolOrder, instances ascending.
    void forEachObject(Visitor visitor, void* context) const;
    // beginEdit with the current stamp on every live geometry (forced rebuild).
    void markAllGeometryEdited();
    // Every pool emptied; the scene marked dirty.
    void reset();

    // The current version of an object, or null. The table keeps its
    // reference; take your own to hold it past the next edit.
    Record* lookup(int type, int instance) const;
    Record* lookup(const HandleBase& handle) const {
        return lookup(handle.getType(), handle.getInstance());
    }
    // Number of slots (live or empty) of a class; 0 for a class without table.
    int slotCount(int type) const;

    bool sceneDirty() const { return m_sceneDirty; }
    void setSceneDirty(bool dirty) { m_sceneDirty = dirty; }
    uint32_t editStamp() const { return m_editStamp; }
    void setEditStamp(uint32_t stamp) { m_editStamp = stamp; }

    // Class name as used in messages ("Camera", "RenderOptions", ...), or null.
    static const char* className(int type);

private:
    struct ClassPool {
        int count;
        int capacity;
        int growthStep;
        Record** slots;
    };

    ClassPool* poolFor(int type);
    const ClassPool* poolFor(int type) const;

    uint32_t m_editStamp;
    bool m_sceneDirty;
    ClassPool m_pools[kPoolCount];
};

}  // namespace scene
}  // namespace hox
