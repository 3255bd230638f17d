// The fixed tables the tile sampler and the primary rays read: sub-pixel
// offsets, lens points and the byte table that picks a lens-point set per
// pixel.
//
// All three are generated once, deterministically, the first time
// sampleTables() is called (a thread-safe function-local static), so a frame
// never pays for them and every run, thread and machine sees the same
// values: images are reproducible, and a render server samples exactly as
// the local engine does.
#pragma once

#include <cstdint>

namespace hox {
namespace engine {

// Offsets per pixel of a tile, and pixels per tile side.
constexpr int kOffsetsPerPixel = 256;
constexpr int kOffsetTileSide = 16;
// Entries of the offset table: one per (x, y, offset index), plus one so
// that offset index 256 of the last pixel also reads the pixel centre.
constexpr int kOffsetEntries = kOffsetTileSide * kOffsetTileSide * kOffsetsPerPixel + 1;

constexpr int kLensSets = 16;
constexpr int kLensPointsPerSet = 1024;
constexpr int kLensKeyCount = 65536;

struct SampleTables {
    // Two floats in [0, 1) per entry. Entry ((x * 16 + y) * 256 + i) is
    // offset i of pixel (x, y); offset 0 of every pixel is (0.5, 0.5), and
    // so is index 256 (the next pixel's entry 0, or the extra last entry).
    float offsets[kOffsetEntries][2];
    // Points strictly inside the unit disk: set s, point i at [s][i].
    float lensPoints[kLensSets][kLensPointsPerSet][2];
    // The set number (0 … 15) for a lens key; each set appears 4,096 times.
    uint8_t lensSet[kLensKeyCount];
};

// Built on the first call; never changes afterwards.
const SampleTables& sampleTables();

// Index of pixel (x, y)'s offset i in SampleTables::offsets: x and y are
// clamped to 0 … 15 and i to 0 … 256.
inline int offsetTableIndex(int x, int y, int offsetIndex) {
    x = x < 0 ? 0 : x > 15 ? 15 : x;
    y = y < 0 ? 0 : y > 15 ? 15 : y;
    offsetIndex = offsetIndex < 0 ? 0 : offsetIndex > kOffsetsPerPixel ? kOffsetsPerPixel : offsetIndex;
    return (x * kOffsetTileSide + y) * kOffsetsPerPixel + offsetIndex;
}

// The lens key of a pixel: the tile's position and the pixel's place in
// the tile, each taken modulo 16.
inline int lensKey(int tileX, int tileY, int pixelX, int pixelY) {
    return (tileX & 15) * 4096 + (tileY & 15) * 256 + (pixelX & 15) * 16 + (pixelY & 15);
}

}  // namespace engine
}  // namespace hox
