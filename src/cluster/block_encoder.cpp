#include "cluster/block_encoder.h"

#include <cmath>
#include <cstddef>
#include <new>

#include "cluster/block_format.h"
#include "cluster/image_planes.h"
#include "cluster/pixel_word.h"

namespace hox {
namespace cluster {

namespace {

// Below this luminance a pixel is nearer to 0 than to the smallest word.
constexpr float kBlackLuminance = 1.2207031e-4f;  // 2^−13
// Components above this are taken as this: keeps the luminance and the
// shares finite for infinite input.
constexpr float kLargestComponent = 1e30f;

// One block's pixels as continuous codes (code units), planar.
struct BlockCodes {
    float channel[3][kBlockPixels];  // luminance, blue share, red share
    bool allBlack;
};

constexpr float kMaxCode[3] = {static_cast<float>(kMaxLuminanceCode), static_cast<float>(kMaxChromaCode),
                               static_cast<float>(kMaxChromaCode)};

inline float sanitised(float v) {
    if (!(v > 0.0f)) return 0.0f;  // negative and NaN
    return v < kLargestComponent ? v : kLargestComponent;
}

inline float clampCode(float code, float maxCode) {
    return code < 0.0f ? 0.0f : (code > maxCode ? maxCode : code);
}

// Codes of one pixel; returns whether it is black.
inline bool pixelCodes(const float* pixel, float& l, float& cb, float& cr) {
    const float r = sanitised(pixel[0]);
    const float g = sanitised(pixel[1]);
    const float b = sanitised(pixel[2]);
    const float y = kRedWeight * r + kGreenWeight * g + kBlueWeight * b;
    if (y > 0.0f) {
        cr = kRedWeight * r / y;
        cb = kBlueWeight * b / y;
    } else {
        // No colour to speak of: grey, so that the shares of a dark region
        // stay smooth.
        cr = kRedWeight;
        cb = kBlueWeight;
    }
    const float logY = y > 0.0f ? std::log2(y) : -kLuminanceOffset;
    l = clampCode((logY + kLuminanceOffset) * kLuminanceInvScale, kMaxCode[0]);
    cb = clampCode(cb * static_cast<float>(kMaxChromaCode), kMaxCode[1]);
    cr = clampCode(cr * static_cast<float>(kMaxChromaCode), kMaxCode[2]);
    return !(y >= kBlackLuminance);
}

// Gathers a block; the pixels of a partial block that lie outside the image
// repeat the nearest inside pixel, so they change neither the ranges nor the
// errors.
void gatherBlock(const float* rgba, int width, int height, int x0, int y0, BlockCodes& codes) {
    codes.allBlack = true;
    for (int r = 0; r < kBlockSize; ++r) {
        const int y = y0 + r < height ? y0 + r : height - 1;
        for (int c = 0; c < kBlockSize; ++c) {
            const int x = x0 + c < width ? x0 + c : width - 1;
            const float* pixel = rgba + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                         static_cast<std::size_t>(x)) * 4;
            const int i = r * kBlockSize + c;
            const bool black = pixelCodes(pixel, codes.channel[0][i], codes.channel[1][i], codes.channel[2][i]);
            codes.allBlack = codes.allBlack && black;
        }
    }
}

struct Range {
    float low, high;
};

inline Range rangeOf(const float* v) {
    Range range{v[0], v[0]};
    for (int i = 1; i < kBlockPixels; ++i) {
        range.low = v[i] < range.low ? v[i] : range.low;
        range.high = v[i] > range.high ? v[i] : range.high;
    }
    return range;
}

// How one channel of a mode-3 block is coded.
struct ChannelPlan {
    int widthCode;
    uint32_t first, second;  // endpoint codes
    uint8_t index[kBlockPixels];
};

// Tries to code a channel with the given width code within the tolerance.
bool planChannel(const float* v, Range range, float maxCode, int widthCode, float tolerance, ChannelPlan& plan) {
    plan.widthCode = widthCode;
    if (widthCode == 0) {
        // The decoder takes the middle of the endpoints: pick them so that
        // their sum is the nearest integer to twice the range's middle.
        const float sum = std::nearbyint(range.low + range.high);
        const float middle = 0.5f * sum;
        if (middle - range.low > tolerance || range.high - middle > tolerance) return false;
        plan.first = static_cast<uint32_t>(sum) / 2;
        plan.second = static_cast<uint32_t>(sum) - plan.first;
        return plan.second <= static_cast<uint32_t>(maxCode);
    }
    const float first = std::nearbyint(range.low);
    const float second = std::nearbyint(range.high);
    plan.first = static_cast<uint32_t>(first);
    plan.second = static_cast<uint32_t>(second);
    const int steps = (1 << kIndexBits[widthCode]) - 1;
    const float span = second - first;
    for (int i = 0; i < kBlockPixels; ++i) {
        int k = 0;
        if (span > 0.0f) {
            k = static_cast<int>(std::nearbyint((v[i] - first) / span * static_cast<float>(steps)));
            k = k < 0 ? 0 : (k > steps ? steps : k);
        }
        const float decoded = first + static_cast<float>(k) * span / static_cast<float>(steps);
        if (std::fabs(decoded - v[i]) > tolerance) return false;
        plan.index[i] = static_cast<uint8_t>(k);
    }
    return true;
}

// Writes 16 indices of `bits` bits each, row by row, the first pixel of a
// byte in its highest bits.
uint8_t* writeIndices(uint8_t* out, const ChannelPlan& plan) {
    const int bits = kIndexBits[plan.widthCode];
    if (bits == 0) return out;
    unsigned accumulator = 0;
    int filled = 0;
    for (int i = 0; i < kBlockPixels; ++i) {
        accumulator = (accumulator << bits) | plan.index[i];
        filled += bits;
        if (filled == 8) {
            *out++ = static_cast<uint8_t>(accumulator);
            accumulator = 0;
            filled = 0;
        }
    }
    return out;
}

// Codes one block at `out`; returns the position after it.
uint8_t* encodeBlock(const BlockCodes& codes, const CodecTolerance& tolerance, uint8_t* out) {
    if (codes.allBlack) {
        *out++ = kModeBlack;
        return out;
    }
    const float channelTolerance[3] = {tolerance.luminanceCodes, tolerance.chromaCodes, tolerance.chromaCodes};
    Range range[3];
    for (int c = 0; c < 3; ++c) range[c] = rangeOf(codes.channel[c]);

    // Flat: one word within the tolerance of every pixel.
    uint32_t flat[3];
    bool flatFits = true;
    for (int c = 0; c < 3 && flatFits; ++c) {
        const float code = std::nearbyint(0.5f * (range[c].low + range[c].high));
        flatFits = code - range[c].low <= channelTolerance[c] && range[c].high - code <= channelTolerance[c];
        flat[c] = static_cast<uint32_t>(code);
    }
    if (flatFits) {
        *out++ = kModeFlat;
        storeWordLE(out, packPixelWord(flat[0], flat[1], flat[2]));
        return out + 4;
    }

    // Interpolated: the narrowest index width of each channel that fits.
    ChannelPlan plan[3];
    bool interpolatedFits = true;
    for (int c = 0; c < 3 && interpolatedFits; ++c) {
        bool found = false;
        for (int w = 0; w < 4 && !found; ++w)
            found = planChannel(codes.channel[c], range[c], kMaxCode[c], w, channelTolerance[c], plan[c]);
        interpolatedFits = found;
    }
    if (interpolatedFits) {
        *out++ = interpolatedModeByte(plan[0].widthCode, plan[1].widthCode, plan[2].widthCode);
        storeWordLE(out, packPixelWord(plan[0].first, plan[1].first, plan[2].first));
        storeWordLE(out + 4, packPixelWord(plan[0].second, plan[1].second, plan[2].second));
        out += 8;
        for (int c = 0; c < 3; ++c) out = writeIndices(out, plan[c]);
        return out;
    }

    // Words: every pixel rounded to its own codes.
    *out++ = kModeWords;
    for (int i = 0; i < kBlockPixels; ++i) {
        const uint32_t word = packPixelWord(static_cast<uint32_t>(std::nearbyint(codes.channel[0][i])),
                                            static_cast<uint32_t>(std::nearbyint(codes.channel[1][i])),
                                            static_cast<uint32_t>(std::nearbyint(codes.channel[2][i])));
        storeWordLE(out, word);
        out += 4;
    }
    return out;
}

}  // namespace

CodecTolerance toleranceForLevel(float level) {
    if (std::isnan(level)) level = kDefaultCompressionLevel;
    level = level < 0.0f ? 0.0f : (level > 1.0f ? 1.0f : level);
    return CodecTolerance{0.5f + 7.0f * level, 0.5f + 8.0f * level};
}

ImageCodecStatus encodeBlockStream(const float* rgba, int width, int height, float level,
                                   std::vector<uint8_t>& out) {
    out.clear();
    if (!rgba || width <= 0 || height <= 0 ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > kMaxImagePixels)
        return ImageCodecStatus::BadImage;
    try {
        out.resize(maxBlockStreamBytes(width, height));
    } catch (const std::bad_alloc&) {
        return ImageCodecStatus::OutOfMemory;
    }
    const CodecTolerance tolerance = toleranceForLevel(level);
    uint8_t* cursor = out.data();
    BlockCodes codes;
    for (int y0 = 0; y0 < height; y0 += kBlockSize) {
        for (int x0 = 0; x0 < width; x0 += kBlockSize) {
            gatherBlock(rgba, width, height, x0, y0, codes);
            cursor = encodeBlock(codes, tolerance, cursor);
        }
    }
    out.resize(static_cast<std::size_t>(cursor - out.data()));
    return ImageCodecStatus::Ok;
}

}  // namespace cluster
}  // namespace hox
