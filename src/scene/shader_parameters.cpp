#include "scene/shader_parameters.h"

#include <cstring>

#include "platform/aligned_memory.h"

namespace hox {
namespace scene {

namespace {

// Components of each attribute type code.
constexpr int kAttributeComponents[] = {1, 2, 3, 4, 4, 9, 16};
constexpr int kAttributeTypeCount = sizeof(kAttributeComponents) / sizeof(int);

uint8_t* memberAt(void* object, int32_t offset) { return static_cast<uint8_t*>(object) + offset; }

}  // namespace

UniformEntry::~UniformEntry() { platform::alignedFree(value); }

// --- UniformTable ------------------------------------------------------------

int UniformTable::find(const char* name) const {
    if (!name) return -1;
    for (int i = 0; i < count(); ++i)
        if (std::strcmp(m_entries[i]->name.c_str(), name) == 0) return i;
    return -1;
}

bool UniformTable::append(const char* name, int32_t offset, const void* value) {
    const int size = uniformShape(m_kind).valueSize;
    UniformEntry* entry = platform::alignedNew<UniformEntry>(platform::kSmallBlockAlignment);
    if (!entry) return false;
    entry->value = static_cast<uint8_t*>(platform::alignedAlloc(size));
    if (!entry->value || !m_entries.push(entry)) {
        platform::alignedDelete(entry);
        return false;
    }
    entry->name = name;
    entry->offset = offset;
    std::memcpy(entry->value, value, size);
    return true;
}

bool UniformTable::assign(const UniformTable& other) {
    if (&other == this) return true;
    clear();
    m_kind = other.m_kind;
    for (int i = 0; i < other.count(); ++i) {
        const UniformEntry& e = other.entry(i);
        if (!append(e.name.c_str(), e.offset, e.value)) {
            clear();
            return false;
        }
    }
    return true;
}

void UniformTable::swap(UniformTable& other) {
    std::swap(m_kind, other.m_kind);
    m_entries.swap(other.m_entries);
}

// --- AttributeTable ----------------------------------------------------------

bool AttributeTable::append(const char* name, int32_t slot, int32_t components) {
    AttributeEntry* entry = platform::alignedNew<AttributeEntry>(platform::kSmallBlockAlignment);
    if (!entry) return false;
    if (!m_entries.push(entry)) {
        platform::alignedDelete(entry);
        return false;
    }
    entry->name = name;
    entry->slot = slot;
    entry->components = components;
    return true;
}

bool AttributeTable::assign(const AttributeTable& other) {
    if (&other == this) return true;
    clear();
    for (int i = 0; i < other.count(); ++i) {
        const AttributeEntry& e = other.entry(i);
        if (!append(e.name.c_str(), e.slot, e.components)) {
            clear();
            return false;
        }
    }
    return true;
}

// --- ShaderParameterSet ------------------------------------------------------

ShaderParameterSet::ShaderParameterSet() {
    for (int k = 0; k < kUniformKindCount; ++k) m_tables[k].setKind(k);
}

int ShaderParameterSet::uniformCount() const {
    int n = 0;
    for (const UniformTable& t : m_tables) n += t.count();
    return n;
}

int ShaderParameterSet::declareUniform(int kind, const char* name, int32_t offset,
                                       const void* member) {
    if (!isUniformKind(kind) || !name || !member) return -1;
    UniformTable& table = m_tables[kind];
    if (table.find(name) >= 0) return -1;
    // The member is captured (count clamped, pointers cleared) before the
    // entry copies it.
    alignas(16) uint8_t value[kMaxUniformValueSize];
    captureUniformValue(kind, member, value);
    return table.append(name, offset, value) ? 0 : -1;
}

int ShaderParameterSet::declareAttribute(int typeCode, const char* name, int32_t slot) {
    if (!name || typeCode < 0 || typeCode >= kAttributeTypeCount) return -1;
    return m_attributes.append(name, slot, kAttributeComponents[typeCode]) ? 0 : -1;
}

bool ShaderParameterSet::assign(const ShaderParameterSet& other) {
    if (&other == this) return true;
    for (int k = 0; k < kUniformKindCount; ++k) {
        if (!m_tables[k].assign(other.m_tables[k])) {
            clear();
            return false;
        }
    }
    if (!m_attributes.assign(other.m_attributes)) {
        clear();
        return false;
    }
    return true;
}

void ShaderParameterSet::clear() {
    for (UniformTable& t : m_tables) t.clear();
    m_attributes.clear();
}

void ShaderParameterSet::swap(ShaderParameterSet& other) {
    for (int k = 0; k < kUniformKindCount; ++k) m_tables[k].swap(other.m_tables[k]);
    m_attributes.swap(other.m_attributes);
}

void ShaderParameterSet::storeAllInto(void* object) const {
    if (!object) return;
    for (const UniformTable& table : m_tables)
        for (int i = 0; i < table.count(); ++i) {
            const UniformEntry& e = table.entry(i);
            storeUniformValue(table.kind(), memberAt(object, e.offset), e.value);
        }
}

void ShaderParameterSet::takeValuesByName(const ShaderParameterSet& old, void* object) {
    for (int k = 0; k < kUniformKindCount; ++k) {
        const UniformTable& from = old.m_tables[k];
        UniformTable& to = m_tables[k];
        const int size = uniformShape(k).valueSize;
        for (int i = 0; i < from.count(); ++i) {
            const int j = to.find(from.entry(i).name.c_str());
            if (j < 0) continue;
            UniformEntry& target = to.entry(j);
            std::memcpy(target.value, from.entry(i).value, size);
            if (object) storeUniformValue(k, memberAt(object, target.offset), target.value);
        }
    }
}

}  // namespace scene
}  // namespace hox
