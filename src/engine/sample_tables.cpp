// Generation of the sampling tables.
//
// Both point tables come from the same base-2 (0,2)-sequence: the van der
// Corput sequence in x and the second Sobol dimension in y. Its first 2^k
// points form a (0,k,2)-net for every k: each of the 2^k elementary boxes
// of area 2^-k holds exactly one point, so any power-of-two prefix of a
// pixel's offsets (what a progressive frame sequence or a sampling level
// uses) is stratified in x, in y and in every shape in between.
//
// Pixels get patterns of their own through Owen scrambling: each digit of a
// coordinate is flipped or not depending on the digits before it, by a
// pseudo-random choice per pixel and tree node. Any such choice keeps the
// net property. The choices along the path of point 0 (all digits 0) are
// fixed - flip the first digit, keep the rest - so that offset 0 of every
// pixel is exactly the centre, (1/2, 1/2). (A plain digital shift cannot do
// both: fixing where point 0 goes fixes the whole shift.)
//
// The lens sets only need to differ from one another, and a random digital
// shift per set is enough for that.
#include "engine/sample_tables.h"

#include <cmath>

#include "engine/low_discrepancy.h"

namespace hox {
namespace engine {
namespace {

// [0, 2^32) to [0, 1). The 256-point nets only use the top eight bits, so
// these values are exact multiples of 1/256 and never round up to 1.
float unitFloat(uint32_t bits) { return static_cast<float>(bits) * (1.0f / 4294967296.0f); }

// Owen scrambling of the top eight digits of `bits` (the rest are zero for
// the 256-point nets). `node` numbers the tree: a leading 1, then the digits
// seen so far, so the all-zero path of length k is node 1 << k.
uint32_t scrambleEightDigits(uint32_t bits, uint64_t seed) {
    uint32_t out = 0;
    uint32_t node = 1;
    for (int k = 0; k < 8; ++k) {
        const uint32_t digit = (bits >> (31 - k)) & 1u;
        uint32_t flip;
        if (node == (1u << k)) {
            flip = k == 0 ? 1u : 0u;  // keeps point 0 at 0.1000 0000b = 1/2
        } else {
            flip = static_cast<uint32_t>(mixBits64(seed ^ (static_cast<uint64_t>(node) << 40)) & 1u);
        }
        out |= (digit ^ flip) << (31 - k);
        node = (node << 1) | digit;
    }
    return out;
}

void buildOffsets(SampleTables& t, SplitMix& random) {
    for (int x = 0; x < kOffsetTileSide; ++x) {
        for (int y = 0; y < kOffsetTileSide; ++y) {
            const uint64_t seedX = random.next();
            const uint64_t seedY = random.next();
            float(*pixel)[2] = t.offsets + (x * kOffsetTileSide + y) * kOffsetsPerPixel;
            for (uint32_t i = 0; i < kOffsetsPerPixel; ++i) {
                pixel[i][0] = unitFloat(scrambleEightDigits(vanDerCorput(i), seedX));
                pixel[i][1] = unitFloat(scrambleEightDigits(sobol2(i), seedY));
            }
        }
    }
    t.offsets[kOffsetEntries - 1][0] = 0.5f;
    t.offsets[kOffsetEntries - 1][1] = 0.5f;
}

// Lens positions: the concentric map keeps the net's stratification as
// evenly spread points on the lens.
void lensPoint(double u, double v, float out[2]) {
    double dx, dy;
    concentricDisk(u, v, dx, dy);
    float x = static_cast<float>(dx);
    float y = static_cast<float>(dy);
    // The half-step below keeps |r| < 1 in exact arithmetic; rounding to
    // float must not put a point on the rim either.
    while (x * x + y * y >= 1.0f) {
        x *= 0.99999994f;
        y *= 0.99999994f;
    }
    out[0] = x;
    out[1] = y;
}

void buildLensPoints(SampleTables& t, SplitMix& random) {
    for (int s = 0; s < kLensSets; ++s) {
        // A full 32-bit shift: the 1,024-point net fixes only the top ten
        // bits, the shift spreads the points inside their strata.
        const uint32_t shiftX = static_cast<uint32_t>(random.next());
        const uint32_t shiftY = static_cast<uint32_t>(random.next());
        for (uint32_t i = 0; i < kLensPointsPerSet; ++i) {
            // Half a step of 2^-32 keeps u and v off 0, where the map would
            // reach the rim.
            const double u = (static_cast<double>(vanDerCorput(i) ^ shiftX) + 0.5) / 4294967296.0;
            const double v = (static_cast<double>(sobol2(i) ^ shiftY) + 0.5) / 4294967296.0;
            lensPoint(u, v, t.lensPoints[s][i]);
        }
    }
}

// Every 4 × 4 block of pixels in every tile holds each of the 16 sets once,
// in an order of its own: neighbouring pixels never share a lens set, and
// the table is balanced (16 per tile, 4,096 in all) by construction.
void buildLensSets(SampleTables& t, SplitMix& random) {
    for (int tileX = 0; tileX < 16; ++tileX) {
        for (int tileY = 0; tileY < 16; ++tileY) {
            for (int blockX = 0; blockX < 4; ++blockX) {
                for (int blockY = 0; blockY < 4; ++blockY) {
                    uint8_t order[kLensSets];
                    for (int k = 0; k < kLensSets; ++k) order[k] = static_cast<uint8_t>(k);
                    for (int k = kLensSets - 1; k > 0; --k) {
                        const uint32_t other = random.below(static_cast<uint32_t>(k + 1));
                        const uint8_t swap = order[k];
                        order[k] = order[other];
                        order[other] = swap;
                    }
                    for (int k = 0; k < kLensSets; ++k) {
                        const int x = blockX * 4 + k % 4;
                        const int y = blockY * 4 + k / 4;
                        t.lensSet[lensKey(tileX, tileY, x, y)] = order[k];
                    }
                }
            }
        }
    }
}

struct TableHolder {
    TableHolder() {
        SplitMix random{0x686F782D73616D70ull};
        buildOffsets(tables, random);
        buildLensPoints(tables, random);
        buildLensSets(tables, random);
    }
    SampleTables tables;
};

}  // namespace

const SampleTables& sampleTables() {
    // Zero-initialised storage, filled once on first use; C++ makes the
    // first call's construction safe when render threads race for it.
    static TableHolder holder;
    return holder.tables;
}

}  // namespace engine
}  // namespace hox
