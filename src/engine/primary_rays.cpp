// Primary ray set-up and generation.
#include "engine/primary_rays.h"

#include <xmmintrin.h>

#include "engine/sample_tables.h"
#include "scene/camera_model.h"

namespace hox {
namespace engine {
namespace {

void store(float out[3], const Vec3f& v) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

// a + s·b
Vec3f addScaled(const Vec3f& a, const Vec3f& b, float s) {
    return {a.x + s * b.x, a.y + s * b.y, a.z + s * b.z};
}

Vec3f negated(const Vec3f& v) { return {-v.x, -v.y, -v.z}; }

}  // namespace

bool setupPrimaryRays(const scene::CameraRecord& camera, const Mat4f& world, PrimaryRaySetup& out) {
    scene::CameraFrame frame;
    if (!scene::computeCameraFrame(camera, world, frame)) return false;

    // Grid row g = height − y: the view's y axis runs down the camera's −Y.
    const float h = static_cast<float>(camera.height);
    store(out.near0, addScaled(frame.origin, frame.originStepY, h));
    store(out.nearX, frame.originStepX);
    store(out.nearY, negated(frame.originStepY));
    store(out.far0, addScaled(frame.corner, frame.stepY, h));
    store(out.farX, frame.stepX);
    store(out.farY, negated(frame.stepY));

    // The lens lies in the camera's own X-Y plane. Its axes are the world
    // matrix's rows as they stand, so the radius is measured in the
    // camera's units, like the focal distance that scales the image plane.
    const float r = camera.lensRadius;
    out.hasLens = r > 0.0f;
    for (int a = 0; a < 3; ++a) {
        out.lensU[a] = out.hasLens ? world.m[a] * r : 0.0f;
        out.lensV[a] = out.hasLens ? world.m[4 + a] * r : 0.0f;
    }
    return true;
}

void generatePrimaryRays(const PrimaryRaySetup& s, int tileX, int tileY,
                         const SampleRecord* records, int count, PrimaryRayBatch& out) {
    if (count <= 0) return;
    if (count > kTileBatchSamples) count = kTileBatchSamples;
    const float originX = static_cast<float>(tileX * kTileSize);
    const float originY = static_cast<float>(tileY * kTileSize);
    const SampleTables& tables = sampleTables();

    for (int first = 0; first < count; first += 4) {
        // Gather four samples; lanes past the end repeat the last sample so
        // that every lane computes something finite.
        alignas(16) float px[4], py[4];
        alignas(16) float lu[4] = {0.0f, 0.0f, 0.0f, 0.0f}, lv[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        for (int lane = 0; lane < 4; ++lane) {
            const int i = first + lane < count ? first + lane : count - 1;
            const SampleRecord& r = records[i];
            px[lane] = originX + r.positionX;
            py[lane] = originY + r.positionY;
            if (s.hasLens) {
                const int set = tables.lensSet[lensKey(tileX, tileY, r.pixelX, r.pixelY)];
                const float* point = tables.lensPoints[set][r.offsetIndex & (kLensPointsPerSet - 1)];
                lu[lane] = point[0];
                lv[lane] = point[1];
            }
        }
        const __m128 x = _mm_load_ps(px);
        const __m128 y = _mm_load_ps(py);
        const __m128 u = _mm_load_ps(lu);
        const __m128 v = _mm_load_ps(lv);
        for (int a = 0; a < 3; ++a) {
            __m128 nearPoint = _mm_add_ps(_mm_set1_ps(s.near0[a]),
                                          _mm_add_ps(_mm_mul_ps(x, _mm_set1_ps(s.nearX[a])),
                                                     _mm_mul_ps(y, _mm_set1_ps(s.nearY[a]))));
            const __m128 farPoint = _mm_add_ps(_mm_set1_ps(s.far0[a]),
                                               _mm_add_ps(_mm_mul_ps(x, _mm_set1_ps(s.farX[a])),
                                                          _mm_mul_ps(y, _mm_set1_ps(s.farY[a]))));
            if (s.hasLens) {
                nearPoint = _mm_add_ps(nearPoint, _mm_add_ps(_mm_mul_ps(u, _mm_set1_ps(s.lensU[a])),
                                                             _mm_mul_ps(v, _mm_set1_ps(s.lensV[a]))));
            }
            _mm_store_ps(out.origin[a] + first, nearPoint);
            _mm_store_ps(out.direction[a] + first, _mm_sub_ps(farPoint, nearPoint));
        }
    }
}

}  // namespace engine
}  // namespace hox
