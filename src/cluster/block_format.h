// The block stream of the image codec.
//
// The image is cut into 4 × 4 blocks, row-major (block rows from the top,
// blocks from the left); the last block column and row are partial when the
// width or height is not a multiple of 4. Blocks follow one another without
// alignment. Bits 0..1 of a block's first byte are its mode:
//
//   0  1 byte    nothing decoded; the decoder fills the block with black
//   1  5 bytes   one pixel word for all 16 pixels
//   2  65 bytes  16 pixel words, row by row
//   3  9 + 2 × (T[w0] + T[w1] + T[w2]) bytes, T = {0, 2, 4, 8}: two endpoint
//      words (base, then base + range per channel), then index data for
//      luminance, blue and red in that order. The width codes sit in the
//      mode byte: w0 (luminance) in bits 6..7, w1 (blue) in bits 4..5,
//      w2 (red) in bits 2..3. Width w gives kIndexBits[w] bits per pixel,
//      four rows of four pixels, the first pixel of a byte in its highest
//      bits; index k decodes to base + k / (2^bits − 1) × range, and width 0
//      (no index data) to base + 0.5 × range.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hox {
namespace cluster {

constexpr int kBlockSize = 4;
constexpr int kBlockPixels = 16;

constexpr uint8_t kModeBlack = 0;
constexpr uint8_t kModeFlat = 1;
constexpr uint8_t kModeWords = 2;
constexpr uint8_t kModeInterpolated = 3;

constexpr int kBlackBlockBytes = 1;
constexpr int kFlatBlockBytes = 5;
constexpr int kWordsBlockBytes = 1 + 4 * kBlockPixels;  // 65
constexpr int kInterpolatedHeaderBytes = 9;

// T of the table: index bytes per channel are 2 × T[w].
constexpr int kIndexHalfBytes[4] = {0, 2, 4, 8};
constexpr int kIndexBits[4] = {0, 2, 4, 8};

inline int modeOf(uint8_t modeByte) { return modeByte & 3; }
inline int luminanceWidthOf(uint8_t modeByte) { return (modeByte >> 6) & 3; }
inline int blueWidthOf(uint8_t modeByte) { return (modeByte >> 4) & 3; }
inline int redWidthOf(uint8_t modeByte) { return (modeByte >> 2) & 3; }

inline uint8_t interpolatedModeByte(int luminanceWidth, int blueWidth, int redWidth) {
    return static_cast<uint8_t>(kModeInterpolated | redWidth << 2 | blueWidth << 4 | luminanceWidth << 6);
}

// Bytes of the block that starts with this mode byte.
inline int blockByteCount(uint8_t modeByte) {
    switch (modeOf(modeByte)) {
        case kModeBlack: return kBlackBlockBytes;
        case kModeFlat: return kFlatBlockBytes;
        case kModeWords: return kWordsBlockBytes;
        default:
            return kInterpolatedHeaderBytes +
                   2 * (kIndexHalfBytes[luminanceWidthOf(modeByte)] + kIndexHalfBytes[blueWidthOf(modeByte)] +
                        kIndexHalfBytes[redWidthOf(modeByte)]);
    }
}

inline int blocksAcross(int width) { return (width + kBlockSize - 1) / kBlockSize; }
inline int blocksDown(int height) { return (height + kBlockSize - 1) / kBlockSize; }

// The largest valid stream for an image: every block of mode 2.
inline std::size_t maxBlockStreamBytes(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    return static_cast<std::size_t>(blocksAcross(width)) * static_cast<std::size_t>(blocksDown(height)) *
           kWordsBlockBytes;
}

}  // namespace cluster
}  // namespace hox
