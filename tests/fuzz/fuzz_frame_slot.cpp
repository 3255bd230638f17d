// Fuzzes the reader of the frame message: a frame slot with its device
// settings and prepared views, as the cluster master receives it.
//
// Properties: no crash, leak or undefined behaviour on any input; a refused
// frame holds no views (as the reader promises), an accepted one has only
// the counts that arrived.
#include <cstddef>
#include <cstdint>

#include "engine/frame_slot_serialization.h"
#include "fuzz_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hox::util::MemorySource source(data, size);
    hox::util::InputStream in(&source);
    hox::engine::DecodedFrame frame;
    const bool ok = hox::engine::readFrameSlot(in, frame);
    if (!ok) {
        if (!frame.views.empty()) hox::fuzz::violated("refused frame kept views");
        return 0;
    }
    // Each object entry is at least 3 * 4 + 64 + 24 + 13 bytes of input: a
    // count above what arrived means the reader invented entries.
    size_t objects = 0;
    for (const auto& view : frame.views) {
        if (!view) hox::fuzz::violated("null view in an accepted frame");
        objects += static_cast<size_t>(view->objects.count());
    }
    if (objects * 113 > size) hox::fuzz::violated("more object entries than the input holds");
    return 0;
}
