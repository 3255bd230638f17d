// Helpers of the shader tests: the test plug-ins, owned shader records and a
// private folder for plug-in files the tests replace.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hox/shader.h"
#include "scene/record.h"
#include "scene/scene_test_support.h"
#include "scene/shader_record.h"
#include "shaders/shader_instance.h"
#include "shaders/shader_library_manager.h"
#include "test_shaders.h"

namespace shader_test {

inline std::string pluginDir() { return HOX_TEST_PLUGIN_DIR; }
inline std::string pluginFile(const std::string& name) { return pluginDir() + "/" + name + "64.so"; }

// Warnings recorded while it lives; stream round trips of records.
using CapturedMessages = hox::scene::testing::MessageCatcher;
using hox::scene::testing::bytesOf;
using hox::scene::testing::readInto;

// A shader record holding its first reference, released at the end.
struct OwnedShader : hox::scene::testing::Owned<hox::scene::ShaderRecord> {
    using Owned::Owned;
    hox::Shader* shader() const { return static_cast<hox::Shader*>(record->publicObject()); }
    template <typename T = hox_test::AllKindsShader>
    T& object() const {
        return *static_cast<T*>(record->shaderObject);
    }
};

// A fresh folder, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "hox-shaders-XXXXXX");
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        m_path = mkdtemp(name.data());
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::string& path() const { return m_path; }

    // Written beside, then renamed over, as a build does: a library still
    // loaded from the old file keeps its pages.
    void install(const std::string& source, const std::string& name) const {
        const std::string staging = m_path + "/.staging";
        std::filesystem::copy_file(source, staging, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::rename(staging, m_path + "/" + name);
    }

private:
    std::string m_path;
};

// A manager of the test's own, searching the plug-in folder.
class ManagerTest : public ::testing::Test {
protected:
    ManagerTest() { manager.setSearchPath(pluginDir().c_str()); }
    hox::shaders::ShaderLibraryManager manager;
};

// `record` holds an all_kinds shader, declared by this manager.
class AllKindsTest : public ManagerTest {
protected:
    void SetUp() override {
        ASSERT_EQ(hox::shaders::instantiateShader(*record, "all_kinds", "all_kinds", manager), 0);
    }
    hox_test::AllKindsShader& o() { return record.object(); }

    OwnedShader record;
};

}  // namespace shader_test
