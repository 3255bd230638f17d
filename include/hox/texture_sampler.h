// What a shader sees of a texture: the lookup interface of its dimension.
//
// Before every frame, each texture parameter of a shader receives the
// interface of the texture it names (UniformRef::sampler1D() … samplerCube()),
// or null when the parameter names nothing, a destroyed texture, a texture
// without an image, or a texture of another dimension than the parameter's.
// The texture stays alive until the frame is done, so the pointer may be
// used freely inside shade() and transmit().
//
// lookup() writes red, green, blue and alpha to `rgba`. Coordinates are
// normalised (0 … 1 spans the texture); outside that range the texture's wrap
// modes apply. Missing components read as green 0, blue 0, alpha 1. Lookups
// are read-only and may run on every render thread at once.
#pragma once

namespace hox {

class Sampler1D {
protected:
    virtual ~Sampler1D() {}

public:
    virtual void lookup(float s, float* rgba) const = 0;
};

class Sampler2D {
protected:
    virtual ~Sampler2D() {}

public:
    // st: two floats.
    virtual void lookup(const float* st, float* rgba) const = 0;
};

class Sampler3D {
protected:
    virtual ~Sampler3D() {}

public:
    // str: three floats.
    virtual void lookup(const float* str, float* rgba) const = 0;
};

class SamplerCube {
protected:
    virtual ~SamplerCube() {}

public:
    // direction: three floats, any length. A zero direction leaves rgba as
    // it was.
    virtual void lookup(const float* direction, float* rgba) const = 0;
};

}  // namespace hox
