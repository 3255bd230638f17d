// Camera: setters forward to the camera model, getters read the record.
#include "device/public_object.h"
#include "hox/camera.h"
#include "scene/camera_model.h"

namespace hox {

void Camera::initPerspective(float fieldOfView) {
    if (scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this))
        scene::cameraInitPerspective(*r, fieldOfView);
}

void Camera::initOrthographic(float aperture) {
    if (scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this))
        scene::cameraInitOrthographic(*r, aperture);
}

void Camera::initProjection(const Vec3f& p0, const Vec3f& p1, const Vec3f& p2) {
    if (scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this))
        scene::cameraInitProjection(*r, p0, p1, p2);
}

void Camera::setResolution(int width, int height) {
    if (scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this)) {
        r->width = width;
        r->height = height;
    }
}

void Camera::setAspectRatio(float aspectRatio) {
    if (scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this))
        scene::cameraSetAspectRatio(*r, aspectRatio);
}

void Camera::setDepthOfField(float focalDistance, float lensRadius) {
    if (scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this))
        scene::cameraSetDepthOfField(*r, focalDistance, lensRadius);
}

void Camera::setOffset(float x, float y) {
    if (scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this)) {
        r->offsetX = x;
        r->offsetY = y;
    }
}

void Camera::setWindowRegion(int x0, int y0, int x1, int y1) {
    if (scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this))
        scene::cameraSetWindowRegion(*r, x0, y0, x1, y1);
}

// Getters on an object without a camera record answer with zeros.

ECameraType Camera::getCameraType() const {
    const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this);
    return static_cast<ECameraType>(r ? r->cameraType : 0);
}

int Camera::getWidth() const {
    const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this);
    return r ? r->width : 0;
}

int Camera::getHeight() const {
    const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this);
    return r ? r->height : 0;
}

float Camera::getAspectRatio() const {
    const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this);
    return r ? r->aspectRatio : 0.0f;
}

float Camera::getFieldOfView() const {
    const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this);
    return r ? r->fieldOfView : 0.0f;
}

float Camera::getAperture() const {
    const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this);
    return r ? r->aperture : 0.0f;
}

float Camera::getFocalDistance() const {
    const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this);
    return r ? r->focalDistance : 0.0f;
}

float Camera::getLensRadius() const {
    const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this);
    return r ? r->lensRadius : 0.0f;
}

float Camera::getOffsetX() const {
    const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this);
    return r ? r->offsetX : 0.0f;
}

float Camera::getOffsetY() const {
    const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this);
    return r ? r->offsetY : 0.0f;
}

void Camera::getProjection(Vec3f& p0, Vec3f& p1, Vec3f& p2) const {
    if (const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this)) {
        p0 = r->projection[0];
        p1 = r->projection[1];
        p2 = r->projection[2];
    }
}

void Camera::getWindowRegion(int& x0, int& y0, int& x1, int& y1) const {
    if (const scene::CameraRecord* r = device::recordOf<scene::CameraRecord>(this)) {
        x0 = r->windowRegion[0];
        y0 = r->windowRegion[1];
        x1 = r->windowRegion[2];
        y1 = r->windowRegion[3];
    }
}

}  // namespace hox
