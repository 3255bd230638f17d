// Writes the seed inputs of the fuzz targets from real records and streams:
//   hox_fuzz_seed_writer <tests/fuzz/corpus>
// Run it after a change of a stream format and commit what it writes; the
// fuzzers start from these instead of guessing the formats from nothing.
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_stream.h"
#include "hox/handle.h"
#include "hox/texture_descriptor.h"
#include "scene/record.h"
#include "scene/settings_records.h"
#include "scene/shader_parameters.h"
#include "scene/texture_record.h"
#include "scene/uniform_kind.h"
#include "textures/texture_creation.h"

namespace {

using hox::util::OutputStream;

bool save(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

const int kRecordClasses[] = {2, 3, 6, 4, 7, 8, 9, 10, 11, 12, 13, 14, 15};

// A texture record holding a real sampler for the descriptor.
std::vector<uint8_t> textureStream(int type, int format, int components, int size) {
    std::vector<float> texels(static_cast<size_t>(size) * size * size * 4, 0.5f);
    hox::TextureDescriptor d;
    d.type = type;
    d.format = format;
    d.components = components;
    d.filter = hox::TEXTURE_FILTER_LINEAR;
    d.width = size;
    d.height = type == hox::TEXTURE_TYPE_1D ? 1 : size;
    d.depth = type == hox::TEXTURE_TYPE_3D ? size : 1;
    d.data = texels.data();
    for (auto& face : d.faces) face = texels.data();
    hox::scene::Record* record = hox::scene::createRecord(hox::CLASS_TYPE_TEXTURE, 3);
    record->addRef();
    auto* texture = hox::scene::recordAs<hox::scene::TextureRecord>(record);
    if (hox::textures::createTexture(*texture, d) != 0) std::fprintf(stderr, "texture refused\n");
    auto bytes = hox::fuzz::streamBytes([&](OutputStream& out) { record->write(out); });
    record->release();
    return bytes;
}

void writeFloats(OutputStream& out, int count, float value) {
    for (int i = 0; i < count; ++i) out.writeFloat(value);
}

// One view with one object, one light and one geometry.
std::vector<uint8_t> frameSlotStream() {
    return hox::fuzz::streamBytes([](OutputStream& out) {
        out.writeInt32(7);
        hox::scene::DeviceSettingsData().write(out);
        out.writeInt32(1);
        out.writeUInt32(1);                                  // render view instance
        for (int v : {0, 2, 3, -1, 4}) out.writeInt32(v);    // index, camera, framebuffer, env, options
        out.writeInt32(1);                                   // objects
        for (int v : {5, 6, 7}) out.writeInt32(v);
        writeFloats(out, 16, 1.0f);                          // world matrix
        writeFloats(out, 6, 0.5f);                           // bounds
        out.writeUInt32(3);
        out.writeUInt32(1);
        out.writeBool(true);
        out.writeFloat(2.0f);
        out.writeUInt32(0);
        out.writeInt32(1);                                   // lights
        out.writeInt32(8);
        out.writeInt32(-1);
        writeFloats(out, 6, 0.25f);
        out.writeInt32(0);
        writeFloats(out, 4, 1.0f);
        out.writeInt32(2);
        out.writeBool(true);
        out.writeInt32(1);                                   // geometries
        out.writeInt32(7);
        out.writeInt32(0);                                   // shaders
        out.writeInt32(0);                                   // textures
        out.writeBool(false);
        out.writeBool(true);
        out.writeInt32(2);
        writeFloats(out, 6, -1.0f);
        writeFloats(out, 2, 1.0f);
        writeFloats(out, 6, 0.0f);
    });
}

// The tables of a shader that declares one parameter of every kind.
std::vector<uint8_t> shaderParameterStream() {
    std::vector<uint8_t> member(hox::scene::kMaxUniformValueSize, 0);
    hox::scene::ShaderParameterSet set;
    for (int kind = 0; kind < hox::scene::kUniformKindCount; ++kind)
        set.declareUniform(kind, ("p" + std::to_string(kind)).c_str(), 0, member.data());
    return hox::fuzz::streamBytes([&](OutputStream& out) { set.write(out); });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    bool ok = true;
    for (unsigned i = 0; i < sizeof(kRecordClasses) / sizeof(kRecordClasses[0]); ++i) {
        hox::scene::Record* record = hox::scene::createRecord(kRecordClasses[i], 5);
        record->addRef();
        auto bytes = hox::fuzz::streamBytes([&](OutputStream& out) { record->write(out); });
        record->release();
        bytes.insert(bytes.begin(), static_cast<uint8_t>(i));
        ok &= save(root + "/records/class" + std::to_string(kRecordClasses[i]) + ".bin", bytes);
    }
    auto texture = textureStream(hox::TEXTURE_TYPE_2D, hox::TEXTURE_FORMAT_UINT8, 4, 2);
    texture.insert(texture.begin(), 9);  // the texture class's index above
    ok &= save(root + "/records/texture_2d.bin", texture);
    ok &= save(root + "/texture_stream/2d_uint8.bin", textureStream(hox::TEXTURE_TYPE_2D, 0, 4, 2));
    ok &= save(root + "/texture_stream/1d_float.bin", textureStream(hox::TEXTURE_TYPE_1D, 1, 1, 4));
    ok &= save(root + "/texture_stream/3d_uint8.bin", textureStream(hox::TEXTURE_TYPE_3D, 0, 3, 2));
    ok &= save(root + "/texture_stream/cube_float.bin", textureStream(hox::TEXTURE_TYPE_CUBE, 1, 2, 2));
    ok &= save(root + "/frame_slot/one_view.bin", frameSlotStream());
    ok &= save(root + "/shader_parameters/every_kind.bin", shaderParameterStream());
    ok &= save(root + "/shader_parameters/empty_tables.bin",
               std::vector<uint8_t>(4 * hox::scene::kUniformKindCount, 0));
    if (!ok) std::fprintf(stderr, "could not write every seed under %s\n", root.c_str());
    return ok ? 0 : 1;
}
