// OwnedList<T>: a growable array of pointers to entries the list owns.
//
// The shape of the shader tables and of the shader library's cache: count,
// capacity, growth step 16, an array of entry pointers. Entries hold strings
// and blocks of their own, so they are allocated one by one (with
// platform::alignedNew) and only their pointers move when the array grows;
// an entry's address stays valid for as long as it is in the list.
#pragma once

#include <cstring>
#include <utility>

#include "platform/aligned_memory.h"

namespace hox {
namespace scene {

template <typename T>
class OwnedList {
public:
    static constexpr int kGrowthStep = 16;

    OwnedList() : m_count(0), m_capacity(0), m_entries(nullptr) {}
    ~OwnedList() {
        clear();
        platform::alignedFree(m_entries);
    }
    OwnedList(const OwnedList&) = delete;
    OwnedList& operator=(const OwnedList&) = delete;

    int count() const { return m_count; }
    int capacity() const { return m_capacity; }
    T* operator[](int i) const { return m_entries[i]; }

    // Appends an entry made with platform::alignedNew and takes it over.
    // False when memory is short; the caller then still owns the entry.
    bool push(T* entry) {
        if (m_count == m_capacity) {
            const int capacity = m_capacity + kGrowthStep;
            T** block = static_cast<T**>(platform::alignedAlloc(sizeof(T*) * capacity));
            if (!block) return false;
            if (m_count > 0) std::memcpy(block, m_entries, sizeof(T*) * m_count);
            platform::alignedFree(m_entries);
            m_entries = block;
            m_capacity = capacity;
        }
        m_entries[m_count++] = entry;
        return true;
    }

    // Destroys entry i; the last entry takes its place.
    void removeSwapLast(int i) {
        platform::alignedDelete(m_entries[i]);
        m_entries[i] = m_entries[--m_count];
    }

    // Destroys the entries from position `count` on.
    void truncate(int count) {
        while (m_count > count && m_count > 0) platform::alignedDelete(m_entries[--m_count]);
    }
    void clear() { truncate(0); }

    void swap(OwnedList& other) {
        std::swap(m_count, other.m_count);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_entries, other.m_entries);
    }

private:
    int m_count;
    int m_capacity;
    T** m_entries;
};

}  // namespace scene
}  // namespace hox
