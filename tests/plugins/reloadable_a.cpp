// The first build of "reloadable"; the class is in test_shaders.h.
#include "test_shaders.h"

HOX_DECLARE_SHADER(hox_test::ReloadableA, reloadable)
