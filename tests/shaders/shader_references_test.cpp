// Preparing texture and shader references before a frame, and renewing the
// shaders whose references changed.
#include "scene/object_table.h"
#include "shader_test_support.h"
#include "shaders/shader_reference_renewal.h"
#include "shaders/shader_references.h"

using namespace hox;
using namespace shader_test;
using hox::shaders::prepareShaderReferences;
using hox::shaders::renewShadersWithChangedReferences;
using hox_test::AllKindsShader;

namespace {

class ShaderReferences : public ManagerTest {
protected:
    // A shader object in the table, instantiated from all_kinds.
    int makeShader() {
        const int instance = table.create(CLASS_TYPE_SHADER);
        EXPECT_EQ(shaders::instantiateShader(*record(instance), "all_kinds", "all_kinds", manager), 0);
        return instance;
    }
    scene::ShaderRecord* record(int instance) {
        return scene::recordAs<scene::ShaderRecord>(table.lookup(CLASS_TYPE_SHADER, instance));
    }
    AllKindsShader& object(int instance) { return *static_cast<AllKindsShader*>(record(instance)->shaderObject); }
    Shader* shader(int instance) { return static_cast<Shader*>(record(instance)->publicObject()); }
    void refer(int from, int to) {
        ASSERT_EQ(shader(from)->setUniformShaderRef("ref", THandle<Shader>::fromInstance(to)), 0);
    }
    void prepare(int instance) {
        uses.clear();
        ASSERT_EQ(prepareShaderReferences(*record(instance), table, uses), 0);
    }
    void* objectOf(int instance) { return record(instance)->shaderObject; }

    scene::ObjectTable table;
    shaders::ShaderReferenceUses uses;
    int stale = 0;  // what a pointer from an earlier frame looks like
};

}  // namespace

TEST_F(ShaderReferences, AReferenceBecomesTheReferencedObjectWhichIsPreparedToo) {
    const int a = makeShader(), b = makeShader();
    refer(a, b);
    prepare(a);
    EXPECT_EQ(object(a).ref.pointer, objectOf(b));
    EXPECT_EQ(object(a).ref.shader(), objectOf(b));
    ASSERT_EQ(uses.shaders.count(), 1);
    EXPECT_EQ(uses.shaders[0], record(b));
    // b's own reference names nothing, so it holds none.
    ASSERT_EQ(uses.prepared.count(), 2);
    EXPECT_EQ(uses.prepared[1], record(b));
    EXPECT_EQ(object(b).ref.pointer, nullptr);
}

TEST_F(ShaderReferences, LoopsAndSelfReferencesArePreparedOnceEach) {
    const int a = makeShader(), b = makeShader(), self = makeShader();
    refer(a, b);
    refer(b, a);
    prepare(a);
    EXPECT_EQ(std::make_tuple(object(a).ref.pointer, object(b).ref.pointer), std::make_tuple(objectOf(b), objectOf(a)));
    EXPECT_EQ(std::make_tuple(uses.prepared.count(), uses.shaders.count()), std::make_tuple(2, 2));
    // Preparing again in the same frame does nothing more.
    ASSERT_EQ(prepareShaderReferences(*record(b), table, uses), 0);
    EXPECT_EQ(std::make_tuple(uses.prepared.count(), uses.shaders.count()), std::make_tuple(2, 2));

    refer(self, self);
    prepare(self);
    EXPECT_EQ(object(self).ref.pointer, objectOf(self));
    EXPECT_EQ(uses.prepared.count(), 1);
}

TEST_F(ShaderReferences, ALongChainNeedsNoDeepRecursion) {
    std::vector<int> chain;
    for (int i = 0; i < 64; ++i) chain.push_back(makeShader());
    for (int i = 0; i + 1 < 64; ++i) refer(chain[i], chain[i + 1]);
    prepare(chain[0]);
    EXPECT_EQ(uses.prepared.count(), 64);
    EXPECT_EQ(object(chain[62]).ref.pointer, objectOf(chain[63]));
}

TEST_F(ShaderReferences, AReferenceToNothingOrToADestroyedShaderGivesNone) {
    const int a = makeShader(), b = makeShader();
    refer(a, b);
    prepare(a);
    ASSERT_NE(object(a).ref.pointer, nullptr);
    ASSERT_EQ(table.destroy(CLASS_TYPE_SHADER, b), 0);
    prepare(a);
    EXPECT_EQ(object(a).ref.pointer, nullptr);
    EXPECT_EQ(uses.shaders.count(), 0);
    refer(a, 5000);
    object(a).ref.pointer = &stale;
    prepare(a);
    EXPECT_EQ(object(a).ref.pointer, nullptr);

    // A record without an object is listed but has nothing to write.
    prepare(table.create(CLASS_TYPE_SHADER));
    EXPECT_EQ(std::make_tuple(uses.prepared.count(), uses.shaders.count()), std::make_tuple(1, 0));
}

TEST_F(ShaderReferences, TexturesResolveToNoneButTheirUseIsCounted) {
    const int a = makeShader();
    const int texture = table.create(CLASS_TYPE_TEXTURE);
    ASSERT_GE(texture, 0);
    ASSERT_EQ(shader(a)->setUniformTexture2D("t2", THandle<Texture>::fromInstance(texture)), 0);
    const THandle<Texture> list[] = {THandle<Texture>::fromInstance(texture), THandle<Texture>::fromInstance(999)};
    ASSERT_EQ(shader(a)->setUniformTexture1Dv("t1v", 2, list), 0);
    object(a).t2.pointer = &stale;
    object(a).t1v.elements[1].pointer = &stale;
    prepare(a);
    EXPECT_EQ(std::make_tuple(object(a).t2.pointer, object(a).t1v.elements[1].pointer),
              std::make_tuple(nullptr, nullptr));
    ASSERT_EQ(uses.textures.count(), 2);  // t2 and t1v[0]; t1v[1] names nothing
    EXPECT_EQ(uses.textures[0], table.lookup(CLASS_TYPE_TEXTURE, texture));
}

// A frame in flight reads the shader objects it was prepared with; what
// changes for the next frame goes into new versions, never into those.
TEST_F(ShaderReferences, ChangedReferencesRenewTheReferrersAndSpareTheFrameInFlight) {
    const int a = makeShader(), b = makeShader(), c = makeShader();
    refer(a, b);
    refer(b, a);  // a loop, renewed once each all the same
    refer(c, c);
    for (int s : {a, b, c}) ASSERT_EQ(prepareShaderReferences(*record(s), table, uses), 0);
    EXPECT_EQ(renewShadersWithChangedReferences(table, 1), 0);  // nothing changed

    scene::ShaderRecord* inFlightA = record(a);
    inFlightA->addRef();  // what the frame's reference amounts to
    void* const heldByA = object(a).ref.pointer;

    ASSERT_NE(table.beginEdit(HandleBase(CLASS_TYPE_SHADER, b), 1), nullptr);  // b: new object
    EXPECT_EQ(renewShadersWithChangedReferences(table, 1), 1);  // a; b was renewed by its edit
    EXPECT_NE(record(a), inFlightA);
    EXPECT_EQ(object(a).ref.pointer, objectOf(b));
    EXPECT_EQ(object(b).ref.pointer, objectOf(a));
    EXPECT_EQ(static_cast<AllKindsShader*>(inFlightA->shaderObject)->ref.pointer, heldByA);
    EXPECT_EQ(renewShadersWithChangedReferences(table, 2), 0);
    inFlightA->release();
}

TEST_F(ShaderReferences, ADestroyedTextureRenewsTheShadersNamingIt) {
    const int a = makeShader(), untouched = makeShader();
    const int texture = table.create(CLASS_TYPE_TEXTURE);
    ASSERT_EQ(shader(a)->setUniformTexture2D("t2", THandle<Texture>::fromInstance(texture)), 0);
    object(a).t2.pointer = &stale;  // an interface from an earlier frame
    scene::ShaderRecord* before = record(a);
    scene::ShaderRecord* untouchedBefore = record(untouched);
    before->addRef();
    untouchedBefore->addRef();

    EXPECT_EQ(renewShadersWithChangedReferences(table, 1), 1);
    EXPECT_NE(record(a), before);
    EXPECT_EQ(object(a).t2.pointer, nullptr);  // the texture has no sampler
    EXPECT_EQ(static_cast<AllKindsShader*>(before->shaderObject)->t2.pointer, &stale);
    EXPECT_EQ(record(untouched), untouchedBefore);
    before->release();
    untouchedBefore->release();

    // Held by the table alone, a stale record is written in place.
    object(a).t2.pointer = &stale;
    before = record(a);
    EXPECT_EQ(renewShadersWithChangedReferences(table, 2), 0);
    EXPECT_EQ(record(a), before);
    EXPECT_EQ(object(a).t2.pointer, nullptr);
}
