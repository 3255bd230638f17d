// The light-set table of a prepared view: the distinct sets of light numbers
// that the scene walk meets, and, once the walk is done, the light entries
// each set lights with.
#pragma once

#include <cstdint>

#include "accel/prepared_view.h"
#include "util/growable_array.h"

namespace hox {
namespace accel {

// MurmurHash2-style mix of a set's members in order: h starts as the count,
// each member k is mixed in as k *= m, k ^= k >> 24, k *= m, h = (h * m) ^ k,
// and h ^= h >> 13, h *= m, h ^= h >> 15 finishes it (m = 0x5bd1e995, all
// 32-bit unsigned). Identical sets always hash alike; the table still
// compares contents, so a collision only costs a comparison.
uint32_t lightSetHash(const int32_t* members, int count);

// Finds sets in a view's table by hash and contents, adding them when new.
// The index is the walk's own (it is not part of the prepared view): an
// open-addressed table of set numbers keyed by hash, so that scenes with
// many distinct sets do not pay a scan of the table per entity.
class LightSetIndex {
public:
    explicit LightSetIndex(PreparedView& view) : m_view(view), m_indexed(0) {}
    LightSetIndex(const LightSetIndex&) = delete;
    LightSetIndex& operator=(const LightSetIndex&) = delete;

    // The number of the set holding exactly `members` (sorted, unique),
    // entered into the view's table when new; -1 when memory ran short.
    int findOrAdd(const int32_t* members, int count);

private:
    bool sameMembers(int set, const int32_t* members, int count) const;
    bool rebuild();
    void insertSlot(int set);

    PreparedView& m_view;
    util::GrowableArray<int32_t> m_slots;  // set numbers, -1 = empty; power-of-two size
    int m_indexed;                         // sets of the table entered in m_slots
};

// The finish of the light-set table, once every light entry is known.
// lightEntryByRecord gets one element per light record slot (`lightSlots`):
// the first light entry of that record in walk order, or -1. Each set's
// light list (LightSetEntry::lightFirst / lightCount into lightSetLights)
// gets every light entry of every member, members in ascending order and a
// member's entries in walk order; members without an entry (out of range,
// or a light that is not lit in this view) add nothing. False when memory
// ran short; the lists then stop at what fitted (each set's count matches
// what it got), which lights less but never reads out of bounds.
bool finishLightSets(PreparedView& view, int lightSlots);

}  // namespace accel
}  // namespace hox
