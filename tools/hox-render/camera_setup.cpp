#include "camera_setup.h"

#include <algorithm>
#include <cmath>

namespace hox_render {

namespace {

constexpr float kDegrees = 3.14159265358979f / 180.0f;

}  // namespace

hox::Mat4f cameraMatrix(const CameraPose& pose) {
    return frameLookingAlong(pose.eye, pose.target - pose.eye, pose.up);
}

CameraPose frameBounds(const Bounds& bounds, float fovDegrees, float aspect) {
    CameraPose pose;
    pose.fovDegrees = fovDegrees;
    if (bounds.empty()) return pose;
    const hox::Vec3f centre = bounds.centre();
    const float radius = std::max(0.5f * length(bounds.extent()), 1e-4f);
    const float halfWidth = 0.5f * fovDegrees * kDegrees;
    const float halfHeight = std::atan(std::tan(halfWidth) / (aspect > 0.0f ? aspect : 1.0f));
    // A sphere fits a view cone of half-angle a from distance r / sin(a);
    // 5 % more leaves a margin.
    const float distance = 1.05f * radius / std::sin(std::min(halfWidth, halfHeight));
    const hox::Vec3f direction = normalize({0.45f, 0.35f, 1.0f});
    pose.target = centre;
    pose.eye = centre + direction * distance;
    pose.up = {0, 1, 0};
    return pose;
}

}  // namespace hox_render
