// TileSink: where a render worker delivers the shaded samples of a tile.
//
// A worker hands over a tile in batches of at most kTileBatchSamples
// samples: one record per sample saying where it lies, and in a second,
// parallel array its colour. The default sink is the frame buffer of the
// frame's parity; tests and tools may put their own in its place. Records
// reach a sink from render workers and from the network alike, so a sink
// must treat every field as untrusted.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hox {
namespace engine {

// Tiles are square blocks of kTileSize × kTileSize pixels, numbered row by
// row from the image's top left corner.
constexpr int kTileSize = 16;
// The largest batch a worker delivers at once.
constexpr int kTileBatchSamples = 256;

// One sample of a batch, 20 bytes as it travels between machines.
struct SampleRecord {
    // Position in the tile, in pixels: the pixel plus its sub-pixel offset.
    float positionX;
    float positionY;
    // The pixel in the tile the sample belongs to.
    int32_t pixelX;
    int32_t pixelY;
    // The sub-pixel table entry the sample was taken from.
    int32_t offsetIndex;
};

static_assert(sizeof(SampleRecord) == 20, "a sample record is 20 bytes");
static_assert(offsetof(SampleRecord, pixelX) == 8, "sample record layout");
static_assert(offsetof(SampleRecord, offsetIndex) == 16, "sample record layout");

class TileSink {
public:
    virtual ~TileSink() {}
    // Receives `count` samples of tile (tileX, tileY): `records[i]` and the
    // four floats (red, green, blue, alpha) at `colours + 4 * i`. `last` marks
    // the tile's final batch; a tile without samples still sends an empty
    // last batch. Called concurrently for different tiles, never for the same
    // tile from two threads at once.
    virtual void writeTile(int tileX, int tileY, int count, bool last,
                           const SampleRecord* records, const float* colours) = 0;
};

}  // namespace engine
}  // namespace hox
