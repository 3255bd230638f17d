// Runs the hox-render program as a user would, and reads back the images it
// writes: PNG and PPM through stb_image, OpenEXR through tinyexr.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <stb_image.h>
#include <tinyexr.h>

namespace hox_tools_test {

struct RunResult {
    int exitCode = -1;  // -1: the program did not exit normally (crashed or killed)
    std::string out, err;
    double seconds = 0.0;
};

inline std::string readText(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// A fresh folder per test, under the test framework's temporary folder.
inline std::string scratchDir() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string dir = ::testing::TempDir() + "hox_tools_" + info->test_suite_name() + "_" + info->name();
    std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
    return dir;
}

// Runs hox-render with `args` (already quoted where needed) in `dir`.
inline RunResult runTool(const std::string& dir, const std::string& args) {
    const std::string command = "cd '" + dir + "' && '" HOX_RENDER_PROGRAM "' " + args + " > '" + dir +
                                "/stdout.txt' 2> '" + dir + "/stderr.txt'";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    RunResult result;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The shell's wait status; a child killed by a signal shows as exit code 128 + signal.
    if (status != -1 && (status & 0x7f) == 0) {
        const int code = (status >> 8) & 0xff;
        result.exitCode = code >= 128 ? -1 : code;
    }
    result.out = readText(dir + "/stdout.txt");
    result.err = readText(dir + "/stderr.txt");
    return result;
}

// An image as linear or 8-bit values, channels interleaved, rows from the top.
struct Image {
    int width = 0, height = 0, channels = 0;
    std::vector<float> values;  // 0 … 1 for 8-bit files

    float at(int x, int y, int c) const { return values[(static_cast<size_t>(y) * width + x) * channels + c]; }
};

inline bool readImage8(const std::string& path, Image& image) {
    int w = 0, h = 0, n = 0;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &n, 3);
    if (!data) return false;
    image.width = w;
    image.height = h;
    image.channels = 3;
    image.values.resize(3 * static_cast<size_t>(w) * h);
    for (size_t i = 0; i < image.values.size(); ++i) image.values[i] = data[i] / 255.0f;
    stbi_image_free(data);
    return true;
}

inline bool readExr(const std::string& path, Image& image) {
    float* rgba = nullptr;
    const char* error = nullptr;
    if (LoadEXR(&rgba, &image.width, &image.height, path.c_str(), &error) != TINYEXR_SUCCESS) {
        if (error) FreeEXRErrorMessage(error);
        return false;
    }
    image.channels = 4;
    image.values.assign(rgba, rgba + 4 * static_cast<size_t>(image.width) * image.height);
    std::free(rgba);
    return true;
}

// The share of pixels in the middle third of the rows that differ from the
// first of their row: the backgrounds (a sky by elevation, or black) are flat
// along a row, so this measures the scene standing in front of them.
inline double foregroundShare(const Image& image) {
    int differing = 0, total = 0;
    for (int y = image.height / 3; y < 2 * image.height / 3; ++y)
        for (int x = 0; x < image.width; ++x, ++total) {
            float difference = 0.0f;
            for (int c = 0; c < 3; ++c) difference += std::fabs(image.at(x, y, c) - image.at(0, y, c));
            differing += difference > 0.06f;
        }
    return total ? static_cast<double>(differing) / total : 0.0;
}

// Where assimp's sample models are (Debian package assimp-testmodels).
inline std::string sampleModel(const char* relative) {
    const std::string path = std::string("/usr/share/assimp/models/") + relative;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::string();
    std::fclose(file);
    return path;
}

}  // namespace hox_tools_test
