// Fuzzes the block decoder of the cluster's image codec: any bytes, decoded
// for an image of 1..64 × 1..64 pixels.
//
// Input: byte 0 and byte 1 give width and height (value % 64 + 1); the rest
// is the block stream. The pixels live in a block of exactly the image's
// size, so a write past the image is caught by the address sanitizer.
//
// Properties: no crash or out-of-bounds access; a stream the decoder
// accepts decodes every pixel with alpha 1 (the per-pixel plane replaces it
// later), and a rejected one names one of the stream's failures.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cluster/block_decoder.h"
#include "fuzz_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int width = data[0] % 64 + 1;
    const int height = data[1] % 64 + 1;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // A copy of exactly the stream's bytes, so reads past it are caught too.
    const std::vector<uint8_t> stream(data + 2, data + size);
    std::vector<float> rgba(pixels * 4, -1.0f);

    using hox::cluster::ImageCodecStatus;
    const ImageCodecStatus status =
        hox::cluster::decodeBlockStream(stream.data(), stream.size(), width, height, rgba.data());
    if (status == ImageCodecStatus::Ok) {
        for (std::size_t i = 0; i < pixels; ++i)
            if (rgba[4 * i + 3] != 1.0f) hox::fuzz::violated("accepted stream left a pixel without alpha 1");
    } else if (status != ImageCodecStatus::Truncated && status != ImageCodecStatus::TrailingBytes) {
        hox::fuzz::violated("a valid image size was refused");
    }
    return 0;
}
