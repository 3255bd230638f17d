// libhox64.so loaded, used, shut down and unloaded several times in one
// process: statics rebuilt and torn down each time, render threads gone
// before their code is unmapped, nothing left allocated (the sanitizer
// builds' leak checker reports what a cycle leaves behind).
#include <dlfcn.h>
#include <gtest/gtest.h>

#ifndef HOX_UNLOAD_MODULE
#error "HOX_UNLOAD_MODULE must name the module that links libhox64.so"
#endif
#ifndef HOX_LIBRARY_FILE
#error "HOX_LIBRARY_FILE must name libhox64.so"
#endif

namespace {

TEST(LibraryUnload, RenderShutdownUnloadThreeTimes) {
    for (int round = 0; round < 3; ++round) {
        void* module = dlopen(HOX_UNLOAD_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        auto render = reinterpret_cast<int (*)()>(dlsym(module, "hoxUnloadRenderOneFrame"));
        ASSERT_NE(render, nullptr) << dlerror();
        EXPECT_EQ(render(), 0) << "round " << round;
        ASSERT_EQ(dlclose(module), 0) << dlerror();
        // Nothing else holds the library: it must be gone from the process.
        void* still = dlopen(HOX_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
        EXPECT_EQ(still, nullptr) << "libhox64.so stayed loaded after its last user was unloaded";
        if (still) dlclose(still);
    }
}

}  // namespace
