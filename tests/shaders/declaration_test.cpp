// What a shader's declare() leaves in the tables.
#include <cstring>

#include "shader_test_support.h"

using namespace hox;
using namespace shader_test;
using hox::scene::UniformTable;

namespace {

class Declaration : public AllKindsTest {
protected:
    const UniformTable& table(int kind) { return record->parameters.table(kind); }
    // The member's offset as the system must have recorded it.
    int32_t offsetOf(const void* member) {
        return int32_t(static_cast<const char*>(member) - reinterpret_cast<const char*>(record->shaderObject));
    }
    void expectEntry(int kind, const char* name, const void* member) {
        const int i = table(kind).find(name);
        ASSERT_GE(i, 0) << name;
        EXPECT_EQ(table(kind).entry(i).offset, offsetOf(member)) << name;
    }
    template <typename T>
    T value(int kind) {
        T v;
        std::memcpy(&v, table(kind).entry(0).value, sizeof v);
        return v;
    }
};

}  // namespace

TEST_F(Declaration, EveryKindHasItsEntryAtTheMembersOffsetHoldingItsValue) {
    auto& m = o();
#define HOX_ADDRESS(suffix, T, name) &m.name,
#define HOX_NAME(suffix, T, name) #name,
    const void* members[] = {HOX_TEST_ALL_KINDS(HOX_ADDRESS)};
    const char* names[] = {HOX_TEST_ALL_KINDS(HOX_NAME)};
#undef HOX_NAME
#undef HOX_ADDRESS
    static_assert(sizeof names / sizeof names[0] == scene::kUniformKindCount, "one member per kind");
    for (int kind = 0; kind < scene::kUniformKindCount; ++kind) {
        expectEntry(kind, names[kind], members[kind]);
        // Each name lives in its own kind's table only ("shared" aside).
        EXPECT_EQ(table(scene::UNIFORM_1B).find(names[kind]), kind == scene::UNIFORM_1B ? 0 : -1);
    }
    EXPECT_EQ(record->parameters.uniformCount(), scene::kUniformKindCount + 2);

    // The values are the members' at declaration.
    EXPECT_TRUE(value<bool>(scene::UNIFORM_1B));
    EXPECT_EQ(value<int>(scene::UNIFORM_1I), 11);
    const Vec3f f3 = value<Vec3f>(scene::UNIFORM_3F);
    EXPECT_EQ(std::make_tuple(f3.x, f3.z), std::make_tuple(1.0f, 3.0f));
    const UniformRef ref = value<UniformRef>(scene::UNIFORM_SHADER_REF);
    EXPECT_EQ(std::make_tuple(ref.instance, ref.pointer), std::make_tuple(0xFFFFFFFu, nullptr));
    // Arrays record their count and only that many elements; a count the
    // constructor left out of range is recorded as the room.
    const uint8_t* i1v = table(scene::UNIFORM_1IV).entry(0).value;
    int elements[3];
    std::memcpy(elements, scene::uniformArrayElement(scene::UNIFORM_1IV, i1v, 0), sizeof elements);
    EXPECT_EQ(std::make_tuple(scene::uniformArrayCount(i1v), elements[0], elements[1], elements[2]),
              std::make_tuple(2, 100, 101, 0));
    EXPECT_EQ(scene::uniformArrayCount(table(scene::UNIFORM_4FV).entry(0).value), 256);
}

TEST_F(Declaration, DuplicatesAndTheObjectsTablePointerAreRefusedButKindsMayShareAName) {
    EXPECT_EQ(o().duplicateResult, -1);
    ASSERT_EQ(table(scene::UNIFORM_1F).find("f1"), 0);
    EXPECT_EQ(table(scene::UNIFORM_1F).entry(0).offset, offsetOf(&o().f1));  // the first stays
    EXPECT_EQ(o().vtableResult, -1);
    EXPECT_EQ(table(scene::UNIFORM_1I).find("vtable"), -1);
    expectEntry(scene::UNIFORM_1I, "shared", &o().sharedInt);
    expectEntry(scene::UNIFORM_1F, "shared", &o().sharedFloat);
}

TEST_F(Declaration, AttributesKeepTheirSlotAndComponentCount) {
    const scene::AttributeTable& attributes = record->parameters.attributes();
    ASSERT_EQ(attributes.count(), 2);
    EXPECT_STREQ(attributes.entry(0).name.c_str(), "uv");
    EXPECT_EQ(std::make_tuple(attributes.entry(0).slot, attributes.entry(0).components), std::make_tuple(0, 2));
    EXPECT_EQ(std::make_tuple(attributes.entry(1).slot, attributes.entry(1).components), std::make_tuple(3, 16));
    EXPECT_EQ(o().repeatedAttributeResult, 0);
    EXPECT_EQ(o().badAttributeResult, -1);
}

TEST(ShaderParameterSet, ChecksArgumentsGivesAttributeComponentsAndGrowsItsTables) {
    scene::ShaderParameterSet set;
    const int components[] = {1, 2, 3, 4, 4, 9, 16};  // by attribute type code
    for (int code = 0; code < 7; ++code) EXPECT_EQ(set.declareAttribute(code, "a", code), 0);
    for (int code : {-1, 7}) EXPECT_EQ(set.declareAttribute(code, "a", 0), -1);
    EXPECT_EQ(set.declareAttribute(0, nullptr, 0), -1);
    ASSERT_EQ(set.attributes().count(), 7);
    for (int code = 0; code < 7; ++code) EXPECT_EQ(set.attributes().entry(code).components, components[code]);

    float member = 1.0f;
    EXPECT_EQ(set.declareUniform(scene::kUniformKindCount, "x", 8, &member), -1);
    EXPECT_EQ(set.declareUniform(-1, "x", 8, &member), -1);
    EXPECT_EQ(set.declareUniform(scene::UNIFORM_1F, nullptr, 8, &member), -1);
    EXPECT_EQ(set.declareUniform(scene::UNIFORM_1F, "x", 8, nullptr), -1);
    EXPECT_EQ(set.uniformCount(), 0);
    for (int i = 0; i < 40; ++i)  // beyond the first block
        ASSERT_EQ(set.declareUniform(scene::UNIFORM_1F, std::to_string(i).c_str(), 8 + 4 * i, &member), 0);
    const UniformTable& t = set.table(scene::UNIFORM_1F);
    EXPECT_EQ(std::make_tuple(t.count(), t.find("39"), t.entry(39).offset), std::make_tuple(40, 39, 8 + 4 * 39));
}
