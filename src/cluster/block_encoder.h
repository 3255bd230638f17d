// Encoding of four-float pixels into the block stream.
//
// The render side of the cluster compresses its view images with this; the
// library itself only decodes, but keeps the encoder next to the decoder so
// that the two are tested against each other and any peer can reuse it.
//
// Compression level (DEVICE_CLUSTER_IMAGE_COMPRESSION_LEVEL, 0 to 1, default
// 0.25) trades quality for size through two tolerances, in steps of the
// stored codes:
//
//   luminance  0.5 + 7 × level codes (one code is 24/4095 of an octave)
//   shares     0.5 + 8 × level codes (one code is 1/1023)
//
// Each block takes the smallest mode (black 1 byte, flat 5, interpolated
// 9..57, words 65) whose every pixel stays within both tolerances of the
// exact log-luminance and shares; words (mode 2) are the fallback and
// always meet the half-code precision of the pixel word itself. Level 0
// therefore loses nothing beyond the pixel word's own rounding, and the
// bounds on a decoded pixel (luminance Y = 0.299 R + 0.587 G + 0.114 B
// between 2^−12 and 2^12, shares 0.299 R / Y and 0.114 B / Y) are:
//
//   level   relative error of Y   error of each share
//   0       0.22 %                0.0005
//   0.25    1.0 %                 0.0025
//   0.5     1.7 %                 0.0044
//   1       3.2 %                 0.0084
//
// (the polynomial power of two of the decoder adds at most 7.5e-5 to the
// luminance, included above).
//
// Outside that luminance range values are clamped: below 2^−12 a pixel
// decodes to 2^−12 (or to 0 in a black block), above 2^12 to 2^12. A block
// whose pixels all have a luminance below 2^−13 (closer to 0 than to the
// smallest word) is coded black. Negative and NaN components count as 0,
// infinite ones as very large. The alpha component is ignored: it travels in
// the per-pixel plane, uncompressed.
//
// The encoder is deterministic: the same pixels and level give the same
// bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "cluster/image_codec_status.h"

namespace hox {
namespace cluster {

constexpr float kDefaultCompressionLevel = 0.25f;

struct CodecTolerance {
    float luminanceCodes;
    float chromaCodes;
};

// The tolerances of a level; a level outside [0, 1] is clamped, NaN is
// taken as kDefaultCompressionLevel.
CodecTolerance toleranceForLevel(float level);

// Replaces `out` by the block stream of a width × height image of four-float
// pixels (row after row). BadImage for no pixels, too many pixels or a null
// pointer; OutOfMemory when the output cannot grow.
ImageCodecStatus encodeBlockStream(const float* rgba, int width, int height, float level,
                                   std::vector<uint8_t>& out);

}  // namespace cluster
}  // namespace hox
