// Shaders of the shading tests: each simple enough that a test can work out
// the expected pixel; together they call every service of the render threads.
#include <cmath>

#include "hox/shader_api.h"

namespace {

using namespace hox;

Vec3f add(const Vec3f& a, const Vec3f& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3f scale(const Vec3f& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3f unit(const Vec3f& a) {
    const float length = std::sqrt(dot(a, a));
    return length > 0.0f ? scale(a, 1.0f / length) : a;
}
Vec3f reflect(const Vec3f& d, const Vec3f& n) { return add(d, scale(n, -2.0f * dot(d, n))); }

// Diffuse: colour x (sum of sample colour x max(0, N.L) over the lights of
// group `selector` (0: all) + the ambient lights' colour).
class Lambert : public ShaderObject {
public:
    void declare(IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &colour);
        d->declareUniform1i(this, "selector", &selector);
    }
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices* services, ShadingState* state) const override {
        const Vec3f n = unit(state->normal);
        const LightSample* sample = nullptr;
        const int count = services->illuminance(selector, state->position, n, &sample);
        Vec3f sum = {0.0f, 0.0f, 0.0f};
        for (int i = 0; i < count && sample; ++i, sample = sample->next) {
            const float cosine = std::fmax(0.0f, dot(n, sample->toLight));
            sum = add(sum, scale(sample->colour, cosine));
        }
        Vec3f ambient;
        services->ambient(ambient, state->position);
        sum = add(sum, ambient);
        state->colour = {colour.x * sum.x, colour.y * sum.y, colour.z * sum.z, 1.0f};
    }
    Vec3f colour = {1.0f, 1.0f, 1.0f};
    int selector = 0;
};

// A light of `intensity` falling off with the squared distance (unless
// `falloff` is off), shadowed by what the transmission service finds.
class PointLight : public ShaderObject {
public:
    void declare(IShaderDeclaration* d) override {
        d->declareUniform3f(this, "intensity", &intensity);
        d->declareUniform1b(this, "falloff", &falloff);
    }
    int getKind() const override { return SHADER_KIND_LIGHT; }
    void shade(IShaderServices* services, ShadingState* state) const override {
        const float d = state->lightDistance;
        const float attenuation = falloff ? 1.0f / (d * d) : 1.0f;
        Vec3f passed;
        services->transmission(passed, state->position, add(state->position, scale(state->toLight, d)));
        state->lightColour = {intensity.x * attenuation * passed.x, intensity.y * attenuation * passed.y,
                              intensity.z * attenuation * passed.z};
    }
    Vec3f intensity = {1.0f, 1.0f, 1.0f};
    bool falloff = true;
};

// An ambient light: `colour` x `scale` through the two light triples.
class AmbientLight : public ShaderObject {
public:
    void declare(IShaderDeclaration* d) override {
        d->declareUniform3f(this, "colour", &colour);
        d->declareUniform3f(this, "scale", &factor);
    }
    int getKind() const override { return SHADER_KIND_LIGHT; }
    void shade(IShaderServices*, ShadingState* state) const override {
        state->lightColour = colour;
        state->lightColourScale = factor;
    }
    Vec3f colour = {1.0f, 1.0f, 1.0f};
    Vec3f factor = {1.0f, 1.0f, 1.0f};
};

// A mirror: the reflection ray's colour; a glossy lobe when `roughness` is
// above 0.
class Mirror : public ShaderObject {
public:
    void declare(IShaderDeclaration* d) override { d->declareUniform1f(this, "roughness", &roughness); }
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices* services, ShadingState* state) const override {
        const Vec3f direction = reflect(state->rayDirection, unit(state->normal));
        Vec4f result;
        if (roughness > 0.0f) {
            services->glossyReflection(result, state->position, direction, roughness);
        } else {
            services->traceReflection(result, state->position, direction);
        }
        state->colour = result;
    }
    float roughness = 0.0f;
};

// The environment: `colour`; in mode 1 the ray's depth counter, trace
// depth and kind divided by 100; in mode 2 the inherited values A and B.
class Environment : public ShaderObject {
public:
    void declare(IShaderDeclaration* d) override {
        d->setFlags(this, SHADER_FLAG_ENVIRONMENT);
        d->declareUniform4f(this, "colour", &colour);
        d->declareUniform1i(this, "mode", &mode);
    }
    int getKind() const override { return SHADER_KIND_OTHER; }
    void shade(IShaderServices*, ShadingState* state) const override {
        if (mode == 1) {
            state->colour = {state->depth / 100.0f, state->traceDepth / 100.0f, state->rayKind / 100.0f, 1.0f};
        } else if (mode == 2) {
            state->colour = {state->inheritedA, state->inheritedB, 0.0f, 1.0f};
        } else {
            state->colour = colour;
        }
    }
    Vec4f colour = {0.25f, 0.5f, 0.75f, 1.0f};
    int mode = 0;
};

// The hemisphere services as the hit's colour: ambient occlusion (mode 0)
// or indirect diffuse (mode 1).
class Hemisphere : public ShaderObject {
public:
    void declare(IShaderDeclaration* d) override { d->declareUniform1i(this, "mode", &mode); }
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices* services, ShadingState* state) const override {
        if (mode == 1) {
            services->indirectDiffuse(state->colour, state->position, state->normal);
            return;
        }
        Vec3f open;
        services->ambientOcclusion(open, state->position, state->normal);
        state->colour = {open.x, open.y, open.z, 1.0f};
    }
    int mode = 0;
};

// A pane that casts a coloured shadow: it lets `tint` through.
class Tinted : public ShaderObject {
public:
    void declare(IShaderDeclaration* d) override {
        d->setFlags(this, SHADER_FLAG_TRANSPARENT_SHADOWS);
        d->declareUniform3f(this, "tint", &tint);
    }
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices*, ShadingState* state) const override {
        state->colour = {tint.x, tint.y, tint.z, 1.0f};
    }
    void transmit(IShaderServices*, ShadingState* state) const override { state->transmission = tint; }
    Vec3f tint = {1.0f, 0.5f, 0.25f};
};

// Calls every service, then reports the depth of one more reflection ray (as
// the environment in mode 1 sees it): a level left behind shows as deeper.
class Services : public ShaderObject {
public:
    void declare(IShaderDeclaration* d) override { d->declareUniformShaderRef(this, "layer", &layer); }
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices* s, ShadingState* state) const override {
        const Vec3f p = state->position;
        const Vec3f n = unit(state->normal);
        const Vec3f t = {1.0f, 0.0f, 0.0f};
        const Vec3f b = {0.0f, 1.0f, 0.0f};
        const Vec3f up = add(p, n);
        const LightSample* samples = nullptr;
        Vec3f c3;
        Vec4f c4;
        s->illuminance(0, p, n, &samples, 1.0f);
        s->illuminance(0, p, n, &samples);
        s->ambient(c3, p);
        s->transmission(c3, p, up);
        s->trace(c4, p, n, kRayKindReflection);
        s->traceRefraction(c4, p, scale(n, -1.0f));
        s->glossyReflection(c4, p, n, t, b, 0.3f, 0.1f);
        s->glossyRefraction(c4, p, scale(n, -1.0f), t, b, 0.2f, 0.0f);
        s->glossyRefraction(c4, p, scale(n, -1.0f), 0.4f);
        s->ambientOcclusion(c3, p, n);
        s->indirectDiffuse(c4, p, n);
        if (layer.shader()) {
            s->shadeWith(c4, layer.shader(), *state);
            s->transmissionOf(c3, layer.shader(), *state);
        }
        s->noiseVec4(p);
        s->traceReflection(c4, p, n);
        state->colour = c4;
    }
    UniformRef layer = {nullptr, 0xFFFFFFFu, 0};
};

// Re-shades the hit with itself until no level is left: its red channel
// counts the levels it got, in 1/1024ths.
class Chain : public ShaderObject {
public:
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices* services, ShadingState* state) const override {
        Vec4f inner;
        services->shadeWith(inner, this, *state);
        state->colour = {inner.x + 1.0f / 1024.0f, 0.0f, 0.0f, 1.0f};
    }
};

// Noise at `point`: red the one-dimensional cell noise of x, green the
// gradient noise of (y, z, w), blue the difference of periodic noise one
// period (4) apart along x.
class NoiseProbe : public ShaderObject {
public:
    void declare(IShaderDeclaration* d) override { d->declareUniform4f(this, "point", &point); }
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices* s, ShadingState* state) const override {
        state->colour = {s->cellNoiseFloat(point.x), s->noiseFloat(Vec3f{point.y, point.z, point.w}),
                         s->periodicNoiseFloat(point.x, 4) - s->periodicNoiseFloat(point.x + 4.0f, 4), 1.0f};
    }
    Vec4f point = {0.0f, 0.0f, 0.0f, 0.0f};
};

// The first three interpolated attribute components it declared: "uv" (2)
// then "weight" (1).
class Attributes : public ShaderObject {
public:
    void declare(IShaderDeclaration* d) override {
        d->declareAttribute(this, SHADER_ATTRIBUTE_2F, "uv", 0);
        d->declareAttribute(this, SHADER_ATTRIBUTE_1F, "weight", 1);
    }
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices*, ShadingState* state) const override {
        const float* a = state->attributes;
        state->colour = {a[0], a[1], a[2], 1.0f};
    }
};

}  // namespace

HOX_DECLARE_SHADER(Lambert, probe_lambert)
HOX_DECLARE_SHADER(PointLight, probe_point_light)
HOX_DECLARE_SHADER(AmbientLight, probe_ambient_light)
HOX_DECLARE_SHADER(Mirror, probe_mirror)
HOX_DECLARE_SHADER(Environment, probe_environment)
HOX_DECLARE_SHADER(Hemisphere, probe_hemisphere)
HOX_DECLARE_SHADER(Tinted, probe_tinted)
HOX_DECLARE_SHADER(Services, probe_services)
HOX_DECLARE_SHADER(Chain, probe_chain)
HOX_DECLARE_SHADER(NoiseProbe, probe_noise)
HOX_DECLARE_SHADER(Attributes, probe_attributes)
