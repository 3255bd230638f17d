// The catalogue of hoxstd64.so: every shader loads with the interface
// version, reports its kind and flags, and declares exactly the parameters
// hosts are told about, with their documented defaults in the object.
#include <set>

#include "stdshader_harness.h"

namespace stdshader_test {
namespace {

struct Uniform {
    int kind;
    const char* name;
    std::vector<float> value;  // bools and ints as 0/1 and whole numbers; textures: empty
};
struct Entry {
    const char* shader;
    int kind;
    int flags;
    bool uv;  // declares the "uv" texture coordinates
    std::vector<Uniform> uniforms;
};

const std::vector<Entry>& catalogue() {
    static const std::vector<Entry> entries = {
        {"matte", SHADER_KIND_SURFACE, 0, true,
         {{K3F, "colour", {0.8f, 0.8f, 0.8f}}, {KTEX2D, "colourMap", {}},
          {K1B, "occlusion", {0}}, {K1B, "indirect", {0}}}},
        {"plastic", SHADER_KIND_SURFACE, 0, true,
         {{K3F, "colour", {0.8f, 0.2f, 0.2f}}, {KTEX2D, "colourMap", {}},
          {K3F, "specularColour", {1, 1, 1}}, {K1F, "specular", {0.5f}},
          {K1F, "roughness", {0.2f}}, {K1F, "reflection", {0}}}},
        {"metal", SHADER_KIND_SURFACE, 0, false,
         {{K3F, "colour", {0.9f, 0.9f, 0.9f}}, {K1F, "roughness", {0.2f}}}},
        {"mirror", SHADER_KIND_SURFACE, 0, false, {{K3F, "colour", {1, 1, 1}}}},
        {"glass", SHADER_KIND_SURFACE, SHADER_FLAG_TRANSPARENT_SHADOWS, false,
         {{K3F, "colour", {1, 1, 1}}, {K1F, "ior", {1.5f}}, {K1F, "roughness", {0}}}},
        {"emissive", SHADER_KIND_SURFACE, 0, false,
         {{K3F, "colour", {1, 1, 1}}, {K1F, "intensity", {1}}}},
        {"marble", SHADER_KIND_SURFACE, 0, false,
         {{K3F, "colour", {0.9f, 0.9f, 0.85f}}, {K3F, "veinColour", {0.2f, 0.2f, 0.3f}},
          {K1F, "scale", {1}}, {K1I, "octaves", {4}}}},
        {"wood", SHADER_KIND_SURFACE, 0, false,
         {{K3F, "lightColour", {0.75f, 0.55f, 0.3f}}, {K3F, "darkColour", {0.45f, 0.28f, 0.12f}},
          {K1F, "scale", {1}}, {K1F, "rings", {8}}}},
        {"pointlight", SHADER_KIND_LIGHT, 0, false,
         {{K3F, "colour", {1, 1, 1}}, {K1F, "intensity", {1}}, {K1I, "falloff", {2}}}},
        {"spotlight", SHADER_KIND_LIGHT, 0, false,
         {{K3F, "colour", {1, 1, 1}}, {K1F, "intensity", {1}}, {K1I, "falloff", {2}},
          {K1F, "coneAngle", {0.5f}}, {K1F, "penumbra", {0.1f}}}},
        {"distantlight", SHADER_KIND_LIGHT, 0, false,
         {{K3F, "colour", {1, 1, 1}}, {K1F, "intensity", {1}}}},
        {"ambientlight", SHADER_KIND_LIGHT, 0, false,
         {{K3F, "colour", {1, 1, 1}}, {K1F, "intensity", {0.1f}}}},
        {"constantenv", SHADER_KIND_OTHER, SHADER_FLAG_ENVIRONMENT, false,
         {{K3F, "colour", {0, 0, 0}}, {K1F, "intensity", {1}}, {K1F, "alpha", {1}}}},
        {"sky", SHADER_KIND_OTHER, SHADER_FLAG_ENVIRONMENT, false,
         {{K3F, "zenithColour", {0.25f, 0.45f, 0.85f}},
          {K3F, "horizonColour", {0.8f, 0.85f, 0.95f}},
          {K3F, "groundColour", {0.3f, 0.28f, 0.25f}}, {K3F, "up", {0, 1, 0}},
          {K3F, "sunDirection", {0, 0, 0}}, {K3F, "sunColour", {10, 9, 8}},
          {K1F, "sunSize", {0.03f}}}},
        {"envmap", SHADER_KIND_OTHER, SHADER_FLAG_ENVIRONMENT, false,
         {{KTEX2D, "map", {}}, {KTEXCUBE, "cubeMap", {}}, {K1F, "intensity", {1}},
          {K3F, "up", {0, 1, 0}}}},
    };
    return entries;
}

// The value a uniform holds in the object at `member`, as floats.
std::vector<float> valueAt(int kind, const char* member) {
    if (kind == K1B) return {*reinterpret_cast<const bool*>(member) ? 1.0f : 0.0f};
    if (kind == K1I) return {static_cast<float>(*reinterpret_cast<const int*>(member))};
    const float* v = reinterpret_cast<const float*>(member);
    return kind == K1F ? std::vector<float>{v[0]} : std::vector<float>{v[0], v[1], v[2]};
}

void expectDefaults(StdShader& shader, const Entry& entry) {
    for (const Uniform& u : entry.uniforms) {
        const char* member = shader.member(u.kind, u.name);
        if (!member) continue;
        if (u.kind == KTEX2D || u.kind == KTEXCUBE) {
            // No texture at all: no sampler and the null handle's instance,
            // not instance 0 (a real texture's).
            const UniformRef* ref = reinterpret_cast<const UniformRef*>(member);
            EXPECT_EQ(ref->pointer, nullptr) << u.name;
            EXPECT_EQ(ref->instance, 0xFFFFFFFu) << u.name;
            continue;
        }
        const std::vector<float> actual = valueAt(u.kind, member);
        ASSERT_EQ(actual.size(), u.value.size()) << u.name;
        for (std::size_t i = 0; i < actual.size(); ++i)
            EXPECT_FLOAT_EQ(actual[i], u.value[i]) << u.name << "[" << i << "]";
    }
}

TEST(StdShaderCatalogue, EveryShaderDeclaresItsKindFlagsAndParameters) {
    for (const Entry& entry : catalogue()) {
        SCOPED_TRACE(entry.shader);
        StdShader shader(entry.shader);
        ASSERT_NE(shader.library, nullptr) << HOX_STDSHADERS_FILE;
        ASSERT_NE(shader.object, nullptr);
        EXPECT_EQ(std::make_tuple(shader.apiVersion, shader.object->getKind(), shader.declaration.flags),
                  std::make_tuple(kApiVersion, entry.kind, entry.flags));
        // Exactly the documented names, each declared once and at its own
        // place in the object.
        EXPECT_EQ(shader.declaration.uniforms.size(), entry.uniforms.size());
        std::set<std::ptrdiff_t> offsets;
        for (const Declared& d : shader.declaration.uniforms) offsets.insert(d.offset);
        EXPECT_EQ(offsets.size(), shader.declaration.uniforms.size());
        expectDefaults(shader, entry);
        const auto& a = shader.declaration.attributes;
        ASSERT_EQ(a.size(), entry.uv ? 1u : 0u);
        if (entry.uv) {
            EXPECT_EQ(std::make_tuple(a[0].type, a[0].name, a[0].slot), std::make_tuple(SHADER_ATTRIBUTE_2F, "uv", 0));
        }

        // Objects made after the first come from the cached declaration and
        // are never asked to declare: their constructor alone sets the defaults.
        StdShader fresh(entry.shader, false);
        ASSERT_NE(fresh.object, nullptr);
        fresh.declaration = shader.declaration;
        expectDefaults(fresh, entry);
    }
}

}  // namespace
}  // namespace stdshader_test
