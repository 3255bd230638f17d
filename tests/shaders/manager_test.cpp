// Loading shaders through the library manager: search, cache, failures and
// their messages.
#include "shader_test_support.h"

using namespace hox;
using namespace shader_test;
using hox::shaders::instantiateShader;
using hox_test::AllKindsShader;

namespace {

class ShaderLoading : public ManagerTest {
protected:
    // Instantiates into a fresh record and expects the load to fail with
    // exactly `warning`, leaving the cache as it was.
    void expectFailure(const char* shaderName, const char* libraryName, const std::string& warning) {
        const int entries = manager.entryCount();
        CapturedMessages messages;
        OwnedShader record;
        EXPECT_EQ(instantiateShader(*record, shaderName, libraryName, manager), -1);
        EXPECT_EQ(record->shaderObject, nullptr);
        EXPECT_EQ(record->library, nullptr);
        EXPECT_EQ(manager.entryCount(), entries);
        ASSERT_EQ(messages.warnings().size(), 1u);
        EXPECT_EQ(messages.warnings()[0], warning);
    }
};

}  // namespace

TEST_F(ShaderLoading, InstantiateLoadsFromTheSearchPath) {
    OwnedShader record;
    ASSERT_EQ(instantiateShader(*record, "all_kinds", "all_kinds", manager), 0);
    ASSERT_NE(record->shaderObject, nullptr);
    EXPECT_EQ(shaders::shaderVersion(*record), hox_test::kAllKindsVersion);
    EXPECT_EQ(record->shaderObject->getKind(), SHADER_KIND_SURFACE);
    EXPECT_EQ(record->flags, hox_test::kAllKindsFlags);
    EXPECT_NE(record->factory, nullptr);
    EXPECT_STREQ(record->shaderName.c_str(), "all_kinds");
    EXPECT_STREQ(record->libraryName.c_str(), "all_kinds");
    ASSERT_EQ(manager.entryCount(), 1);
    const shaders::ShaderEntry* entry = manager.entry(0);
    EXPECT_TRUE(entry->loaded);
    EXPECT_EQ(std::string(entry->fileName.c_str()), pluginFile("all_kinds"));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(entry) % 128, 0u);
}

TEST_F(ShaderLoading, TheSecondInstanceComesFromTheCacheWithoutDeclaring) {
    OwnedShader first, second;
    ASSERT_EQ(instantiateShader(*first, "all_kinds", "all_kinds", manager), 0);
    const int declarations = first.object<AllKindsShader>().declareCallsInLibrary();
    ASSERT_EQ(instantiateShader(*second, "all_kinds", "all_kinds", manager), 0);

    EXPECT_EQ(manager.entryCount(), 1);
    EXPECT_EQ(second.object<AllKindsShader>().declareCallsInLibrary(), declarations);
    EXPECT_TRUE(first.object<AllKindsShader>().declaredHere);
    EXPECT_FALSE(second.object<AllKindsShader>().declaredHere);
    EXPECT_NE(first->shaderObject, second->shaderObject);
    EXPECT_EQ(first->factory, second->factory);
    EXPECT_EQ(second->flags, hox_test::kAllKindsFlags);
    EXPECT_EQ(second->parameters.uniformCount(), first->parameters.uniformCount());
    EXPECT_GT(second->parameters.uniformCount(), 0);
}

TEST_F(ShaderLoading, ACachedObjectKeepsItsConstructorValuesAndTheTablesTheDeclaredOnes) {
    OwnedShader first, second;
    ASSERT_EQ(instantiateShader(*first, "all_kinds", "all_kinds", manager), 0);
    ASSERT_EQ(instantiateShader(*second, "all_kinds", "all_kinds", manager), 0);
    // The constructor leaves an impossible count; the declaration recorded
    // it clamped, and nothing wrote the table's value into the new object.
    EXPECT_EQ(second.object<AllKindsShader>().f4v.count, 999);
    const scene::UniformTable& table = second->parameters.table(scene::UNIFORM_4FV);
    ASSERT_EQ(table.count(), 1);
    EXPECT_EQ(scene::uniformArrayCount(table.entry(0).value), 256);
}

TEST_F(ShaderLoading, TheCacheKeyIsTheNamesExactlyAsGiven) {
    OwnedShader a, b;
    ASSERT_EQ(instantiateShader(*a, "all_kinds", "all_kinds", manager), 0);
    ASSERT_EQ(instantiateShader(*b, "all_kinds", " all_kinds/", manager), 0);
    EXPECT_EQ(manager.entryCount(), 2);
    EXPECT_EQ(manager.findEntry("all_kinds", " all_kinds/"), 1);
    EXPECT_EQ(manager.findEntry("All_Kinds", "all_kinds"), -1);
    // The same file underneath: one module, one factory.
    EXPECT_EQ(a->factory, b->factory);
}

TEST_F(ShaderLoading, BackslashesSeparateDirectoriesUnderTheSearchPath) {
    OwnedShader record;
    ASSERT_EQ(instantiateShader(*record, "odd", "nested\\kind3", manager), 0);
    EXPECT_EQ(std::string(manager.entry(0)->fileName.c_str()), pluginDir() + "/nested/kind364.so");
    // Kind 3 is loaded like any other; only shading leaves it out.
    EXPECT_EQ(record->shaderObject->getKind(), 3);
}

TEST_F(ShaderLoading, TheStemIsTriedWhenTheWholeNameIsNotFound) {
    OwnedShader record;
    ASSERT_EQ(instantiateShader(*record, "all_kinds", "elsewhere\\all_kinds.shader", manager), 0);
    EXPECT_EQ(std::string(manager.entry(0)->fileName.c_str()), pluginFile("all_kinds"));
}

TEST_F(ShaderLoading, AbsoluteNamesIgnoreTheSearchPath) {
    TemporaryFolder empty;
    manager.setSearchPath(empty.path().c_str());
    OwnedShader record;
    const std::string absolute = pluginDir() + "/all_kinds";
    ASSERT_EQ(instantiateShader(*record, "all_kinds", absolute.c_str(), manager), 0);
    EXPECT_EQ(std::string(manager.entry(0)->fileName.c_str()), pluginFile("all_kinds"));

    // Tried once: the stem under the search path would exist, but is not
    // looked at.
    manager.setSearchPath(pluginDir().c_str());
    expectFailure("all_kinds", "/nonexistent/all_kinds",
                  "could not load library '/nonexistent/all_kinds'\n");
}

TEST_F(ShaderLoading, AMissingLibraryIsReported) {
    expectFailure("all_kinds", "no_such_library", "could not load library 'no_such_library'\n");
    expectFailure("all_kinds", "", "could not load library ''\n");
}

TEST_F(ShaderLoading, AShaderTheLibraryDoesNotExportIsReported) {
    expectFailure("nosuch", "all_kinds",
                  "could not find shader 'nosuch' in library 'all_kinds'.\n");
}

TEST_F(ShaderLoading, AnOtherInterfaceVersionIsRefused) {
    expectFailure("old", "version49",
                  "could not load shader: 'old' (the shader is using API version 49, but only "
                  "version 50 is supported).\n");
}

TEST_F(ShaderLoading, AMissingOrEmptyFactoryIsReported) {
    expectFailure("lonely", "no_create", "shader 'lonely': _create() failed.\n");
    expectFailure("phantom", "null_create", "shader 'phantom': _create() failed.\n");
}

TEST_F(ShaderLoading, ExceptionsFromPluginCodeAreFailuresNotCrashes) {
    expectFailure("create_throws", "faulty", "shader 'create_throws': _create() failed.\n");
    expectFailure("declare_throws", "faulty", "shader 'declare_throws': declare() failed.\n");
}

TEST_F(ShaderLoading, AFailedLoadLeavesNoHalfEntryBehind) {
    expectFailure("old", "version49",
                  "could not load shader: 'old' (the shader is using API version 49, but only "
                  "version 50 is supported).\n");
    expectFailure("declare_throws", "faulty", "shader 'declare_throws': declare() failed.\n");
    OwnedShader record;
    ASSERT_EQ(instantiateShader(*record, "all_kinds", "all_kinds", manager), 0);
    EXPECT_EQ(manager.entryCount(), 1);
    // Failing again for the same names reports again: nothing was cached.
    expectFailure("old", "version49",
                  "could not load shader: 'old' (the shader is using API version 49, but only "
                  "version 50 is supported).\n");
}

TEST_F(ShaderLoading, AFailedInstantiateDropsTheShaderHeldBefore) {
    OwnedShader record;
    ASSERT_EQ(instantiateShader(*record, "all_kinds", "all_kinds", manager), 0);
    CapturedMessages quiet;
    EXPECT_EQ(instantiateShader(*record, "all_kinds", "no_such_library", manager), -1);
    EXPECT_EQ(record->shaderObject, nullptr);
    EXPECT_EQ(record->parameters.uniformCount(), 0);
    EXPECT_EQ(record->flags, 0);
    EXPECT_EQ(shaders::shaderVersion(*record), -1);
}

TEST_F(ShaderLoading, NullNamesAreRefusedQuietly) {
    CapturedMessages messages;
    OwnedShader record;
    EXPECT_EQ(instantiateShader(*record, nullptr, "all_kinds", manager), -1);
    EXPECT_EQ(instantiateShader(*record, "all_kinds", nullptr, manager), -1);
    EXPECT_TRUE(messages.warnings().empty());
    EXPECT_EQ(manager.entryCount(), 0);
}

TEST_F(ShaderLoading, DeclarationsOutsideALoadAreRefused) {
    OwnedShader record;
    ASSERT_EQ(instantiateShader(*record, "all_kinds", "all_kinds", manager), 0);
    AllKindsShader& object = record.object<AllKindsShader>();
    EXPECT_EQ(manager.declareUniform1i(&object, "late", &object.i1), -1);
    EXPECT_EQ(manager.setFlags(&object, 1), -1);
    EXPECT_EQ(manager.declareAttribute(&object, SHADER_ATTRIBUTE_1F, "late", 0), -1);
    EXPECT_EQ(manager.entry(0)->parameters.table(scene::UNIFORM_1I).find("late"), -1);
    EXPECT_EQ(manager.entry(0)->flags, hox_test::kAllKindsFlags);
}

TEST(ShaderLibraryManager, TheLibraryHasOneManager) {
    EXPECT_EQ(&shaders::ShaderLibraryManager::instance(),
              &shaders::ShaderLibraryManager::instance());
    shaders::ShaderLibraryManager& manager = shaders::ShaderLibraryManager::instance();
    manager.setSearchPath("/opt/shaders");
    EXPECT_STREQ(manager.searchPath().c_str(), "/opt/shaders/");
    manager.setSearchPath("");
    EXPECT_STREQ(manager.searchPath().c_str(), "");
}
