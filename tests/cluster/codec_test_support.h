// Helpers of the image codec tests: hand-built block words, the expected
// decoding computed in double precision straight from the format's
// definition, and synthetic images.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace codec_test {

inline uint32_t word(uint32_t l, uint32_t blue, uint32_t red) { return l << 20 | blue << 10 | red; }

inline void appendWord(std::vector<uint8_t>& out, uint32_t w) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
}

inline double luminance(double r, double g, double b) { return 0.299 * r + 0.587 * g + 0.114 * b; }

struct Rgb {
    double r, g, b;
};

// A pixel from continuous codes: l in units of the luminance code, the
// shares in units of the chroma code.
inline Rgb expectedFromCodes(double lCode, double blueCode, double redCode) {
    const double y = std::exp2(lCode * 24.0 / 4095.0 - 12.0);
    const double cb = blueCode / 1023.0, cr = redCode / 1023.0;
    return Rgb{cr * y / 0.299, (1.0 - cr - cb) * y / 0.587, cb * y / 0.114};
}

// Pixel i of rgba is `want` with alpha 1, within `rel` of the larger of the
// component and the luminance (a small component keeps no tighter bound).
#define EXPECT_PIXEL_NEAR(rgba, i, want, rel)                                                \
    do {                                                                                     \
        const double y_ = codec_test::luminance((want).r, (want).g, (want).b);               \
        const double w_[3] = {(want).r, (want).g, (want).b};                                 \
        for (int c_ = 0; c_ < 3; ++c_)                                                       \
            EXPECT_NEAR((rgba)[4 * (i) + c_], w_[c_], (rel)*std::fmax(std::fabs(w_[c_]), y_)) \
                << "pixel " << (i) << " component " << c_;                                   \
        EXPECT_EQ((rgba)[4 * (i) + 3], 1.0f) << "pixel " << (i);                             \
    } while (0)

// Synthetic images, four floats per pixel, alpha set to a per-pixel pattern.
enum class Pattern { Gradient, Noise, Flat, Hdr, Black, Mixed };

inline float unitNoise(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return static_cast<float>(x & 0xFFFFFF) / 16777216.0f;
}

inline std::vector<float> makeImage(Pattern pattern, int width, int height) {
    std::vector<float> rgba(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t i = static_cast<uint32_t>(y * width + x);
            float* p = &rgba[4 * i];
            const float u = (x + 0.5f) / width, v = (y + 0.5f) / height;
            const bool left = x < width / 2, top = y < height / 2;
            switch (pattern) {
                case Pattern::Gradient:
                    p[0] = 0.05f + 0.9f * u, p[1] = 0.2f + 0.5f * v, p[2] = 0.8f - 0.6f * u * v;
                    break;
                case Pattern::Noise:
                    for (uint32_t c = 0; c < 3; ++c) p[c] = 0.01f + unitNoise(3 * i + c);
                    break;
                case Pattern::Flat:
                    p[0] = 0.6f, p[1] = 0.3f, p[2] = 0.1f;
                    break;
                case Pattern::Hdr:  // a bright highlight over a dim ramp, up to ~2000
                    p[0] = p[1] = p[2] = 0.02f + 0.1f * u;
                    p[0] += 2000.0f * std::exp(-40.0f * ((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)));
                    p[1] += 900.0f * std::exp(-60.0f * ((u - 0.4f) * (u - 0.4f) + (v - 0.5f) * (v - 0.5f)));
                    break;
                case Pattern::Black:
                    p[0] = p[1] = p[2] = 0.0f;
                    break;
                case Pattern::Mixed:  // quadrants: black, flat, gradient, fireflies over 20 octaves
                    if (left && top)
                        p[0] = p[1] = p[2] = 0.0f;
                    else if (top)
                        p[0] = 0.25f, p[1] = 0.5f, p[2] = 0.75f;
                    else if (left)
                        p[0] = 0.1f + 0.3f * u, p[1] = 0.4f, p[2] = 0.2f + 0.2f * v;
                    else
                        p[0] = p[1] = std::exp2(20.0f * unitNoise(i) - 10.0f), p[2] = 0.05f;
                    break;
            }
            p[3] = static_cast<float>(i) * 0.25f + 0.125f;
        }
    }
    return rgba;
}

}  // namespace codec_test
