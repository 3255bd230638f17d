// Builds a scene graph through the public handles: groups, objects over
// uploaded meshes, lights with their light shaders, textures. Every edit is
// one beginEdit … endEdit; the handles stay owned by the device and go away
// with it at shutdown.
#pragma once

#include <map>
#include <string>

#include "hox/device.h"
#include "hox/entity.h"
#include "hox/geometry.h"
#include "hox/shader.h"
#include "hox/texture.h"
#include "image_data.h"
#include "mesh_data.h"
#include "shader_factory.h"

namespace hox_render {

// A light as the tool describes it before it becomes a Light entity and its
// light shader.
struct LightDesc {
    enum Kind { kPoint, kSpot, kDistant, kAmbient };
    Kind kind = kPoint;
    hox::Vec3f colour = {1, 1, 1};  // linear RGB
    float intensity = 1.0f;
    hox::Vec3f position = {0, 0, 0};
    hox::Vec3f direction = {0, -1, 0};  // where the light shines to (spot, distant)
    float radius = 0.0f;                // point and spot: soft shadows when above 0
    float angularSizeDegrees = 0.0f;    // distant: soft shadows when above 0
    float coneAngle = 0.5f;             // spot: radians
    float penumbra = 0.1f;              // spot: radians
    int falloff = 2;                    // point and spot: 0 none, 1 linear, 2 inverse square
    bool castsShadows = true;
};

class SceneBuilder {
public:
    SceneBuilder(hox::IRenderDevice* device, ShaderFactory& shaders);

    hox::IRenderDevice* device() const { return m_device; }
    ShaderFactory& shaders() { return m_shaders; }

    hox::THandle<hox::Group> createGroup(const hox::Mat4f& transform);
    void addChild(hox::THandle<hox::Group>& parent, const hox::EntityHandle& child);

    // The mesh as a Geometry (normals and the "uv" attribute when the mesh
    // has them); the null handle for a mesh the library refuses.
    hox::THandle<hox::Geometry> createGeometry(const MeshData& mesh);
    // An object of `geometry` shaded by `shader` under `parent`. The library
    // keeps no names, so the builder remembers `name` for objectName.
    hox::THandle<hox::Object> addObject(hox::THandle<hox::Group>& parent, const hox::THandle<hox::Geometry>& geometry,
                                        const hox::THandle<hox::Shader>& shader, const hox::Mat4f& transform,
                                        const std::string& name = std::string());
    // The name an object was added with, by its handle value (what a pick
    // reports); "" for an unnamed or unknown object.
    std::string objectName(unsigned int handleValue) const;
    // The light and its light shader under `parent`; the null handle when
    // the light shader cannot be had (a light without one gives no light).
    hox::THandle<hox::Light> addLight(hox::THandle<hox::Group>& parent, const LightDesc& light);
    // A 2D texture with linear filtering and repeat wrapping; the null handle
    // when the library refuses it.
    hox::THandle<hox::Texture> createTexture(const ImageData& image);

private:
    hox::IRenderDevice* m_device;
    ShaderFactory& m_shaders;
    std::map<unsigned int, std::string> m_objectNames;
};

}  // namespace hox_render
