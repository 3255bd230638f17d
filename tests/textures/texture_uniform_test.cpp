// Texture parameters of a shader: what the prepared reference points to, and a
// texture destroyed while a frame holds it.
#include "hox/shader.h"
#include "scene/object_table.h"
#include "shaders/shader_references.h"
#include "shaders/shader_test_support.h"
#include "texture_test_support.h"

using namespace texture_test;
using hox_test::AllKindsShader;

namespace {

class TextureUniforms : public shader_test::ManagerTest {
protected:
    TextureUniforms() : shaderInstance(table.create(CLASS_TYPE_SHADER)) {
        EXPECT_EQ(shaders::instantiateShader(*shaderRecord(), "all_kinds", "all_kinds", manager),
                  0);
    }
    scene::ShaderRecord* shaderRecord() {
        return scene::recordAs<scene::ShaderRecord>(
            table.lookup(CLASS_TYPE_SHADER, shaderInstance));
    }
    Shader* shader() { return static_cast<Shader*>(shaderRecord()->publicObject()); }
    AllKindsShader& object() { return *static_cast<AllKindsShader*>(shaderRecord()->shaderObject); }
    scene::TextureSampler* sampler(int instance) {
        return scene::recordAs<scene::TextureRecord>(table.lookup(CLASS_TYPE_TEXTURE, instance))
            ->sampler();
    }
    // A new texture in the table: 2 × 2 RGBA bytes 0, 8, 16, … or a cube.
    THandle<Texture> makeTexture(int type) {
        TextureData t = texture_test::makeTexture(type, 0, 4, 0, 2, 2);
        for (size_t i = 0; i < 16; ++i) t.images[0][i] = uint8_t(i * 8);
        const int instance = table.create(CLASS_TYPE_TEXTURE);
        EXPECT_EQ(static_cast<Texture*>(table.lookup(CLASS_TYPE_TEXTURE, instance)->publicObject())
                      ->create(t.desc()),
                  0);
        return THandle<Texture>::fromInstance(instance);
    }
    void prepare() {
        uses.clear();
        ASSERT_EQ(shaders::prepareShaderReferences(*shaderRecord(), table, uses), 0);
    }

    scene::ObjectTable table;
    shaders::ShaderReferenceUses uses;
    int shaderInstance;
};

}  // namespace

TEST_F(TextureUniforms, ResolveToTheLookupInterfaceOfTheirDimension) {
    const THandle<Texture> flat = makeTexture(TEXTURE_TYPE_2D);
    const THandle<Texture> cube = makeTexture(TEXTURE_TYPE_CUBE);
    ASSERT_EQ(shader()->setUniformTexture2D("t2", flat), 0);
    ASSERT_EQ(shader()->setUniformTexture3D("t3", flat), 0);  // the wrong dimension
    ASSERT_EQ(shader()->setUniformTextureCube("tc", cube), 0);
    const THandle<Texture> list[] = {flat, cube};
    ASSERT_EQ(shader()->setUniformTexture2Dv("t2v", 2, list), 0);
    prepare();
    EXPECT_EQ(object().t2.sampler2D(), sampler(flat.getInstance())->as2D());
    EXPECT_EQ(object().t3.pointer, nullptr);
    EXPECT_EQ(object().tc.samplerCube(), sampler(cube.getInstance())->asCube());
    EXPECT_EQ(object().t2v.elements[0].sampler2D(), sampler(flat.getInstance())->as2D());
    EXPECT_EQ(object().t2v.elements[1].pointer, nullptr);
    EXPECT_EQ(uses.textures.count(), 5);  // every reference to a live texture counts
}

TEST_F(TextureUniforms, ADestroyedTextureStaysReadableWhileAFrameHoldsIt) {
    const THandle<Texture> texture = makeTexture(TEXTURE_TYPE_2D);
    ASSERT_EQ(shader()->setUniformTexture2D("t2", texture), 0);
    prepare();
    for (scene::TextureRecord* record : uses.textures) record->addRef();  // as the frame does
    const Sampler2D* lookup = object().t2.sampler2D();
    ASSERT_NE(lookup, nullptr);
    ASSERT_EQ(table.destroy(CLASS_TYPE_TEXTURE, texture.getInstance()), 0);
    float rgba[4];
    const float texel3[2] = {0.75f, 0.75f};
    lookup->lookup(texel3, rgba);
    EXPECT_FLOAT_EQ(rgba[0], 96.0f * 0.003921569f);  // bytes 12 … 15
    for (scene::TextureRecord* record : uses.textures) record->release();

    prepare();  // the next frame finds nothing
    EXPECT_EQ(object().t2.pointer, nullptr);
    EXPECT_EQ(uses.textures.count(), 0);
}
