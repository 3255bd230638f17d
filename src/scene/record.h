// Record: the reference-counted object behind a handle.
//
// Each scene object is a chain of record versions: the object table's slot
// holds the current one, and every frame in flight holds a reference on the
// version it renders from. beginEdit replaces the current version by a deep
// copy, so the host never changes what a render thread may be reading.
//
// Header layout: virtual table, class id, instance, atomic reference count,
// self pointer. The self pointer's address is the hox::Class object handed to
// the host (its single member holds the record's address), which is how a
// Camera* from beginEdit reaches its record.
#pragma once

#include <atomic>
#include <cstddef>

#include "hox/handle.h"

namespace hox {
namespace util {
class InputStream;
class OutputStream;
}  // namespace util

namespace scene {

class Record {
public:
    Record(int type, int instance);
    virtual ~Record();
    // Only geometry keeps the stamp; it tells scene compilation in which
    // frame the geometry was last edited.
    virtual void setEditStamp(int stamp);
    // Stream form: the instance, then the class fields in declaration order.
    virtual void read(util::InputStream& in) = 0;
    virtual void write(util::OutputStream& out) const = 0;
    // Deep copy of every class field from a record of the same class.
    virtual void copyFrom(const Record& other) = 0;

    int type() const { return m_type; }
    int instance() const { return m_instance; }
    HandleBase handle() const { return HandleBase(m_type, m_instance); }

    void addRef() { m_refCount.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference; the record is destroyed with the last one.
    void release();
    int refCount() const { return m_refCount.load(std::memory_order_acquire); }

    // The public object (hox::Class) that edits this record, and back.
    Class* publicObject() { return reinterpret_cast<Class*>(&m_self); }
    static Record* fromPublic(const void* object) {
        return object ? static_cast<Record*>(*static_cast<void* const*>(object)) : nullptr;
    }

protected:
    // read() restores the instance written by write().
    void setInstance(int instance) { m_instance = instance; }

private:
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    int m_type;
    int m_instance;
    std::atomic<int> m_refCount;
    void* m_self;
};

// A new record of the class with its defaults and no references (the caller
// takes the first). Null for a class without records or when memory is short.
// Framebuffer and shader records are 128-byte aligned, the others 16.
Record* createRecord(int type, int instance);

// Typed access for code that knows the class, e.g. recordAs<CameraRecord>(r).
template <typename R>
R* recordAs(Record* record) {
    return record && record->type() == R::kClassType ? static_cast<R*>(record) : nullptr;
}
template <typename R>
const R* recordAs(const Record* record) {
    return record && record->type() == R::kClassType ? static_cast<const R*>(record) : nullptr;
}

// Handle words stored in records keep their class bits; streams carry only
// the 28-bit instance.
inline unsigned int nullHandleValue(int type) {
    return (static_cast<unsigned int>(type) << kHandleInstanceBits) | kNullInstance;
}

}  // namespace scene
}  // namespace hox
