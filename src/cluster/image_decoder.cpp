#include "cluster/image_decoder.h"

#include <cstring>

#include "cluster/block_decoder.h"
#include "cluster/block_format.h"
#include "platform/clock.h"
#include "platform/vu_buffered_connection.h"
#include "util/cvars.h"
#include "util/messages.h"

namespace hox {
namespace cluster {

namespace {

constexpr std::size_t kColourBytesPerPixel = 16;
constexpr std::size_t kValueBytesPerPixel = 4;

bool connectionEnded(vu_connection::vuBufferedConnection& connection) {
    return connection.endOfData() || !connection.isConnected();
}

void reportStatistics(const ImageDecoder::Statistics& s) {
    // A decode faster than the clock's resolution still gets a finite rate.
    const double milliseconds = (s.microseconds > 0 ? static_cast<double>(s.microseconds) : 1.0) * 0.001;
    const double megabytesPerSecond = static_cast<double>(s.uncompressedBytes) * 1e-6 / (milliseconds * 0.001);
    const double ratio =
        100.0 - static_cast<double>(s.compressedBytes) / static_cast<double>(s.uncompressedBytes) * 100.0;
    util::message(0, "decomp: %1.1f MB/s, ratio: %1.1f percent", megabytesPerSecond, ratio);
}

}  // namespace

ImageDecoder::ImageDecoder() : buffer_(kBufferGrowthStep) {}

ImageCodecStatus ImageDecoder::readIntoBuffer(vu_connection::vuBufferedConnection& connection,
                                              std::size_t count) {
    const std::size_t step = static_cast<std::size_t>(kBufferGrowthStep);
    const std::size_t capacity = (count + step - 1) / step * step;
    if (!buffer_.reserve(static_cast<int>(capacity)) || !buffer_.resize(static_cast<int>(count)))
        return ImageCodecStatus::OutOfMemory;
    connection.read(buffer_.data(), static_cast<int>(count));
    return connectionEnded(connection) ? ImageCodecStatus::ConnectionLost : ImageCodecStatus::Ok;
}

ImageCodecStatus ImageDecoder::decodeImage(vu_connection::vuBufferedConnection& connection, bool compressed,
                                           const ImagePlanes& image) {
    if (!image.isValid()) return ImageCodecStatus::BadImage;
    const std::size_t count = connection.readUInt32();
    if (connectionEnded(connection)) return ImageCodecStatus::ConnectionLost;

    const std::size_t rawBytes = image.pixelCount() * kColourBytesPerPixel;
    const std::size_t streamLimit = maxBlockStreamBytes(image.width, image.height);
    const std::size_t limit = rawBytes > streamLimit ? rawBytes : streamLimit;
    if (count > limit) return ImageCodecStatus::ByteCountTooLarge;

    if (!compressed && count == rawBytes) {
        connection.read(image.colour, static_cast<int>(count));
        return connectionEnded(connection) ? ImageCodecStatus::ConnectionLost : ImageCodecStatus::Ok;
    }
    const ImageCodecStatus read = readIntoBuffer(connection, count);
    if (read != ImageCodecStatus::Ok) return read;
    if (!compressed) return ImageCodecStatus::WrongByteCount;

    const uint64_t start = platform::monotonicMicroseconds();
    const ImageCodecStatus decoded = decodeBlockStream(buffer_.data(), count, image.width, image.height, image.colour);
    const uint64_t end = platform::monotonicMicroseconds();
    if (decoded != ImageCodecStatus::Ok) return decoded;

    last_.compressedBytes = count;
    last_.uncompressedBytes = rawBytes;
    last_.microseconds = end - start;
    if (util::rt_compressionStats.get()) reportStatistics(last_);
    return ImageCodecStatus::Ok;
}

ImageCodecStatus ImageDecoder::readPixelValues(vu_connection::vuBufferedConnection& connection,
                                               const ImagePlanes& image) {
    if (!image.isValid()) return ImageCodecStatus::BadImage;
    const std::size_t count = connection.readUInt32();
    if (connectionEnded(connection)) return ImageCodecStatus::ConnectionLost;

    const std::size_t pixels = image.pixelCount();
    const std::size_t expected = pixels * kValueBytesPerPixel;
    if (count > pixels * kColourBytesPerPixel) return ImageCodecStatus::ByteCountTooLarge;
    if (count != expected || !image.values) {
        const ImageCodecStatus read = readIntoBuffer(connection, count);
        if (read != ImageCodecStatus::Ok) return read;
        if (count != expected) return ImageCodecStatus::WrongByteCount;
    } else {
        connection.read(image.values, static_cast<int>(count));
        if (connectionEnded(connection)) return ImageCodecStatus::ConnectionLost;
    }
    const uint8_t* values = image.values ? reinterpret_cast<const uint8_t*>(image.values) : buffer_.data();
    for (std::size_t i = 0; i < pixels; ++i)
        std::memcpy(image.colour + 4 * i + 3, values + kValueBytesPerPixel * i, kValueBytesPerPixel);
    return ImageCodecStatus::Ok;
}

ImageCodecStatus ImageDecoder::receiveImageData(vu_connection::vuBufferedConnection& connection,
                                                const ImagePlanes& image) {
    if (!image.isValid()) return ImageCodecStatus::BadImage;
    const bool compressed = connection.readUInt32() != 0;
    if (connectionEnded(connection)) return ImageCodecStatus::ConnectionLost;
    const ImageCodecStatus colour = decodeImage(connection, compressed, image);
    if (!connectionInStep(colour)) return colour;
    const ImageCodecStatus values = readPixelValues(connection, image);
    return colour != ImageCodecStatus::Ok ? colour : values;
}

}  // namespace cluster
}  // namespace hox
