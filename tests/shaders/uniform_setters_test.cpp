// Setting parameters through the public Shader class: every kind reaches
// both the record's table and the shader object's member.
#include <cstring>
#include <vector>

#include "hox/shader.h"
#include "hox/status.h"
#include "hox/texture.h"
#include "shader_test_support.h"

using namespace hox;
using namespace shader_test;
using hox_test::AllKindsShader;

namespace {

class UniformSetters : public ManagerTest {
protected:
    void SetUp() override {
        ASSERT_EQ(shaders::instantiateShader(*record, "all_kinds", "all_kinds", manager), 0);
    }
    AllKindsShader& o() { return record.object<AllKindsShader>(); }
    Shader* shader() { return static_cast<Shader*>(record->publicObject()); }

    // The table's value of `name` holds exactly what the member holds (for
    // arrays: the count and the elements within it).
    void expectTableMatchesMember(int kind, const char* name) {
        const scene::UniformTable& t = record->parameters.table(kind);
        const int i = t.find(name);
        ASSERT_GE(i, 0) << name;
        const scene::UniformShape& shape = scene::uniformShape(kind);
        const uint8_t* member =
            reinterpret_cast<const uint8_t*>(record->shaderObject) + t.entry(i).offset;
        int size = shape.valueSize;
        if (shape.array)
            size = shape.elementsOffset + shape.elementSize * scene::uniformArrayCount(member);
        EXPECT_EQ(std::memcmp(t.entry(i).value, member, size), 0) << name;
    }

    OwnedShader record;
};

Mat4f sequence4() {
    Mat4f m;
    for (int i = 0; i < 16; ++i) m.m[i] = float(i);
    return m;
}

}  // namespace

TEST_F(UniformSetters, ScalarsAndVectorsOfEveryKind) {
    Shader* s = shader();
    EXPECT_EQ(s->setUniform1b("b1", false), 0);
    EXPECT_EQ(s->setUniform2b("b2", Vec2b{true, false}), 0);
    EXPECT_EQ(s->setUniform3b("b3", Vec3b{false, true, true}), 0);
    EXPECT_EQ(s->setUniform4b("b4", Vec4b{true, true, false, true}), 0);
    EXPECT_EQ(s->setUniform1i("i1", -7), 0);
    EXPECT_EQ(s->setUniform2i("i2", Vec2i{1, 2}), 0);
    EXPECT_EQ(s->setUniform3i("i3", Vec3i{3, 4, 5}), 0);
    EXPECT_EQ(s->setUniform4i("i4", Vec4i{6, 7, 8, 9}), 0);
    EXPECT_EQ(s->setUniform1f("f1", 0.25f), 0);
    EXPECT_EQ(s->setUniform2f("f2", Vec2f{1.5f, 2.5f}), 0);
    EXPECT_EQ(s->setUniform3f("f3", Vec3f{-1, -2, -3}), 0);
    EXPECT_EQ(s->setUniform4f("f4", Vec4f{9, 8, 7, 6}), 0);

    EXPECT_FALSE(o().b1);
    EXPECT_TRUE(o().b2.x);
    EXPECT_FALSE(o().b2.y);
    EXPECT_TRUE(o().b3.z);
    EXPECT_FALSE(o().b4.z);
    EXPECT_EQ(o().i1, -7);
    EXPECT_EQ(o().i2.y, 2);
    EXPECT_EQ(o().i3.z, 5);
    EXPECT_EQ(o().i4.w, 9);
    EXPECT_EQ(o().f1, 0.25f);
    EXPECT_EQ(o().f2.y, 2.5f);
    EXPECT_EQ(o().f3.x, -1.0f);
    EXPECT_EQ(o().f4.w, 6.0f);
    const char* names[] = {"b1", "b2", "b3", "b4", "i1", "i2", "i3", "i4", "f1", "f2", "f3", "f4"};
    for (int kind = scene::UNIFORM_1B; kind <= scene::UNIFORM_4F; ++kind)
        expectTableMatchesMember(kind, names[kind]);
}

TEST_F(UniformSetters, MatricesAreStoredAsGivenOrTransposed) {
    Shader* s = shader();
    const Mat4f m = sequence4();
    ASSERT_EQ(s->setUniform4x4f("m4", false, m), 0);
    EXPECT_EQ(std::memcmp(&o().m4, &m, sizeof m), 0);
    ASSERT_EQ(s->setUniform4x4f("m4", true, m), 0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(o().m4.m[r * 4 + c], m.m[c * 4 + r]);
    expectTableMatchesMember(scene::UNIFORM_4X4F, "m4");

    ASSERT_EQ(s->setUniform2x2f("m2", true, Mat2f{{1, 2, 3, 4}}), 0);
    EXPECT_EQ(o().m2.m[1], 3.0f);
    EXPECT_EQ(o().m2.m[2], 2.0f);
    ASSERT_EQ(s->setUniform3x3f("m3", false, Mat3f{{1, 2, 3, 4, 5, 6, 7, 8, 9}}), 0);
    EXPECT_EQ(o().m3.m[1], 2.0f);
    ASSERT_EQ(s->setUniform3x3f("m3", true, Mat3f{{1, 2, 3, 4, 5, 6, 7, 8, 9}}), 0);
    EXPECT_EQ(o().m3.m[1], 4.0f);
    EXPECT_EQ(o().m3.m[5], 8.0f);
    expectTableMatchesMember(scene::UNIFORM_3X3F, "m3");
}

TEST_F(UniformSetters, ReferencesKeepTheInstanceAndClearThePointer) {
    Shader* s = shader();
    int somewhere = 0;
    o().t2.pointer = &somewhere;
    o().ref.pointer = &somewhere;
    EXPECT_EQ(s->setUniformTexture2D("t2", THandle<Texture>::fromInstance(5)), 0);
    EXPECT_EQ(s->setUniformShaderRef("ref", THandle<Shader>::fromInstance(9)), 0);
    EXPECT_EQ(o().t2.instance, 5u);
    EXPECT_EQ(o().t2.pointer, nullptr);
    EXPECT_EQ(o().ref.instance, 9u);
    EXPECT_EQ(o().ref.pointer, nullptr);
    // A null handle is not checked: it names nothing, so it resolves to none.
    EXPECT_EQ(s->setUniformTexture1D("t1", THandle<Texture>()), 0);
    EXPECT_EQ(o().t1.instance, 0xFFFFFFFu);
    EXPECT_EQ(s->setUniformTexture3D("t3", THandle<Texture>::fromInstance(3)), 0);
    EXPECT_EQ(s->setUniformTextureCube("tc", THandle<Texture>::fromInstance(4)), 0);
    EXPECT_EQ(o().tc.instance, 4u);
    expectTableMatchesMember(scene::UNIFORM_TEXTURE_1D, "t1");
    expectTableMatchesMember(scene::UNIFORM_TEXTURE_2D, "t2");
    expectTableMatchesMember(scene::UNIFORM_TEXTURE_3D, "t3");
    expectTableMatchesMember(scene::UNIFORM_TEXTURE_CUBE, "tc");
    expectTableMatchesMember(scene::UNIFORM_SHADER_REF, "ref");
}

TEST_F(UniformSetters, ArraysOfEveryKind) {
    Shader* s = shader();
    const bool b[] = {true, false, true};
    const Vec2b b2[] = {{true, false}};
    const Vec3b b3[] = {{true, false, true}, {false, false, true}};
    const Vec4b b4[] = {{true, true, true, false}};
    const int i[] = {5, 6, 7, 8};
    const Vec2i i2[] = {{1, 2}, {3, 4}};
    const Vec3i i3[] = {{1, 2, 3}};
    const Vec4i i4[] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    const float f[] = {0.5f};
    const Vec2f f2[] = {{1, 2}, {3, 4}, {5, 6}};
    const Vec3f f3[] = {{1, 2, 3}, {4, 5, 6}};
    const Vec4f f4[] = {{1, 2, 3, 4}};
    const Mat2f m2[] = {{{1, 2, 3, 4}}, {{5, 6, 7, 8}}};
    const Mat3f m3[] = {{{1, 2, 3, 4, 5, 6, 7, 8, 9}}};
    const Mat4f m4[] = {sequence4(), sequence4()};
    const THandle<Texture> t[] = {THandle<Texture>::fromInstance(1),
                                  THandle<Texture>::fromInstance(2)};
    EXPECT_EQ(s->setUniform1bv("b1v", 3, b), 0);
    EXPECT_EQ(s->setUniform2bv("b2v", 1, b2), 0);
    EXPECT_EQ(s->setUniform3bv("b3v", 2, b3), 0);
    EXPECT_EQ(s->setUniform4bv("b4v", 1, b4), 0);
    EXPECT_EQ(s->setUniform1iv("i1v", 4, i), 0);
    EXPECT_EQ(s->setUniform2iv("i2v", 2, i2), 0);
    EXPECT_EQ(s->setUniform3iv("i3v", 1, i3), 0);
    EXPECT_EQ(s->setUniform4iv("i4v", 2, i4), 0);
    EXPECT_EQ(s->setUniform1fv("f1v", 1, f), 0);
    EXPECT_EQ(s->setUniform2fv("f2v", 3, f2), 0);
    EXPECT_EQ(s->setUniform3fv("f3v", 2, f3), 0);
    EXPECT_EQ(s->setUniform4fv("f4v", 1, f4), 0);
    EXPECT_EQ(s->setUniform2x2fv("m2v", false, 2, m2), 0);
    EXPECT_EQ(s->setUniform3x3fv("m3v", true, 1, m3), 0);
    EXPECT_EQ(s->setUniform4x4fv("m4v", true, 2, m4), 0);
    EXPECT_EQ(s->setUniformTexture1Dv("t1v", 2, t), 0);
    EXPECT_EQ(s->setUniformTexture2Dv("t2v", 1, t + 1), 0);
    EXPECT_EQ(s->setUniformTexture3Dv("t3v", 2, t), 0);
    EXPECT_EQ(s->setUniformTextureCubev("tcv", 1, t), 0);

    EXPECT_EQ(o().b1v.count, 3);
    EXPECT_TRUE(o().b1v.elements[2]);
    EXPECT_TRUE(o().b3v.elements[1].z);
    EXPECT_EQ(o().i1v.count, 4);
    EXPECT_EQ(o().i1v.elements[3], 8);
    EXPECT_EQ(o().i4v.elements[1].w, 8);
    EXPECT_EQ(o().f2v.elements[2].x, 5.0f);
    EXPECT_EQ(o().f3v.elements[1].z, 6.0f);
    EXPECT_EQ(o().m2v.elements[1].m[3], 8.0f);
    EXPECT_EQ(o().m3v.elements[0].m[1], 4.0f);  // transposed
    EXPECT_EQ(o().m4v.count, 2);
    EXPECT_EQ(o().m4v.elements[1].m[1], 4.0f);  // transposed
    EXPECT_EQ(o().m4v.elements[1].m[4], 1.0f);
    EXPECT_EQ(o().t1v.count, 2);
    EXPECT_EQ(o().t1v.elements[1].instance, 2u);
    EXPECT_EQ(o().t1v.elements[1].pointer, nullptr);
    EXPECT_EQ(o().t2v.elements[0].instance, 2u);
    for (int kind = scene::UNIFORM_1BV; kind <= scene::UNIFORM_TEXTURE_CUBEV; ++kind) {
        const scene::UniformTable& table = record->parameters.table(kind);
        ASSERT_EQ(table.count(), 1);
        expectTableMatchesMember(kind, table.entry(0).name.c_str());
    }
}

TEST_F(UniformSetters, ElementsPastTheCountKeepTheirContents) {
    Shader* s = shader();
    const float three[] = {1, 2, 3};
    ASSERT_EQ(s->setUniform1fv("f1v", 3, three), 0);
    const float one[] = {9};
    ASSERT_EQ(s->setUniform1fv("f1v", 1, one), 0);
    EXPECT_EQ(o().f1v.count, 1);
    EXPECT_EQ(o().f1v.elements[0], 9.0f);
    EXPECT_EQ(o().f1v.elements[2], 3.0f);

    // Count 0 stores the count only; values are then not needed.
    ASSERT_EQ(s->setUniform1fv("f1v", 0, nullptr), 0);
    EXPECT_EQ(o().f1v.count, 0);
    EXPECT_EQ(o().f1v.elements[0], 9.0f);
    EXPECT_EQ(o().f1v.elements[1], 2.0f);
    const uint8_t* value = record->parameters.table(scene::UNIFORM_1FV).entry(0).value;
    EXPECT_EQ(scene::uniformArrayCount(value), 0);
    float kept;
    std::memcpy(&kept, scene::uniformArrayElement(scene::UNIFORM_1FV, value, 1), 4);
    EXPECT_EQ(kept, 2.0f);
}

TEST_F(UniformSetters, TheRoomOfAnArrayIsTheLimit) {
    Shader* s = shader();
    std::vector<Vec4f> values(257, Vec4f{1, 1, 1, 1});
    EXPECT_EQ(s->setUniform4fv("f4v", 256, values.data()), 0);
    EXPECT_EQ(o().f4v.count, 256);
    EXPECT_EQ(s->setUniform4fv("f4v", 257, values.data()), RESULT_INVALID_VALUE);
    EXPECT_EQ(s->setUniform4fv("f4v", -1, values.data()), RESULT_INVALID_VALUE);
    // Before any other test: a wrong name or no values change nothing.
    EXPECT_EQ(s->setUniform4fv("nothing", 257, nullptr), RESULT_INVALID_VALUE);
    EXPECT_EQ(s->setUniformTexture2Dv(nullptr, 300, nullptr), RESULT_INVALID_VALUE);
    EXPECT_EQ(s->setUniform4x4fv("m4v", true, 1000, nullptr), RESULT_INVALID_VALUE);
    EXPECT_EQ(o().f4v.count, 256);
}

TEST_F(UniformSetters, ANameOfAnotherKindFailsAndChangesNothing) {
    Shader* s = shader();
    EXPECT_EQ(s->setUniform1f("i1", 2.0f), -1);
    EXPECT_EQ(o().i1, 11);
    EXPECT_EQ(s->setUniform1i("f1", 2), -1);
    EXPECT_EQ(o().f1, 1.5f);
    EXPECT_EQ(s->setUniform1fv("f1", 1, &o().f1), -1);
    EXPECT_EQ(s->setUniformTexture1D("ref", THandle<Texture>::fromInstance(1)), -1);
    // "shared" exists in both kinds; each setter reaches its own member.
    EXPECT_EQ(s->setUniform1i("shared", 70), 0);
    EXPECT_EQ(o().sharedInt, 70);
    EXPECT_EQ(o().sharedFloat, 5.5f);
}

TEST_F(UniformSetters, UnknownNamesAndNullArgumentsFail) {
    Shader* s = shader();
    EXPECT_EQ(s->setUniform1f("F1", 1.0f), -1);  // names are case-sensitive
    EXPECT_EQ(s->setUniform1f("", 1.0f), -1);
    EXPECT_EQ(s->setUniform1f(nullptr, 1.0f), -1);
    EXPECT_EQ(s->setUniform1iv("i1v", 2, nullptr), -1);
    EXPECT_EQ(s->setUniform2x2fv("m2v", false, 1, nullptr), -1);
    EXPECT_EQ(s->setUniformTexture1Dv("t1v", 1, nullptr), -1);
    EXPECT_EQ(o().i1v.count, 2);
}

TEST(UniformSettersWithoutShader, FailWithMinusOneExceptForBadCounts) {
    OwnedShader record;
    Shader* s = static_cast<Shader*>(record->publicObject());
    const float v[] = {1};
    EXPECT_EQ(s->setUniform1f("f1", 1.0f), -1);
    EXPECT_EQ(s->setUniform4x4f("m4", true, Mat4f()), -1);
    EXPECT_EQ(s->setUniformShaderRef("ref", THandle<Shader>::fromInstance(1)), -1);
    EXPECT_EQ(s->setUniform1fv("f1v", 1, v), -1);
    EXPECT_EQ(s->setUniform4fv("f4v", 257, nullptr), RESULT_INVALID_VALUE);
    EXPECT_EQ(s->getVersion(), -1);
    EXPECT_EQ(s->reload(), -1);
}
