#include "shaders/shader_reference_renewal.h"

#include <cstddef>
#include <cstring>

#include "scene/shader_record.h"
#include "shaders/shader_references.h"
#include "util/growable_array.h"

namespace hox {
namespace shaders {

namespace {

scene::ShaderRecord* shaderAt(const scene::ObjectTable& table, int instance) {
    return scene::recordAs<scene::ShaderRecord>(table.lookup(CLASS_TYPE_SHADER, instance));
}

UniformRef referenceIn(const uint8_t* value) {
    UniformRef reference;
    std::memcpy(&reference, value, sizeof reference);
    return reference;
}

bool hasChangedReference(scene::ShaderRecord& record, const scene::ObjectTable& table) {
    bool changed = false;
    forEachReferenceMember(record, [&](int kind, const uint8_t* value, uint8_t* member) {
        if (changed || !member) return;
        changed = heldReferencePointer(member) !=
                  currentReferencePointer(kind, referenceIn(value), table);
    });
    return changed;
}

// Only for a version no frame has seen yet.
void writeReferences(scene::ShaderRecord& record, const scene::ObjectTable& table) {
    forEachReferenceMember(record, [&](int kind, const uint8_t* value, uint8_t* member) {
        if (!member) return;
        void* pointer = currentReferencePointer(kind, referenceIn(value), table);
        std::memcpy(member + offsetof(UniformRef, pointer), &pointer, sizeof pointer);
    });
}

}  // namespace

int renewShadersWithChangedReferences(scene::ObjectTable& table, int stamp) {
    const int slots = table.slotCount(CLASS_TYPE_SHADER);
    util::GrowableArray<uint8_t> renewedHere;
    if (!renewedHere.resize(slots)) return 0;
    for (uint8_t& mark : renewedHere) mark = 0;

    int renewed = 0;
    for (bool copied = true; copied;) {
        copied = false;
        for (int i = 0; i < slots; ++i) {
            scene::ShaderRecord* record = shaderAt(table, i);
            if (!record || !record->shaderObject || !hasChangedReference(*record, table)) continue;
            // Held by the table alone, no frame reads the record: the
            // pointers can go straight in.
            if (!renewedHere[i] && record->refCount() > 1) {
                if (!table.beginEdit(HandleBase(CLASS_TYPE_SHADER, i), stamp)) continue;
                renewedHere[i] = 1;
                ++renewed;
                // A new object: shaders referencing this one are stale now.
                copied = true;
                record = shaderAt(table, i);
                if (!record || !record->shaderObject) continue;
            }
            writeReferences(*record, table);
        }
    }
    return renewed;
}

}  // namespace shaders
}  // namespace hox
