#include "image_output.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <stb_image_write.h>
#include <tinyexr.h>

#include "colour_space.h"

namespace hox_render {

namespace {

std::vector<uint8_t> encodeRgb8(const ImageData& image) {
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    std::vector<uint8_t> bytes(3 * pixels);
    for (size_t i = 0; i < pixels; ++i)
        for (int c = 0; c < 3; ++c) bytes[3 * i + c] = encodeSrgb8(image.rgba[4 * i + c]);
    return bytes;
}

bool writePng(const std::string& path, const ImageData& image, std::string& error) {
    const std::vector<uint8_t> bytes = encodeRgb8(image);
    if (!stbi_write_png(path.c_str(), image.width, image.height, 3, bytes.data(), 3 * image.width)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

// Binary PPM (P6): a text header, then the RGB bytes row after row.
bool writePpm(const std::string& path, const ImageData& image, std::string& error) {
    const std::vector<uint8_t> bytes = encodeRgb8(image);
    FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file != nullptr;
    if (ok) {
        ok = std::fprintf(file, "P6\n%d %d\n255\n", image.width, image.height) > 0 &&
             std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        ok = (std::fclose(file) == 0) && ok;
    }
    if (!ok) error = "cannot write " + path;
    return ok;
}

bool writeExr(const std::string& path, const ImageData& image, std::string& error) {
    const char* message = nullptr;
    // Half floats: the precision of the accumulated image, at half the size.
    const int status = SaveEXR(image.rgba.data(), image.width, image.height, 4, 1, path.c_str(), &message);
    if (status != TINYEXR_SUCCESS) {
        error = "cannot write " + path + (message ? std::string(": ") + message : std::string());
        if (message) FreeEXRErrorMessage(message);
        return false;
    }
    return true;
}

}  // namespace

ImageFormat imageFormatOf(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return ImageFormat::kUnknown;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "png") return ImageFormat::kPng;
    if (extension == "ppm") return ImageFormat::kPpm;
    if (extension == "exr") return ImageFormat::kExr;
    return ImageFormat::kUnknown;
}

bool writeImage(const std::string& path, const ImageData& image, std::string& error) {
    if (image.width < 1 || image.height < 1 ||
        image.rgba.size() != 4 * static_cast<size_t>(image.width) * image.height) {
        error = "no image to write";
        return false;
    }
    switch (imageFormatOf(path)) {
        case ImageFormat::kPng: return writePng(path, image, error);
        case ImageFormat::kPpm: return writePpm(path, image, error);
        case ImageFormat::kExr: return writeExr(path, image, error);
        case ImageFormat::kUnknown: break;
    }
    error = "unsupported image format for " + path + " (use .png, .exr or .ppm)";
    return false;
}

}  // namespace hox_render
