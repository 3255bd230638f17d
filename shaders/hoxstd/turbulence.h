// Fractal sums of the renderer's gradient noise, for the procedural
// surfaces. Computed through the services so that every shader, on every
// render thread and render server, sees the same noise.
#pragma once

#include "shading_math.h"

namespace hoxstd {

// More octaves than this are finer than any pixel and only cost time.
constexpr int kMaxOctaves = 16;

// Sum over the octaves o = 0 .. octaves-1 of |noise(p * 2^o)| / 2^o: a
// billowy pattern of about 0 .. 1. No octave (octaves <= 0) gives 0.
inline float turbulence(hox::IShaderServices* services, const Vec3f& p, int octaves) {
    const int count = octaves < kMaxOctaves ? octaves : kMaxOctaves;
    float sum = 0.0f;
    float frequency = 1.0f;
    for (int o = 0; o < count; ++o) {
        sum += std::fabs(services->noiseFloat(p * frequency)) / frequency;
        frequency *= 2.0f;
    }
    return sum;
}

}  // namespace hoxstd
