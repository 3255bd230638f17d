// A shader whose factory makes nothing.
#include "hox/shader_declaration.h"

HOX_SHADER_EXPORT int phantom_getAPIVersion() { return hox::kApiVersion; }
HOX_SHADER_EXPORT hox::ShaderObject* phantom_create() { return nullptr; }
