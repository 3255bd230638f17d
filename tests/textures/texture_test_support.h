// Texels with a descriptor, a reference sampler written straight from the
// lookup rules (none of the library's templates), an owned texture record and
// a warning recorder.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hox/message_callback.h"
#include "hox/texture.h"
#include "scene/texture_record.h"
#include "util/messages.h"

namespace texture_test {

using namespace hox;

// A descriptor and its texels; in `d` a pointer only says whether it is set,
// desc() points the set ones at the texels, so copies stay valid.
struct TextureData {
    TextureDescriptor d;
    std::vector<std::vector<uint8_t>> images;

    int axes() const { return d.type == TEXTURE_TYPE_1D ? 1 : d.type == TEXTURE_TYPE_3D ? 3 : 2; }
    int size(int axis) const { return axis == 0 ? d.width : axis == 1 ? d.height : d.depth; }
    TextureDescriptor desc() const {
        TextureDescriptor r = d;
        if (r.data) r.data = images[0].data();
        for (size_t f = 0; f < 6; ++f)
            if (r.faces[f]) r.faces[f] = images[f].data();
        return r;
    }
    // Bytes anything, floats in 0 … 1.
    void fillRandom(std::mt19937& rng) {
        for (auto& image : images)
            for (size_t i = 0; i < image.size(); i += d.format == TEXTURE_FORMAT_UINT8 ? 1 : 4) {
                const float v = float(rng() % 4096) / 4095.0f;
                if (d.format == TEXTURE_FORMAT_UINT8)
                    image[i] = uint8_t(rng());
                else
                    std::memcpy(&image[i], &v, 4);
            }
    }
};

inline TextureData makeTexture(int type, int format, int components, int filter, int w, int h = 1,
                               int depth = 1) {
    TextureData t;
    t.d = TextureDescriptor{type, format, components, filter, 0, 0, 0, w, h, depth};
    size_t bytes = size_t(components) * (format == TEXTURE_FORMAT_FLOAT32 ? 4 : 1);
    for (int k = 0; k < t.axes(); ++k) bytes *= size_t(t.size(k));
    const bool cube = type == TEXTURE_TYPE_CUBE;
    t.images.assign(cube ? 6 : 1, std::vector<uint8_t>(bytes));
    t.d.data = &t;  // set; desc() points it at the texels
    for (const void*& face : t.d.faces) face = cube ? &t : nullptr;
    return t;
}

using Rgba = std::array<float, 4>;

inline Rgba referenceTexel(const TextureData& t, int image, const int* index, const bool* outside) {
    const float* b = t.d.borderColor;
    for (int k = 0; k < t.axes(); ++k)
        if (outside[k]) return {b[0], b[1], b[2], b[3]};
    Rgba rgba = {0, 0, 0, 1};
    size_t texel = 0;
    for (int k = t.axes() - 1; k >= 0; --k) texel = texel * size_t(t.size(k)) + size_t(index[k]);
    const uint8_t* p =
        t.images[size_t(image)].data() + texel * size_t(t.d.components) * (t.d.format == 0 ? 1 : 4);
    for (int c = 0; c < t.d.components; ++c) {
        if (t.d.format == TEXTURE_FORMAT_UINT8)
            rgba[size_t(c)] = float(p[c]) * 0.003921569f;
        else
            std::memcpy(&rgba[size_t(c)], p + 4 * c, 4);
    }
    return rgba;
}

// Wraps by the descriptor's mode, whichever class holds the texture.
inline int referenceWrap(int i, int size, int mode, bool& outside) {
    outside = mode == 2 && (i < 0 || i >= size);
    if (mode == 0) return ((i % size) + size) % size;
    if (mode == 1) return i < 0 ? 0 : i >= size ? size - 1 : i;
    return mode == 2 ? i : 0;
}

inline Rgba referenceImage(const TextureData& t, int image, const float* coords) {
    const int modes[3] = {t.d.wrapS, t.d.wrapT, t.d.wrapR};
    const bool linear = t.d.filter == TEXTURE_FILTER_LINEAR;
    int index[2][3];
    bool outside[2][3];
    float f[3];
    for (int k = 0; k < t.axes(); ++k) {
        const float x = coords[k] * float(t.size(k)) - 0.5f;
        const float base = t.d.type == TEXTURE_TYPE_3D && !linear ? std::trunc(x) : std::floor(x);
        f[k] = x - base;
        for (int side = 0; side < 2; ++side)
            index[side][k] = referenceWrap(int(base) + side, t.size(k), modes[k], outside[side][k]);
    }
    if (!linear) return referenceTexel(t, image, index[0], outside[0]);
    Rgba sum = {0, 0, 0, 0};
    for (int corner = 0; corner < (1 << t.axes()); ++corner) {
        int at[3];
        bool out[3];
        float w = 1.0f;
        for (int k = 0; k < t.axes(); ++k) {
            const int side = (corner >> k) & 1;
            at[k] = index[side][k];
            out[k] = outside[side][k];
            w *= side ? f[k] : 1.0f - f[k];
        }
        const Rgba texel = referenceTexel(t, image, at, out);
        for (size_t c = 0; c < 4; ++c) sum[c] += w * texel[c];
    }
    return sum;
}

// Per major axis and sign (positive first): the face, then u = 0.5 + sign·s·(axis), v likewise.
inline void referenceLookup(const TextureData& t, const float* coords, float* rgba) {
    int image = 0;
    float uv[2];
    if (t.d.type == TEXTURE_TYPE_CUBE) {
        const float a[3] = {std::fabs(coords[0]), std::fabs(coords[1]), std::fabs(coords[2])};
        const int major = a[0] > a[1] && a[0] > a[2] ? 0 : a[1] > a[2] ? 1 : 2;
        if (!(a[major] > 0.0f)) return;
        static const int rows[3][2][5] = {{{0, -1, 2, -1, 1}, {1, +1, 2, -1, 1}},
                                          {{2, +1, 0, +1, 2}, {3, +1, 0, -1, 2}},
                                          {{4, +1, 0, -1, 1}, {5, -1, 0, -1, 1}}};
        const int* r = rows[major][coords[major] > 0.0f ? 0 : 1];
        const float s = 0.5f / a[major];
        image = r[0];
        uv[0] = 0.5f + float(r[1]) * s * coords[r[2]];
        uv[1] = 0.5f + float(r[3]) * s * coords[r[4]];
        coords = uv;
    }
    const Rgba result = referenceImage(t, image, coords);
    std::memcpy(rgba, result.data(), 4 * sizeof(float));
}

// The library's lookup, through the sampler's interface.
inline void samplerLookup(scene::TextureSampler* s, const float* coords, float* rgba) {
    if (Sampler1D* s1 = s->as1D()) s1->lookup(coords[0], rgba);
    if (Sampler2D* s2 = s->as2D()) s2->lookup(coords, rgba);
    if (Sampler3D* s3 = s->as3D()) s3->lookup(coords, rgba);
    if (SamplerCube* sc = s->asCube()) sc->lookup(coords, rgba);
}

// A texture record holding its first reference, released at the end.
struct OwnedTexture {
    explicit OwnedTexture(int instance = 0)
        : record(static_cast<scene::TextureRecord*>(
              scene::createRecord(CLASS_TYPE_TEXTURE, instance))) {
        record->addRef();
    }
    ~OwnedTexture() { record->release(); }
    scene::TextureRecord* operator->() const { return record; }
    int create(const TextureData& t) const {
        return static_cast<Texture*>(record->publicObject())->create(t.desc());
    }
    scene::TextureRecord* record;
};

struct CapturedWarnings : IMessageCallback {
    CapturedWarnings() { util::setMessageCallback(this); }
    ~CapturedWarnings() override { util::setMessageCallback(nullptr); }
    void message(int, const char*) override {}
    void warning(const char* text) override { warnings.push_back(text); }
    void error(const char*) override {}
    std::vector<std::string> warnings;
};

}  // namespace texture_test
