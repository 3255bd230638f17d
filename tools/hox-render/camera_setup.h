// Where the camera stands: a pose given on the command line or by the file,
// or one that frames the scene's bounds.
#pragma once

#include "hox/types.h"
#include "vec_math.h"

namespace hox_render {

struct CameraPose {
    hox::Vec3f eye = {0, 0, 5};
    hox::Vec3f target = {0, 0, 0};
    hox::Vec3f up = {0, 1, 0};
    float fovDegrees = 50.0f;  // across the image width, as the library's camera takes it
};

// The camera entity's matrix: at the eye, looking along -Z at the target.
hox::Mat4f cameraMatrix(const CameraPose& pose);

// A pose that shows all of `bounds` in an image of the given aspect ratio
// (width / height): the camera looks at the centre from the front, a little
// from the right and above, far enough back that the bounding sphere fits
// both the horizontal and the vertical field of view.
CameraPose frameBounds(const Bounds& bounds, float fovDegrees, float aspect);

}  // namespace hox_render
