// SelectionQuery: one pick ray of the selection service, answered by the
// frame context from the compiled scene of a rendered view.
#pragma once

#include <cstdint>

#include "hox/types.h"

namespace hox {
namespace engine {

// The Object handle word of a selected object: class 9 in the top four
// bits, the record number below.
constexpr uint32_t kObjectHandleClass = 0x90000000u;
constexpr uint32_t kNullObjectHandle = 0x9FFFFFFFu;

struct SelectionQuery {
    // In: the frame and its view (the index in the frame's view list), and
    // the ray in the host's world frame. The direction need not be unit
    // length; a zero one hits nothing.
    int32_t frameNumber = -1;
    int32_t viewIndex = -1;
    Vec3f origin = {0.0f, 0.0f, 0.0f};
    Vec3f direction = {0.0f, 0.0f, 0.0f};

    // Out: hit 1 and the hit's data, or hit 0 with the rest untouched.
    int32_t hit = 0;
    Vec3f position = {0.0f, 0.0f, 0.0f};  // world hit point
    Vec3f normal = {0.0f, 0.0f, 0.0f};    // world normal at the hit
    Vec3f boxMin = {0.0f, 0.0f, 0.0f};    // world box of the hit object
    Vec3f boxMax = {0.0f, 0.0f, 0.0f};
    uint32_t object = kNullObjectHandle;  // the hit object's handle word
};

}  // namespace engine
}  // namespace hox
