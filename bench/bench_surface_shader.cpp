// The surface shader the frame benchmark's objects carry: the engine leaves
// out objects without one. Its shade is never reached with debug shading on.
#include "hox/shader_declaration.h"

namespace {

class BenchSurface : public hox::ShaderObject {
public:
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }
    void shade(hox::IShaderServices*, hox::ShadingState*) const override {}
};

}  // namespace

HOX_DECLARE_SHADER(BenchSurface, bench_surface)
