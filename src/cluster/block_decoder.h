// Decoding of the block stream into four-float pixels.
//
// The data-oriented half of the image decoder: memory in, pixels out, no
// connection, no allocation. Works on four values at a time with SSE2:
// each block row is decoded into planes of four luminances and four of each
// share, turned into red, green, blue and alpha planes, and transposed into
// four pixels. The power of two is a cubic polynomial on the fraction, with
// the integer part placed straight into the float exponent:
//
//   x = l − 12,  i = round(x − 0.5),  f = x − i
//   2^f ≈ ((0.07802452 f + 0.22606716) f + 0.69583356) f + 0.9999252
//
// which is within 7.5e-5 (relative) of 2^x over the whole range.
//
// Every pixel gets alpha 1; the per-pixel plane that follows the colour data
// replaces it. Mode-0 blocks decode to black (0, 0, 0, 1).
#pragma once

#include <cstddef>
#include <cstdint>

#include "cluster/image_codec_status.h"

namespace hox {
namespace cluster {

// Decodes `size` bytes of block stream for a width × height image into
// `rgba` (width × height pixels of four floats, row after row; any
// alignment, though 16-byte aligned rows are stored faster). Every block is
// checked against the bytes left before it is read, so no input makes the
// decoder read outside [data, data + size) or write outside the image. On an
// error the pixels decoded so far are left in place and the rest untouched.
//
// Truncated: the data end inside a block or before the last block.
// TrailingBytes: bytes remain after the last block.
// BadImage: no pixels, too many pixels, or null pointers.
ImageCodecStatus decodeBlockStream(const uint8_t* data, std::size_t size, int width, int height, float* rgba);

}  // namespace cluster
}  // namespace hox
