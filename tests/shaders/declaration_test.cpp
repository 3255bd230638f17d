// What a shader's declare() leaves in the tables.
#include <cstring>

#include "shader_test_support.h"

using namespace hox;
using namespace shader_test;
using hox::scene::UniformTable;
using hox_test::AllKindsShader;

namespace {

class Declaration : public ManagerTest {
protected:
    void SetUp() override {
        ASSERT_EQ(shaders::instantiateShader(*record, "all_kinds", "all_kinds", manager), 0);
    }
    AllKindsShader& object() { return record.object<AllKindsShader>(); }
    const UniformTable& table(int kind) { return record->parameters.table(kind); }
    // The member's offset as the system must have recorded it.
    int32_t offsetOf(const void* member) {
        return int32_t(static_cast<const char*>(member) -
                       reinterpret_cast<const char*>(record->shaderObject));
    }
    void expectEntry(int kind, const char* name, const void* member) {
        const UniformTable& t = table(kind);
        const int i = t.find(name);
        ASSERT_GE(i, 0) << name;
        EXPECT_EQ(t.entry(i).offset, offsetOf(member)) << name;
    }

    OwnedShader record;
};

}  // namespace

TEST_F(Declaration, EveryKindHasItsEntryAtTheMembersOffset) {
    AllKindsShader& o = object();
    const void* members[scene::kUniformKindCount] = {
        &o.b1,  &o.b2,  &o.b3,  &o.b4,  &o.i1,  &o.i2,  &o.i3,  &o.i4,  &o.f1,  &o.f2,
        &o.f3,  &o.f4,  &o.m2,  &o.m3,  &o.m4,  &o.t1,  &o.t2,  &o.t3,  &o.tc,  &o.ref,
        &o.b1v, &o.b2v, &o.b3v, &o.b4v, &o.i1v, &o.i2v, &o.i3v, &o.i4v, &o.f1v, &o.f2v,
        &o.f3v, &o.f4v, &o.m2v, &o.m3v, &o.m4v, &o.t1v, &o.t2v, &o.t3v, &o.tcv};
    const char* names[scene::kUniformKindCount] = {
        "b1",  "b2",  "b3",  "b4",  "i1",  "i2",  "i3",  "i4",  "f1",  "f2",
        "f3",  "f4",  "m2",  "m3",  "m4",  "t1",  "t2",  "t3",  "tc",  "ref",
        "b1v", "b2v", "b3v", "b4v", "i1v", "i2v", "i3v", "i4v", "f1v", "f2v",
        "f3v", "f4v", "m2v", "m3v", "m4v", "t1v", "t2v", "t3v", "tcv"};
    for (int kind = 0; kind < scene::kUniformKindCount; ++kind) {
        expectEntry(kind, names[kind], members[kind]);
        // Each name lives in its own kind's table only ("shared" aside).
        if (kind != scene::UNIFORM_1B) {
            EXPECT_EQ(table(scene::UNIFORM_1B).find(names[kind]), -1);
        }
    }
    EXPECT_EQ(record->parameters.uniformCount(), scene::kUniformKindCount + 2);
}

TEST_F(Declaration, ValuesAreTheMembersAtDeclaration) {
    bool b1;
    std::memcpy(&b1, table(scene::UNIFORM_1B).entry(0).value, 1);
    EXPECT_TRUE(b1);
    int i1;
    std::memcpy(&i1, table(scene::UNIFORM_1I).entry(0).value, 4);
    EXPECT_EQ(i1, 11);
    Vec3f f3;
    std::memcpy(&f3, table(scene::UNIFORM_3F).entry(0).value, sizeof f3);
    EXPECT_EQ(f3.x, 1.0f);
    EXPECT_EQ(f3.z, 3.0f);
    UniformRef ref;
    std::memcpy(&ref, table(scene::UNIFORM_SHADER_REF).entry(0).value, sizeof ref);
    EXPECT_EQ(ref.instance, 0xFFFFFFFu);
    EXPECT_EQ(ref.pointer, nullptr);
}

TEST_F(Declaration, ArraysRecordTheirCountAndOnlyThatManyElements) {
    const uint8_t* i1v = table(scene::UNIFORM_1IV).entry(0).value;
    EXPECT_EQ(scene::uniformArrayCount(i1v), 2);
    int elements[3];
    std::memcpy(elements, scene::uniformArrayElement(scene::UNIFORM_1IV, i1v, 0), sizeof elements);
    EXPECT_EQ(elements[0], 100);
    EXPECT_EQ(elements[1], 101);
    EXPECT_EQ(elements[2], 0);  // past the count
    // A count the constructor left out of range is recorded as the room.
    EXPECT_EQ(scene::uniformArrayCount(table(scene::UNIFORM_4FV).entry(0).value), 256);
}

TEST_F(Declaration, ADuplicateNameIsRefusedAndTheFirstOffsetStays) {
    EXPECT_EQ(object().duplicateResult, -1);
    ASSERT_EQ(table(scene::UNIFORM_1F).find("f1"), 0);
    EXPECT_EQ(table(scene::UNIFORM_1F).entry(0).offset, offsetOf(&object().f1));
}

TEST_F(Declaration, TheSameNameMayBeUsedByDifferentKinds) {
    expectEntry(scene::UNIFORM_1I, "shared", &object().sharedInt);
    expectEntry(scene::UNIFORM_1F, "shared", &object().sharedFloat);
}

TEST_F(Declaration, TheObjectsTablePointerIsNeverAParameter) {
    EXPECT_EQ(object().vtableResult, -1);
    EXPECT_EQ(table(scene::UNIFORM_1I).find("vtable"), -1);
}

TEST_F(Declaration, AttributesKeepTheirSlotAndComponentCount) {
    const scene::AttributeTable& attributes = record->parameters.attributes();
    ASSERT_EQ(attributes.count(), 2);
    EXPECT_STREQ(attributes.entry(0).name.c_str(), "uv");
    EXPECT_EQ(attributes.entry(0).slot, 0);
    EXPECT_EQ(attributes.entry(0).components, 2);
    EXPECT_EQ(object().repeatedAttributeResult, 0);
    EXPECT_EQ(attributes.entry(1).slot, 3);
    EXPECT_EQ(attributes.entry(1).components, 16);
    EXPECT_EQ(object().badAttributeResult, -1);
}

TEST(ShaderParameterSet, AttributeTypeCodesGiveTheirComponents) {
    scene::ShaderParameterSet set;
    const int expected[] = {1, 2, 3, 4, 4, 9, 16};
    for (int code = 0; code < 7; ++code) EXPECT_EQ(set.declareAttribute(code, "a", code), 0);
    EXPECT_EQ(set.declareAttribute(-1, "a", 0), -1);
    EXPECT_EQ(set.declareAttribute(7, "a", 0), -1);
    EXPECT_EQ(set.declareAttribute(0, nullptr, 0), -1);
    ASSERT_EQ(set.attributes().count(), 7);
    for (int code = 0; code < 7; ++code)
        EXPECT_EQ(set.attributes().entry(code).components, expected[code]);
}

TEST(ShaderParameterSet, DeclaringChecksItsArguments) {
    scene::ShaderParameterSet set;
    int member = 3;
    EXPECT_EQ(set.declareUniform(scene::kUniformKindCount, "x", 8, &member), -1);
    EXPECT_EQ(set.declareUniform(-1, "x", 8, &member), -1);
    EXPECT_EQ(set.declareUniform(scene::UNIFORM_1I, nullptr, 8, &member), -1);
    EXPECT_EQ(set.declareUniform(scene::UNIFORM_1I, "x", 8, nullptr), -1);
    EXPECT_EQ(set.uniformCount(), 0);
}

TEST(ShaderParameterSet, TablesGrowBeyondTheirFirstBlock) {
    scene::ShaderParameterSet set;
    float member = 1.0f;
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(set.declareUniform(scene::UNIFORM_1F, std::to_string(i).c_str(), 8 + 4 * i,
                                     &member), 0);
    const UniformTable& t = set.table(scene::UNIFORM_1F);
    EXPECT_EQ(t.count(), 40);
    EXPECT_EQ(t.find("39"), 39);
    EXPECT_EQ(t.entry(39).offset, 8 + 4 * 39);
}
