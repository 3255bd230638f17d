// Appending to a GrowableArray that may grow large within one frame.
#pragma once

#include <cstdint>

#include "util/growable_array.h"

namespace hox {
namespace accel {

// Appends like GrowableArray::push, but grows the block by half its size
// instead of the array's fixed step: a scene of a hundred thousand objects
// (or groups nested that deep) would otherwise copy its list thousands of
// times in the frame that first meets it. False when memory is short.
template <typename T>
bool pushGrowing(util::GrowableArray<T>& array, const T& value) {
    if (array.count() == array.capacity()) {
        const int64_t capacity = array.capacity();
        int64_t grown = capacity + capacity / 2;
        if (grown < capacity + array.growthStep()) grown = capacity + array.growthStep();
        if (grown > INT32_MAX) grown = INT32_MAX;
        // When the larger block cannot be had, the array's own step may.
        if (!array.reserve(static_cast<int>(grown))) return array.push(value);
    }
    return array.push(value);
}

}  // namespace accel
}  // namespace hox
