#include "scene/camera_model.h"

#include <algorithm>
#include <cmath>

namespace hox {
namespace scene {

namespace {

constexpr float kMinFieldOfView = 0.1f;
constexpr float kMaxFieldOfView = 178.0f;
constexpr float kMinFocalDistance = 0.001f;
constexpr float kDegreesToRadians = 3.14159265358979f / 180.0f;

Vec3f add(const Vec3f& a, const Vec3f& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3f sub(const Vec3f& a, const Vec3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3f scale(const Vec3f& a, float s) { return {a.x * s, a.y * s, a.z * s}; }

// Row i of a row-vector matrix: rows 0-2 are the axes, row 3 the position.
Vec3f row(const Mat4f& m, int i) { return {m.m[4 * i], m.m[4 * i + 1], m.m[4 * i + 2]}; }

Vec3f transformPoint(const Vec3f& p, const Mat4f& m) {
    return {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12],
            p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
            p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}

}  // namespace

void cameraInitPerspective(CameraRecord& camera, float fieldOfView) {
    // Written so that not-a-number fails the first test and lands on the
    // minimum: a camera must always have a usable angle.
    if (!(fieldOfView >= kMinFieldOfView)) fieldOfView = kMinFieldOfView;
    if (fieldOfView > kMaxFieldOfView) fieldOfView = kMaxFieldOfView;
    camera.cameraType = 0;
    camera.fieldOfView = fieldOfView;
    camera.aperture = 0.0f;
}

void cameraInitOrthographic(CameraRecord& camera, float aperture) {
    camera.cameraType = 1;
    camera.aperture = aperture;
    camera.fieldOfView = 0.0f;
}

void cameraInitProjection(CameraRecord& camera, const Vec3f& p0, const Vec3f& p1, const Vec3f& p2) {
    camera.cameraType = 2;
    camera.projection[0] = p0;
    camera.projection[1] = p1;
    camera.projection[2] = p2;
    camera.aperture = 0.0f;
    camera.fieldOfView = 0.0f;
}

void cameraSetAspectRatio(CameraRecord& camera, float aspectRatio) {
    if (aspectRatio > 0.0f) camera.aspectRatio = aspectRatio;
}

void cameraSetDepthOfField(CameraRecord& camera, float focalDistance, float lensRadius) {
    if (!(focalDistance > 0.0f))
        focalDistance = 1.0f;
    else if (focalDistance <= kMinFocalDistance)
        focalDistance = kMinFocalDistance;
    // Not a number counts as no lens: a pinhole is always safe to sample.
    if (!(lensRadius > 0.0f)) lensRadius = 0.0f;
    camera.focalDistance = focalDistance;
    camera.lensRadius = lensRadius;
}

void cameraSetWindowRegion(CameraRecord& camera, int x0, int y0, int x1, int y1) {
    camera.windowRegion[0] = x0;
    camera.windowRegion[1] = y0;
    camera.windowRegion[2] = std::max(x0, x1);
    camera.windowRegion[3] = std::max(y0, y1);
}

bool computeCameraFrame(const CameraRecord& camera, const Mat4f& world, CameraFrame& frame) {
    if (camera.cameraType < 0 || camera.cameraType > 2) return false;
    // Every step below divides by the resolution; a camera without pixels
    // has nothing to map.
    if (camera.width <= 0 || camera.height <= 0) return false;

    const float w = static_cast<float>(camera.width);
    const float h = static_cast<float>(camera.height);
    const Vec3f axisX = row(world, 0);
    const Vec3f axisY = row(world, 1);
    const Vec3f axisZ = row(world, 2);
    const Vec3f position = row(world, 3);
    const float f = camera.focalDistance;
    // Shift that centres the grid on the view axis, plus the sub-pixel offset.
    const float sx = camera.offsetX - w / 2.0f;
    const float sy = camera.offsetY - h / 2.0f;
    const Vec3f zero = {0.0f, 0.0f, 0.0f};

    if (camera.cameraType == 0) {
        // The field of view spans the image width at the focal distance.
        const float planeWidth = 2.0f * f * std::tan(camera.fieldOfView * kDegreesToRadians / 2.0f);
        frame.stepX = scale(axisX, planeWidth / w);
        frame.stepY = scale(axisY, planeWidth / (h * camera.aspectRatio));
        frame.corner = add(add(sub(position, scale(axisZ, f)), scale(frame.stepX, sx)),
                           scale(frame.stepY, sy));
        frame.origin = position;
        frame.originStepX = zero;
        frame.originStepY = zero;
    } else if (camera.cameraType == 1) {
        const float a = camera.aperture;
        frame.stepX = scale(axisX, a * camera.aspectRatio / w);
        frame.stepY = scale(axisY, a / h);
        const Vec3f shift = add(scale(frame.stepX, sx), scale(frame.stepY, sy));
        frame.corner = add(sub(position, scale(axisZ, f)), shift);
        // Origins move with the pixels, so every ray is parallel to -Z.
        frame.originStepX = frame.stepX;
        frame.originStepY = frame.stepY;
        frame.origin = add(position, shift);
    } else {
        const Vec3f q0 = transformPoint(camera.projection[0], world);
        const Vec3f q1 = transformPoint(camera.projection[1], world);
        const Vec3f q2 = transformPoint(camera.projection[2], world);
        frame.stepX = scale(sub(q1, q0), 1.0f / w);
        frame.stepY = scale(sub(q2, q0), 1.0f / h);
        // q0 already is the corner of the first pixel: no centring shift.
        frame.corner = add(add(q0, scale(frame.stepX, camera.offsetX)), scale(frame.stepY, camera.offsetY));
        frame.origin = position;
        frame.originStepX = zero;
        frame.originStepY = zero;
    }
    return true;
}

WindowRegion resolveWindowRegion(const CameraRecord& camera) {
    const int x0 = camera.windowRegion[0];
    const int y0 = camera.windowRegion[1];
    const int x1 = camera.windowRegion[2];
    const int y1 = camera.windowRegion[3];
    // A negative resolution counts as empty (and keeps width - 1 from
    // overflowing).
    const int lastColumn = std::max(camera.width, 0) - 1;
    const int lastRow = std::max(camera.height, 0) - 1;

    WindowRegion region;
    region.x0 = x0 < 0 ? 0 : std::min(x0, x1);
    region.y0 = y0 < 0 ? 0 : std::min(y0, y1);
    region.x1 = x1 < region.x0 ? region.x0 : std::min(lastColumn, x1);
    region.y1 = y1 < region.y0 ? region.y0 : std::min(lastRow, y1);
    region.active = region.x0 > 0 || region.y0 > 0 || region.x1 < lastColumn || region.y1 < lastRow;
    return region;
}

PickRay pickRay(const CameraFrame& frame, float x, float y, int height) {
    // The grid's row 0 is at the bottom; picking counts rows from the top.
    const float g = static_cast<float>(height) - y;
    const Vec3f point = add(add(frame.corner, scale(frame.stepX, x)), scale(frame.stepY, g));
    const Vec3f start = add(add(frame.origin, scale(frame.originStepX, x)), scale(frame.originStepY, g));
    const Vec3f d = sub(point, start);
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);

    PickRay ray;
    ray.origin = start;
    ray.direction = length > 0.0f && std::isfinite(length) ? scale(d, 1.0f / length) : Vec3f{0.0f, 0.0f, 0.0f};
    return ray;
}

}  // namespace scene
}  // namespace hox
