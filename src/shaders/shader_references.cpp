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
        for (int kind = 0; kind < scene::kUniformKindCount; ++kind) {
            if (!scene::isReferenceKind(kind)) continue;
            const scene::UniformTable& t = record.parameters.table(kind);
            for (int i = 0; i < t.count(); ++i) prepareEntry(record, kind, t.entry(i));
        }
    }

    bool complete() const { return m_complete; }

private:
    void prepareEntry(scene::ShaderRecord& record, int kind, const scene::UniformEntry& entry) {
        uint8_t* member = reinterpret_cast<uint8_t*>(record.shaderObject);
        if (member) member += entry.offset;
        if (!scene::uniformShape(kind).array) {
            resolve(kind, entry.value, member);
            return;
        }
        const int count = scene::uniformArrayCount(entry.value);
        for (int i = 0; i < count; ++i)
            resolve(kind, scene::uniformArrayElement(kind, entry.value, i),
                    member ? scene::uniformArrayElement(kind, member, i) : nullptr);
    }

    // One reference: the table's value gives the instance; the member (if
    // the record has an object) receives the pointer.
    void resolve(int kind, const uint8_t* value, uint8_t* member) {
        UniformRef reference;
        std::memcpy(&reference, value, sizeof reference);
        void* pointer = nullptr;
        if (kind == scene::UNIFORM_SHADER_REF) {
            scene::ShaderRecord* target = scene::recordAs<scene::ShaderRecord>(
                m_table.lookup(CLASS_TYPE_SHADER, int(reference.instance)));
            if (target) {
                pointer = target->shaderObject;
                m_complete &= m_uses.shaders.push(target);
                enqueue(target);
            }
        } else {
            // The frame holds every listed texture record, and the record
            // holds its sampler, so the pointer stays good for the whole
            // frame even if the host destroys or recreates the texture.
            scene::TextureRecord* target = scene::recordAs<scene::TextureRecord>(
                m_table.lookup(CLASS_TYPE_TEXTURE, int(reference.instance)));
            if (target) {
                pointer = lookupInterface(kind, target->sampler());
                m_complete &= m_uses.textures.push(target);
            }
        }
        if (member) storePointer(member + offsetof(UniformRef, pointer), pointer);
    }

    // Render threads of the previous frame may still read the member while
    // the next frame is prepared. Nearly always the pointer is the one it
    // already holds, and leaving such a member unwritten keeps the
    // preparation from racing with those reads; a pointer that does change
    // belongs to an edit, which the frame order already separates.
    static void storePointer(uint8_t* at, void* pointer) {
        void* held;
        std::memcpy(&held, at, sizeof held);
        if (held != pointer) std::memcpy(at, &pointer, sizeof pointer);
    }

    const scene::ObjectTable& m_table;
    ShaderReferenceUses& m_uses;
    bool m_complete;
};

}  // namespace

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
