// Primary rays of a tile: from a sample's position in the view to a ray
// start and direction, through the camera (and its lens, when it has one).
//
// The set-up is made once per view: six vectors that map a view position p
// to a near point N0 + p.x·Nx + p.y·Ny and a far point F0 + p.x·Fx + p.y·Fy.
// A tile then turns its samples into rays four at a time.
#pragma once

#include "engine/tile_sink.h"
#include "scene/entity_records.h"

namespace hox {
namespace engine {

struct PrimaryRaySetup {
    float near0[3];
    float nearX[3];
    float nearY[3];
    float far0[3];
    float farX[3];
    float farY[3];
    // The camera's lens axes scaled by the lens radius; unused without a
    // lens.
    float lensU[3];
    float lensV[3];
    bool hasLens;
};

// Derives the set-up from the camera record and its world matrix (the
// camera's own transform). View rows count from the top of the image, as
// tiles do, while the camera frame's rows count from its −Y side: the
// set-up flips y so that the image reaches the host upright and a pixel
// renders the ray that picking builds for it. False, with `out` untouched,
// when the camera has no frame (unknown type, no pixels).
bool setupPrimaryRays(const scene::CameraRecord& camera, const Mat4f& world, PrimaryRaySetup& out);

// Rays of up to kTileBatchSamples samples, as four-float rows. Directions
// are far minus near, not normalised: tracing normalises (and refuses
// degenerate ones) anyway.
struct alignas(16) PrimaryRayBatch {
    float origin[3][kTileBatchSamples];
    float direction[3][kTileBatchSamples];
};

// The rays of `count` samples of tile (tileX, tileY). With a lens, the near
// point of each sample moves to its lens point: the set chosen by the lens
// table for the tile and pixel, the point by the sample's offset index.
void generatePrimaryRays(const PrimaryRaySetup& setup, int tileX, int tileY,
                         const SampleRecord* records, int count, PrimaryRayBatch& out);

}  // namespace engine
}  // namespace hox
