// sRGB transfer: image files hold sRGB-encoded 8-bit values, the renderer
// works in linear light. Texture texels are decoded on load and the final
// image is encoded on output, so shading always sees linear values.
#pragma once

#include <cmath>
#include <cstdint>

namespace hox_render {

inline float srgbToLinear(float c) {
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

inline float linearToSrgb(float c) {
    return c <= 0.0031308f ? c * 12.92f : 1.055f * std::pow(c, 1.0f / 2.4f) - 0.055f;
}

// A linear value as an 8-bit sRGB code: clamped to 0 … 1 (NaN gives 0),
// rounded to the nearest code.
inline uint8_t encodeSrgb8(float linear) {
    if (!(linear > 0.0f)) return 0;
    if (linear >= 1.0f) return 255;
    return static_cast<uint8_t>(std::lround(linearToSrgb(linear) * 255.0f));
}

}  // namespace hox_render
