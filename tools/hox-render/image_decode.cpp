#include "image_decode.h"

#include <climits>
#include <cstdio>

#include <stb_image.h>

#include "colour_space.h"

namespace hox_render {

namespace {

// stb_image's reason for the last failure; it gives none (or an empty one)
// for some truncated files.
std::string failureReason() {
    const char* reason = stbi_failure_reason();
    return reason && *reason ? reason : "unreadable or truncated image data";
}

// Decodes through stb_image from memory: the caller has read the file, so
// this stays a pure function of the bytes.
bool decode(const unsigned char* bytes, size_t size, ImageData& image, std::string& error) {
    if (!bytes || size == 0 || size > static_cast<size_t>(INT_MAX)) {
        error = "empty or oversized image data";
        return false;
    }
    const int length = static_cast<int>(size);
    int width = 0, height = 0, channels = 0;
    if (stbi_is_hdr_from_memory(bytes, length)) {
        float* texels = stbi_loadf_from_memory(bytes, length, &width, &height, &channels, 4);
        if (!texels) {
            error = failureReason();
            return false;
        }
        image.width = width;
        image.height = height;
        image.rgba.assign(texels, texels + 4 * static_cast<size_t>(width) * height);
        stbi_image_free(texels);
        return true;
    }
    unsigned char* texels = stbi_load_from_memory(bytes, length, &width, &height, &channels, 4);
    if (!texels) {
        error = failureReason();
        return false;
    }
    float toLinear[256];
    for (int i = 0; i < 256; ++i) toLinear[i] = srgbToLinear(static_cast<float>(i) / 255.0f);
    const size_t count = 4 * static_cast<size_t>(width) * height;
    image.width = width;
    image.height = height;
    image.rgba.resize(count);
    for (size_t i = 0; i < count; ++i)
        image.rgba[i] = (i % 4 == 3) ? static_cast<float>(texels[i]) / 255.0f : toLinear[texels[i]];
    stbi_image_free(texels);
    return true;
}

}  // namespace

bool decodeImageMemory(const unsigned char* bytes, size_t size, ImageData& image, std::string& error) {
    return decode(bytes, size, image, error);
}

bool decodeImageFile(const std::string& path, ImageData& image, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    std::string bytes;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::fclose(file);
    if (!decode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), image, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

ImageData makeChecker(int size, int squares, const float a[3], const float b[3]) {
    ImageData image;
    image.width = image.height = size;
    image.rgba.resize(4 * static_cast<size_t>(size) * size);
    const int cell = size / (squares > 0 ? squares : 1) > 0 ? size / (squares > 0 ? squares : 1) : 1;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float* c = ((x / cell + y / cell) % 2 == 0) ? a : b;
            float* p = image.rgba.data() + 4 * (static_cast<size_t>(y) * size + x);
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
            p[3] = 1.0f;
        }
    return image;
}

}  // namespace hox_render
