// How the public scene classes reach their records.
//
// A public object (hox::Camera, ...) is the record's self pointer: its only
// member holds the address of the record version it edits. These helpers
// turn that back into the typed record, refusing an object whose record is
// missing or of another class, so a stray object cannot reach the wrong
// fields.
#pragma once

#include <cstdint>
#include <type_traits>

#include "hox/handle.h"
#include "scene/entity_records.h"
#include "scene/record.h"

namespace hox {
namespace device {

template <typename R>
R* recordOf(void* object) {
    return scene::recordAs<R>(scene::Record::fromPublic(object));
}

template <typename R>
const R* recordOf(const void* object) {
    return scene::recordAs<R>(static_cast<const scene::Record*>(scene::Record::fromPublic(object)));
}

// Any of the four entity classes.
inline scene::EntityRecord* entityRecordOf(const void* object) {
    scene::Record* record = scene::Record::fromPublic(object);
    if (!record) return nullptr;
    const int type = record->type();
    if (type < CLASS_TYPE_CAMERA || type > CLASS_TYPE_OBJECT) return nullptr;
    return static_cast<scene::EntityRecord*>(record);
}

// Records store handles as their 32-bit words. A typed handle is that word
// and nothing else (no virtual table, no other data), so the stored word can
// be handed out as a reference to a handle: the host then sees the record's
// own value, as getters returning references promise.
template <typename T>
const THandle<T>& storedHandle(const uint32_t& word) {
    static_assert(sizeof(THandle<T>) == sizeof(uint32_t), "a handle is one 32-bit word");
    static_assert(std::is_standard_layout<THandle<T>>::value, "a handle has no hidden parts");
    return *reinterpret_cast<const THandle<T>*>(&word);
}

// What reference getters return for an object without a record of its class.
template <typename T>
const THandle<T>& nullHandle() {
    static const uint32_t word = scene::nullHandleValue(ClassTraits<T>::kTypeId);
    return storedHandle<T>(word);
}

}  // namespace device
}  // namespace hox
