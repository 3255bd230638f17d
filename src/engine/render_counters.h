// What the local engine's eight statistics counters count (RenderStats c0
// to c7). Workers count per sample and per ray in plain integers of their
// own and hand the sums to the frame context at each begin-frame, so the
// hot loops never touch shared memory.
#pragma once

namespace hox {
namespace engine {

enum RenderCounter {
    kCountSamples = 0,       // primary samples traced and shaded
    kCountRays = 1,          // rays sent through a scene's hierarchy
    kCountHits = 2,          // rays that hit a surface
    kCountRefused = 3,       // rays not traced: degenerate direction or depth limit
    kCountShaderCalls = 4,   // plug-in shader calls (surface and environment)
    kCountMisses = 5,        // rays shaded as misses (environment or black)
    kCountTiles = 6,         // tiles delivered to a tile sink
    kCountBatches = 7,       // sample batches delivered to a tile sink
    kCounterCount = 8
};

}  // namespace engine
}  // namespace hox
