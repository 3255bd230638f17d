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
    if (kind == K1F) return {*reinterpret_cast<const float*>(member)};
    if (kind == K3F) {
        const float* v = reinterpret_cast<const float*>(member);
        return {v[0], v[1], v[2]};
    }
    return {};
}

// Texture parameters start out naming no texture at all: no sampler and the
// null handle's instance, not instance 0 (a real texture's).
void expectUnbound(const char* member, const char* what) {
    const UniformRef* ref = reinterpret_cast<const UniformRef*>(member);
    EXPECT_EQ(ref->pointer, nullptr) << what;
    EXPECT_EQ(ref->instance, 0xFFFFFFFu) << what;
}

void expectDefaults(StdShader& shader, const Entry& entry) {
    for (const Uniform& u : entry.uniforms) {
        char* member = shader.member(u.kind, u.name);
        if (!member) continue;
        if (u.kind == KTEX2D || u.kind == KTEXCUBE) {
            expectUnbound(member, u.name);
            continue;
        }
        const std::vector<float> actual = valueAt(u.kind, member);
        ASSERT_EQ(actual.size(), u.value.size()) << u.name;
        for (std::size_t i = 0; i < actual.size(); ++i)
            EXPECT_FLOAT_EQ(actual[i], u.value[i]) << entry.shader << "." << u.name << "[" << i << "]";
    }
}

TEST(StdShaderCatalogue, EveryShaderDeclaresItsKindFlagsAndParameters) {
    for (const Entry& entry : catalogue()) {
        SCOPED_TRACE(entry.shader);
        StdShader shader(entry.shader);
        ASSERT_NE(shader.library, nullptr) << HOX_STDSHADERS_FILE;
        ASSERT_NE(shader.object, nullptr);
        EXPECT_EQ(shader.apiVersion, kApiVersion);
        EXPECT_EQ(shader.object->getKind(), entry.kind);
        EXPECT_EQ(shader.declaration.flags, entry.flags);

        // Exactly the documented names, each declared once and at its own
        // place in the object.
        EXPECT_EQ(shader.declaration.uniforms.size(), entry.uniforms.size());
        std::set<std::ptrdiff_t> offsets;
        for (const Declared& d : shader.declaration.uniforms) offsets.insert(d.offset);
        EXPECT_EQ(offsets.size(), shader.declaration.uniforms.size());
        expectDefaults(shader, entry);

        if (entry.uv) {
            ASSERT_EQ(shader.declaration.attributes.size(), 1u);
            EXPECT_EQ(shader.declaration.attributes[0].type, SHADER_ATTRIBUTE_2F);
            EXPECT_EQ(shader.declaration.attributes[0].name, "uv");
            EXPECT_EQ(shader.declaration.attributes[0].slot, 0);
        } else {
            EXPECT_TRUE(shader.declaration.attributes.empty());
        }
    }
}

// Objects made after the first come from the cached declaration and are
// never asked to declare, so their constructor alone must set the defaults.
TEST(StdShaderCatalogue, UndeclaredObjectsStartWithTheDeclaredDefaults) {
    for (const Entry& entry : catalogue()) {
        SCOPED_TRACE(entry.shader);
        StdShader declared(entry.shader);
        StdShader fresh(entry.shader, false);
        ASSERT_NE(fresh.object, nullptr);
        fresh.declaration = declared.declaration;
        expectDefaults(fresh, entry);
    }
}

}  // namespace
}  // namespace stdshader_test
