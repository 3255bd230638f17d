// Reading one texel as four floats (an SSE register: red, green, blue,
// alpha in lanes 0 to 3).
//
// 8-bit components are scaled to 0 … 1, float components are taken as they
// are, and a texel with fewer than four components is completed with green
// 0, blue 0, alpha 1. Completion happens here, per texel, so filtering always
// mixes complete colours. Keeping the texel in one register lets a linear
// lookup weight and sum whole colours at once; the four-component formats,
// the common ones, load and convert in a handful of instructions.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace hox {
namespace textures {

constexpr float kByteToUnit = 0.003921569f;  // 1/255

template <int kFormat, int kComponents>
struct TexelFormat {
    static_assert(kFormat == 0 || kFormat == 1, "8-bit or float components");
    static_assert(kComponents >= 1 && kComponents <= 4, "1 to 4 components");

    static constexpr int kComponentBytes = kFormat == 0 ? 1 : 4;
    static constexpr int kTexelBytes = kComponents * kComponentBytes;

    static __m128 read(const uint8_t* texel) {
        if constexpr (kFormat == 0 && kComponents == 4) {
            int32_t word;
            std::memcpy(&word, texel, 4);
            const __m128i zero = _mm_setzero_si128();
            const __m128i bytes = _mm_cvtsi32_si128(word);
            const __m128i ints = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
            return _mm_mul_ps(_mm_cvtepi32_ps(ints), _mm_set1_ps(kByteToUnit));
        } else if constexpr (kFormat == 1 && kComponents == 4) {
            return _mm_loadu_ps(reinterpret_cast<const float*>(texel));
        } else {
            float rgba[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            for (int c = 0; c < kComponents; ++c) {
                if (kFormat == 0) {
                    rgba[c] = static_cast<float>(texel[c]) * kByteToUnit;
                } else {
                    // The buffer is bytes; memcpy loads the float without an
                    // aliasing cast (it compiles to one move).
                    std::memcpy(&rgba[c], texel + 4 * c, sizeof(float));
                }
            }
            return _mm_loadu_ps(rgba);
        }
    }
};

}  // namespace textures
}  // namespace hox
