// Shader parameter tables: what a shader declared, and the values set since.
//
// One table per uniform kind (39) plus one of vertex attributes. A uniform
// entry knows the member's byte offset inside the shader object and keeps
// the current value in the member's own layout (scene/uniform_kind.h), so a
// value moves into the object with one copy. Names are unique within a
// table; the same name may appear in tables of different kinds.
//
// The set lives in two places: the shader library's cache keeps the set
// recorded at the first declaration, and every Shader record keeps its own
// copy whose values the host changes.
#pragma once

#include <cstdint>

#include "hox/string.h"
#include "scene/owned_list.h"
#include "scene/uniform_kind.h"

namespace hox {
namespace util {
class InputStream;
class OutputStream;
}  // namespace util

namespace scene {

struct UniformEntry {
    UniformEntry() : offset(0), value(nullptr) {}
    ~UniformEntry();
    UniformEntry(const UniformEntry&) = delete;
    UniformEntry& operator=(const UniformEntry&) = delete;

    util::String name;
    int32_t offset;  // of the member, from the start of the shader object
    uint8_t* value;  // the kind's valueSize bytes, in member layout
};

class UniformTable {
public:
    UniformTable() : m_kind(0) {}
    void setKind(int kind) { m_kind = kind; }
    int kind() const { return m_kind; }

    int count() const { return m_entries.count(); }
    UniformEntry& entry(int i) { return *m_entries[i]; }
    const UniformEntry& entry(int i) const { return *m_entries[i]; }

    // Position of the entry named `name` (exact, first to last), or -1.
    int find(const char* name) const;
    // Appends an entry whose value is copied from `value` (member layout).
    // False when memory is short (nothing appended).
    bool append(const char* name, int32_t offset, const void* value);
    // Makes this table a copy of `other`; false when memory is short, and
    // the table is then empty.
    bool assign(const UniformTable& other);
    void truncate(int count) { m_entries.truncate(count); }
    void clear() { m_entries.clear(); }
    void swap(UniformTable& other);

private:
    int m_kind;
    OwnedList<UniformEntry> m_entries;
};

struct AttributeEntry {
    util::String name;
    int32_t slot;        // given by the shader
    int32_t components;  // 1, 2, 3, 4, 4, 9 or 16, from the type code
};

class AttributeTable {
public:
    int count() const { return m_entries.count(); }
    const AttributeEntry& entry(int i) const { return *m_entries[i]; }
    bool append(const char* name, int32_t slot, int32_t components);
    bool assign(const AttributeTable& other);
    void clear() { m_entries.clear(); }
    void swap(AttributeTable& other) { m_entries.swap(other.m_entries); }

private:
    OwnedList<AttributeEntry> m_entries;
};

class ShaderParameterSet {
public:
    ShaderParameterSet();
    ShaderParameterSet(const ShaderParameterSet&) = delete;
    ShaderParameterSet& operator=(const ShaderParameterSet&) = delete;

    UniformTable& table(int kind) { return m_tables[kind]; }
    const UniformTable& table(int kind) const { return m_tables[kind]; }
    AttributeTable& attributes() { return m_attributes; }
    const AttributeTable& attributes() const { return m_attributes; }
    // Entries of all uniform tables together.
    int uniformCount() const;

    // --- declaration ----------------------------------------------------
    // Records the member at `offset` whose current contents are at `member`
    // as the parameter `name` of `kind`: 0, or -1 when the kind's table
    // already holds the name (the first declaration stays) or memory is
    // short.
    int declareUniform(int kind, const char* name, int32_t offset, const void* member);
    // 0, or -1 for a type code outside 0 … 6 or when memory is short.
    int declareAttribute(int typeCode, const char* name, int32_t slot);

    // --- copies and moves -----------------------------------------------
    // Copies every entry with its name, offset and value. False when memory
    // is short; the set is then empty.
    bool assign(const ShaderParameterSet& other);
    void clear();
    void swap(ShaderParameterSet& other);

    // Writes every value into `object` at its entry's offset: how a newly
    // made object takes over the values of the set.
    void storeAllInto(void* object) const;

    // For every entry of `old` whose name is also in this set's table of the
    // same kind: the old value replaces this entry's value and is written
    // into `object` (may be null). How a reloaded shader keeps its values.
    void takeValuesByName(const ShaderParameterSet& old, void* object);

    // --- stream form ----------------------------------------------------
    // The 39 uniform tables in kind order, each as its entry count and the
    // entries' values; names, offsets and attributes do not travel, the
    // reader has loaded the same shader.
    void write(util::OutputStream& out) const;
    // Takes values by position into this set's entries and writes them into
    // `object` (may be null). Each table is cut to the count received. A
    // count larger than the table loaded here, a bad array count or a
    // stream that ends early fails the stream and changes nothing.
    bool readValues(util::InputStream& in, void* object);

private:
    UniformTable m_tables[kUniformKindCount];
    AttributeTable m_attributes;
};

}  // namespace scene
}  // namespace hox
