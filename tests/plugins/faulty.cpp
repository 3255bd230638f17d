// Two shaders in one library whose code throws: one in its constructor, one
// in declare(). The system must fence both off.
#include <stdexcept>

#include "hox/shader_declaration.h"

namespace {

class ThrowingConstructor : public hox::ShaderObject {
public:
    ThrowingConstructor() { throw std::runtime_error("no"); }
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }
    void shade(hox::IShaderServices*, hox::ShadingState*) const override {}
};

class ThrowingDeclare : public hox::ShaderObject {
public:
    void declare(hox::IShaderDeclaration* d) override {
        d->declareUniform1f(this, "x", &x);
        throw std::runtime_error("no");
    }
    int getKind() const override { return hox::SHADER_KIND_SURFACE; }
    void shade(hox::IShaderServices*, hox::ShadingState*) const override {}
    float x = 0;
};

}  // namespace

HOX_DECLARE_SHADER(ThrowingConstructor, create_throws)
HOX_DECLARE_SHADER(ThrowingDeclare, declare_throws)
