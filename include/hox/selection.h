// Selection: what lies under a pixel, or inside a screen rectangle, of a
// render view as it was last rendered.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hox/config.h"
#include "hox/handle.h"
#include "hox/types.h"

namespace hox {

// One selected object. Which fields hold data is told by `valid`: a pixel
// pick fills all five, a region pick only the bounds and the object.
struct SelectionResult {
    enum {
        VALID_POSITION = 1,
        VALID_NORMAL = 2,
        VALID_BOUNDS = 4,
        VALID_DISTANCE = 8,
        VALID_OBJECT = 16
    };

    int32_t valid;
    Vec3f position;   // world hit point
    Vec3f normal;     // world surface normal at the hit
    Vec3f boundsMin;  // world box of the object
    Vec3f boundsMax;
    float distance;   // from the ray origin to the hit point
    uint32_t object;  // Object handle word (class 9 in the top four bits)

    HandleBase objectHandle() const { return HandleBase::fromValue(object); }
};

static_assert(sizeof(SelectionResult) == 60, "SelectionResult is 15 words");
static_assert(offsetof(SelectionResult, valid) == 0, "SelectionResult layout");
static_assert(offsetof(SelectionResult, position) == 4, "SelectionResult layout");
static_assert(offsetof(SelectionResult, normal) == 16, "SelectionResult layout");
static_assert(offsetof(SelectionResult, boundsMin) == 28, "SelectionResult layout");
static_assert(offsetof(SelectionResult, boundsMax) == 40, "SelectionResult layout");
static_assert(offsetof(SelectionResult, distance) == 52, "SelectionResult layout");
static_assert(offsetof(SelectionResult, object) == 56, "SelectionResult layout");

// Obtained from IRenderDevice::getSelectionDevice; valid from hox::Init to
// hox::Shutdown. Used from the host's thread between frames. Both picks
// forget the previous results first.
//
// Picks answer from the frame most recently handed to IRenderDevice::frame,
// whether it is still rendering or already synced: the scene as that frame
// rendered it stays pickable until the next frame, even when the host edits
// or destroys its objects meanwhile (a destroyed object is still reported by
// the handle it had). A render view that was not part of that frame finds
// nothing.
class HOX_API ISelectionDevice {
public:
    virtual ~ISelectionDevice() {}
    // The object under pixel (x, y), y counted from the top: 0 or 1 results.
    virtual int pick(const THandle<RenderView>& view, int x, int y) = 0;
    // The objects inside the rectangle: drawn left to right (x1 > x0) only
    // objects wholly inside, right to left also those that touch it.
    virtual int pickRegion(const THandle<RenderView>& view, int x0, int y0, int x1, int y1) = 0;
    virtual int getNumResults() const = 0;
    // The i-th result of the last pick, valid until the next pick; null for
    // an i outside [0, getNumResults()).
    virtual const SelectionResult* getResult(int i) const = 0;
};

}  // namespace hox
