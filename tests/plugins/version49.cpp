// A shader built against an older interface: its version export answers 49.
#include "hox/shader_declaration.h"

namespace {

class OldShader : public hox::ShaderObject {
public:
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }
    void shade(hox::IShaderServices*, hox::ShadingState*) const override {}
};

}  // namespace

HOX_SHADER_EXPORT int old_getAPIVersion() { return 49; }
HOX_SHADER_EXPORT hox::ShaderObject* old_create() { return new OldShader(); }
