// A library named without a directory is looked for, after the dynamic
// loader's own search, in the folder of the module holding the loader code
// (libhox64.so in a host; this test executable here, where the build puts
// hoxbesideprobe64.so and no loader search path leads).
#include <gtest/gtest.h>

#include "platform/shared_library.h"

namespace {

using namespace hox::platform;
using ProbeFunction = int (*)();

TEST(SharedLibraryDiscovery, OnlyBareNamesAreFoundBesideTheLoadingModule) {
    SharedLibrary* first = openSharedLibrary("hoxbesideprobe64.so");
    ASSERT_NE(first, nullptr);
    auto answer = reinterpret_cast<ProbeFunction>(
        findSharedLibrarySymbol(first, "hox_beside_probe_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);

    // Found the same way again, the unchanged file shares its module.
    SharedLibrary* second = openSharedLibrary("hoxbesideprobe64.so");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(findSharedLibrarySymbol(second, "hox_beside_probe_answer"),
              reinterpret_cast<void*>(answer));
    closeSharedLibrary(first);
    closeSharedLibrary(second);

    // A directory part means the caller chose the place.
    EXPECT_EQ(openSharedLibrary("elsewhere/hoxbesideprobe64.so"), nullptr);
    // And a name found nowhere still fails.
    EXPECT_EQ(openSharedLibrary("hoxnosuchprobe64.so"), nullptr);
}

}  // namespace
