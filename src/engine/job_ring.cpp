#include "engine/job_ring.h"

#include <cassert>
#include <cstring>

#include "platform/aligned_memory.h"

namespace hox {
namespace engine {

namespace {

// 0 when no 32-bit power of two is large enough.
uint32_t roundUpToPowerOfTwo(uint64_t value) {
    uint64_t power = 1;
    while (power < value) power <<= 1;
    return power > 0x80000000u ? 0 : static_cast<uint32_t>(power);
}

uint32_t* allocateWords(uint32_t capacity) {
    return static_cast<uint32_t*>(platform::alignedAlloc(sizeof(uint32_t) * capacity));
}

}  // namespace

JobRing::JobRing(uint32_t capacity) {
    if (capacity == 0) return;
    const uint32_t rounded = roundUpToPowerOfTwo(capacity);
    if (rounded == 0) return;
    // A failed allocation leaves the capacity set and no storage, which is
    // what isValid() reports; a later push still tries to grow.
    capacity_ = rounded;
    words_ = allocateWords(rounded);
    if (!words_) return;
    mask_ = rounded - 1;
    tail_ = mask_;
}

JobRing::~JobRing() {
    platform::alignedFree(words_);
}

uint32_t JobRing::grownCapacity(uint32_t capacity) {
    const uint64_t wanted = capacity == 0 ? 2 : 2 * static_cast<uint64_t>(capacity);
    return roundUpToPowerOfTwo(wanted);
}

bool JobRing::grow() {
    const uint32_t capacity = grownCapacity(capacity_);
    if (capacity == 0) return false;
    uint32_t* words = allocateWords(capacity);
    if (!words) return false;
    // Unwrap: the run from the head to the end of the old storage first, then
    // the run that wrapped round to its start.
    if (count_ > 0) {
        const uint32_t firstRun = count_ < capacity_ - head_ ? count_ : capacity_ - head_;
        std::memcpy(words, words_ + head_, sizeof(uint32_t) * firstRun);
        std::memcpy(words + firstRun, words_, sizeof(uint32_t) * (count_ - firstRun));
    }
    platform::alignedFree(words_);
    words_ = words;
    capacity_ = capacity;
    mask_ = capacity - 1;
    head_ = 0;
    tail_ = (count_ - 1) & mask_;
    return true;
}

bool JobRing::push(uint32_t word) {
    if ((full() || !words_) && !grow()) return false;
    tail_ = (tail_ + 1) & mask_;
    words_[tail_] = word;
    ++count_;
    return true;
}

uint32_t JobRing::pop() {
    assert(count_ > 0);
    const uint32_t word = words_[head_];
    head_ = (head_ + 1) & mask_;
    --count_;
    return word;
}

}  // namespace engine
}  // namespace hox
