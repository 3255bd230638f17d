#include "engine/frame_slot.h"

#include "hox/status.h"
#include "platform/aligned_memory.h"
#include "platform/clock.h"

namespace hox {
namespace engine {

namespace {

constexpr std::size_t kViewAlignment = 16;

}  // namespace

FrameSlot::FrameSlot()
    : frameNumber(-1), total(0), remaining(0), useCount(0),
      views(util::GrowableArray<accel::PreparedView*>::kDefaultGrowthStep) {}

FrameSlot::~FrameSlot() {
    releaseReferences();
    resizeViews(0);
}

bool FrameSlot::resizeViews(int n) {
    if (n < 0) n = 0;
    const int old = views.count();
    for (int i = n; i < old; ++i) platform::alignedDelete(views[i]);
    if (n <= old) {
        // Shrinking keeps the block unless nothing is left.
        if (n == 0) {
            views.release();
        } else {
            views.resize(n);
        }
        return true;
    }
    if (!views.reserve(n)) return false;
    while (views.count() < n) {
        accel::PreparedView* view = platform::alignedNew<accel::PreparedView>(kViewAlignment);
        if (!view) return false;
        views.push(view);  // room was reserved above
    }
    return true;
}

void FrameSlot::clearViewRecords() {
    for (accel::PreparedView* view : views) view->clearRecords();
}

void FrameSlot::takeReferences() {
    for (const accel::PreparedView* view : views) {
        accel::forEachRecord(*view, [](scene::Record* record) { record->addRef(); });
    }
    ++useCount;
}

void FrameSlot::releaseReferences() {
    if (useCount <= 0) return;
    for (const accel::PreparedView* view : views) {
        accel::forEachRecord(*view, [](scene::Record* record) { record->release(); });
    }
    --useCount;
    clearViewRecords();
}

void FrameSlot::beginWork(int units) {
    if (units < 0) units = 0;
    vu_threads::vuScopedLock lock(mutex);
    total.store(units, std::memory_order_release);
    remaining.store(units, std::memory_order_release);
    if (units == 0) condition.signal();
}

void FrameSlot::completeWorkUnits(int n) {
    if (n <= 0) return;
    vu_threads::vuScopedLock lock(mutex);
    int left = remaining.load(std::memory_order_relaxed) - n;
    // Counting past zero would only come from an engine's bookkeeping error;
    // the wait must still end.
    if (left < 0) left = 0;
    remaining.store(left, std::memory_order_release);
    if (left == 0) condition.signal();
}

int FrameSlot::waitForCompletion(unsigned milliseconds) {
    const uint32_t start = platform::monotonicMilliseconds();
    vu_threads::vuScopedLock lock(mutex);
    while (remaining.load(std::memory_order_acquire) > 0) {
        // A wake-up without completion must not restart the full time-out.
        const uint32_t spent = platform::monotonicMilliseconds() - start;
        const unsigned left = spent >= milliseconds ? 0u : milliseconds - spent;
        const int r = condition.timedWait(mutex, left);
        if (r == vu_threads::kWaitTimeout) return RESULT_TIMEOUT;
        if (r != 0) return RESULT_FAILED;
    }
    return RESULT_OK;
}

void FrameSlot::markFree() {
    vu_threads::vuScopedLock lock(mutex);
    remaining.store(0, std::memory_order_release);
    frameNumber = -1;
}

}  // namespace engine
}  // namespace hox
