// The render attribute state in force at a node of the scene graph, and how
// a node's RenderAttributes record changes it for the node's subtree.
#pragma once

#include <cstdint>

#include "scene/settings_records.h"
#include "util/growable_array.h"

namespace hox {
namespace scene {

// Light numbers, kept sorted ascending without duplicates.
using LightSet = util::GrowableArray<int32_t>;

struct AttributeState {
    // The state at the scene root: nothing given, visible to every ray kind,
    // occlusion range 1 (not given), no lights. Scene compilation fills the
    // root's light set with every light before the walk.
    AttributeState() : givenMask(0), offMask(0), floatGiven(false), floatValue(1.0f) {}

    uint32_t givenMask;  // bits 0..5: the boolean attribute was set somewhere above
    uint32_t offMask;    // bits 0..5: the attribute is false, i.e. rays of kind 2^bit skip
    bool floatGiven;
    float floatValue;    // occlusion range
    LightSet lightSet;
};

// The state for an entity whose parent state is `parent` and whose
// attributes record is `record` (null for an entity without attributes or
// with an invalid handle, which inherits the parent state unchanged).
// Attributes given on the record override, the others are inherited; the
// light set loses the remove list, then gains the add list. `child` may not
// be `parent`. False when memory for the light set ran short (the child then
// has the parent's light set, or an empty one if even that copy failed).
bool inheritAttributes(const AttributeState& parent, const RenderAttributesRecord* record,
                       AttributeState& child);

// Light set edits on their own; the set stays sorted and unique, and the
// values may come in any order, with repeats. Removal cannot fail; adding
// returns false when memory ran short (the set is then unchanged).
void removeFromLightSet(LightSet& set, const int32_t* values, int count);
bool addToLightSet(LightSet& set, const int32_t* values, int count);

}  // namespace scene
}  // namespace hox
