// The progressive sampling scheme: which samples a tile takes at a sampling
// level and pass counter, and how the pass counter moves from frame to
// frame.
//
// Every tile of a view takes the same list, so a worker builds it once per
// view (at begin-view) and walks it for each tile. The list entries are the
// records the tile sink receives, so batches of them go out without a copy.
#pragma once

#include "engine/tile_sink.h"

namespace hox {
namespace engine {

constexpr int kMinSamplingLevel = -2;
constexpr int kMaxSamplingLevel = 4;
// The longest list: 256 samples for each of the 256 pixels at level 4.
constexpr int kMaxTileSamples = kTileSize * kTileSize * 256;

// A level clamped to −2 … 4.
int clampSamplingLevel(int level);

// Samples per pixel and frame at levels 0 … 4 (1, 5, 17, 65, 256); 1 for
// the negative levels, which take fewer samples than pixels.
int samplesPerPixel(int level);

// Samples per tile at a level: 16, 64, then 256 × samplesPerPixel.
int samplesPerTile(int level);

// The view's pass counter after a begin-view: a progressive view adds the
// samples per pixel of its level (1 below level 1); any other view starts
// again at 0.
int advancePassCounter(int counter, int level, bool progressive);

// Fills `out` (room for samplesPerTile(level) records) with the tile's
// samples for `level` and pass counter `counter`; returns their number.
int buildSampleList(int level, int counter, SampleRecord* out);

}  // namespace engine
}  // namespace hox
