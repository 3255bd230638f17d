// Writing the rendered image: PNG and PPM as 8-bit sRGB, OpenEXR as linear
// half floats with alpha.
#pragma once

#include <string>

#include "image_data.h"

namespace hox_render {

enum class ImageFormat { kUnknown, kPng, kPpm, kExr };

// By the file name's extension, in any case.
ImageFormat imageFormatOf(const std::string& path);

// False with `error` set when the format is unknown or the file cannot be
// written.
bool writeImage(const std::string& path, const ImageData& image, std::string& error);

}  // namespace hox_render
