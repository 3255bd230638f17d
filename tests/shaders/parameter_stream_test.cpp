// Copies of Shader records and the stream form of their parameters.
#include <cstring>
#include <vector>

#include "hox/shader.h"
#include "hox/status.h"
#include "shader_test_support.h"
#include "util/memory_stream.h"

using namespace hox;
using namespace shader_test;
using hox_test::AllKindsShader;

namespace {

std::vector<uint8_t> bytesOf(const scene::Record& record) {
    util::MemorySink sink;
    util::OutputStream out(&sink);
    record.write(out);
    out.flush();
    return sink.bytes();
}

// Reads `bytes` into `record`; true when the stream did not fail.
bool readInto(const std::vector<uint8_t>& bytes, scene::Record& record) {
    util::MemorySource source(bytes.data(), int(bytes.size()));
    util::InputStream in(&source);
    record.read(in);
    return !in.failed();
}

class ParameterStream : public ManagerTest {
protected:
    void SetUp() override {
        ASSERT_EQ(shaders::instantiateShader(*source, "all_kinds", "all_kinds", manager), 0);
        ASSERT_EQ(shaders::instantiateShader(*target, "all_kinds", "all_kinds", manager), 0);
        Shader* s = static_cast<Shader*>(source->publicObject());
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

    OwnedShader source{3};
    OwnedShader target{0};
};

}  // namespace

TEST_F(ParameterStream, ValuesTravelIntoTheSameShaderOnTheOtherSide) {
    ASSERT_TRUE(readInto(bytesOf(*source), *target));
    const AllKindsShader& o = target.object<AllKindsShader>();
    EXPECT_EQ(target->instance(), 3);
    EXPECT_TRUE(o.b3.z);
    EXPECT_FALSE(o.b3.y);
    EXPECT_EQ(o.i1, -123456);
    EXPECT_EQ(o.f4.w, 1e20f);
    EXPECT_EQ(o.m3.m[1], 4.0f);
    EXPECT_EQ(o.ref.instance, 42u);
    EXPECT_EQ(o.ref.pointer, nullptr);
    EXPECT_EQ(o.i2v.count, 3);
    EXPECT_EQ(o.i2v.elements[2].y, 6);
    EXPECT_EQ(o.tcv.elements[0].instance, 77u);
    // The tables took the same values: writing the target again gives the
    // same bytes.
    EXPECT_EQ(bytesOf(*target), bytesOf(*source));
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
    const auto offset = [&m](const void* p) {
        return int32_t(static_cast<const char*>(p) - reinterpret_cast<const char*>(&m));
    };
    ASSERT_EQ(set.declareUniform(scene::UNIFORM_1B, "flag", offset(&m.flag), &m.flag), 0);
    ASSERT_EQ(set.declareUniform(scene::UNIFORM_1I, "number", offset(&m.number), &m.number), 0);
    ASSERT_EQ(set.declareUniform(scene::UNIFORM_1FV, "list", offset(&m.list), &m.list), 0);
    ASSERT_EQ(set.declareUniform(scene::UNIFORM_SHADER_REF, "ref", offset(&m.ref), &m.ref), 0);

    util::MemorySink sink;
    util::OutputStream out(&sink);
    set.write(out);
    out.flush();

    std::vector<uint8_t> expected;
    auto word = [&expected](uint32_t v) {
        for (int i = 0; i < 4; ++i) expected.push_back(uint8_t(v >> (8 * i)));
    };
    for (int kind = 0; kind < scene::kUniformKindCount; ++kind) {
        if (kind == scene::UNIFORM_1B) {
            word(1);
            expected.push_back(1);
        } else if (kind == scene::UNIFORM_1I) {
            word(1);
            word(0x01020304);
        } else if (kind == scene::UNIFORM_SHADER_REF) {
            word(1);
            word(0x0ABCDEF);
        } else if (kind == scene::UNIFORM_1FV) {
            word(1);
            word(2);
            word(0x3F800000);  // 1.0
            word(0xC0000000);  // -2.0
        } else {
            word(0);
        }
    }
    EXPECT_EQ(sink.bytes(), expected);
}

TEST_F(ParameterStream, ACountBeyondTheLoadedTableFailsAndChangesNothing) {
    std::vector<uint8_t> bytes = bytesOf(*source);
    // The record starts with instance and two strings; the tables follow.
    const std::size_t tables = 4 + 4 + source->shaderName.length() + 4 +
                               source->libraryName.length();
    bytes[tables] = 2;  // two 1b values where one is declared
    ASSERT_FALSE(readInto(bytes, *target));
    const AllKindsShader& o = target.object<AllKindsShader>();
    EXPECT_TRUE(o.b1);
    EXPECT_EQ(o.i1, 11);
    EXPECT_EQ(target->parameters.table(scene::UNIFORM_1B).count(), 1);
    EXPECT_EQ(target->parameters.uniformCount(), source->parameters.uniformCount());
}

TEST_F(ParameterStream, ABadArrayCountOrAnEarlyEndFailsAndChangesNothing) {
    const std::vector<uint8_t> good = bytesOf(*source);
    for (std::size_t size = 0; size < good.size(); size += 7) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + size);
        EXPECT_FALSE(readInto(cut, *target)) << size;
        EXPECT_EQ(target.object<AllKindsShader>().i1, 11) << size;
        EXPECT_EQ(target.object<AllKindsShader>().i2v.count, 0) << size;
    }
    // An array count of 300 in the first array table (1bv, count 0 so far).
    util::MemorySink sink;
    util::OutputStream out(&sink);
    out.writeInt32(0);
    out.writeString("all_kinds");
    out.writeString("all_kinds");
    for (int kind = 0; kind < scene::kUniformKindCount; ++kind) {
        const scene::UniformTable& t = source->parameters.table(kind);
        if (kind < scene::UNIFORM_1BV) {
            out.writeInt32(t.count());
            for (int i = 0; i < t.count(); ++i) scene::writeUniformValue(out, kind, t.entry(i).value);
        } else {
            out.writeInt32(1);
            out.writeInt32(300);
            break;
        }
    }
    out.flush();
    EXPECT_FALSE(readInto(sink.bytes(), *target));
    EXPECT_EQ(target.object<AllKindsShader>().i1, 11);
}

TEST(ParameterStreamWithoutShader, EmptyTablesRoundTrip) {
    OwnedShader a(12), b(0);
    a->shaderName = "phong";
    a->libraryName = "std";
    ASSERT_TRUE(readInto(bytesOf(*a), *b));
    EXPECT_STREQ(b->shaderName.c_str(), "phong");
    EXPECT_EQ(b->parameters.uniformCount(), 0);
}

// --- copies ------------------------------------------------------------------

TEST_F(ParameterStream, ACopiedRecordGetsItsOwnObjectWithTheValues) {
    OwnedShader copy(3);
    copy->copyFrom(*source);
    ASSERT_NE(copy->shaderObject, nullptr);
    EXPECT_NE(copy->shaderObject, source->shaderObject);
    EXPECT_EQ(copy->factory, source->factory);
    EXPECT_EQ(copy->flags, hox_test::kAllKindsFlags);
    EXPECT_EQ(copy->library, source->library);
    const AllKindsShader& o = copy.object<AllKindsShader>();
    EXPECT_EQ(o.i1, -123456);
    EXPECT_EQ(o.i2v.count, 3);
    EXPECT_EQ(o.m3.m[1], 4.0f);
    EXPECT_EQ(o.ref.instance, 42u);
    EXPECT_EQ(bytesOf(*copy), bytesOf(*source));

    // Independent from now on.
    Shader* s = static_cast<Shader*>(copy->publicObject());
    ASSERT_EQ(s->setUniform1i("i1", 1), 0);
    EXPECT_EQ(source.object<AllKindsShader>().i1, -123456);
}

TEST_F(ParameterStream, ACopyOutlivesTheOriginalAndTheCache) {
    OwnedShader* original = new OwnedShader(1);
    ASSERT_EQ(shaders::instantiateShader(**original, "all_kinds", "all_kinds", manager), 0);
    OwnedShader copy(1);
    copy->copyFrom(**original);
    delete original;
    manager.removeEntry("all_kinds", "all_kinds");
    ASSERT_NE(copy->shaderObject, nullptr);
    EXPECT_EQ(copy->shaderObject->getVersion(), hox_test::kAllKindsVersion);
}

TEST(ShaderRecordCopy, ARecordWithoutShaderCopiesItsNames) {
    OwnedShader a(1), b(1);
    a->shaderName = "x";
    b->copyFrom(*a);
    EXPECT_STREQ(b->shaderName.c_str(), "x");
    EXPECT_EQ(b->shaderObject, nullptr);
    EXPECT_EQ(b->library, nullptr);
}
