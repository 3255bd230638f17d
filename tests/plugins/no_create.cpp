// A library that names the shader "lonely" but cannot make one.
#include "hox/shader_declaration.h"

HOX_SHADER_EXPORT int lonely_getAPIVersion() { return hox::kApiVersion; }
