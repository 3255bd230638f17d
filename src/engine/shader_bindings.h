// Shader bindings: which shader shades each instance of a compiled view, and
// where the vertex attributes that shader declared come from.
//
// A shader declares attributes by name (and component count); a geometry
// carries vertex attributes by name. Matching the two per ray would cost a
// string search per hit, so the match is made once per frame, right after
// the scene compile, into plain arrays that the instances point to.
//
// One table per frame parity and view, owned by the frame context, so that
// binding frame n + 1 never touches what the threads still read for frame
// n. The arrays keep their blocks from frame to frame.
#pragma once

#include <cstdint>

#include "trace/compiled_scene.h"
#include "trace/hit_surface.h"
#include "trace/instance.h"
#include "util/growable_array.h"

namespace hox {
class ShaderObject;

namespace engine {

// What ShaderBinding::data points to.
struct AttributeBinding {
    // The bound shader's object (null when the record has none).
    const ShaderObject* object;
    // `object` when it answered the surface kind at binding time, else null:
    // the shader that shading calls. Asking the kind here, once per frame,
    // keeps a virtual call out of every hit.
    const ShaderObject* surface;
    // One source per attribute the shader declared, in declaration order,
    // with the declared component count. A geometry without an attribute
    // of that name, or with another component count, gives a source
    // without data (zeros).
    const trace::AttributeSource* sources;
    int32_t sourceCount;
};

class ShaderBindingTable {
public:
    ShaderBindingTable();
    ShaderBindingTable(const ShaderBindingTable&) = delete;
    ShaderBindingTable& operator=(const ShaderBindingTable&) = delete;

    // Points every instance of `scene` at its bindings: the instance's own
    // shader (instances without one get none). False when memory is short;
    // every instance is then left without bindings.
    bool bind(trace::CompiledScene& scene);

private:
    util::GrowableArray<trace::ShaderBinding> bindings_;
    util::GrowableArray<AttributeBinding> attributes_;
    util::GrowableArray<trace::AttributeSource> sources_;
};

// The attribute binding of `binding`, or null.
inline const AttributeBinding* attributeBinding(const trace::ShaderBinding& binding) {
    return static_cast<const AttributeBinding*>(binding.data);
}

// The binding of `instance` whose shader object is `object`; null when the
// instance has none for it.
const AttributeBinding* findBinding(const trace::Instance& instance, const ShaderObject* object);

}  // namespace engine
}  // namespace hox
