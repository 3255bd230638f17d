// SelectionService: the device's ISelectionDevice.
//
// It answers from the frame the device handed to the engine last. A pixel
// pick traces one ray through that frame's compiled scene of the view, by
// way of the engine's frame context; a region pick tests every object of the
// view against the frustum of the rectangle. What both need of the frame
// (views, camera frames, objects with their records) is kept in a snapshot
// taken when the frame starts, which holds its own references so that picks
// stay safe after sync has released the frame (see selection_snapshot.h).
//
// Host thread only, like every public operation.
#pragma once

#include "device/selection_snapshot.h"
#include "hox/selection.h"
#include "util/growable_array.h"

namespace hox {
namespace engine {
class FrameContext;
class FrameSlot;
}  // namespace engine

namespace device {

class SelectionService : public ISelectionDevice {
public:
    SelectionService();

    int pick(const THandle<RenderView>& view, int x, int y) override;
    int pickRegion(const THandle<RenderView>& view, int x0, int y0, int x1, int y1) override;
    int getNumResults() const override;
    const SelectionResult* getResult(int i) const override;

    // The device reports every frame it hands to the engine, with the
    // frame's slot while its prepared views are complete (before the slot
    // is released).
    void onFrame(int frameNumber, const engine::FrameSlot& slot);
    int frameNumber() const { return m_frameNumber; }
    // ... and every engine it creates (null when none could be made).
    void setFrameContext(engine::FrameContext* context) { m_context = context; }
    engine::FrameContext* frameContext() const { return m_context; }

    // The most results the array may grow to hold; growth beyond it fails
    // as if memory were short, and the objects that find no room are left
    // out. Unlimited unless set (a host with a huge scene may bound what a
    // region pick takes; tests use it to reach the out-of-memory path).
    void setResultLimit(int limit) { m_resultLimit = limit; }

private:
    // The snapshot view of `view` in the last frame, or null when there is
    // no engine, no frame, or the frame had no such view.
    const SelectionSnapshot::View* findView(const THandle<RenderView>& view) const;
    // Appends a result slot (count + 1); null when the array cannot grow.
    SelectionResult* appendResult();

    int m_frameNumber;                 // last frame handed to the engine, -1 before the first
    engine::FrameContext* m_context;   // not owned; null until an engine exists
    util::GrowableArray<SelectionResult> m_results;
    int m_resultLimit;
    // Two, so that a new frame is captured before the previous one's
    // references are dropped, and both keep their blocks from frame to frame.
    SelectionSnapshot m_snapshots[2];
    int m_current;
};

}  // namespace device
}  // namespace hox
