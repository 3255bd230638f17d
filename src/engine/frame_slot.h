// FrameSlot: everything one frame in flight needs, shared between the
// device (which fills, waits for and frees it) and the render engine (which
// renders it and counts its work down).
//
// The device keeps two, by frame-number parity, so one frame can render
// while the host prepares the next. A slot's life: free (frameNumber -1) →
// claimed by the device's frame (views prepared, references taken) →
// rendering (remaining > 0) → complete (remaining 0, condition signalled) →
// swapped and freed by the device, or freed by an abort.
#pragma once

#include <atomic>
#include <cstdint>

#include "accel/prepared_view.h"
#include "platform/vu_threads.h"
#include "scene/settings_records.h"
#include "util/growable_array.h"

namespace hox {
namespace engine {

class FrameSlot {
public:
    FrameSlot();
    ~FrameSlot();
    FrameSlot(const FrameSlot&) = delete;
    FrameSlot& operator=(const FrameSlot&) = delete;

    // --- Prepared views (device side) ---

    int viewCount() const { return views.count(); }
    accel::PreparedView& view(int i) { return *views[i]; }
    const accel::PreparedView& view(int i) const { return *views[i]; }
    // Makes exactly n prepared views. Existing views are kept with their
    // progressive state and their blocks; surplus ones are destroyed; n <= 0
    // frees the array. False when memory is short (the views made so far
    // stay, the count is unchanged).
    bool resizeViews(int n);
    // Clears every view's record pointers (see PreparedView::clearRecords).
    void clearViewRecords();

    // One reference on every record of every view, and useCount + 1.
    void takeReferences();
    // The inverse of takeReferences, when useCount is positive; the views'
    // record pointers are cleared afterwards, since without the references
    // they could dangle. Safe to call from any thread, as render threads may
    // drop a frame's last use of a record while the host edits newer
    // versions.
    void releaseReferences();

    // --- Work units (engine side) ---

    // Starts counting a frame of `units` work units (total and remaining);
    // 0 completes the frame at once and signals the condition.
    void beginWork(int units);
    // Counts n finished units down; the call that reaches 0 signals the
    // condition. Render threads call this concurrently.
    void completeWorkUnits(int n);
    // Readable without the lock (for progress).
    int remainingUnits() const { return remaining.load(std::memory_order_acquire); }
    int totalUnits() const { return total.load(std::memory_order_acquire); }

    // Waits until remaining is 0 or `milliseconds` pass: 0, 8192 on time-out,
    // -1 when the wait failed.
    int waitForCompletion(unsigned milliseconds);

    // Frees the slot: remaining 0 and frameNumber -1, under the lock so that
    // an engine thread that just finished sees a consistent slot.
    void markFree();

    int32_t frameNumber;       // the frame in the slot, -1 when free
    std::atomic<int32_t> total;
    std::atomic<int32_t> remaining;
    int32_t useCount;          // times the views' references were taken
    util::GrowableArray<accel::PreparedView*> views;  // owned entries
    scene::DeviceSettingsData settings;                // as the frame started
    vu_threads::vuMutex mutex;
    vu_threads::vuCondition condition;
};

}  // namespace engine
}  // namespace hox
