// Reading texture images (PNG, JPEG, TGA, BMP, HDR, … whatever stb_image
// reads) into linear RGBA floats.
#pragma once

#include <cstddef>
#include <string>

#include "image_data.h"

namespace hox_render {

// 8-bit images are taken as sRGB colour and decoded to linear; HDR images
// are linear already. Alpha is kept linear. False with `error` set when the
// file cannot be read or decoded.
bool decodeImageFile(const std::string& path, ImageData& image, std::string& error);
bool decodeImageMemory(const unsigned char* bytes, size_t size, ImageData& image, std::string& error);

// A checkerboard of `squares` x `squares` cells over `size` x `size`
// texels, alternating the two linear colours, starting with `a` at the top
// left.
ImageData makeChecker(int size, int squares, const float a[3], const float b[3]);

}  // namespace hox_render
