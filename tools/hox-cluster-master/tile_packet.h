// A finished tile as it travels from a render rank to rank 0: which frame
// and view it belongs to, where it lies, and every sample the render worker
// delivered for it (records and colours, as the tile sink received them).
//
// Wire form (native byte order; all ranks of one job share it): int32
// session, frame, view, tile index, tile x, tile y, sample count; then
// count 20-byte sample records; then count × 4 floats.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/tile_sink.h"

namespace hox_cluster {

struct FinishedTile {
    int32_t session = 0;
    int32_t frame = 0;
    int32_t view = 0;
    int32_t tile = 0;
    int32_t tileX = 0;
    int32_t tileY = 0;
    std::vector<hox::engine::SampleRecord> records;
    std::vector<float> colours;  // four per record
    // Rank 0's own tiles: the samples already went into the image being
    // assembled (see TileCollector::setDirectSinks); never sent.
    bool assembled = false;
};

constexpr int kTilePacketHeaderBytes = 7 * 4;

void encodeTile(const FinishedTile& tile, std::vector<uint8_t>& out);
// False when the bytes are not a tile packet (short, a negative count, a
// count the bytes do not hold).
bool decodeTile(const uint8_t* data, std::size_t size, FinishedTile& tile);

}  // namespace hox_cluster
