#include "scene/attribute_state.h"

#include <algorithm>

namespace hox {
namespace scene {

namespace {

// A sorted copy of a list without duplicates.
bool sortedUnique(const int32_t* values, int count, util::GrowableArray<int32_t>& out) {
    if (!out.assign(values, count)) return false;
    std::sort(out.begin(), out.end());
    const int unique = static_cast<int>(std::unique(out.begin(), out.end()) - out.begin());
    return out.resize(unique);
}

}  // namespace

void removeFromLightSet(LightSet& set, const int32_t* values, int count) {
    if (!values || count <= 0 || set.empty()) return;
    // Removal needs no memory: with a sorted copy of the values the filter
    // is a binary search per member; without one, a linear scan does.
    util::GrowableArray<int32_t> sorted;
    const bool haveSorted = sortedUnique(values, count, sorted);
    int kept = 0;
    for (int i = 0; i < set.count(); ++i) {
        const int32_t member = set[i];
        const bool removed = haveSorted ? std::binary_search(sorted.begin(), sorted.end(), member)
                                        : std::find(values, values + count, member) != values + count;
        if (!removed) set[kept++] = member;
    }
    if (kept == 0)
        set.clear();
    else
        set.resize(kept);
}

bool addToLightSet(LightSet& set, const int32_t* values, int count) {
    if (!values || count <= 0) return true;
    util::GrowableArray<int32_t> added;
    if (!sortedUnique(values, count, added)) return false;
    util::GrowableArray<int32_t> merged;
    if (!merged.reserve(set.count() + added.count())) return false;
    // Both inputs are sorted and unique: one merge keeps the result so.
    int32_t* end = std::set_union(set.begin(), set.end(), added.begin(), added.end(), merged.data());
    merged.resize(static_cast<int>(end - merged.data()));
    return set.assign(merged.data(), merged.count());
}

bool inheritAttributes(const AttributeState& parent, const RenderAttributesRecord* record,
                       AttributeState& child) {
    child.givenMask = parent.givenMask;
    child.offMask = parent.offMask;
    child.floatGiven = parent.floatGiven;
    child.floatValue = parent.floatValue;
    if (!child.lightSet.assign(parent.lightSet.data(), parent.lightSet.count())) return false;
    if (!record) return true;

    const uint32_t given = record->givenMask;
    child.givenMask |= given;
    child.offMask = (record->offMask & given) | (child.offMask & ~given);
    if (record->floatGiven) {
        child.floatGiven = true;
        child.floatValue = record->floatValue;
    }
    // Removal first, so a light both removed and added ends up in the set.
    removeFromLightSet(child.lightSet, record->removeList.data(), record->removeList.count());
    return addToLightSet(child.lightSet, record->addList.data(), record->addList.count());
}

}  // namespace scene
}  // namespace hox
