// The catalogue of hoxstd64.so: every shader loads with the interface
// version, reports its kind and flags, declares exactly the parameters hosts
// are told about and sets their defaults in its constructor. (The default
// values themselves are checked by the shading tests that rely on them.)
#include <algorithm>
#include <set>

#include "stdshader_harness.h"

namespace stdshader_test {
namespace {

using Uniforms = std::vector<std::pair<int, std::string>>;
struct Entry {
    const char* shader;
    int kind;
    int flags;
    bool uv;  // declares the "uv" texture coordinates
    Uniforms uniforms;
};

const Entry kCatalogue[] = {
    {"matte", SHADER_KIND_SURFACE, 0, true,
     {{K3F, "colour"}, {KTEX2D, "colourMap"}, {K1B, "occlusion"}, {K1B, "indirect"}}},
    {"plastic", SHADER_KIND_SURFACE, 0, true,
     {{K3F, "colour"}, {KTEX2D, "colourMap"}, {K3F, "specularColour"}, {K1F, "specular"}, {K1F, "roughness"},
      {K1F, "reflection"}}},
    {"metal", SHADER_KIND_SURFACE, 0, false, {{K3F, "colour"}, {K1F, "roughness"}}},
    {"mirror", SHADER_KIND_SURFACE, 0, false, {{K3F, "colour"}}},
    {"glass", SHADER_KIND_SURFACE, SHADER_FLAG_TRANSPARENT_SHADOWS, false,
     {{K3F, "colour"}, {K1F, "ior"}, {K1F, "roughness"}}},
    {"emissive", SHADER_KIND_SURFACE, 0, false, {{K3F, "colour"}, {K1F, "intensity"}}},
    {"marble", SHADER_KIND_SURFACE, 0, false,
     {{K3F, "colour"}, {K3F, "veinColour"}, {K1F, "scale"}, {K1I, "octaves"}}},
    {"wood", SHADER_KIND_SURFACE, 0, false,
     {{K3F, "lightColour"}, {K3F, "darkColour"}, {K1F, "scale"}, {K1F, "rings"}}},
    {"pointlight", SHADER_KIND_LIGHT, 0, false, {{K3F, "colour"}, {K1F, "intensity"}, {K1I, "falloff"}}},
    {"spotlight", SHADER_KIND_LIGHT, 0, false,
     {{K3F, "colour"}, {K1F, "intensity"}, {K1I, "falloff"}, {K1F, "coneAngle"}, {K1F, "penumbra"}}},
    {"distantlight", SHADER_KIND_LIGHT, 0, false, {{K3F, "colour"}, {K1F, "intensity"}}},
    {"ambientlight", SHADER_KIND_LIGHT, 0, false, {{K3F, "colour"}, {K1F, "intensity"}}},
    {"constantenv", SHADER_KIND_OTHER, SHADER_FLAG_ENVIRONMENT, false,
     {{K3F, "colour"}, {K1F, "intensity"}, {K1F, "alpha"}}},
    {"sky", SHADER_KIND_OTHER, SHADER_FLAG_ENVIRONMENT, false,
     {{K3F, "zenithColour"}, {K3F, "horizonColour"}, {K3F, "groundColour"}, {K3F, "up"}, {K3F, "sunDirection"},
      {K3F, "sunColour"}, {K1F, "sunSize"}}},
    {"envmap", SHADER_KIND_OTHER, SHADER_FLAG_ENVIRONMENT, false,
     {{KTEX2D, "map"}, {KTEXCUBE, "cubeMap"}, {K1F, "intensity"}, {K3F, "up"}}},
};

TEST(StdShaderCatalogue, EveryShaderDeclaresItsKindFlagsAndParametersAndSetsDefaultsUnasked) {
    for (const Entry& entry : kCatalogue) {
        SCOPED_TRACE(entry.shader);
        StdShader shader(entry.shader), fresh(entry.shader, false);
        ASSERT_NE(shader.library, nullptr) << HOX_STDSHADERS_FILE;
        ASSERT_TRUE(shader.object && fresh.object);
        EXPECT_EQ(std::make_tuple(shader.apiVersion, shader.object->getKind(), shader.declaration.flags),
                  std::make_tuple(kApiVersion, entry.kind, entry.flags));
        // Exactly the documented names and kinds, each at its own place in the object.
        Uniforms declared, expected = entry.uniforms;
        std::set<std::ptrdiff_t> offsets;
        for (const Declared& d : shader.declaration.uniforms) {
            declared.push_back({d.kind, d.name});
            offsets.insert(d.offset);
        }
        std::sort(declared.begin(), declared.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(declared, expected);
        EXPECT_EQ(offsets.size(), declared.size());
        const auto& a = shader.declaration.attributes;
        ASSERT_EQ(a.size(), entry.uv ? 1u : 0u);
        if (entry.uv) {
            EXPECT_EQ(std::make_tuple(a[0].type, a[0].name, a[0].slot), std::make_tuple(SHADER_ATTRIBUTE_2F, "uv", 0));
        }
        // Objects after the first come from the cached declaration and are
        // never asked to declare: their constructor alone sets the defaults.
        for (const Declared& d : shader.declaration.uniforms) {
            const char* declaredValue = reinterpret_cast<const char*>(shader.object.get()) + d.offset;
            const char* freshValue = reinterpret_cast<const char*>(fresh.object.get()) + d.offset;
            if (d.kind == KTEX2D || d.kind == KTEXCUBE) {
                // No texture: no sampler and the null handle's instance, not a real texture's 0.
                for (const char* value : {declaredValue, freshValue}) {
                    const UniformRef* ref = reinterpret_cast<const UniformRef*>(value);
                    EXPECT_EQ(ref->pointer, nullptr) << d.name;
                    EXPECT_EQ(ref->instance, 0xFFFFFFFu) << d.name;
                }
                continue;
            }
            const std::size_t size = d.kind == K1B ? sizeof(bool) : d.kind == K3F ? sizeof(Vec3f) : 4;
            EXPECT_EQ(std::memcmp(declaredValue, freshValue, size), 0) << d.name;
        }
    }
}

}  // namespace
}  // namespace stdshader_test
