#include "scene_builder.h"

#include <cstdio>

#include "hox/status.h"
#include "hox/texture_descriptor.h"
#include "vec_math.h"

namespace hox_render {

namespace {

const char* lightShaderName(LightDesc::Kind kind) {
    switch (kind) {
        case LightDesc::kSpot: return "spotlight";
        case LightDesc::kDistant: return "distantlight";
        case LightDesc::kAmbient: return "ambientlight";
        case LightDesc::kPoint: break;
    }
    return "pointlight";
}

hox::ELightType lightType(LightDesc::Kind kind) {
    switch (kind) {
        case LightDesc::kDistant: return hox::LIGHT_TYPE_DIRECTIONAL;
        case LightDesc::kAmbient: return hox::LIGHT_TYPE_AMBIENT;
        default: return hox::LIGHT_TYPE_POINT;
    }
}

}  // namespace

SceneBuilder::SceneBuilder(hox::IRenderDevice* device, ShaderFactory& shaders)
    : m_device(device), m_shaders(shaders) {}

hox::THandle<hox::Group> SceneBuilder::createGroup(const hox::Mat4f& transform) {
    hox::THandle<hox::Group> group(m_device);
    if (hox::Group* g = group.beginEdit()) {
        g->setTransform(transform);
        group.endEdit();
    }
    return group;
}

void SceneBuilder::addChild(hox::THandle<hox::Group>& parent, const hox::EntityHandle& child) {
    if (child.isNull()) return;
    if (hox::Group* g = parent.beginEdit()) {
        g->addChild(child);
        parent.endEdit();
    }
}

hox::THandle<hox::Geometry> SceneBuilder::createGeometry(const MeshData& mesh) {
    const int vertices = mesh.vertexCount();
    const int triangles = mesh.triangleCount();
    hox::THandle<hox::Geometry> geometry(m_device);
    hox::Geometry* g = geometry.beginEdit();
    if (!g) return hox::THandle<hox::Geometry>();
    bool ok = g->init(hox::GEOMETRY_TYPE_TRIANGLES, triangles, vertices) == hox::RESULT_OK &&
              g->setIndexArray(mesh.indices.data()) == hox::RESULT_OK &&
              g->setCoordArray3f(mesh.positions.data()) == hox::RESULT_OK;
    if (ok && static_cast<int>(mesh.normals.size()) == vertices)
        ok = g->setNormalArray3f(mesh.normals.data()) == hox::RESULT_OK;
    if (ok && static_cast<int>(mesh.uvs.size()) == vertices)
        ok = g->setVertexAttribArray2f("uv", mesh.uvs.data()) == hox::RESULT_OK;
    geometry.endEdit();
    if (!ok) {
        geometry.destroy();
        return hox::THandle<hox::Geometry>();
    }
    return geometry;
}

hox::THandle<hox::Object> SceneBuilder::addObject(hox::THandle<hox::Group>& parent,
                                                  const hox::THandle<hox::Geometry>& geometry,
                                                  const hox::THandle<hox::Shader>& shader,
                                                  const hox::Mat4f& transform, const std::string& name) {
    if (geometry.isNull()) return hox::THandle<hox::Object>();
    hox::THandle<hox::Object> object(m_device);
    if (hox::Object* o = object.beginEdit()) {
        o->setGeometry(geometry);
        o->setShader(shader);
        o->setTransform(transform);
        object.endEdit();
    }
    addChild(parent, object);
    if (!name.empty()) m_objectNames[object.getValue()] = name;
    return object;
}

std::string SceneBuilder::objectName(unsigned int handleValue) const {
    const auto found = m_objectNames.find(handleValue);
    return found == m_objectNames.end() ? std::string() : found->second;
}

hox::THandle<hox::Light> SceneBuilder::addLight(hox::THandle<hox::Group>& parent, const LightDesc& desc) {
    hox::THandle<hox::Shader> shader = m_shaders.create(lightShaderName(desc.kind));
    if (shader.isNull()) return hox::THandle<hox::Light>();
    {
        UniformWriter uniforms(shader);
        uniforms.set("colour", desc.colour).set("intensity", desc.intensity);
        if (desc.kind == LightDesc::kPoint || desc.kind == LightDesc::kSpot) uniforms.set("falloff", desc.falloff);
        if (desc.kind == LightDesc::kSpot)
            uniforms.set("coneAngle", desc.coneAngle).set("penumbra", desc.penumbra);
    }

    hox::THandle<hox::Light> light(m_device);
    hox::Light* l = light.beginEdit();
    if (!l) return hox::THandle<hox::Light>();
    l->setLightType(lightType(desc.kind));
    l->setShader(shader);
    l->setTransform(frameLookingAlong(desc.position, desc.direction, {0, 1, 0}));
    l->setParameter1b(hox::LIGHT_PARAMETER_CAST_SHADOWS, desc.castsShadows);
    if (desc.kind == LightDesc::kDistant) {
        l->setParameter1f(hox::LIGHT_PARAMETER_ANGULAR_SIZE, desc.angularSizeDegrees);
    } else if (desc.kind != LightDesc::kAmbient) {
        l->setParameter1f(hox::LIGHT_PARAMETER_RADIUS, desc.radius);
        // The cone reaches out to where the penumbra ends.
        if (desc.kind == LightDesc::kSpot)
            l->setParameter1f(hox::LIGHT_PARAMETER_CONE_ANGLE, desc.coneAngle + desc.penumbra);
    }
    light.endEdit();
    addChild(parent, light);
    return light;
}

hox::THandle<hox::Texture> SceneBuilder::createTexture(const ImageData& image) {
    if (image.width < 1 || image.height < 1) return hox::THandle<hox::Texture>();
    hox::TextureDescriptor descriptor;
    descriptor.type = hox::TEXTURE_TYPE_2D;
    descriptor.format = hox::TEXTURE_FORMAT_FLOAT32;
    descriptor.components = 4;
    descriptor.filter = hox::TEXTURE_FILTER_LINEAR;
    descriptor.wrapS = descriptor.wrapT = hox::TEXTURE_WRAP_REPEAT;
    descriptor.width = image.width;
    descriptor.height = image.height;
    descriptor.data = image.rgba.data();
    hox::THandle<hox::Texture> texture(m_device);
    hox::Texture* t = texture.beginEdit();
    const int status = t ? t->create(descriptor) : hox::RESULT_FAILED;
    texture.endEdit();
    if (status != hox::RESULT_OK) {
        texture.destroy();
        return hox::THandle<hox::Texture>();
    }
    return texture;
}

}  // namespace hox_render
