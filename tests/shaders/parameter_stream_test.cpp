// Copies of Shader records and the stream form of their parameters.
#include <cstring>
#include <vector>

#include "shader_test_support.h"

using namespace hox;
using namespace shader_test;
using hox_test::AllKindsShader;

namespace {

class ParameterStream : public ManagerTest {
protected:
    void SetUp() override {
        ASSERT_EQ(shaders::instantiateShader(*source, "all_kinds", "all_kinds", manager), 0);
        ASSERT_EQ(shaders::instantiateShader(*target, "all_kinds", "all_kinds", manager), 0);
        Shader* s = source.shader();
        ASSERT_EQ(s->setUniform3b("b3", Vec3b{true, false, true}), 0);
        ASSERT_EQ(s->setUniform1i("i1", -123456), 0);
        ASSERT_EQ(s->setUniform4f("f4", Vec4f{0.5f, -1, 2, 1e20f}), 0);
        ASSERT_EQ(s->setUniform3x3f("m3", true, Mat3f{{1, 2, 3, 4, 5, 6, 7, 8, 9}}), 0);
        ASSERT_EQ(s->setUniformShaderRef("ref", THandle<Shader>::fromInstance(42)), 0);
        const Vec2i pairs[] = {{1, 2}, {3, 4}, {5, 6}};
        ASSERT_EQ(s->setUniform2iv("i2v", 3, pairs), 0);
        const THandle<Texture> textures[] = {THandle<Texture>::fromInstance(77)};
        ASSERT_EQ(s->setUniformTextureCubev("tcv", 1, textures), 0);
    }
    // The values SetUp gave the source.
    static void expectSourceValues(const AllKindsShader& o) {
        EXPECT_EQ(std::make_tuple(o.b3.y, o.b3.z, o.i1, o.f4.w, o.m3.m[1]),
                  std::make_tuple(false, true, -123456, 1e20f, 4.0f));
        EXPECT_EQ(std::make_tuple(o.ref.instance, o.ref.pointer), std::make_tuple(42u, nullptr));
        EXPECT_EQ(std::make_tuple(o.i2v.count, o.i2v.elements[2].y, o.tcv.elements[0].instance),
                  std::make_tuple(3, 6, 77u));
    }
    // Target after a failed read: still the declared values.
    void expectTargetUnchanged(size_t trace) {
        EXPECT_EQ(std::make_tuple(target.object().b1, target.object().i1, target.object().i2v.count),
                  std::make_tuple(true, 11, 0)) << trace;
    }

    OwnedShader source{3};
    OwnedShader target{0};
};

}  // namespace

TEST_F(ParameterStream, ValuesTravelIntoTheSameShaderAndCopiesGetTheirOwnObject) {
    ASSERT_TRUE(readInto(bytesOf(*source), *target));
    EXPECT_EQ(target->instance(), 3);
    expectSourceValues(target.object());
    EXPECT_EQ(bytesOf(*target), bytesOf(*source));  // the tables took the same values

    OwnedShader copy(3);
    copy->copyFrom(*source);
    ASSERT_NE(copy->shaderObject, nullptr);
    EXPECT_NE(copy->shaderObject, source->shaderObject);
    EXPECT_EQ(std::make_tuple(copy->factory, copy->flags, copy->library),
              std::make_tuple(source->factory, hox_test::kAllKindsFlags, source->library));
    expectSourceValues(copy.object());
    EXPECT_EQ(bytesOf(*copy), bytesOf(*source));
    ASSERT_EQ(copy.shader()->setUniform1i("i1", 1), 0);  // independent from now on
    EXPECT_EQ(source.object().i1, -123456);
}

TEST(ParameterStreamEncoding, CountsAndValuesByPositionLittleEndian) {
    // Members of a pretend object, declared straight into a set.
    struct Members {
        void* table;
        bool flag;
        int number;
        UniformArray<float> list;
        UniformRef ref;
    } m{};
    m.flag = true;
    m.number = 0x01020304;
    m.list.count = 2;
    m.list.elements[0] = 1.0f;
    m.list.elements[1] = -2.0f;
    m.ref.instance = 0x0ABCDEF;
    scene::ShaderParameterSet set;
    const auto declare = [&](int kind, const char* name, void* p) {
        const int32_t offset = int32_t(static_cast<const char*>(p) - reinterpret_cast<const char*>(&m));
        ASSERT_EQ(set.declareUniform(kind, name, offset, p), 0);
    };
    declare(scene::UNIFORM_1B, "flag", &m.flag);
    declare(scene::UNIFORM_1I, "number", &m.number);
    declare(scene::UNIFORM_1FV, "list", &m.list);
    declare(scene::UNIFORM_SHADER_REF, "ref", &m.ref);
    util::MemorySink sink;
    util::OutputStream out(&sink);
    set.write(out);
    out.flush();

    std::vector<uint8_t> expected;
    auto words = [&expected](std::initializer_list<uint32_t> values) {
        for (uint32_t v : values)
            for (int i = 0; i < 4; ++i) expected.push_back(uint8_t(v >> (8 * i)));
    };
    for (int kind = 0; kind < scene::kUniformKindCount; ++kind) {
        if (kind == scene::UNIFORM_1B) {
            words({1});
            expected.push_back(1);
        } else if (kind == scene::UNIFORM_1I) {
            words({1, 0x01020304});
        } else if (kind == scene::UNIFORM_SHADER_REF) {
            words({1, 0x0ABCDEF});
        } else if (kind == scene::UNIFORM_1FV) {
            words({1, 2, 0x3F800000, 0xC0000000});  // 1.0, -2.0
        } else {
            words({0});
        }
    }
    EXPECT_EQ(sink.bytes(), expected);
}

TEST_F(ParameterStream, TruncationsAndCountsBeyondTheLoadedTablesFailAndChangeNothing) {
    std::vector<uint8_t> bytes = bytesOf(*source);
    for (std::size_t size = 0; size < bytes.size(); size += 7) {
        ASSERT_FALSE(readInto(std::vector<uint8_t>(bytes.begin(), bytes.begin() + size), *target)) << size;
        expectTargetUnchanged(size);
    }
    // The record starts with instance and two strings; the tables follow.
    const std::size_t tables = 4 + 4 + source->shaderName.length() + 4 + source->libraryName.length();
    bytes[tables] = 2;  // two 1b values where one is declared
    ASSERT_FALSE(readInto(bytes, *target));
    expectTargetUnchanged(0);
    EXPECT_EQ(target->parameters.table(scene::UNIFORM_1B).count(), 1);
    EXPECT_EQ(target->parameters.uniformCount(), source->parameters.uniformCount());

    // An array count of 300 in the first array table.
    util::MemorySink sink;
    util::OutputStream out(&sink);
    out.writeInt32(0);
    out.writeString("all_kinds");
    out.writeString("all_kinds");
    for (int kind = 0; kind < scene::UNIFORM_1BV; ++kind) {
        const scene::UniformTable& t = source->parameters.table(kind);
        out.writeInt32(t.count());
        for (int i = 0; i < t.count(); ++i) scene::writeUniformValue(out, kind, t.entry(i).value);
    }
    out.writeInt32(1);
    out.writeInt32(300);
    out.flush();
    EXPECT_FALSE(readInto(sink.bytes(), *target));
    expectTargetUnchanged(1);
}

TEST_F(ParameterStream, ACopyOutlivesTheOriginalAndTheCache) {
    auto* original = new OwnedShader(1);
    ASSERT_EQ(shaders::instantiateShader(**original, "all_kinds", "all_kinds", manager), 0);
    OwnedShader copy(1);
    copy->copyFrom(**original);
    delete original;
    manager.removeEntry("all_kinds", "all_kinds");
    ASSERT_NE(copy->shaderObject, nullptr);
    EXPECT_EQ(copy->shaderObject->getVersion(), hox_test::kAllKindsVersion);
}
