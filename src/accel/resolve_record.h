// Turning a handle word stored in a record into the record it names now.
#pragma once

#include <cstdint>

#include "hox/handle.h"
#include "scene/object_table.h"

namespace hox {
namespace accel {

// The current version of the object a stored handle word names, when it is
// of class R; a handle of another class, a null or a stale one gives null.
template <typename R>
R* resolveRecord(const scene::ObjectTable& table, uint32_t handleWord) {
    const HandleBase handle = HandleBase::fromValue(handleWord);
    if (!handle.isOfType(static_cast<EClassType>(R::kClassType)) || handle.isNull()) return nullptr;
    return scene::recordAs<R>(table.lookup(handle));
}

}  // namespace accel
}  // namespace hox
