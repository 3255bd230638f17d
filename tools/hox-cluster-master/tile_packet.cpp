#include "tile_packet.h"

#include <cstring>

namespace hox_cluster {

namespace {

constexpr std::size_t kBytesPerSample = sizeof(hox::engine::SampleRecord) + 4 * sizeof(float);

}  // namespace

void encodeTile(const FinishedTile& tile, std::vector<uint8_t>& out) {
    const int32_t count = static_cast<int32_t>(tile.records.size());
    const int32_t header[7] = {tile.session, tile.frame, tile.view, tile.tile, tile.tileX, tile.tileY, count};
    out.resize(kTilePacketHeaderBytes + static_cast<std::size_t>(count) * kBytesPerSample);
    uint8_t* p = out.data();
    std::memcpy(p, header, sizeof header);
    p += sizeof header;
    if (count == 0) return;
    std::memcpy(p, tile.records.data(), tile.records.size() * sizeof(hox::engine::SampleRecord));
    p += tile.records.size() * sizeof(hox::engine::SampleRecord);
    std::memcpy(p, tile.colours.data(), static_cast<std::size_t>(count) * 4 * sizeof(float));
}

bool decodeTile(const uint8_t* data, std::size_t size, FinishedTile& tile) {
    if (!data || size < static_cast<std::size_t>(kTilePacketHeaderBytes)) return false;
    int32_t header[7];
    std::memcpy(header, data, sizeof header);
    const int32_t count = header[6];
    if (count < 0 || (size - kTilePacketHeaderBytes) / kBytesPerSample < static_cast<std::size_t>(count) ||
        size != kTilePacketHeaderBytes + static_cast<std::size_t>(count) * kBytesPerSample)
        return false;
    tile.session = header[0];
    tile.frame = header[1];
    tile.view = header[2];
    tile.tile = header[3];
    tile.tileX = header[4];
    tile.tileY = header[5];
    tile.records.resize(static_cast<std::size_t>(count));
    tile.colours.resize(static_cast<std::size_t>(count) * 4);
    const uint8_t* p = data + kTilePacketHeaderBytes;
    if (count == 0) return true;
    std::memcpy(tile.records.data(), p, tile.records.size() * sizeof(hox::engine::SampleRecord));
    p += tile.records.size() * sizeof(hox::engine::SampleRecord);
    std::memcpy(tile.colours.data(), p, tile.colours.size() * sizeof(float));
    return true;
}

}  // namespace hox_cluster
