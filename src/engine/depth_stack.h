// DepthStack: the trace depth levels of one render worker.
//
// Every ray a worker traces, camera ray or service ray, is traced and shaded
// at a level of its own: the level holds the ray, the shading record handed
// to the shader, the depth counter (bounces so far) and the block the hit's
// surface data are interpolated into. Levels are entered and left strictly
// in nesting order, so a level index is all the bookkeeping there is.
// Level 0 is the root: it is never traced at, and gives the first ray its
// depth counter (0) and its inherited values.
//
// The levels are allocated at begin-view only, never while tracing. A
// frame that runs out of levels raises a flag, and the next begin-view
// grows the stack by kDepthStackGrowth levels.
#pragma once

#include <cstdint>

#include "hox/shader_services.h"
#include "trace/hit_surface.h"
#include "trace/ray.h"

namespace hox {
namespace engine {

// Levels added after a frame ran out of them.
constexpr int kDepthStackGrowth = 8;
// Growth after running out stops here. Only re-shading takes levels without
// taking depth, so only a shader that re-shades itself without end can run
// out again and again; the cap keeps such a shader from making every frame
// allocate more. Sizes asked for by a trace depth are not capped.
constexpr int kDepthStackGrowthLimit = 1024;

struct DepthLevel {
    trace::Ray ray;
    ShadingState state;
    int32_t depth;                 // bounces so far: 1 for a camera ray
    trace::HitSurface* surface;    // owned by the stack; large, hence apart
};

class DepthStack {
public:
    DepthStack() : levels_(nullptr), size_(0), ranOut_(false) {}
    ~DepthStack();
    DepthStack(const DepthStack&) = delete;
    DepthStack& operator=(const DepthStack&) = delete;

    // The begin-view sizing: the current size plus kDepthStackGrowth when a
    // frame ran out since the last call (up to kDepthStackGrowthLimit), and
    // at least `minimum`. When memory is short the stack keeps its size (and
    // the flag, to try again at the next begin-view). False in that case.
    bool prepare(int minimum);

    int size() const { return size_; }
    DepthLevel& level(int index) { return levels_[index]; }
    const DepthLevel& level(int index) const { return levels_[index]; }

    // A ray found no free level: grow at the next begin-view.
    void markRanOut() { ranOut_ = true; }
    bool ranOut() const { return ranOut_; }

private:
    bool resize(int size);

    DepthLevel* levels_;
    int size_;
    bool ranOut_;
};

}  // namespace engine
}  // namespace hox
