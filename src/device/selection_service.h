// SelectionService: the device's ISelectionDevice.
//
// It answers from the frame the device handed to the engine last, through
// the engine's frame context, which holds that frame's prepared views and
// compiled scenes.
#pragma once

#include "hox/selection.h"
#include "util/growable_array.h"

namespace hox {
namespace engine {
class FrameContext;
}

namespace device {

class SelectionService : public ISelectionDevice {
public:
    SelectionService();

    int pick(const THandle<RenderView>& view, int x, int y) override;
    int pickRegion(const THandle<RenderView>& view, int x0, int y0, int x1, int y1) override;
    int getNumResults() const override;
    const SelectionResult* getResult(int i) const override;

    // The device tells the service about every frame it starts and every
    // engine it creates.
    void setFrameNumber(int frameNumber) { m_frameNumber = frameNumber; }
    int frameNumber() const { return m_frameNumber; }
    void setFrameContext(engine::FrameContext* context) { m_context = context; }
    engine::FrameContext* frameContext() const { return m_context; }

private:
    // Whether a pick can look at a rendered frame at all.
    bool hasFrame() const { return m_context != nullptr && m_frameNumber >= 0; }

    int m_frameNumber;                 // last frame handed to the engine, -1 before the first
    engine::FrameContext* m_context;   // not owned; null until an engine exists
    util::GrowableArray<SelectionResult> m_results;
};

}  // namespace device
}  // namespace hox
