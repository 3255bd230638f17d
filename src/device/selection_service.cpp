#include "device/selection_service.h"

#include <climits>
#include <cmath>
#include <utility>

#include "engine/frame_context.h"
#include "engine/selection_query.h"
#include "scene/camera_model.h"
#include "scene/entity_records.h"
#include "trace/selection_frustum.h"

namespace hox {
namespace device {
namespace {

constexpr int32_t kPickValid = SelectionResult::VALID_POSITION | SelectionResult::VALID_NORMAL |
                               SelectionResult::VALID_BOUNDS | SelectionResult::VALID_DISTANCE |
                               SelectionResult::VALID_OBJECT;
constexpr int32_t kRegionValid = SelectionResult::VALID_BOUNDS | SelectionResult::VALID_OBJECT;

float distance(const Vec3f& a, const Vec3f& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace

SelectionService::SelectionService()
    : m_frameNumber(-1), m_context(nullptr),
      m_results(util::GrowableArray<SelectionResult>::kDefaultGrowthStep),
      m_resultLimit(INT_MAX), m_current(0) {}

void SelectionService::onFrame(int frameNumber, const engine::FrameSlot& slot) {
    m_frameNumber = frameNumber;
    // The new frame's records are referenced before the old frame's are
    // dropped. A capture that runs out of memory leaves an empty snapshot:
    // no frame to pick from, rather than one whose records may be gone.
    m_snapshots[m_current ^ 1].capture(frameNumber, slot);
    m_snapshots[m_current].clear();
    m_current ^= 1;
}

const SelectionSnapshot::View* SelectionService::findView(const THandle<RenderView>& view) const {
    if (!m_context || m_frameNumber < 0) return nullptr;
    const SelectionSnapshot& snapshot = m_snapshots[m_current];
    if (snapshot.empty()) return nullptr;
    return snapshot.findView(view.getValue());
}

SelectionResult* SelectionService::appendResult() {
    const int count = m_results.count();
    const int capacity = m_results.capacity();
    if (count == capacity) {
        const int grown = capacity + m_results.growthStep();
        if (grown > m_resultLimit || !m_results.reserve(grown)) return nullptr;
        // New slots start blank: a region result fills only its bounds and
        // object and leaves the other words as the slot holds them.
        SelectionResult blank{};
        blank.object = engine::kNullObjectHandle;
        SelectionResult* block = m_results.data();
        for (int i = capacity; i < grown; ++i) block[i] = blank;
    }
    m_results.resize(count + 1);  // within capacity: cannot fail
    return &m_results[count];
}

int SelectionService::pick(const THandle<RenderView>& view, int x, int y) {
    m_results.clear();
    const SelectionSnapshot::View* found = findView(view);
    if (!found || !found->hasCamera) return 0;

    const scene::PickRay ray =
        scene::pickRay(found->camera, static_cast<float>(x), static_cast<float>(y), found->height);
    engine::SelectionQuery query;
    query.frameNumber = m_frameNumber;
    query.viewIndex = found->index;
    query.origin = ray.origin;
    query.direction = ray.direction;
    m_context->pick(query);
    if (!query.hit) return 0;

    SelectionResult* result = appendResult();
    if (!result) return 0;
    result->valid = kPickValid;
    result->position = query.position;
    result->normal = query.normal;
    result->boundsMin = query.boxMin;
    result->boundsMax = query.boxMax;
    result->distance = distance(query.position, ray.origin);
    result->object = query.object;
    return m_results.count();
}

int SelectionService::pickRegion(const THandle<RenderView>& view, int x0, int y0, int x1, int y1) {
    m_results.clear();
    if (x0 == x1 || y0 == y1) return 0;
    const SelectionSnapshot::View* found = findView(view);
    if (!found || !found->hasCamera) return 0;

    // Drawn left to right: only what lies wholly inside; right to left:
    // whatever touches the rectangle.
    const trace::RegionMode mode = x1 > x0 ? trace::RegionMode::Window : trace::RegionMode::Crossing;
    // One rotational sense for the corners whichever way the rectangle was
    // drawn: x ascending along the first row, swapped when the rows run
    // upwards.
    int xa = x0 < x1 ? x0 : x1;
    int xb = x0 < x1 ? x1 : x0;
    if (y0 > y1) std::swap(xa, xb);
    const float cornerX[4] = {static_cast<float>(xa), static_cast<float>(xb), static_cast<float>(xb),
                              static_cast<float>(xa)};
    const float cornerY[4] = {static_cast<float>(y0), static_cast<float>(y0), static_cast<float>(y1),
                              static_cast<float>(y1)};
    Vec3f origins[4], directions[4];
    for (int i = 0; i < 4; ++i) {
        const scene::PickRay ray = scene::pickRay(found->camera, cornerX[i], cornerY[i], found->height);
        origins[i] = ray.origin;
        directions[i] = ray.direction;
    }
    trace::SelectionFrustum frustum;
    if (!trace::buildSelectionFrustum(origins, directions, frustum)) return 0;

    const SelectionSnapshot::Object* objects = m_snapshots[m_current].objects(*found);
    for (int i = 0; i < found->objectCount; ++i) {
        const SelectionSnapshot::Object& object = objects[i];
        if (!trace::objectInFrustum(frustum, mode, object.worldMatrix, object.boundsMin, object.boundsMax,
                                    object.geometry))
            continue;
        SelectionResult* result = appendResult();
        if (!result) continue;  // no room: this object is left out
        result->valid = kRegionValid;
        result->boundsMin = object.boundsMin;
        result->boundsMax = object.boundsMax;
        result->object = object.object ? HandleBase(CLASS_TYPE_OBJECT, object.object->instance()).getValue()
                                       : engine::kNullObjectHandle;
    }
    return m_results.count();
}

int SelectionService::getNumResults() const { return m_results.count(); }

const SelectionResult* SelectionService::getResult(int i) const {
    if (i < 0 || i >= m_results.count()) return nullptr;
    return &m_results[i];
}

}  // namespace device
}  // namespace hox
