// Ordered lists of handle words (a group's children, a frame's render views).
// Entries are compared as whole 32-bit values and may repeat; every
// operation acts on the first equal entry.
#pragma once

#include <cstdint>

#include "util/growable_array.h"

namespace hox {
namespace scene {

using HandleList = util::GrowableArray<uint32_t>;

// Index of the first entry equal to value, or -1.
int findHandle(const HandleList& list, uint32_t value);
// Removes the first equal entry; later ones move down. False if none.
bool removeHandle(HandleList& list, uint32_t value);
// False if index is not in [0, count).
bool setHandleAt(HandleList& list, int index, uint32_t value);
// Replaces the first entry equal to oldValue. False if none.
bool replaceHandle(HandleList& list, uint32_t oldValue, uint32_t newValue);
// The entry at index, or `fallback` when index is not in [0, count).
uint32_t handleAt(const HandleList& list, int index, uint32_t fallback);

}  // namespace scene
}  // namespace hox
