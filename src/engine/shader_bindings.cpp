#include "engine/shader_bindings.h"

#include "hox/shader_declaration.h"
#include "scene/geometry_record.h"
#include "scene/shader_record.h"

namespace hox {
namespace engine {

namespace {

int declaredAttributes(const scene::ShaderRecord* shader) {
    return shader ? shader->parameters.attributes().count() : 0;
}

trace::AttributeSource attributeSource(const scene::AttributeEntry& declared,
                                       const scene::GeometryRecord* geometry) {
    trace::AttributeSource source = {declared.components, nullptr, 0};
    const scene::VertexAttribute* data = geometry ? geometry->findAttribute(declared.name.c_str()) : nullptr;
    // Values of another width would be read with the wrong stride: better
    // none than a scrambled attribute.
    if (data && data->componentCount == declared.components) {
        source.perVertexData = data->values.data();
        source.valueCount = data->values.count();
    }
    return source;
}

}  // namespace

ShaderBindingTable::ShaderBindingTable()
    : bindings_(util::GrowableArray<trace::ShaderBinding>::kDefaultGrowthStep),
      attributes_(util::GrowableArray<AttributeBinding>::kDefaultGrowthStep),
      sources_(util::GrowableArray<trace::AttributeSource>::kDefaultGrowthStep) {}

bool ShaderBindingTable::bind(trace::CompiledScene& scene) {
    trace::Instance* instances = scene.instances.data;
    const int count = static_cast<int>(scene.instances.count);

    // Sized first, so that the pointers handed to the instances stay put.
    int bound = 0;
    int sources = 0;
    for (int i = 0; i < count; ++i) {
        if (!instances[i].shader) continue;
        ++bound;
        sources += declaredAttributes(instances[i].shader);
    }
    if (!bindings_.resize(bound) || !attributes_.resize(bound) || !sources_.resize(sources)) {
        for (int i = 0; i < count; ++i) {
            instances[i].bindings = nullptr;
            instances[i].bindingCount = 0;
        }
        return false;
    }

    int b = 0;
    int s = 0;
    for (int i = 0; i < count; ++i) {
        trace::Instance& instance = instances[i];
        instance.bindings = nullptr;
        instance.bindingCount = 0;
        const scene::ShaderRecord* shader = instance.shader;
        if (!shader) continue;

        const scene::AttributeTable& declared = shader->parameters.attributes();
        AttributeBinding& attributes = attributes_[b];
        attributes.object = shader->shaderObject;
        attributes.surface =
            shader->shaderObject && shader->shaderObject->getKind() == SHADER_KIND_SURFACE ? shader->shaderObject
                                                                                          : nullptr;
        attributes.sources = declared.count() > 0 ? sources_.data() + s : nullptr;
        attributes.sourceCount = declared.count();
        for (int a = 0; a < declared.count(); ++a) {
            sources_[s++] = attributeSource(declared.entry(a), instance.geometry);
        }

        bindings_[b].shader = shader;
        bindings_[b].data = &attributes;
        instance.bindings = &bindings_[b];
        instance.bindingCount = 1;
        ++b;
    }
    return true;
}

const AttributeBinding* findBinding(const trace::Instance& instance, const ShaderObject* object) {
    for (int i = 0; i < instance.bindingCount; ++i) {
        const AttributeBinding* binding = attributeBinding(instance.bindings[i]);
        if (binding && binding->object == object) return binding;
    }
    return nullptr;
}

}  // namespace engine
}  // namespace hox
