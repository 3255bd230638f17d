// GrowingByteSink: a byte sink into memory that grows in large steps.
//
// Records and frames are written here first so that their size is known
// before the message header goes out. Frames of big scenes run to many
// megabytes, so the array grows in steps of 16 MiB instead of doubling from
// small, and keeps its memory from one message to the next.
#pragma once

#include <cstdint>

#include "util/byte_stream.h"
#include "util/growable_array.h"

namespace hox {
namespace cluster {

class GrowingByteSink : public util::IByteSink {
public:
    static constexpr int kGrowthStep = 16 * 1024 * 1024;

    GrowingByteSink() : bytes_(kGrowthStep) {}

    // Takes all bytes, or none (0) when memory runs out or the total would
    // pass 2 GiB.
    int write(const void* data, int count) override;

    const uint8_t* data() const { return bytes_.data(); }
    int size() const { return bytes_.count(); }
    int capacity() const { return bytes_.capacity(); }
    // Forgets the contents, keeps the memory.
    void clear() { bytes_.clear(); }

private:
    util::GrowableArray<uint8_t> bytes_;
};

}  // namespace cluster
}  // namespace hox
