// FrameDef: the render views of one frame, in render order, and the device
// settings to apply with it.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"

namespace hox {

// Views are compared as whole 32-bit handle values; a view may be listed
// more than once.
class HOX_API FrameDef : public Class {
public:
    enum { TypeId = CLASS_TYPE_FRAME_DEF };

    // Returns 0.
    int setDeviceSettings(const THandle<DeviceSettings>& settings);
    // Appends. The new entry's index, or -1 when memory cannot be obtained.
    int addRenderView(const THandle<RenderView>& view);
    // Removes the first equal entry; later entries move down one place.
    // 0, or 4096 when not found.
    int removeRenderView(const THandle<RenderView>& view);
    int getNumRenderViews() const;
    // The entry at index, or the null RenderView handle when index is not in
    // [0, getNumRenderViews()).
    THandle<RenderView> getRenderView(int index) const;
    // 0, or -1 when index is not in [0, getNumRenderViews()).
    int setRenderView(int index, const THandle<RenderView>& view);
    // Replaces the first entry equal to oldView. 0, or -1 when there is none.
    int replaceRenderView(const THandle<RenderView>& oldView, const THandle<RenderView>& newView);
    // Index of the first equal entry, or -1.
    int findRenderView(const THandle<RenderView>& view) const;
    void removeAllRenderViews();
};

}  // namespace hox
