// Loading shaders through the library manager: search, cache, failures and
// their messages.
#include "shader_test_support.h"

using namespace hox;
using namespace shader_test;
using hox::shaders::instantiateShader;
using hox_test::AllKindsShader;

namespace {

const char kVersion49[] =
    "could not load shader: 'old' (the shader is using API version 49, but only version 50 is supported).\n";

class ShaderLoading : public ManagerTest {
protected:
    // Instantiates into a fresh record and expects the load to fail with
    // exactly `warning`, leaving the cache as it was.
    void expectFailure(const char* shaderName, const char* libraryName, const std::string& warning) {
        SCOPED_TRACE(shaderName);
        const int entries = manager.entryCount();
        CapturedMessages messages;
        OwnedShader record;
        EXPECT_EQ(instantiateShader(*record, shaderName, libraryName, manager), -1);
        EXPECT_EQ(std::make_tuple(record->shaderObject, record->library), std::make_tuple(nullptr, nullptr));
        EXPECT_EQ(manager.entryCount(), entries);
        EXPECT_EQ(messages.warnings, std::vector<std::string>{warning});
    }
    std::string fileOf(int entry) { return manager.entry(entry)->fileName.c_str(); }
};

}  // namespace

TEST_F(ShaderLoading, TheSecondInstanceComesFromTheCacheWithoutDeclaring) {
    OwnedShader first, second;
    ASSERT_EQ(instantiateShader(*first, "all_kinds", "all_kinds", manager), 0);
    EXPECT_EQ(shaders::shaderVersion(*first), hox_test::kAllKindsVersion);
    EXPECT_EQ(first->shaderObject->getKind(), SHADER_KIND_SURFACE);
    EXPECT_STREQ(first->shaderName.c_str(), "all_kinds");
    EXPECT_STREQ(first->libraryName.c_str(), "all_kinds");
    ASSERT_EQ(manager.entryCount(), 1);
    EXPECT_TRUE(manager.entry(0)->loaded);
    EXPECT_EQ(fileOf(0), pluginFile("all_kinds"));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(manager.entry(0)) % 128, 0u);

    const int declarations = first.object().declareCallsInLibrary();
    ASSERT_EQ(instantiateShader(*second, "all_kinds", "all_kinds", manager), 0);
    EXPECT_EQ(manager.entryCount(), 1);
    EXPECT_EQ(second.object().declareCallsInLibrary(), declarations);
    EXPECT_EQ(std::make_tuple(first.object().declaredHere, second.object().declaredHere), std::make_tuple(true, false));
    EXPECT_NE(first->shaderObject, second->shaderObject);
    EXPECT_NE(first->factory, nullptr);
    EXPECT_EQ(first->factory, second->factory);
    EXPECT_EQ(std::make_tuple(first->flags, second->flags),
              std::make_tuple(hox_test::kAllKindsFlags, hox_test::kAllKindsFlags));
    EXPECT_GT(second->parameters.uniformCount(), 0);
    EXPECT_EQ(second->parameters.uniformCount(), first->parameters.uniformCount());
    // The constructor leaves an impossible count; the declaration recorded it
    // clamped, and nothing wrote the table's value into the new object.
    EXPECT_EQ(second.object().f4v.count, 999);
    EXPECT_EQ(scene::uniformArrayCount(second->parameters.table(scene::UNIFORM_4FV).entry(0).value), 256);
}

TEST_F(ShaderLoading, TheCacheKeyIsTheNamesExactlyAsGiven) {
    OwnedShader a, b;
    ASSERT_EQ(instantiateShader(*a, "all_kinds", "all_kinds", manager), 0);
    ASSERT_EQ(instantiateShader(*b, "all_kinds", " all_kinds/", manager), 0);
    EXPECT_EQ(manager.entryCount(), 2);
    EXPECT_EQ(manager.findEntry("all_kinds", " all_kinds/"), 1);
    EXPECT_EQ(manager.findEntry("All_Kinds", "all_kinds"), -1);
    EXPECT_EQ(a->factory, b->factory);  // the same file underneath: one module
}

TEST_F(ShaderLoading, BackslashesStemsAndAbsoluteNamesFindTheirFiles) {
    OwnedShader nested, stem, absolute;
    ASSERT_EQ(instantiateShader(*nested, "odd", "nested\\kind3", manager), 0);
    EXPECT_EQ(fileOf(0), pluginDir() + "/nested/kind364.so");
    EXPECT_EQ(nested->shaderObject->getKind(), 3);  // loaded like any other; only shading leaves it out
    ASSERT_EQ(instantiateShader(*stem, "all_kinds", "elsewhere\\all_kinds.shader", manager), 0);
    EXPECT_EQ(fileOf(1), pluginFile("all_kinds"));

    TemporaryFolder empty;
    manager.setSearchPath(empty.path().c_str());
    ASSERT_EQ(instantiateShader(*absolute, "all_kinds", (pluginDir() + "/all_kinds").c_str(), manager), 0);
    EXPECT_EQ(fileOf(2), pluginFile("all_kinds"));
    // Tried once: the stem under the search path would exist, but is not looked at.
    manager.setSearchPath(pluginDir().c_str());
    expectFailure("all_kinds", "/nonexistent/all_kinds", "could not load library '/nonexistent/all_kinds'\n");
}

TEST_F(ShaderLoading, EveryFailureIsReportedAndLeavesNoHalfEntryBehind) {
    {
        CapturedMessages messages;  // null names are refused quietly
        OwnedShader record;
        EXPECT_EQ(instantiateShader(*record, nullptr, "all_kinds", manager), -1);
        EXPECT_EQ(instantiateShader(*record, "all_kinds", nullptr, manager), -1);
        EXPECT_EQ(std::make_tuple(messages.warnings.size(), manager.entryCount()), std::make_tuple(0u, 0));
    }
    const struct {
        const char *shader, *library, *warning;
    } failures[] = {
        {"all_kinds", "no_such_library", "could not load library 'no_such_library'\n"},
        {"all_kinds", "", "could not load library ''\n"},
        {"nosuch", "all_kinds", "could not find shader 'nosuch' in library 'all_kinds'.\n"},
        {"old", "version49", kVersion49},
        {"lonely", "no_create", "shader 'lonely': _create() failed.\n"},
        {"phantom", "null_create", "shader 'phantom': _create() failed.\n"},
        // Exceptions from plug-in code are failures, not crashes.
        {"create_throws", "faulty", "shader 'create_throws': _create() failed.\n"},
        {"declare_throws", "faulty", "shader 'declare_throws': declare() failed.\n"},
    };
    for (const auto& f : failures) expectFailure(f.shader, f.library, f.warning);
    OwnedShader record;
    ASSERT_EQ(instantiateShader(*record, "all_kinds", "all_kinds", manager), 0);
    EXPECT_EQ(manager.entryCount(), 1);
    // Failing again for the same names reports again: nothing was cached.
    expectFailure("old", "version49", kVersion49);

    // A failed instantiate drops the shader the record held before.
    CapturedMessages quiet;
    EXPECT_EQ(instantiateShader(*record, "all_kinds", "no_such_library", manager), -1);
    EXPECT_EQ(std::make_tuple(record->shaderObject, record->parameters.uniformCount(), record->flags,
                              shaders::shaderVersion(*record)),
              std::make_tuple(nullptr, 0, 0, -1));
}

TEST_F(ShaderLoading, DeclarationsOutsideALoadAreRefused) {
    OwnedShader record;
    ASSERT_EQ(instantiateShader(*record, "all_kinds", "all_kinds", manager), 0);
    AllKindsShader& object = record.object();
    EXPECT_EQ(manager.declareUniform1i(&object, "late", &object.i1), -1);
    EXPECT_EQ(manager.setFlags(&object, 1), -1);
    EXPECT_EQ(manager.declareAttribute(&object, SHADER_ATTRIBUTE_1F, "late", 0), -1);
    EXPECT_EQ(manager.entry(0)->parameters.table(scene::UNIFORM_1I).find("late"), -1);
    EXPECT_EQ(manager.entry(0)->flags, hox_test::kAllKindsFlags);
}
