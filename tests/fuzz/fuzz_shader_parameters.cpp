// Fuzzes the stream form of a shader's parameter tables: the values of all
// 39 uniform kinds, taken by position into a shader's declared parameters.
//
// The set read into declares one parameter of every kind, as a shader would.
// Properties: no crash, leak or undefined behaviour; a refused stream changes
// nothing (neither the tables nor the shader object); an accepted one writes
// back into bytes that read again to the same tables.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_stream.h"
#include "scene/shader_parameters.h"
#include "scene/uniform_kind.h"

namespace {

using hox::scene::ShaderParameterSet;

// A shader object's memory: one member per kind, at increasing offsets.
struct FakeShader {
    FakeShader() : bytes(size(), 0) {}
    static size_t size() {
        size_t total = 0;
        for (int kind = 0; kind < hox::scene::kUniformKindCount; ++kind)
            total += static_cast<size_t>(hox::scene::uniformShape(kind).valueSize);
        return total;
    }
    std::vector<uint8_t> bytes;
};

void declareAll(ShaderParameterSet& set, FakeShader& shader) {
    int32_t offset = 0;
    for (int kind = 0; kind < hox::scene::kUniformKindCount; ++kind) {
        char name[16];
        std::snprintf(name, sizeof(name), "p%d", kind);
        if (set.declareUniform(kind, name, offset, shader.bytes.data() + offset) != 0)
            hox::fuzz::violated("declaring a parameter failed");
        offset += hox::scene::uniformShape(kind).valueSize;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FakeShader shader;
    ShaderParameterSet set;
    declareAll(set, shader);
    const auto before = hox::fuzz::streamBytes([&](hox::util::OutputStream& out) { set.write(out); });
    const std::vector<uint8_t> objectBefore = shader.bytes;

    hox::util::MemorySource source(data, size);
    hox::util::InputStream in(&source);
    if (!set.readValues(in, shader.bytes.data())) {
        const auto after = hox::fuzz::streamBytes([&](hox::util::OutputStream& out) { set.write(out); });
        if (after != before) hox::fuzz::violated("a refused stream changed the tables");
        if (shader.bytes != objectBefore) hox::fuzz::violated("a refused stream changed the shader");
        return 0;
    }

    const auto written = hox::fuzz::streamBytes([&](hox::util::OutputStream& out) { set.write(out); });
    FakeShader other;
    ShaderParameterSet again;
    declareAll(again, other);
    hox::util::MemorySource back(written.data(), written.size());
    hox::util::InputStream in2(&back);
    if (!again.readValues(in2, other.bytes.data())) hox::fuzz::violated("tables do not read back");
    const auto rewritten = hox::fuzz::streamBytes([&](hox::util::OutputStream& out) { again.write(out); });
    if (rewritten != written) hox::fuzz::violated("tables changed over a round trip");
    return 0;
}
