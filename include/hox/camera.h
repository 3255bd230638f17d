// Camera: how the pixels of a render view map to rays.
#pragma once

#include "hox/config.h"
#include "hox/entity.h"
#include "hox/types.h"

namespace hox {

enum ECameraType : int {
    CAMERA_TYPE_PERSPECTIVE = 0,   // rays from the camera's position, looking along -Z
    CAMERA_TYPE_ORTHOGRAPHIC = 1,  // parallel rays along -Z
    CAMERA_TYPE_PROJECTION = 2     // rays from the position through three image-plane points
};

// A fresh camera is a 640 x 480 perspective camera with a 45 degree field of
// view and a 4/3 aspect ratio, focused at distance 1 with a pinhole lens.
class HOX_API Camera : public Entity {
public:
    enum { TypeId = CLASS_TYPE_CAMERA };

    // Perspective camera whose field of view (degrees) spans the image width.
    // Clamped to [0.1, 178]; not a number gives 0.1. The aperture becomes 0.
    void initPerspective(float fieldOfView);
    // Orthographic camera whose view is aperture high and aperture times the
    // aspect ratio wide. The field of view becomes 0.
    void initOrthographic(float aperture);
    // General projection: p0 is the corner of the first pixel, p1 the end of
    // the first row, p2 the end of the first column, in camera space.
    // Aperture and field of view become 0.
    void initProjection(const Vec3f& p0, const Vec3f& p1, const Vec3f& p2);

    // Stored unchanged.
    void setResolution(int width, int height);
    // Width over height of the image plane, independent of the resolution.
    // Ignored unless above 0.
    void setAspectRatio(float aspectRatio);
    // The distance of the image plane and of sharp focus, and the lens radius
    // (0: pinhole). A focal distance of at most 0 or not a number gives 1, one
    // in (0, 0.001] gives 0.001; a lens radius that is not above 0 gives 0.
    void setDepthOfField(float focalDistance, float lensRadius);
    // Sub-pixel shift of the image, in pixels.
    void setOffset(float x, float y);
    // Restricts rendering to the pixels [x0, x1] x [y0, y1]. Stored as x0, y0,
    // max(x0, x1), max(y0, y1); clipped to the image when a frame starts. The
    // default (0, 0, 0x7FFFFFFF, 0x7FFFFFFF) is the whole image.
    void setWindowRegion(int x0, int y0, int x1, int y1);

    ECameraType getCameraType() const;
    int getWidth() const;
    int getHeight() const;
    float getAspectRatio() const;
    float getFieldOfView() const;
    float getAperture() const;
    float getFocalDistance() const;
    float getLensRadius() const;
    float getOffsetX() const;
    float getOffsetY() const;
    void getProjection(Vec3f& p0, Vec3f& p1, Vec3f& p2) const;
    void getWindowRegion(int& x0, int& y0, int& x1, int& y1) const;
};

}  // namespace hox
