// Reloading a shader whose library file was rebuilt.
#include "shader_test_support.h"

using namespace hox;
using namespace shader_test;
using hox::shaders::instantiateShader;
using hox::shaders::reloadShader;
using hox_test::ReloadableA;
using hox_test::ReloadableB;

namespace {

class Reload : public ManagerTest {
protected:
    void SetUp() override {
        folder.install(pluginFile("reloadable_a"), "reloadable64.so");
        library = folder.path() + "/reloadable";
        ASSERT_EQ(instantiateShader(*record, "reloadable", library.c_str(), manager), 0);
        ASSERT_EQ(shaders::shaderVersion(*record), 1);
    }

    TemporaryFolder folder;
    std::string library;
    OwnedShader record;
};

}  // namespace

TEST_F(Reload, TheNewBuildKeepsEveryValueWhoseNameAndKindRemainAndReplacesTheCacheEntry) {
    OwnedShader older;
    ASSERT_EQ(instantiateShader(*older, "reloadable", library.c_str(), manager), 0);
    Shader* s = record.shader();
    ASSERT_EQ(s->setUniform1f("gain", 5.0f), 0);
    ASSERT_EQ(s->setUniform1i("steps", 6), 0);
    ASSERT_EQ(s->setUniform1i("mode", 7), 0);
    ASSERT_EQ(s->setUniform1f("onlyA", 8.0f), 0);
    const Vec4f colours[] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    ASSERT_EQ(s->setUniform4fv("colours", 2, colours), 0);

    folder.install(pluginFile("reloadable_b"), "reloadable64.so");
    ASSERT_EQ(reloadShader(*record, manager), 0);
    EXPECT_EQ(shaders::shaderVersion(*record), 2);
    EXPECT_EQ(record->shaderObject->getKind(), SHADER_KIND_LIGHT);
    const ReloadableB& b = record.object<ReloadableB>();
    // mode was an int and is a float now: not carried; onlyB is new: the
    // build's default.
    EXPECT_EQ(std::make_tuple(b.gain, b.steps, b.mode, b.onlyB), std::make_tuple(5.0f, 6, 30.0f, 40.0f));
    EXPECT_EQ(std::make_tuple(b.colours.count, b.colours.elements[1].w), std::make_tuple(2, 8.0f));
    // The tables are the new build's, with the carried values in them.
    EXPECT_EQ(record->parameters.table(scene::UNIFORM_1F).find("onlyA"), -1);
    EXPECT_EQ(s->setUniform1f("onlyA", 1.0f), -1);
    EXPECT_EQ(s->setUniform1f("mode", 31.0f), 0);
    EXPECT_EQ(record.object<ReloadableB>().mode, 31.0f);

    // Later instances get the new build; an object of the old one lives on
    // with its own code.
    EXPECT_EQ(manager.entryCount(), 1);
    OwnedShader newer;
    ASSERT_EQ(instantiateShader(*newer, "reloadable", library.c_str(), manager), 0);
    EXPECT_EQ(shaders::shaderVersion(*newer), 2);
    EXPECT_EQ(shaders::shaderVersion(*older), 1);
    EXPECT_EQ(older.object<ReloadableA>().gain, 1.0f);
}

TEST_F(Reload, AFailedReloadKeepsTheOldObjectAndValues) {
    ASSERT_EQ(record.shader()->setUniform1f("gain", 2.5f), 0);
    std::filesystem::remove(folder.path() + "/reloadable64.so");
    CapturedMessages messages;
    EXPECT_EQ(reloadShader(*record, manager), -1);
    EXPECT_EQ(messages.warnings, std::vector<std::string>{"could not load library '" + library + "'\n"});
    ASSERT_NE(record->shaderObject, nullptr);
    EXPECT_EQ(shaders::shaderVersion(*record), 1);
    EXPECT_EQ(record.object<ReloadableA>().gain, 2.5f);
    EXPECT_EQ(record.shader()->setUniform1f("gain", 3.0f), 0);
    // The entry was dropped before loading; nothing half made replaced it.
    EXPECT_EQ(manager.entryCount(), 0);

    OwnedShader empty;  // a record without a shader has nothing to reload
    EXPECT_EQ(reloadShader(*empty, manager), -1);
}

TEST(PublicShader, InstantiateReloadAndVersionUseTheLibrarysManager) {
    shaders::ShaderLibraryManager::instance().setSearchPath(pluginDir().c_str());
    OwnedShader record;
    Shader* s = record.shader();
    EXPECT_EQ(s->getVersion(), -1);
    ASSERT_EQ(s->instantiate("all_kinds", "all_kinds"), 0);
    EXPECT_EQ(s->getVersion(), hox_test::kAllKindsVersion);
    ASSERT_EQ(s->setUniform1i("i1", 44), 0);
    // An unchanged file reloads the same build into a new object, values kept.
    const ShaderObject* before = record->shaderObject;
    ASSERT_EQ(s->reload(), 0);
    EXPECT_NE(record->shaderObject, before);
    EXPECT_EQ(std::make_tuple(record.object().i1, s->getVersion()), std::make_tuple(44, hox_test::kAllKindsVersion));
    {
        CapturedMessages quiet;
        EXPECT_EQ(s->instantiate("all_kinds", "no_such_library"), -1);
    }
    EXPECT_EQ(s->getVersion(), -1);
    shaders::ShaderLibraryManager::instance().setSearchPath("");
}
