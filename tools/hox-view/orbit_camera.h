// The viewer's camera: it circles a target point (orbit), slides with it
// (pan), moves towards it (zoom), or flies eye and target together (WASD).
// Angles rather than a matrix are the state, so that no amount of dragging
// accumulates rounding into a skewed frame; the world's up is +Y.
#pragma once

#include "camera_setup.h"

namespace hox_view {

class OrbitCamera {
public:
    // `home` is where reset returns to.
    explicit OrbitCamera(const hox_render::CameraPose& home);

    void reset();
    // A mouse drag of (dx, dy) pixels: right turns the camera left around
    // the target, down lifts it. The elevation stays short of the poles.
    void orbit(float dxPixels, float dyPixels);
    // The target and eye slide in the image plane so that the point at the
    // target's depth follows the cursor, in an image `widthPixels` wide.
    void pan(float dxPixels, float dyPixels, int widthPixels);
    // Each step forward brings the eye 10 % closer; never closer than a
    // thousandth of the home distance.
    void zoom(float steps);
    // Moves eye and target by (right, up, forward) in units of the home
    // distance per second, for `seconds`.
    void fly(float right, float up, float forward, float seconds);

    hox_render::CameraPose pose() const;
    float distance() const { return m_distance; }
    float yawRadians() const { return m_yaw; }
    float pitchRadians() const { return m_pitch; }

    // Where a world point lands in an image of `width` x `height` pixels
    // (x to the right, y down from the top left). False for a point behind
    // the camera.
    bool project(const hox::Vec3f& world, int width, int height, float& x, float& y) const;

private:
    void setFrom(const hox_render::CameraPose& pose);
    hox::Vec3f backward() const;  // unit vector from the target to the eye

    hox_render::CameraPose m_home;
    float m_homeDistance = 1.0f;
    hox::Vec3f m_target = {0, 0, 0};
    float m_distance = 1.0f;
    float m_yaw = 0.0f;    // about +Y, 0 looking along -Z
    float m_pitch = 0.0f;  // elevation of the eye above the target, radians
    float m_fovDegrees = 50.0f;
};

}  // namespace hox_view
