// Camera model: the camera setters' rules and the mapping from a camera
// record and its world matrix to the vectors primary rays are made from.
#pragma once

#include "hox/types.h"
#include "scene/entity_records.h"

namespace hox {
namespace scene {

// Setters with their clamping; the public Camera class forwards here.
void cameraInitPerspective(CameraRecord& camera, float fieldOfView);
void cameraInitOrthographic(CameraRecord& camera, float aperture);
void cameraInitProjection(CameraRecord& camera, const Vec3f& p0, const Vec3f& p1, const Vec3f& p2);
void cameraSetAspectRatio(CameraRecord& camera, float aspectRatio);
void cameraSetDepthOfField(CameraRecord& camera, float focalDistance, float lensRadius);
void cameraSetWindowRegion(CameraRecord& camera, int x0, int y0, int x1, int y1);

// The ray of pixel (x, y) of the camera's grid starts at
// origin + x*originStepX + y*originStepY and passes through
// corner + x*stepX + y*stepY. Row 0 lies on the camera's -Y side.
struct CameraFrame {
    Vec3f origin;
    Vec3f originStepX;  // zero unless orthographic
    Vec3f originStepY;
    Vec3f corner;       // image-plane point of the first pixel
    Vec3f stepX;
    Vec3f stepY;
};

// world: the camera's world matrix, rows 0-2 its X, Y, Z axes and row 3 its
// position. False, with `frame` untouched, for an unknown camera type.
bool computeCameraFrame(const CameraRecord& camera, const Mat4f& world, CameraFrame& frame);

// The stored window region clipped to the image. Inverted bounds (x0 > x1)
// are left as they come out of the clipping: such a region covers no pixel.
struct WindowRegion {
    int x0, y0, x1, y1;
    // Only an active region restricts rendering; one covering the whole
    // image is not active.
    bool active;
};
WindowRegion resolveWindowRegion(const CameraRecord& camera);

struct PickRay {
    Vec3f origin;
    Vec3f direction;  // unit length, or zero when the frame is degenerate
};
// The ray through pixel (x, y) with y counted from the top of an image of
// `height` rows, as picking addresses pixels.
PickRay pickRay(const CameraFrame& frame, float x, float y, int height);

}  // namespace scene
}  // namespace hox
