// Helpers shared by the stream readers' fuzz targets.
//
// Every target checks more than "does not crash": what a reader accepts must
// survive a round trip (write, read again, write: the same bytes), because
// the cluster sends records it read back out again.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "util/byte_stream.h"
#include "util/memory_stream.h"

namespace hox {
namespace fuzz {

// Fails the run with the reason; libFuzzer then saves the input.
[[noreturn]] inline void violated(const char* what) {
    std::fprintf(stderr, "fuzz property violated: %s\n", what);
    std::abort();
}

// The bytes `writer(out)` produces.
template <typename Writer>
std::vector<uint8_t> streamBytes(Writer writer) {
    util::MemorySink sink;
    util::OutputStream out(&sink);
    writer(out);
    out.flush();
    return sink.bytes();
}

}  // namespace fuzz
}  // namespace hox
