#include "device/selection_service.h"

namespace hox {
namespace device {

SelectionService::SelectionService()
    : m_frameNumber(-1), m_context(nullptr),
      m_results(util::GrowableArray<SelectionResult>::kDefaultGrowthStep) {}

// Both picks need the engine's frame context: it finds the last frame's
// prepared view of the render view and traces through, or tests against,
// that view's compiled scene. The frame context arrives with the local render
// engine; until then no engine provides one and every pick finds nothing.

int SelectionService::pick(const THandle<RenderView>& view, int x, int y) {
    m_results.clear();
    (void)view;
    (void)x;
    (void)y;
    if (!hasFrame()) return 0;
    return m_results.count();
}

int SelectionService::pickRegion(const THandle<RenderView>& view, int x0, int y0, int x1, int y1) {
    m_results.clear();
    (void)view;
    if (x0 == x1 || y0 == y1) return 0;
    if (!hasFrame()) return 0;
    return m_results.count();
}

int SelectionService::getNumResults() const { return m_results.count(); }

const SelectionResult* SelectionService::getResult(int i) const {
    if (i < 0 || i >= m_results.count()) return nullptr;
    return &m_results[i];
}

}  // namespace device
}  // namespace hox
