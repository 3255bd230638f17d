// Record: header initialisation and the reference count.
#include "scene/record.h"

#include "platform/aligned_memory.h"

namespace hox {
namespace scene {

Record::Record(int type, int instance)
    : m_type(type), m_instance(instance), m_refCount(0), m_self(this) {}

Record::~Record() {}

void Record::setEditStamp(int) {}

void Record::release() {
    // acq_rel: the thread that frees the record must see every write made by
    // the threads that dropped their references before it.
    if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    // Records live in aligned blocks (createRecord); the block starts at the
    // most-derived object, which dynamic_cast<void*> finds before the
    // destructor runs.
    void* block = dynamic_cast<void*>(this);
    this->~Record();
    platform::alignedFree(block);
}

}  // namespace scene
}  // namespace hox
