// Fuzzes the cluster engine's image connection: the master's messages read
// by ImageMessageReader from an in-memory connection, as the receive thread
// reads them from the socket.
//
// Input: byte 0 bit 0 chooses the peer's byte order (swap on); the rest is
// what the master sends. Images are limited to 2^16 pixels here so that a
// run stays fast; the limit itself is part of what is tested.
//
// Properties: no crash, leak or out-of-bounds access; every image handed
// over has a size within the limit and decoded planes; the read loop ends
// (each message consumes at least its 8-byte header, and the end of the
// input reads as a lost connection).
#include <cstddef>
#include <cstdint>

#include "cluster/image_message_reader.h"
#include "fuzz_stream.h"
#include "hox/message_callback.h"
#include "platform/vu_memory_connection.h"
#include "util/messages.h"

namespace {

constexpr std::size_t kMaxPixels = 1 << 16;

// The reader reports hostile input as errors and warnings: kept quiet here.
struct Silent : hox::IMessageCallback {
    void message(int, const char*) override {}
    void warning(const char*) override {}
    void error(const char*) override {}
};

struct Checks : hox::cluster::ImageMessageHandler {
    void onViewImage(const hox::cluster::ViewImage& image) override {
        const hox::cluster::ImagePlanes& p = image.planes;
        if (!p.isValid() || p.pixelCount() > kMaxPixels || !p.values)
            hox::fuzz::violated("an image outside the limit was handed over");
        // Every pixel's fourth component is its per-pixel value.
        for (std::size_t i = 0; i < p.pixelCount(); ++i) {
            uint32_t bits;
            __builtin_memcpy(&bits, p.colour + 4 * i + 3, 4);
            if (bits != p.values[i]) hox::fuzz::violated("fourth component not replaced");
        }
    }
    void onClusterError(int32_t) override {}
    void onProgress(float) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Silent silent;
    static hox::cluster::ImageMessageReader reader(kMaxPixels);  // its 16 MiB buffer is made once
    hox::util::setMessageCallback(&silent);
    if (size < 1) return 0;

    vu_connection::vuMemoryConnection connection(data + 1, size - 1);
    connection.setSwap((data[0] & 1) != 0);
    Checks checks;
    const std::size_t maxMessages = size / 8 + 2;
    for (std::size_t n = 0;; ++n) {
        if (n > maxMessages) hox::fuzz::violated("more messages than the input holds");
        const hox::cluster::ReadOutcome outcome = reader.readMessage(connection, checks);
        if (outcome != hox::cluster::ReadOutcome::Handled && outcome != hox::cluster::ReadOutcome::Unknown) break;
    }
    return 0;
}
