#include "cluster/block_decoder.h"

#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstdint>
#include <cstring>

#include "cluster/block_format.h"
#include "cluster/image_planes.h"
#include "cluster/pixel_word.h"

namespace hox {
namespace cluster {

namespace {

// One block's channels in planar form, row after row: l[4r .. 4r + 3] are
// the luminances of row r.
struct alignas(16) BlockChannels {
    float l[kBlockPixels];
    float cb[kBlockPixels];
    float cr[kBlockPixels];
};

// Four rows of four pixels, for blocks that do not lie wholly inside the
// image (and whose pixels are copied out one by one).
struct alignas(16) BlockPixels {
    __m128 pixel[kBlockPixels];
};

// The index step of each width code: 1 / (2^bits − 1); width 0 is handled
// apart (the middle of the range).
constexpr float kIndexStep[4] = {0.0f, 1.0f / 3.0f, 1.0f / 15.0f, 1.0f / 255.0f};

inline __m128 exp2Cubic(__m128 x) {
    const __m128i i = _mm_cvtps_epi32(_mm_sub_ps(x, _mm_set1_ps(0.5f)));
    const __m128 f = _mm_sub_ps(x, _mm_cvtepi32_ps(i));
    __m128 p = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(0.07802452f), f), _mm_set1_ps(0.22606716f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(0.69583356f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(0.9999252f));
    const __m128i exponent = _mm_slli_epi32(_mm_add_epi32(i, _mm_set1_epi32(127)), 23);
    return _mm_mul_ps(p, _mm_castsi128_ps(exponent));
}

// Four pixels (r, g, b, 1) from four luminances and shares.
struct PixelRow {
    __m128 p0, p1, p2, p3;
};

inline PixelRow shadeRow(__m128 l, __m128 cb, __m128 cr) {
    const __m128 y = exp2Cubic(_mm_sub_ps(l, _mm_set1_ps(kLuminanceOffset)));
    __m128 r = _mm_mul_ps(_mm_mul_ps(cr, y), _mm_set1_ps(kInvRedWeight));
    __m128 g = _mm_mul_ps(_mm_mul_ps(_mm_sub_ps(_mm_sub_ps(_mm_set1_ps(1.0f), cr), cb), y),
                          _mm_set1_ps(kInvGreenWeight));
    __m128 b = _mm_mul_ps(_mm_mul_ps(cb, y), _mm_set1_ps(kInvBlueWeight));
    __m128 a = _mm_set1_ps(1.0f);
    _MM_TRANSPOSE4_PS(r, g, b, a);
    return PixelRow{r, g, b, a};
}

// Four pixel words (little-endian, unaligned) to their channels.
inline PixelRow shadeWords(const uint8_t* words) {
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words));
    const __m128i tenBits = _mm_set1_epi32(0x3FF);
    const __m128 l = _mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(w, 20)), _mm_set1_ps(kLuminanceScale));
    const __m128 cb = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(w, 10), tenBits)),
                                 _mm_set1_ps(kChromaScale));
    const __m128 cr = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(w, tenBits)), _mm_set1_ps(kChromaScale));
    return shadeRow(l, cb, cr);
}

struct ScalarChannels {
    float l, cb, cr;
};

inline ScalarChannels channelsOf(uint32_t word) {
    return ScalarChannels{static_cast<float>(luminanceCodeOf(word)) * kLuminanceScale,
                          static_cast<float>(blueCodeOf(word)) * kChromaScale,
                          static_cast<float>(redCodeOf(word)) * kChromaScale};
}

// Index k of each of the 16 pixels, for width code 1..3.
inline void unpackIndices(const uint8_t* data, int widthCode, float* k) {
    if (widthCode == 1) {
        for (int row = 0; row < 4; ++row) {
            const unsigned byte = data[row];
            k[4 * row + 0] = static_cast<float>(byte >> 6);
            k[4 * row + 1] = static_cast<float>((byte >> 4) & 3u);
            k[4 * row + 2] = static_cast<float>((byte >> 2) & 3u);
            k[4 * row + 3] = static_cast<float>(byte & 3u);
        }
    } else if (widthCode == 2) {
        for (int i = 0; i < 8; ++i) {
            k[2 * i] = static_cast<float>(data[i] >> 4);
            k[2 * i + 1] = static_cast<float>(data[i] & 15u);
        }
    } else {
        for (int i = 0; i < 16; ++i) k[i] = static_cast<float>(data[i]);
    }
}

// One channel of a mode-3 block; returns the index bytes it used.
inline int interpolateChannel(const uint8_t* data, int widthCode, float base, float range, float* out) {
    if (widthCode == 0) {
        const __m128 middle = _mm_set1_ps(base + 0.5f * range);
        for (int i = 0; i < kBlockPixels; i += 4) _mm_store_ps(out + i, middle);
        return 0;
    }
    alignas(16) float k[kBlockPixels];
    unpackIndices(data, widthCode, k);
    const __m128 step = _mm_set1_ps(kIndexStep[widthCode]);
    const __m128 vRange = _mm_set1_ps(range);
    const __m128 vBase = _mm_set1_ps(base);
    for (int i = 0; i < kBlockPixels; i += 4) {
        const __m128 ki = _mm_load_ps(k + i);
        _mm_store_ps(out + i, _mm_add_ps(vBase, _mm_mul_ps(_mm_mul_ps(ki, step), vRange)));
    }
    return 2 * kIndexHalfBytes[widthCode];
}

void interpolatedChannels(const uint8_t* block, BlockChannels& channels) {
    const uint8_t mode = block[0];
    const ScalarChannels first = channelsOf(loadWordLE(block + 1));
    const ScalarChannels second = channelsOf(loadWordLE(block + 5));
    const uint8_t* indices = block + kInterpolatedHeaderBytes;
    indices += interpolateChannel(indices, luminanceWidthOf(mode), first.l, second.l - first.l, channels.l);
    indices += interpolateChannel(indices, blueWidthOf(mode), first.cb, second.cb - first.cb, channels.cb);
    interpolateChannel(indices, redWidthOf(mode), first.cr, second.cr - first.cr, channels.cr);
}

inline PixelRow shadeChannelRow(const BlockChannels& channels, int row) {
    return shadeRow(_mm_load_ps(channels.l + 4 * row), _mm_load_ps(channels.cb + 4 * row),
                    _mm_load_ps(channels.cr + 4 * row));
}

// Where the decoded rows of one block go. Full blocks go straight into the
// image (aligned stores when the image allows); partial ones into a
// temporary that is copied out pixel by pixel.
struct RowTarget {
    float* firstRow;       // the block's top-left pixel in the image
    std::size_t rowStride; // floats from one image row to the next
    bool aligned;
};

template <bool Aligned>
inline void storeRowTo(float* pixel, const PixelRow& row) {
    if (Aligned) {
        _mm_store_ps(pixel, row.p0);
        _mm_store_ps(pixel + 4, row.p1);
        _mm_store_ps(pixel + 8, row.p2);
        _mm_store_ps(pixel + 12, row.p3);
    } else {
        _mm_storeu_ps(pixel, row.p0);
        _mm_storeu_ps(pixel + 4, row.p1);
        _mm_storeu_ps(pixel + 8, row.p2);
        _mm_storeu_ps(pixel + 12, row.p3);
    }
}

inline void storeRow(const RowTarget& target, int row, const PixelRow& pixels) {
    float* pixel = target.firstRow + static_cast<std::size_t>(row) * target.rowStride;
    if (target.aligned) {
        storeRowTo<true>(pixel, pixels);
    } else {
        storeRowTo<false>(pixel, pixels);
    }
}

// Decodes one block (already checked to lie inside the data) row by row into
// `store(row, pixels)`.
template <typename Store>
inline void decodeBlock(const uint8_t* block, Store&& store) {
    switch (modeOf(block[0])) {
        case kModeBlack: {
            const __m128 black = _mm_set_ps(1.0f, 0.0f, 0.0f, 0.0f);
            const PixelRow row{black, black, black, black};
            for (int r = 0; r < 4; ++r) store(r, row);
            break;
        }
        case kModeFlat: {
            const ScalarChannels c = channelsOf(loadWordLE(block + 1));
            const PixelRow row = shadeRow(_mm_set1_ps(c.l), _mm_set1_ps(c.cb), _mm_set1_ps(c.cr));
            for (int r = 0; r < 4; ++r) store(r, row);
            break;
        }
        case kModeWords:
            for (int r = 0; r < 4; ++r) store(r, shadeWords(block + 1 + 16 * r));
            break;
        default: {
            BlockChannels channels;
            interpolatedChannels(block, channels);
            for (int r = 0; r < 4; ++r) store(r, shadeChannelRow(channels, r));
            break;
        }
    }
}

}  // namespace

ImageCodecStatus decodeBlockStream(const uint8_t* data, std::size_t size, int width, int height, float* rgba) {
    if (!rgba || width <= 0 || height <= 0 ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > kMaxImagePixels)
        return ImageCodecStatus::BadImage;
    if (!data && size > 0) return ImageCodecStatus::BadImage;

    const std::size_t rowStride = static_cast<std::size_t>(width) * 4;
    const bool aligned = (reinterpret_cast<uintptr_t>(rgba) & 15u) == 0;
    const int across = blocksAcross(width);
    const int down = blocksDown(height);
    std::size_t position = 0;

    for (int by = 0; by < down; ++by) {
        const int rows = height - by * kBlockSize < kBlockSize ? height - by * kBlockSize : kBlockSize;
        for (int bx = 0; bx < across; ++bx) {
            if (position >= size) return ImageCodecStatus::Truncated;
            const uint8_t* block = data + position;
            const std::size_t blockBytes = static_cast<std::size_t>(blockByteCount(block[0]));
            if (size - position < blockBytes) return ImageCodecStatus::Truncated;
            position += blockBytes;

            const int columns = width - bx * kBlockSize < kBlockSize ? width - bx * kBlockSize : kBlockSize;
            float* topLeft = rgba + static_cast<std::size_t>(by) * kBlockSize * rowStride +
                             static_cast<std::size_t>(bx) * kBlockSize * 4;
            if (rows == kBlockSize && columns == kBlockSize) {
                const RowTarget target{topLeft, rowStride, aligned};
                decodeBlock(block, [&](int r, const PixelRow& pixels) { storeRow(target, r, pixels); });
                continue;
            }
            BlockPixels temporary;
            decodeBlock(block, [&](int r, const PixelRow& pixels) {
                temporary.pixel[4 * r + 0] = pixels.p0;
                temporary.pixel[4 * r + 1] = pixels.p1;
                temporary.pixel[4 * r + 2] = pixels.p2;
                temporary.pixel[4 * r + 3] = pixels.p3;
            });
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c)
                    _mm_storeu_ps(topLeft + static_cast<std::size_t>(r) * rowStride + static_cast<std::size_t>(c) * 4,
                                  temporary.pixel[4 * r + c]);
        }
    }
    return position == size ? ImageCodecStatus::Ok : ImageCodecStatus::TrailingBytes;
}

}  // namespace cluster
}  // namespace hox
