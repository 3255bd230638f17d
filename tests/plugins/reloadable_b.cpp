// The second build of "reloadable", laid out differently.
#include "test_shaders.h"

HOX_DECLARE_SHADER(hox_test::ReloadableB, reloadable)
