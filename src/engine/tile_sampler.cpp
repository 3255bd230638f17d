// Sample lists of a tile at each sampling level.
#include "engine/tile_sampler.h"

#include "engine/sample_tables.h"

namespace hox {
namespace engine {
namespace {

// Where in its 4 × 4 block a level −2 pass samples, by pass: each run of
// four passes lands in a different quadrant of the block and the sixteen
// passes visit every pixel once, so the coarse image fills in evenly.
constexpr int kBlock4Order[16][2] = {{0, 0}, {2, 2}, {1, 1}, {3, 1}, {1, 3}, {2, 0},
                                     {0, 2}, {3, 3}, {1, 0}, {2, 1}, {0, 3}, {3, 2},
                                     {0, 1}, {3, 0}, {1, 2}, {2, 3}};
// The same for the 2 × 2 blocks of level −1.
constexpr int kBlock2Order[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};

constexpr int kSamplesPerPixel[5] = {1, 5, 17, 65, 256};

inline int minInt(int a, int b) { return a < b ? a : b; }

inline void setSample(SampleRecord& r, int x, int y, int offsetIndex) {
    const float(*offset)[2] = sampleTables().offsets + offsetTableIndex(x, y, offsetIndex);
    r.positionX = static_cast<float>(x) + (*offset)[0];
    r.positionY = static_cast<float>(y) + (*offset)[1];
    r.pixelX = x;
    r.pixelY = y;
    r.offsetIndex = offsetIndex;
}

}  // namespace

int clampSamplingLevel(int level) {
    return level < kMinSamplingLevel ? kMinSamplingLevel
                                     : level > kMaxSamplingLevel ? kMaxSamplingLevel : level;
}

int samplesPerPixel(int level) {
    level = clampSamplingLevel(level);
    return level <= 0 ? 1 : kSamplesPerPixel[level];
}

int samplesPerTile(int level) {
    level = clampSamplingLevel(level);
    if (level == -2) return 16;
    if (level == -1) return 64;
    return kTileSize * kTileSize * kSamplesPerPixel[level];
}

int advancePassCounter(int counter, int level, bool progressive) {
    if (!progressive) return 0;
    return counter + samplesPerPixel(level);
}

int buildSampleList(int level, int counter, SampleRecord* out) {
    level = clampSamplingLevel(level);
    const int pass = counter > 1 ? counter - 1 : 0;  // c' = max(c - 1, 0)
    int n = 0;

    if (level == -2) {
        const int a = kBlock4Order[pass % 16][0];
        const int b = kBlock4Order[pass % 16][1];
        const int offsetIndex = minInt(pass / 16, kOffsetsPerPixel);
        for (int j = 0; j < 4; ++j) {
            for (int i = 0; i < 4; ++i) setSample(out[n++], 4 * i + a, 4 * j + b, offsetIndex);
        }
        return n;
    }

    if (level == -1) {
        const int a = kBlock2Order[pass % 4][0];
        const int b = kBlock2Order[pass % 4][1];
        const int offsetIndex = minInt(pass / 4, kOffsetsPerPixel);
        for (int quadrant = 0; quadrant < 4; ++quadrant) {
            const int qx = (quadrant & 1) * 4;  // in blocks
            const int qy = (quadrant >> 1) * 4;
            for (int j = qy; j < qy + 4; ++j) {
                for (int i = qx; i < qx + 4; ++i) setSample(out[n++], 2 * i + a, 2 * j + b, offsetIndex);
            }
        }
        return n;
    }

    const int s = kSamplesPerPixel[level];
    const int first = minInt(pass, kOffsetsPerPixel);
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            for (int k = 0; k < s; ++k) setSample(out[n++], x, y, minInt(first + k, kOffsetsPerPixel));
        }
    }
    return n;
}

}  // namespace engine
}  // namespace hox
