// Stream helpers shared by the record serialisers.
//
// Handle fields travel as their 28-bit instance only; the reader knows the
// field's class and puts the class bits back. Arrays travel as an int32 count
// followed by their elements.
//
// Reading must survive a corrupt or hostile stream: a negative count, or one
// whose elements could never fit in memory, fails the stream at once; any
// other count is trusted only as far as the data actually arrive, because the
// array grows with what has been read instead of being sized from the count.
// A truncated array is emptied, never left half-filled.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hox/handle.h"
#include "util/byte_stream.h"
#include "util/growable_array.h"

namespace hox {
namespace scene {

inline void writeHandle(util::OutputStream& out, uint32_t handleValue) {
    out.writeUInt32(handleValue & kNullInstance);
}

inline uint32_t readHandle(util::InputStream& in, int type) {
    uint32_t instance = in.readUInt32() & kNullInstance;
    return (static_cast<uint32_t>(type) << kHandleInstanceBits) | instance;
}

// Puts the stream into its failed state. An out-of-range require() is the
// stream's own way of refusing a request, so nothing half-read survives.
inline void failStream(util::InputStream& in) { in.require(-1); }

// Largest array a reader accepts, in bytes: the same 2 GiB bound that the
// arrays themselves keep.
constexpr std::size_t kMaxStreamArrayBytes = std::size_t(1) << 31;

// First block reserved for an incoming array; later blocks double, so a large
// honest array costs few copies while a lying count costs at most twice what
// really arrived.
constexpr int kStreamArrayFirstBlock = 256;

template <typename T, typename WriteElement>
void writeArray(util::OutputStream& out, const util::GrowableArray<T>& array,
                WriteElement writeElement) {
    out.writeInt32(array.count());
    for (const T& value : array) writeElement(out, value);
}

// Reads a count and that many elements into `array` (its old contents are
// replaced). On any failure the array is empty and the stream failed.
template <typename T, typename ReadElement>
void readArray(util::InputStream& in, util::GrowableArray<T>& array, ReadElement readElement) {
    array.release();
    int32_t count = in.readInt32();
    if (in.failed()) return;
    if (count < 0 || static_cast<std::size_t>(count) > kMaxStreamArrayBytes / sizeof(T)) {
        failStream(in);
        return;
    }
    while (array.count() < count) {
        if (array.count() == array.capacity()) {
            int64_t next = array.capacity() == 0 ? kStreamArrayFirstBlock
                                                 : int64_t(array.capacity()) * 2;
            if (next > count) next = count;
            if (!array.reserve(static_cast<int>(next))) {
                array.release();
                failStream(in);
                return;
            }
        }
        T value = readElement(in);
        if (in.failed()) {
            array.release();
            return;
        }
        array.push(value);  // cannot fail: room was reserved above
    }
}

inline void writeHandleArray(util::OutputStream& out, const util::GrowableArray<uint32_t>& array) {
    writeArray(out, array, [](util::OutputStream& o, uint32_t h) { writeHandle(o, h); });
}

inline void readHandleArray(util::InputStream& in, util::GrowableArray<uint32_t>& array, int type) {
    readArray(in, array, [type](util::InputStream& i) { return readHandle(i, type); });
}

inline void writeInt32Array(util::OutputStream& out, const util::GrowableArray<int32_t>& array) {
    writeArray(out, array, [](util::OutputStream& o, int32_t v) { o.writeInt32(v); });
}

inline void readInt32Array(util::InputStream& in, util::GrowableArray<int32_t>& array) {
    readArray(in, array, [](util::InputStream& i) { return i.readInt32(); });
}

}  // namespace scene
}  // namespace hox
