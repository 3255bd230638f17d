// An image in linear RGBA floats, rows from the top, no padding: what
// texture loading produces and image output consumes.
#pragma once

#include <cstddef>
#include <vector>

namespace hox_render {

struct ImageData {
    int width = 0;
    int height = 0;
    std::vector<float> rgba;  // 4 * width * height

    const float* pixel(int x, int y) const { return rgba.data() + 4 * (static_cast<size_t>(y) * width + x); }
};

}  // namespace hox_render
