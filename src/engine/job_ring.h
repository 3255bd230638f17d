// JobRing: a first-in first-out ring of 32-bit job words.
//
// The capacity is always a power of two so that wrapping an index is a mask
// rather than a division. `tail_` is the index of the last word queued (one
// before the head when the ring is empty), so after growth the words sit at
// 0 … count − 1 with head 0 and tail count − 1.
//
// Not thread-safe: the work dispatcher guards its rings with its own mutex.
#pragma once

#include <cstdint>

namespace hox {
namespace engine {

class JobRing {
public:
    // `capacity` is rounded up to a power of two; 0 leaves the ring without
    // storage until the first push.
    explicit JobRing(uint32_t capacity);
    ~JobRing();
    JobRing(const JobRing&) = delete;
    JobRing& operator=(const JobRing&) = delete;

    // False when the storage asked for at construction could not be had.
    bool isValid() const { return words_ != nullptr || capacity_ == 0; }

    bool empty() const { return count_ == 0; }
    bool full() const { return count_ == capacity_; }
    uint32_t count() const { return count_; }
    uint32_t capacity() const { return capacity_; }

    // Appends a word, growing the ring first when it is full. False (and the
    // ring unchanged) when growth fails for lack of memory.
    bool push(uint32_t word);
    // Removes and returns the word at the head; the ring must not be empty.
    uint32_t pop();

    // Smallest power of two ≥ max(2 × capacity, 2).
    static uint32_t grownCapacity(uint32_t capacity);

private:
    bool grow();

    uint32_t* words_ = nullptr;
    uint32_t head_ = 0;
    uint32_t tail_ = 0;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
    uint32_t mask_ = 0;
};

}  // namespace engine
}  // namespace hox
