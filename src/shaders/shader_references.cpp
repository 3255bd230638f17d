#include "shaders/shader_references.h"

#include <cstddef>
#include <cstring>

#include "scene/uniform_kind.h"

namespace hox {
namespace shaders {

namespace {

bool contains(const util::GrowableArray<scene::ShaderRecord*>& list,
              const scene::ShaderRecord* record) {
    for (const scene::ShaderRecord* r : list)
        if (r == record) return true;
    return false;
}

class Preparation {
public:
    Preparation(const scene::ObjectTable& table, ShaderReferenceUses& uses)
        : m_table(table), m_uses(uses), m_complete(true) {}

    // Adds `record` to the prepared list unless it is there already; the
    // list doubles as the work queue, so neither a loop of references nor
    // a long chain of them can recurse.
    void enqueue(scene::ShaderRecord* record) {
        if (contains(m_uses.prepared, record)) return;
        m_complete &= m_uses.prepared.push(record);
    }

    void prepareOne(scene::ShaderRecord& record) {
        forEachReferenceMember(record, [this](int kind, const uint8_t* value, uint8_t* member) {
            resolve(kind, value, member);
        });
    }

    bool complete() const { return m_complete; }

private:
    // One reference: the table's value gives the instance; the member (if
    // the record has an object) receives the pointer.
    void resolve(int kind, const uint8_t* value, uint8_t* member) {
        UniformRef reference;
        std::memcpy(&reference, value, sizeof reference);
        void* pointer = currentReferencePointer(kind, reference, m_table);
        if (kind == scene::UNIFORM_SHADER_REF) {
            scene::ShaderRecord* target = scene::recordAs<scene::ShaderRecord>(
                m_table.lookup(CLASS_TYPE_SHADER, int(reference.instance)));
            if (target) {
                m_complete &= m_uses.shaders.push(target);
                enqueue(target);
            }
        } else {
            // The frame holds every listed texture record, and the record
            // holds its sampler, so the pointer stays good for the whole
            // frame even if the host destroys or recreates the texture.
            scene::TextureRecord* target = scene::recordAs<scene::TextureRecord>(
                m_table.lookup(CLASS_TYPE_TEXTURE, int(reference.instance)));
            if (target) m_complete &= m_uses.textures.push(target);
        }
        if (member) storePointer(member + offsetof(UniformRef, pointer), pointer);
    }

    // Render threads of the previous frame may still read the member while
    // the next frame is prepared. The pointer is the one it already holds
    // unless the record was renewed for this frame (see
    // renewShadersWithChangedReferences), so leaving such a member unwritten
    // keeps the preparation from racing with those reads.
    static void storePointer(uint8_t* at, void* pointer) {
        if (heldReferencePointer(at) != pointer) std::memcpy(at, &pointer, sizeof pointer);
    }

    const scene::ObjectTable& m_table;
    ShaderReferenceUses& m_uses;
    bool m_complete;
};

// The interface of the parameter's dimension: a 2D texture bound to a 3D
// parameter gives the shader nothing rather than an interface it would call
// with the wrong number of coordinates.
void* lookupInterface(int kind, scene::TextureSampler* sampler) {
    if (!sampler) return nullptr;
    switch (kind) {
        case scene::UNIFORM_TEXTURE_1D:
        case scene::UNIFORM_TEXTURE_1DV: return sampler->as1D();
        case scene::UNIFORM_TEXTURE_2D:
        case scene::UNIFORM_TEXTURE_2DV: return sampler->as2D();
        case scene::UNIFORM_TEXTURE_3D:
        case scene::UNIFORM_TEXTURE_3DV: return sampler->as3D();
        case scene::UNIFORM_TEXTURE_CUBE:
        case scene::UNIFORM_TEXTURE_CUBEV: return sampler->asCube();
        default: return nullptr;
    }
}

}  // namespace

void* currentReferencePointer(int kind, const UniformRef& reference,
                              const scene::ObjectTable& table) {
    if (kind == scene::UNIFORM_SHADER_REF) {
        scene::ShaderRecord* target = scene::recordAs<scene::ShaderRecord>(
            table.lookup(CLASS_TYPE_SHADER, int(reference.instance)));
        return target ? target->shaderObject : nullptr;
    }
    scene::TextureRecord* target = scene::recordAs<scene::TextureRecord>(
        table.lookup(CLASS_TYPE_TEXTURE, int(reference.instance)));
    return target ? lookupInterface(kind, target->sampler()) : nullptr;
}

void* heldReferencePointer(const uint8_t* member) {
    void* held;
    std::memcpy(&held, member + offsetof(UniformRef, pointer), sizeof held);
    return held;
}

void ShaderReferenceUses::clear() {
    prepared.clear();
    shaders.clear();
    textures.clear();
}

int prepareShaderReferences(scene::ShaderRecord& record, const scene::ObjectTable& table,
                            ShaderReferenceUses& uses) {
    Preparation preparation(table, uses);
    int next = uses.prepared.count();
    preparation.enqueue(&record);
    for (; next < uses.prepared.count(); ++next) preparation.prepareOne(*uses.prepared[next]);
    return preparation.complete() ? 0 : -1;
}

}  // namespace shaders
}  // namespace hox
