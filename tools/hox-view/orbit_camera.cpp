#include "orbit_camera.h"

#include <algorithm>
#include <cmath>

#include "vec_math.h"

namespace hox_view {

using hox_render::CameraPose;
using hox_render::cross;
using hox_render::dot;
using hox_render::length;
using hox_render::normalize;
using hox_render::operator+;
using hox_render::operator-;
using hox_render::operator*;

namespace {

constexpr float kPi = 3.14159265358979f;
// Half a degree per pixel: a drag across a small window turns the scene by
// a good part of a circle.
constexpr float kRadiansPerPixel = 0.5f * kPi / 180.0f;
// Short of the poles, where the world's up would be parallel to the view.
constexpr float kMaxPitch = 89.0f * kPi / 180.0f;
constexpr float kZoomPerStep = 0.9f;

}  // namespace

OrbitCamera::OrbitCamera(const CameraPose& home) : m_home(home) {
    setFrom(home);
    m_homeDistance = m_distance;
}

void OrbitCamera::setFrom(const CameraPose& pose) {
    m_target = pose.target;
    m_fovDegrees = pose.fovDegrees;
    const hox::Vec3f offset = pose.eye - pose.target;
    m_distance = std::max(length(offset), 1e-4f);
    const hox::Vec3f back = offset * (1.0f / m_distance);
    m_pitch = std::max(-kMaxPitch, std::min(kMaxPitch, std::asin(std::max(-1.0f, std::min(1.0f, back.y)))));
    m_yaw = std::atan2(back.x, back.z);
}

void OrbitCamera::reset() { setFrom(m_home); }

hox::Vec3f OrbitCamera::backward() const {
    const float c = std::cos(m_pitch);
    return {c * std::sin(m_yaw), std::sin(m_pitch), c * std::cos(m_yaw)};
}

void OrbitCamera::orbit(float dxPixels, float dyPixels) {
    if (!std::isfinite(dxPixels) || !std::isfinite(dyPixels)) return;
    m_yaw = std::remainder(m_yaw - dxPixels * kRadiansPerPixel, 2.0f * kPi);
    m_pitch = std::max(-kMaxPitch, std::min(kMaxPitch, m_pitch + dyPixels * kRadiansPerPixel));
}

void OrbitCamera::pan(float dxPixels, float dyPixels, int widthPixels) {
    if (widthPixels < 1 || !std::isfinite(dxPixels) || !std::isfinite(dyPixels)) return;
    // The image plane at the target's depth is 2 d tan(fov / 2) wide.
    const float halfFov = 0.5f * m_fovDegrees * kPi / 180.0f;
    const float worldPerPixel = 2.0f * m_distance * std::tan(halfFov) / static_cast<float>(widthPixels);
    const hox::Vec3f back = backward();
    const hox::Vec3f right = normalize(cross({0, 1, 0}, back));
    const hox::Vec3f up = cross(back, right);
    // Dragging right moves the scene right: the camera goes left.
    m_target = m_target - right * (dxPixels * worldPerPixel) + up * (dyPixels * worldPerPixel);
}

void OrbitCamera::zoom(float steps) {
    if (!std::isfinite(steps)) return;
    steps = std::max(-50.0f, std::min(50.0f, steps));
    m_distance = std::max(m_distance * std::pow(kZoomPerStep, steps), 1e-3f * m_homeDistance);
}

void OrbitCamera::fly(float right, float up, float forward, float seconds) {
    if (!std::isfinite(right) || !std::isfinite(up) || !std::isfinite(forward) || !std::isfinite(seconds)) return;
    const hox::Vec3f back = backward();
    const hox::Vec3f rightAxis = normalize(cross({0, 1, 0}, back));
    const float step = m_homeDistance * seconds;
    m_target = m_target + rightAxis * (right * step) + hox::Vec3f{0, 1, 0} * (up * step) - back * (forward * step);
}

CameraPose OrbitCamera::pose() const {
    CameraPose pose;
    pose.target = m_target;
    pose.eye = m_target + backward() * m_distance;
    pose.up = {0, 1, 0};
    pose.fovDegrees = m_fovDegrees;
    return pose;
}

bool OrbitCamera::project(const hox::Vec3f& world, int width, int height, float& x, float& y) const {
    if (width < 1 || height < 1) return false;
    const hox::Vec3f back = backward();
    const hox::Vec3f right = normalize(cross({0, 1, 0}, back));
    const hox::Vec3f up = cross(back, right);
    const hox::Vec3f relative = world - (m_target + back * m_distance);
    const float depth = -dot(relative, back);
    if (depth <= 1e-6f) return false;
    // The field of view spans the width; pixels are square.
    const float halfWidth = std::tan(0.5f * m_fovDegrees * kPi / 180.0f);
    const float u = dot(relative, right) / (depth * halfWidth);
    const float v = dot(relative, up) / (depth * halfWidth);
    x = 0.5f * width * (1.0f + u);
    y = 0.5f * height - 0.5f * width * v;
    return true;
}

}  // namespace hox_view
