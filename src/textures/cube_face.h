// Which face of a cube map a direction meets, and where (the OpenGL cube
// map convention).
#pragma once

namespace hox {
namespace textures {

// The face (ECubeFace order) and its coordinates; false for a zero
// direction, which has no face.
//
// The major axis is x only when |x| beats both others, then y when |y|
// beats |z|, else z: ties go to the later axis. A direction with NaN parts
// lands on some face with NaN coordinates, which the lookup treats as
// texel positions of 0; it never reads outside the face.
inline bool cubeFace(const float* direction, int& face, float* uv) {
    const float x = direction[0], y = direction[1], z = direction[2];
    const float ax = x < 0.0f ? -x : x;
    const float ay = y < 0.0f ? -y : y;
    const float az = z < 0.0f ? -z : z;
    if (ax > ay && ax > az) {
        const float s = 0.5f / ax;
        face = x > 0.0f ? 0 : 1;
        uv[0] = x > 0.0f ? 0.5f - s * z : 0.5f + s * z;
        uv[1] = 0.5f - s * y;
    } else if (ay > az) {
        const float s = 0.5f / ay;
        face = y > 0.0f ? 2 : 3;
        uv[0] = 0.5f + s * x;
        uv[1] = y > 0.0f ? 0.5f + s * z : 0.5f - s * z;
    } else {
        if (!(az > 0.0f)) return false;
        const float s = 0.5f / az;
        face = z > 0.0f ? 4 : 5;
        uv[0] = z > 0.0f ? 0.5f + s * x : 0.5f - s * x;
        uv[1] = 0.5f - s * y;
    }
    return true;
}

}  // namespace textures
}  // namespace hox
