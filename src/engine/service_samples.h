// The sample tables of the tracing services: lobe samples for glossy rays
// and cosine-weighted hemisphere directions for occlusion and indirect
// diffuse rays, 16 sets of 1024 each. Light extent reuses the lens disk
// points of sample_tables.h, and the set is picked with the same balanced
// 65,536-entry key table (SampleTables::lensSet).
//
// Generated once, deterministically, on first use (thread-safe), so no
// random number generator ever runs while tracing.
#pragma once

#include "engine/sample_tables.h"

namespace hox {
namespace engine {

constexpr int kServiceSampleSets = 16;
constexpr int kServiceSamplesPerSet = 1024;

// Key offsets added to the tile column when picking a set, one per use.
constexpr int kServiceKeyLight = 2;
constexpr int kServiceKeyOcclusion = 3;
constexpr int kServiceKeyGlossy = 4;
constexpr int kServiceKeyIndirect = 5;

struct ServiceSampleTables {
    // Points of [0, 1)^2, well stratified within every set.
    float square[kServiceSampleSets][kServiceSamplesPerSet][2];
    // Unit directions with z > 0, cosine-weighted around +z (mean z 2/3).
    float hemisphere[kServiceSampleSets][kServiceSamplesPerSet][3];
};

const ServiceSampleTables& serviceSampleTables();

// The set for a sample: T[((a * 16 + b) * 16 + c) * 16 + d] with
// a = (tileX + keyOffset) mod 16, b = (bounce + tileY) mod 16, c and d the
// sample's pixel x and y mod 16, T = sampleTables().lensSet.
inline int serviceSampleSet(int tileX, int tileY, int keyOffset, int bounce, int pixelX, int pixelY) {
    return sampleTables().lensSet[lensKey(tileX + keyOffset, bounce + tileY, pixelX, pixelY)];
}

// The entry within a set: (offsetIndex * sampleCount + sampleNumber) mod 1024.
inline int serviceSampleIndex(int offsetIndex, int sampleCount, int sampleNumber) {
    return (offsetIndex * sampleCount + sampleNumber) & (kServiceSamplesPerSet - 1);
}

}  // namespace engine
}  // namespace hox
