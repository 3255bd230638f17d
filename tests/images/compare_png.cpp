// compare_png: compares a rendered PNG with its committed reference.
//
//   compare_png rendered.png reference.png [min-psnr-db]
//
// Exit 0 when both images have the same size and the peak signal-to-noise
// ratio over the RGB channels is at least the limit (40 dB by default);
// otherwise prints the figures and exits 1. Reference images are
// regenerated only deliberately, by copying a rendered image over them after
// looking at it.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: compare_png rendered.png reference.png [min-psnr-db]\n");
        return 2;
    }
    const double limit = argc > 3 ? std::atof(argv[3]) : 40.0;
    int w0 = 0, h0 = 0, w1 = 0, h1 = 0, c = 0;
    unsigned char* a = stbi_load(argv[1], &w0, &h0, &c, 4);
    unsigned char* b = stbi_load(argv[2], &w1, &h1, &c, 4);
    int status = 1;
    if (!a || !b) {
        std::fprintf(stderr, "compare_png: cannot read %s\n", !a ? argv[1] : argv[2]);
    } else if (w0 != w1 || h0 != h1) {
        std::fprintf(stderr, "compare_png: sizes differ: %dx%d vs %dx%d\n", w0, h0, w1, h1);
    } else {
        double sum = 0.0;
        const long pixels = static_cast<long>(w0) * h0;
        for (long i = 0; i < pixels; ++i) {
            for (int k = 0; k < 3; ++k) {
                const double d = static_cast<double>(a[4 * i + k]) - static_cast<double>(b[4 * i + k]);
                sum += d * d;
            }
        }
        const double mse = sum / (3.0 * static_cast<double>(pixels));
        const double psnr = mse > 0.0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : 99.0;
        std::printf("compare_png: PSNR %.2f dB (limit %.1f)\n", psnr, limit);
        status = psnr >= limit ? 0 : 1;
    }
    stbi_image_free(a);
    stbi_image_free(b);
    return status;
}
