// Preparing a shader's texture and shader references before a frame.
//
// The host names referenced objects by handle; a shader needs pointers. Once
// per frame, before rendering, every reference member of every shader the
// frame uses gets the pointer of the object its instance names now: a
// referenced shader's object, the lookup interface of a texture's sampler
// (of the parameter's dimension), or none for a reference to nothing, to a
// destroyed object or to a texture without a sampler of that dimension. Shaders named by shader references are prepared as
// well, each once, however the references loop.
//
// The frame must keep every record it hands a pointer into alive until it
// has rendered; the uses list tells it which, one entry per reference, so it
// can count the uses and take its references.
#pragma once

#include <cstdint>

#include "hox/shader_declaration.h"
#include "scene/object_table.h"
#include "scene/shader_record.h"
#include "scene/texture_record.h"
#include "scene/uniform_kind.h"
#include "util/growable_array.h"

namespace hox {
namespace shaders {

struct ShaderReferenceUses {
    // Forgets everything, keeping the blocks for the next frame.
    void clear();

    // Every shader record prepared since clear(), in order.
    util::GrowableArray<scene::ShaderRecord*> prepared;
    // The records that resolved references name, one entry per reference.
    util::GrowableArray<scene::ShaderRecord*> shaders;
    util::GrowableArray<scene::TextureRecord*> textures;
};

// The pointer a reference member is to hold now: the object or lookup
// interface `reference.instance` names in `table`, or null.
void* currentReferencePointer(int kind, const UniformRef& reference,
                              const scene::ObjectTable& table);

// The pointer a reference member of a shader object holds.
void* heldReferencePointer(const uint8_t* member);

// Calls visit(kind, value, member) for every reference of `record`: its
// table value (a UniformRef) and its member in the shader object, or null
// when the record has no object. Array references come element by element.
template <typename Visit>
void forEachReferenceMember(scene::ShaderRecord& record, Visit&& visit) {
    uint8_t* object = reinterpret_cast<uint8_t*>(record.shaderObject);
    for (int kind = 0; kind < scene::kUniformKindCount; ++kind) {
        if (!scene::isReferenceKind(kind)) continue;
        const scene::UniformTable& table = record.parameters.table(kind);
        for (int i = 0; i < table.count(); ++i) {
            const scene::UniformEntry& entry = table.entry(i);
            uint8_t* member = object ? object + entry.offset : nullptr;
            if (!scene::uniformShape(kind).array) {
                visit(kind, static_cast<const uint8_t*>(entry.value), member);
                continue;
            }
            const int count = scene::uniformArrayCount(entry.value);
            for (int e = 0; e < count; ++e)
                visit(kind, scene::uniformArrayElement(kind, entry.value, e),
                      member ? scene::uniformArrayElement(kind, member, e) : nullptr);
        }
    }
}

// Prepares `record` and, transitively, the shaders it references, skipping
// records already prepared since uses.clear(). 0; -1 when memory ran short
// while listing (the pointers are written all the same).
int prepareShaderReferences(scene::ShaderRecord& record, const scene::ObjectTable& table,
                            ShaderReferenceUses& uses);

}  // namespace shaders
}  // namespace hox
