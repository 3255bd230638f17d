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

#include "scene/object_table.h"
#include "scene/shader_record.h"
#include "scene/texture_record.h"
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

// Prepares `record` and, transitively, the shaders it references, skipping
// records already prepared since uses.clear(). 0; -1 when memory ran short
// while listing (the pointers are written all the same).
int prepareShaderReferences(scene::ShaderRecord& record, const scene::ObjectTable& table,
                            ShaderReferenceUses& uses);

}  // namespace shaders
}  // namespace hox
