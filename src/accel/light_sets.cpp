#include "accel/light_sets.h"

#include <cstring>

#include "accel/array_growth.h"

namespace hox {
namespace accel {

namespace {

constexpr uint32_t kMurmurMultiplier = 0x5bd1e995u;
constexpr int kFirstIndexSize = 16;
constexpr int kMinimumGrowth = 16;

}  // namespace

uint32_t lightSetHash(const int32_t* members, int count) {
    const uint32_t m = kMurmurMultiplier;
    uint32_t h = static_cast<uint32_t>(count);
    for (int i = 0; i < count; ++i) {
        uint32_t k = static_cast<uint32_t>(members[i]);
        k *= m;
        k ^= k >> 24;
        k *= m;
        h = (h * m) ^ k;
    }
    h ^= h >> 13;
    h *= m;
    h ^= h >> 15;
    return h;
}

// --- LightSetIndex -----------------------------------------------------------

bool LightSetIndex::sameMembers(int set, const int32_t* members, int count) const {
    const LightSetEntry& entry = m_view.lightSets[set];
    if (entry.count != count) return false;
    return count == 0 || std::memcmp(m_view.lightSetMembers.data() + entry.first, members,
                                     sizeof(int32_t) * static_cast<size_t>(count)) == 0;
}

void LightSetIndex::insertSlot(int set) {
    const uint32_t mask = static_cast<uint32_t>(m_slots.count() - 1);
    uint32_t slot = m_view.lightSets[set].hash & mask;
    while (m_slots[static_cast<int>(slot)] >= 0) slot = (slot + 1) & mask;
    m_slots[static_cast<int>(slot)] = set;
}

// Rebuilds the slots for every set of the view's table plus one more, at
// most half full so that probes stay short and always end at an empty slot.
// Indexing the whole table (not only the sets added here) keeps the index
// right even when the table held sets before it was made.
bool LightSetIndex::rebuild() {
    const int sets = m_view.lightSets.count();
    int size = m_slots.count() > 0 ? m_slots.count() : kFirstIndexSize;
    while (size < (sets + 1) * 2) size *= 2;
    if (size <= 0 || !m_slots.resize(size)) return false;
    for (int i = 0; i < size; ++i) m_slots[i] = -1;
    for (int set = 0; set < sets; ++set) insertSlot(set);
    m_indexed = sets;
    return true;
}

int LightSetIndex::findOrAdd(const int32_t* members, int count) {
    if (count < 0 || (count > 0 && !members)) return -1;
    const uint32_t hash = lightSetHash(members, count);
    const int sets = m_view.lightSets.count();
    if (m_indexed != sets || (sets + 1) * 2 > m_slots.count()) {
        if (!rebuild()) return -1;
    }
    const uint32_t mask = static_cast<uint32_t>(m_slots.count() - 1);
    for (uint32_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const int set = m_slots[static_cast<int>(slot)];
        if (set < 0) break;
        if (m_view.lightSets[set].hash == hash && sameMembers(set, members, count)) return set;
    }

    util::GrowableArray<int32_t>& pool = m_view.lightSetMembers;
    const int first = pool.count();
    if (count > 0) {
        // Geometric growth: a scene with many sets appends many times.
        if (pool.capacity() < first + count) {
            const int grown = pool.capacity() + pool.capacity() / 2 + kMinimumGrowth;
            if (!pool.reserve(grown > first + count ? grown : first + count)) return -1;
        }
        std::memcpy(pool.data() + first, members, sizeof(int32_t) * static_cast<size_t>(count));
        pool.resize(first + count);
    }
    const LightSetEntry entry = {hash, first, count, 0, 0};
    if (!pushGrowing(m_view.lightSets, entry)) {
        if (count > 0) pool.resize(first);
        return -1;
    }
    const int set = m_view.lightSets.count() - 1;
    insertSlot(set);
    m_indexed = set + 1;
    return set;
}

// --- Finish ------------------------------------------------------------------

bool finishLightSets(PreparedView& view, int lightSlots) {
    view.lightSetLights.clear();
    for (LightSetEntry& set : view.lightSets) set.lightFirst = set.lightCount = 0;
    if (lightSlots <= 0) {
        view.lightEntryByRecord.clear();
        return true;
    }

    // Entries of one record chained in walk order: head = the first entry,
    // next[e] = the record's following entry (built back to front).
    const int entryCount = view.lights.count();
    util::GrowableArray<int32_t> next;
    if (!view.lightEntryByRecord.resize(lightSlots) || !next.resize(entryCount)) {
        view.lightEntryByRecord.clear();
        return false;
    }
    for (int32_t& head : view.lightEntryByRecord) head = -1;
    for (int e = entryCount - 1; e >= 0; --e) {
        next[e] = -1;
        const scene::LightRecord* light = view.lights[e].light;
        const int record = light ? light->instance() : -1;
        if (record < 0 || record >= lightSlots) continue;
        next[e] = view.lightEntryByRecord[record];
        view.lightEntryByRecord[record] = e;
    }

    for (LightSetEntry& set : view.lightSets) {
        set.lightFirst = view.lightSetLights.count();
        for (int i = 0; i < set.count; ++i) {
            const int32_t member = view.lightSetMembers[set.first + i];
            if (member < 0 || member >= lightSlots) continue;
            for (int e = view.lightEntryByRecord[member]; e >= 0; e = next[e]) {
                if (!pushGrowing(view.lightSetLights, e)) {
                    set.lightCount = view.lightSetLights.count() - set.lightFirst;
                    return false;
                }
            }
        }
        set.lightCount = view.lightSetLights.count() - set.lightFirst;
    }
    return true;
}

}  // namespace accel
}  // namespace hox
