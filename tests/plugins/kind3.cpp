// A shader of a kind the renderer does not shade with (3).
#include "hox/shader_declaration.h"

namespace {

class OddShader : public hox::ShaderObject {
public:
    int getKind() const override { return 3; }
    void shade(hox::IShaderServices*, hox::ShadingState*) const override {}
};

}  // namespace

HOX_DECLARE_SHADER(OddShader, odd)
