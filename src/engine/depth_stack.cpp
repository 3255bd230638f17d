#include "engine/depth_stack.h"

#include <cstring>

#include "platform/aligned_memory.h"

namespace hox {
namespace engine {

DepthStack::~DepthStack() {
    for (int i = 0; i < size_; ++i) platform::alignedFree(levels_[i].surface);
    platform::alignedFree(levels_);
}

bool DepthStack::prepare(int minimum) {
    int target = size_;
    if (ranOut_ && size_ < kDepthStackGrowthLimit) {
        target = size_ + kDepthStackGrowth;
        if (target > kDepthStackGrowthLimit) target = kDepthStackGrowthLimit;
    }
    if (target < minimum) target = minimum;
    if (target <= size_) {
        ranOut_ = false;
        return true;
    }
    if (!resize(target)) return false;
    ranOut_ = false;
    return true;
}

bool DepthStack::resize(int size) {
    // Levels hold only data of the ray being traced, and no ray is being
    // traced at begin-view, so a new block needs the old surface blocks but
    // none of the old contents.
    DepthLevel* levels =
        static_cast<DepthLevel*>(platform::alignedAlloc(sizeof(DepthLevel) * static_cast<std::size_t>(size)));
    if (!levels) return false;
    std::memset(static_cast<void*>(levels), 0, sizeof(DepthLevel) * static_cast<std::size_t>(size));
    for (int i = 0; i < size_; ++i) levels[i].surface = levels_[i].surface;
    for (int i = size_; i < size; ++i) {
        levels[i].surface = static_cast<trace::HitSurface*>(
            platform::alignedAlloc(sizeof(trace::HitSurface), alignof(trace::HitSurface)));
        if (!levels[i].surface) {
            for (int j = size_; j < i; ++j) platform::alignedFree(levels[j].surface);
            platform::alignedFree(levels);
            return false;
        }
    }
    platform::alignedFree(levels_);
    levels_ = levels;
    size_ = size;
    return true;
}

}  // namespace engine
}  // namespace hox
