// Shared helpers of the shader tests: where the test plug-ins are, a
// message recorder, records owned the way a table slot owns them, and a
// private folder for plug-in files the tests replace.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hox/message_callback.h"
#include "scene/record.h"
#include "scene/shader_record.h"
#include "shaders/shader_instance.h"
#include "shaders/shader_library_manager.h"
#include "test_shaders.h"
#include "util/messages.h"

namespace shader_test {

inline std::string pluginDir() { return HOX_TEST_PLUGIN_DIR; }
inline std::string pluginFile(const std::string& name) {
    return pluginDir() + "/" + name + "64.so";
}

struct RecordingCallback : hox::IMessageCallback {
    std::vector<std::string> messages, warnings, errors;
    void message(int, const char* text) override { messages.push_back(text); }
    void warning(const char* text) override { warnings.push_back(text); }
    void error(const char* text) override { errors.push_back(text); }
};

// Installs a recorder for the test's lifetime and puts printing back after.
class CapturedMessages {
public:
    CapturedMessages() { hox::util::setMessageCallback(&recorder); }
    ~CapturedMessages() { hox::util::setMessageCallback(nullptr); }
    const std::vector<std::string>& warnings() const { return recorder.warnings; }

    RecordingCallback recorder;
};

// A shader record holding its first reference, released at the end.
class OwnedShader {
public:
    explicit OwnedShader(int instance = 0)
        : m_record(hox::scene::recordAs<hox::scene::ShaderRecord>(
              hox::scene::createRecord(hox::CLASS_TYPE_SHADER, instance))) {
        m_record->addRef();
    }
    ~OwnedShader() { m_record->release(); }
    OwnedShader(const OwnedShader&) = delete;
    OwnedShader& operator=(const OwnedShader&) = delete;

    hox::scene::ShaderRecord* operator->() const { return m_record; }
    hox::scene::ShaderRecord& operator*() const { return *m_record; }
    hox::scene::ShaderRecord* get() const { return m_record; }

    template <typename T>
    T& object() const {
        return *static_cast<T*>(m_record->shaderObject);
    }

private:
    hox::scene::ShaderRecord* m_record;
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

    // Puts a copy of `source` at `name` the way a build does: written
    // beside, then renamed over, so a library still loaded from the old
    // file keeps its pages.
    void install(const std::string& source, const std::string& name) const {
        const std::string staging = m_path + "/.staging";
        std::filesystem::copy_file(source, staging,
                                   std::filesystem::copy_options::overwrite_existing);
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

}  // namespace shader_test
