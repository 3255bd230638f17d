// Setting parameters through the public Shader class: every kind reaches
// both the record's table and the shader object's member.
#include <cstring>
#include <vector>

#include "hox/status.h"
#include "hox/texture.h"
#include "shader_test_support.h"

using namespace hox;
using namespace shader_test;

namespace {

class UniformSetters : public AllKindsTest {
protected:
    Shader* s() { return record.shader(); }
    const uint8_t* member(int kind, const char* name) {
        const scene::UniformTable& t = record->parameters.table(kind);
        const int i = t.find(name);
        EXPECT_GE(i, 0) << name;
        return reinterpret_cast<const uint8_t*>(record->shaderObject) + (i < 0 ? 0 : t.entry(i).offset);
    }
    // The table's value of `name` holds exactly what the member holds (for
    // arrays: the count and the elements within it).
    void expectTableMatchesMember(int kind, const char* name) {
        const scene::UniformTable& t = record->parameters.table(kind);
        const int i = t.find(name);
        ASSERT_GE(i, 0) << name;
        const scene::UniformShape& shape = scene::uniformShape(kind);
        const uint8_t* m = member(kind, name);
        const int size = shape.array ? shape.elementsOffset + shape.elementSize * scene::uniformArrayCount(m)
                                     : shape.valueSize;
        EXPECT_EQ(std::memcmp(t.entry(i).value, m, size), 0) << name;
    }
    // Sets one value; the member then holds it byte for byte, and so does the table.
    template <typename V, typename T>
    void expectSet(int (Shader::*setter)(const char*, V), int kind, const char* name, const T& value) {
        EXPECT_EQ((s()->*setter)(name, value), 0) << name;
        EXPECT_EQ(std::memcmp(member(kind, name), &value, sizeof value), 0) << name;
        expectTableMatchesMember(kind, name);
    }
    // The same for an array of plain values.
    template <typename T>
    void expectSetArray(int (Shader::*setter)(const char*, int, const T*), int kind, const char* name,
                        std::initializer_list<typename std::common_type<T>::type> values) {
        EXPECT_EQ((s()->*setter)(name, int(values.size()), values.begin()), 0) << name;
        const auto* array = reinterpret_cast<const UniformArray<T>*>(member(kind, name));
        EXPECT_EQ(array->count, int(values.size())) << name;
        EXPECT_EQ(std::memcmp(array->elements, values.begin(), values.size() * sizeof(T)), 0) << name;
        expectTableMatchesMember(kind, name);
    }
};

Mat4f sequence4() {
    Mat4f m;
    for (int i = 0; i < 16; ++i) m.m[i] = float(i);
    return m;
}

}  // namespace

TEST_F(UniformSetters, ScalarsAndVectorsOfEveryKind) {
    expectSet(&Shader::setUniform1b, scene::UNIFORM_1B, "b1", false);  // declared true
    expectSet(&Shader::setUniform2b, scene::UNIFORM_2B, "b2", Vec2b{true, false});
    expectSet(&Shader::setUniform3b, scene::UNIFORM_3B, "b3", Vec3b{false, true, true});
    expectSet(&Shader::setUniform4b, scene::UNIFORM_4B, "b4", Vec4b{true, true, false, true});
    expectSet(&Shader::setUniform1i, scene::UNIFORM_1I, "i1", -7);  // declared 11
    expectSet(&Shader::setUniform2i, scene::UNIFORM_2I, "i2", Vec2i{1, 2});
    expectSet(&Shader::setUniform3i, scene::UNIFORM_3I, "i3", Vec3i{3, 4, 5});
    expectSet(&Shader::setUniform4i, scene::UNIFORM_4I, "i4", Vec4i{6, 7, 8, 9});
    expectSet(&Shader::setUniform1f, scene::UNIFORM_1F, "f1", 0.25f);  // declared 1.5
    expectSet(&Shader::setUniform2f, scene::UNIFORM_2F, "f2", Vec2f{1.5f, 2.5f});
    expectSet(&Shader::setUniform3f, scene::UNIFORM_3F, "f3", Vec3f{-1, -2, -3});
    expectSet(&Shader::setUniform4f, scene::UNIFORM_4F, "f4", Vec4f{9, 8, 7, 6});
}

TEST_F(UniformSetters, MatricesAreStoredAsGivenOrTransposed) {
    const Mat4f m = sequence4();
    ASSERT_EQ(s()->setUniform4x4f("m4", false, m), 0);
    EXPECT_EQ(std::memcmp(&o().m4, &m, sizeof m), 0);
    ASSERT_EQ(s()->setUniform4x4f("m4", true, m), 0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(o().m4.m[r * 4 + c], m.m[c * 4 + r]);
    expectTableMatchesMember(scene::UNIFORM_4X4F, "m4");
    ASSERT_EQ(s()->setUniform2x2f("m2", true, Mat2f{{1, 2, 3, 4}}), 0);
    EXPECT_EQ(std::make_pair(o().m2.m[1], o().m2.m[2]), std::make_pair(3.0f, 2.0f));
    ASSERT_EQ(s()->setUniform3x3f("m3", false, Mat3f{{1, 2, 3, 4, 5, 6, 7, 8, 9}}), 0);
    EXPECT_EQ(o().m3.m[1], 2.0f);
    ASSERT_EQ(s()->setUniform3x3f("m3", true, Mat3f{{1, 2, 3, 4, 5, 6, 7, 8, 9}}), 0);
    EXPECT_EQ(std::make_pair(o().m3.m[1], o().m3.m[5]), std::make_pair(4.0f, 8.0f));
    expectTableMatchesMember(scene::UNIFORM_3X3F, "m3");
}

TEST_F(UniformSetters, ReferencesKeepTheInstanceAndClearThePointer) {
    int somewhere = 0;
    o().t2.pointer = &somewhere;
    o().ref.pointer = &somewhere;
    EXPECT_EQ(s()->setUniformTexture2D("t2", THandle<Texture>::fromInstance(5)), 0);
    EXPECT_EQ(s()->setUniformShaderRef("ref", THandle<Shader>::fromInstance(9)), 0);
    EXPECT_EQ(std::make_tuple(o().t2.instance, o().t2.pointer, o().ref.instance, o().ref.pointer),
              std::make_tuple(5u, nullptr, 9u, nullptr));
    // A null handle is not checked: it names nothing, so it resolves to none.
    EXPECT_EQ(s()->setUniformTexture1D("t1", THandle<Texture>()), 0);
    EXPECT_EQ(o().t1.instance, 0xFFFFFFFu);
    EXPECT_EQ(s()->setUniformTexture3D("t3", THandle<Texture>::fromInstance(3)), 0);
    EXPECT_EQ(s()->setUniformTextureCube("tc", THandle<Texture>::fromInstance(4)), 0);
    EXPECT_EQ(std::make_pair(o().t3.instance, o().tc.instance), std::make_pair(3u, 4u));
    const std::pair<int, const char*> refs[] = {{scene::UNIFORM_TEXTURE_1D, "t1"}, {scene::UNIFORM_TEXTURE_2D, "t2"},
                                                {scene::UNIFORM_TEXTURE_3D, "t3"}, {scene::UNIFORM_TEXTURE_CUBE, "tc"},
                                                {scene::UNIFORM_SHADER_REF, "ref"}};
    for (const auto& r : refs) expectTableMatchesMember(r.first, r.second);
}

TEST_F(UniformSetters, ArraysOfEveryKind) {
    expectSetArray(&Shader::setUniform1bv, scene::UNIFORM_1BV, "b1v", {true, false, true});
    expectSetArray(&Shader::setUniform2bv, scene::UNIFORM_2BV, "b2v", {{true, false}});
    expectSetArray(&Shader::setUniform3bv, scene::UNIFORM_3BV, "b3v",
                   {{true, false, true}, {false, false, true}});
    expectSetArray(&Shader::setUniform4bv, scene::UNIFORM_4BV, "b4v", {{true, true, true, false}});
    expectSetArray(&Shader::setUniform1iv, scene::UNIFORM_1IV, "i1v", {5, 6, 7, 8});
    expectSetArray(&Shader::setUniform2iv, scene::UNIFORM_2IV, "i2v", {{1, 2}, {3, 4}});
    expectSetArray(&Shader::setUniform3iv, scene::UNIFORM_3IV, "i3v", {{1, 2, 3}});
    expectSetArray(&Shader::setUniform4iv, scene::UNIFORM_4IV, "i4v", {{1, 2, 3, 4}, {5, 6, 7, 8}});
    expectSetArray(&Shader::setUniform1fv, scene::UNIFORM_1FV, "f1v", {0.5f});
    expectSetArray(&Shader::setUniform2fv, scene::UNIFORM_2FV, "f2v", {{1, 2}, {3, 4}, {5, 6}});
    expectSetArray(&Shader::setUniform3fv, scene::UNIFORM_3FV, "f3v", {{1, 2, 3}, {4, 5, 6}});
    expectSetArray(&Shader::setUniform4fv, scene::UNIFORM_4FV, "f4v", {{1, 2, 3, 4}});

    const Mat2f m2[] = {{{1, 2, 3, 4}}, {{5, 6, 7, 8}}};
    const Mat3f m3[] = {{{1, 2, 3, 4, 5, 6, 7, 8, 9}}};
    const Mat4f m4[] = {sequence4(), sequence4()};
    const THandle<Texture> t[] = {THandle<Texture>::fromInstance(1), THandle<Texture>::fromInstance(2)};
    EXPECT_EQ(s()->setUniform2x2fv("m2v", false, 2, m2), 0);
    EXPECT_EQ(s()->setUniform3x3fv("m3v", true, 1, m3), 0);
    EXPECT_EQ(s()->setUniform4x4fv("m4v", true, 2, m4), 0);
    EXPECT_EQ(s()->setUniformTexture1Dv("t1v", 2, t), 0);
    EXPECT_EQ(s()->setUniformTexture2Dv("t2v", 1, t + 1), 0);
    EXPECT_EQ(s()->setUniformTexture3Dv("t3v", 2, t), 0);
    EXPECT_EQ(s()->setUniformTextureCubev("tcv", 1, t), 0);
    EXPECT_EQ(std::make_pair(o().m2v.count, o().m2v.elements[1].m[3]), std::make_pair(2, 8.0f));
    EXPECT_EQ(o().m3v.elements[0].m[1], 4.0f);  // transposed
    EXPECT_EQ(std::make_tuple(o().m4v.count, o().m4v.elements[1].m[1], o().m4v.elements[1].m[4]),
              std::make_tuple(2, 4.0f, 1.0f));  // transposed
    EXPECT_EQ(std::make_tuple(o().t1v.count, o().t1v.elements[1].instance, o().t1v.elements[1].pointer),
              std::make_tuple(2, 2u, nullptr));
    EXPECT_EQ(std::make_tuple(o().t2v.elements[0].instance, o().t3v.count, o().tcv.elements[0].instance),
              std::make_tuple(2u, 2, 1u));
    for (int kind = scene::UNIFORM_2X2FV; kind <= scene::UNIFORM_TEXTURE_CUBEV; ++kind) {
        const scene::UniformTable& table = record->parameters.table(kind);
        ASSERT_EQ(table.count(), 1);
        expectTableMatchesMember(kind, table.entry(0).name.c_str());
    }
}

TEST_F(UniformSetters, ElementsPastTheCountKeepTheirContents) {
    const float three[] = {1, 2, 3}, one[] = {9};
    ASSERT_EQ(s()->setUniform1fv("f1v", 3, three), 0);
    ASSERT_EQ(s()->setUniform1fv("f1v", 1, one), 0);
    EXPECT_EQ(std::make_tuple(o().f1v.count, o().f1v.elements[0], o().f1v.elements[2]), std::make_tuple(1, 9.0f, 3.0f));
    // Count 0 stores the count only; values are then not needed.
    ASSERT_EQ(s()->setUniform1fv("f1v", 0, nullptr), 0);
    EXPECT_EQ(std::make_tuple(o().f1v.count, o().f1v.elements[0], o().f1v.elements[1]), std::make_tuple(0, 9.0f, 2.0f));
    const uint8_t* value = record->parameters.table(scene::UNIFORM_1FV).entry(0).value;
    EXPECT_EQ(scene::uniformArrayCount(value), 0);
    float kept;
    std::memcpy(&kept, scene::uniformArrayElement(scene::UNIFORM_1FV, value, 1), 4);
    EXPECT_EQ(kept, 2.0f);
}

TEST_F(UniformSetters, WrongCountsKindsNamesOrArgumentsFailAndChangeNothing) {
    std::vector<Vec4f> values(257, Vec4f{1, 1, 1, 1});
    EXPECT_EQ(s()->setUniform4fv("f4v", 256, values.data()), 0);  // the room of an array is the limit
    EXPECT_EQ(s()->setUniform4fv("f4v", 257, values.data()), RESULT_INVALID_VALUE);
    EXPECT_EQ(s()->setUniform4fv("f4v", -1, values.data()), RESULT_INVALID_VALUE);
    // A bad count is checked first: a wrong name or no values do not matter.
    EXPECT_EQ(s()->setUniform4fv("nothing", 257, nullptr), RESULT_INVALID_VALUE);
    EXPECT_EQ(s()->setUniformTexture2Dv(nullptr, 300, nullptr), RESULT_INVALID_VALUE);
    EXPECT_EQ(s()->setUniform4x4fv("m4v", true, 1000, nullptr), RESULT_INVALID_VALUE);
    EXPECT_EQ(o().f4v.count, 256);

    EXPECT_EQ(s()->setUniform1f("i1", 2.0f), -1);  // a name of another kind
    EXPECT_EQ(s()->setUniform1i("f1", 2), -1);
    EXPECT_EQ(s()->setUniform1fv("f1", 1, &o().f1), -1);
    EXPECT_EQ(s()->setUniformTexture1D("ref", THandle<Texture>::fromInstance(1)), -1);
    EXPECT_EQ(s()->setUniform1f("F1", 1.0f), -1);  // names are case-sensitive
    EXPECT_EQ(s()->setUniform1f("", 1.0f), -1);
    EXPECT_EQ(s()->setUniform1f(nullptr, 1.0f), -1);
    EXPECT_EQ(s()->setUniform1iv("i1v", 2, nullptr), -1);
    EXPECT_EQ(s()->setUniform2x2fv("m2v", false, 1, nullptr), -1);
    EXPECT_EQ(s()->setUniformTexture1Dv("t1v", 1, nullptr), -1);
    EXPECT_EQ(std::make_tuple(o().i1, o().f1, o().i1v.count), std::make_tuple(11, 1.5f, 2));
    // "shared" exists in both kinds; each setter reaches its own member.
    EXPECT_EQ(s()->setUniform1i("shared", 70), 0);
    EXPECT_EQ(std::make_pair(o().sharedInt, o().sharedFloat), std::make_pair(70, 5.5f));
}

TEST(UniformSettersWithoutShader, FailWithMinusOneExceptForBadCounts) {
    OwnedShader record;
    Shader* s = record.shader();
    const float v[] = {1};
    EXPECT_EQ(s->setUniform1f("f1", 1.0f), -1);
    EXPECT_EQ(s->setUniform4x4f("m4", true, Mat4f()), -1);
    EXPECT_EQ(s->setUniformShaderRef("ref", THandle<Shader>::fromInstance(1)), -1);
    EXPECT_EQ(s->setUniform1fv("f1v", 1, v), -1);
    EXPECT_EQ(s->setUniform4fv("f4v", 257, nullptr), RESULT_INVALID_VALUE);
    EXPECT_EQ(std::make_pair(s->getVersion(), s->reload()), std::make_pair(-1, -1));
}
