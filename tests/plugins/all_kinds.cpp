// One parameter of every kind; the class is in test_shaders.h.
#include "test_shaders.h"

HOX_DECLARE_SHADER(hox_test::AllKindsShader, all_kinds)
