// SamplerClass: one member of the sampler family, for one combination of
// dimension, filter, texel format, component count and wrap variant.
//
// The class adds to the shared image store only what depends on its
// parameters: the acceptance test and the lookup. Objects are created by the
// class's prototype (see sampler_registry.h).
#pragma once

#include "hox/texture_descriptor.h"
#include "hox/texture_sampler.h"
#include "scene/texture_sampler.h"
#include "textures/cube_face.h"
#include "textures/sampler_axis.h"
#include "textures/sampler_images.h"
#include "textures/sampler_lookup.h"
#include "textures/texel_format.h"

namespace hox {
namespace textures {

// The five wrap variants, in registration order.
enum WrapVariant {
    WRAP_VARIANT_MASKED_REPEAT,
    WRAP_VARIANT_REPEAT,
    WRAP_VARIANT_CLAMP,
    WRAP_VARIANT_BORDER,
    WRAP_VARIANT_GENERAL
};
constexpr int kWrapVariantCount = 5;

template <int kVariant> struct WrapOf;
template <> struct WrapOf<WRAP_VARIANT_MASKED_REPEAT> { using Type = MaskedRepeatWrap; };
template <> struct WrapOf<WRAP_VARIANT_REPEAT> { using Type = RepeatWrap; };
template <> struct WrapOf<WRAP_VARIANT_CLAMP> { using Type = ClampWrap; };
template <> struct WrapOf<WRAP_VARIANT_BORDER> { using Type = BorderWrap; };
template <> struct WrapOf<WRAP_VARIANT_GENERAL> { using Type = GeneralWrap; };

inline bool isPowerOfTwo(int value) { return value >= 1 && (value & (value - 1)) == 0; }

// The variant's condition on the wrap fields (and sizes) of the axes the
// type has.
template <int kVariant>
bool variantAccepts(const TextureDescriptor& d, int axes) {
    const int modes[3] = {d.wrapS, d.wrapT, d.wrapR};
    const int sizes[3] = {d.width, d.height, d.depth};
    if (kVariant == WRAP_VARIANT_GENERAL) return true;
    const int wanted = kVariant == WRAP_VARIANT_CLAMP    ? TEXTURE_WRAP_CLAMP
                       : kVariant == WRAP_VARIANT_BORDER ? TEXTURE_WRAP_BORDER
                                                         : TEXTURE_WRAP_REPEAT;
    for (int k = 0; k < axes; ++k) {
        if (modes[k] != wanted) return false;
        if (kVariant == WRAP_VARIANT_MASKED_REPEAT && !isPowerOfTwo(sizes[k])) return false;
    }
    return true;
}

// The lookup interface of each type, implemented by handing the coordinates
// to the sampler class's own sample(), which the compiler inlines: the
// interface call is the only indirect call of a lookup.
template <class Sampler, int kType> class LookupSide;

template <class Sampler>
class LookupSide<Sampler, TEXTURE_TYPE_1D> : public Sampler1D {
public:
    void lookup(float s, float* rgba) const override {
        static_cast<const Sampler*>(this)->sample(&s, rgba);
    }
};

template <class Sampler>
class LookupSide<Sampler, TEXTURE_TYPE_2D> : public Sampler2D {
public:
    void lookup(const float* st, float* rgba) const override {
        static_cast<const Sampler*>(this)->sample(st, rgba);
    }
};

template <class Sampler>
class LookupSide<Sampler, TEXTURE_TYPE_3D> : public Sampler3D {
public:
    void lookup(const float* str, float* rgba) const override {
        static_cast<const Sampler*>(this)->sample(str, rgba);
    }
};

template <class Sampler>
class LookupSide<Sampler, TEXTURE_TYPE_CUBE> : public SamplerCube {
public:
    void lookup(const float* direction, float* rgba) const override {
        static_cast<const Sampler*>(this)->sample(direction, rgba);
    }
};

template <int kType, int kFilter, int kFormat, int kComponents, int kVariant>
class SamplerClass final
    : public scene::TextureSampler,
      public LookupSide<SamplerClass<kType, kFilter, kFormat, kComponents, kVariant>, kType> {
public:
    static constexpr int kAxes = kType == TEXTURE_TYPE_1D ? 1 : kType == TEXTURE_TYPE_3D ? 3 : 2;
    static constexpr bool kLinear = kFilter == TEXTURE_FILTER_LINEAR;
    // The quirk of the three-dimensional nearest classes (see texelFloor).
    static constexpr bool kTruncateOnly = kType == TEXTURE_TYPE_3D && !kLinear;
    using Texel = TexelFormat<kFormat, kComponents>;
    using Wrap = typename WrapOf<kVariant>::Type;

    SamplerClass() {}

    Sampler1D* as1D() override {
        if constexpr (kType == TEXTURE_TYPE_1D)
            return this;
        else
            return nullptr;
    }
    Sampler2D* as2D() override {
        if constexpr (kType == TEXTURE_TYPE_2D)
            return this;
        else
            return nullptr;
    }
    Sampler3D* as3D() override {
        if constexpr (kType == TEXTURE_TYPE_3D)
            return this;
        else
            return nullptr;
    }
    SamplerCube* asCube() override {
        if constexpr (kType == TEXTURE_TYPE_CUBE)
            return this;
        else
            return nullptr;
    }

    scene::TextureSampler* createFromDescriptor(const TextureDescriptor& d) const override {
        if (!accepts(d)) return nullptr;
        SamplerClass* sampler = new SamplerClass();
        if (sampler && !sampler->m_images.copyFrom(d)) {
            delete sampler;
            return nullptr;
        }
        return sampler;
    }

    scene::TextureSampler* createFromStream(const TextureDescriptor& d,
                                            util::InputStream& in) const override {
        if (!accepts(d)) return nullptr;
        SamplerClass* sampler = new SamplerClass();
        if (sampler && !sampler->m_images.readFrom(d, in)) {
            delete sampler;
            return nullptr;
        }
        return sampler;
    }

    bool accepts(const TextureDescriptor& d) const override {
        return d.type == kType && d.format == kFormat && d.components == kComponents &&
               d.filter == kFilter && variantAccepts<kVariant>(d, kAxes);
    }

    void serialise(util::OutputStream& out) const override { m_images.write(out); }

    // One lookup: kAxes coordinates, or a cube map direction.
    void sample(const float* coords, float* rgba) const {
        if constexpr (kType == TEXTURE_TYPE_CUBE) {
            int face;
            float uv[2];
            if (!cubeFace(coords, face, uv)) return;
            // Each face is a 2D image of its own: filtering stays on it.
            sampleImage<2, kLinear, false, Texel, Wrap>(layout(), m_images.image(face), uv, rgba);
        } else {
            sampleImage<kAxes, kLinear, kTruncateOnly, Texel, Wrap>(layout(), m_images.image(0),
                                                                    coords, rgba);
        }
    }

    const SamplerImages& images() const { return m_images; }

private:
    const SamplerLayout& layout() const { return m_images.layout(); }

    SamplerImages m_images;
};

}  // namespace textures
}  // namespace hox
