// The model loader on files and on bytes in memory: a binary glTF whose
// header claims more than the data holds is refused before assimp sizes a
// buffer by it, and bytes in memory never reach files beside them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "hox/device.h"
#include "hox/message_callback.h"
#include "model_loader.h"
#include "scene_builder.h"
#include "shader_factory.h"
#include "tool_runner.h"

namespace hox_render {
namespace {

class QuietMessages : public hox::IMessageCallback {
public:
    void message(int, const char*) override {}
    void warning(const char*) override {}
    void error(const char*) override {}
};

// A render device and a builder on it for the test's lifetime.
class ModelLoader : public ::testing::Test {
protected:
    void SetUp() override {
        static QuietMessages messages;  // the library keeps it after Shutdown
        ASSERT_EQ(0, hox::Init(&messages, m_device));
        m_shaders = std::make_unique<ShaderFactory>(m_device, "hoxstd");
        m_builder = std::make_unique<SceneBuilder>(m_device, *m_shaders);
    }
    void TearDown() override {
        m_builder.reset();
        m_shaders.reset();
        if (m_device) hox::Shutdown(m_device);
    }

    hox::IRenderDevice* m_device = nullptr;
    std::unique_ptr<ShaderFactory> m_shaders;
    std::unique_ptr<SceneBuilder> m_builder;
};

void put32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

// One triangle; the positions and indices in `buffer` (44 bytes), and the
// JSON naming the buffer by `uri` (none: the binary chunk of a .glb).
std::string triangleJson(const std::string& uri) {
    const std::string buffer = uri.empty() ? R"({"byteLength":44})" : R"({"byteLength":44,"uri":")" + uri + "\"}";
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
           R"("meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],"buffers":[)" +
           buffer +
           R"(],"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},)"
           R"({"buffer":0,"byteOffset":36,"byteLength":6}],"accessors":[)"
           R"({"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},)"
           R"({"bufferView":1,"componentType":5123,"count":3,"type":"SCALAR"}]})";
}

std::string triangleBuffer() {
    const float positions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const uint16_t indices[4] = {0, 1, 2, 0};
    std::string bytes(44, '\0');
    std::memcpy(&bytes[0], positions, 36);
    std::memcpy(&bytes[36], indices, 8);
    return bytes;
}

std::string triangleGlb() {
    std::string json = triangleJson("");
    while (json.size() % 4) json.push_back(' ');
    const std::string bin = triangleBuffer();
    std::string glb = "glTF";
    put32(glb, 2);
    put32(glb, static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
    put32(glb, static_cast<uint32_t>(json.size()));
    glb += "JSON" + json;
    put32(glb, static_cast<uint32_t>(bin.size()));
    glb += std::string("BIN\0", 4) + bin;
    return glb;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(ModelLoader, BinaryGltfClaimingMoreThanItHoldsIsRefusedWithTheReason) {
    const std::string dir = hox_tools_test::scratchDir();
    const std::string whole = triangleGlb();

    // The intact file loads both ways: the check refuses only what is cut.
    LoadedModel fromMemory, fromFile;
    std::string error;
    ASSERT_TRUE(loadModelFromMemory(*m_builder, whole.data(), whole.size(), "glb", false, fromMemory, error))
        << error;
    EXPECT_EQ(1, fromMemory.triangles);
    writeFile(dir + "/whole.glb", whole);
    ASSERT_TRUE(loadModel(*m_builder, dir + "/whole.glb", false, fromFile, error)) << error;
    EXPECT_EQ(1, fromFile.triangles);

    // Cut inside the header, cut inside the JSON chunk, and a forged JSON
    // chunk length of nearly 4 GiB in an otherwise whole file.
    std::string forged = whole;
    forged[12] = forged[13] = forged[14] = '\xff';
    forged[15] = '\x7f';
    const std::vector<std::string> broken = {whole.substr(0, 14), whole.substr(0, 60), forged};
    for (size_t i = 0; i < broken.size(); ++i) {
        const std::string& bytes = broken[i];
        LoadedModel model;
        error.clear();
        EXPECT_FALSE(loadModelFromMemory(*m_builder, bytes.data(), bytes.size(), "glb", false, model, error));
        EXPECT_NE(std::string::npos, error.find("binary glTF cut short")) << i << ": " << error;
        const std::string path = dir + "/broken" + std::to_string(i) + ".glb";
        writeFile(path, bytes);
        error.clear();
        EXPECT_FALSE(loadModel(*m_builder, path, false, model, error));
        EXPECT_NE(std::string::npos, error.find("binary glTF cut short")) << i << ": " << error;
        EXPECT_NE(std::string::npos, error.find(path)) << error;
    }
}

TEST_F(ModelLoader, BytesInMemoryDoNotReachFilesTheyName) {
    const std::string dir = hox_tools_test::scratchDir();
    writeFile(dir + "/triangle.bin", triangleBuffer());
    const std::string json = triangleJson("triangle.bin");
    writeFile(dir + "/triangle.gltf", json);

    // The file finds its buffer beside it.
    LoadedModel fromFile;
    std::string error;
    ASSERT_TRUE(loadModel(*m_builder, dir + "/triangle.gltf", false, fromFile, error)) << error;
    EXPECT_EQ(1, fromFile.triangles);

    // The same bytes from memory, even with the buffer in the working
    // folder, are refused rather than read from whatever file has the name.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    LoadedModel fromMemory;
    error.clear();
    const bool loaded = loadModelFromMemory(*m_builder, json.data(), json.size(), "gltf", false, fromMemory, error);
    std::filesystem::current_path(previous);
    EXPECT_FALSE(loaded);
    EXPECT_NE(std::string::npos, error.find("in memory")) << error;

    // Empty input says so instead of assimp's complaint about parameters.
    error.clear();
    EXPECT_FALSE(loadModelFromMemory(*m_builder, json.data(), 0, "gltf", false, fromMemory, error));
    EXPECT_NE(std::string::npos, error.find("empty")) << error;
}

// assimp 5.2 reads an OBJ in memory as its own material library when the
// library it names cannot be opened, and its material reader runs off the
// end of these 18 bytes (a SEGV in libassimp). The file must be refused
// with the reason, and the loader must go on working afterwards.
TEST_F(ModelLoader, AFileThatCrashesTheImporterIsRefusedAndTheProgramGoesOn) {
    const std::string crashing = "mtllib x.mtl\na\nmap";
    LoadedModel model;
    std::string error;
    EXPECT_FALSE(loadModelFromMemory(*m_builder, crashing.data(), crashing.size(), "obj", false, model, error));
    EXPECT_NE(std::string::npos, error.find("the importer crashed")) << error;
    EXPECT_NE(std::string::npos, error.find("obj data in memory")) << error;

    const std::string dir = hox_tools_test::scratchDir();
    writeFile(dir + "/after.glb", triangleGlb());
    error.clear();
    LoadedModel after;
    ASSERT_TRUE(loadModel(*m_builder, dir + "/after.glb", false, after, error)) << error;
    EXPECT_EQ(1, after.triangles);
}

}  // namespace
}  // namespace hox_render
