// ImageAssembly: rank 0's view images of the frame in progress, built from
// the tiles the ranks return.
//
// Each view has a frame buffer of the library's own kind, prepared as the
// host's local engine prepares its framebuffer (size, tile size 16, four
// floats, the sampling level and the pass count), and every tile's samples
// are written into it through the same writeTile a local render uses. The
// finished buffer therefore holds what a local render of the same tiles
// would hold: weighted colour sums and weights per pixel.
#pragma once

#include <memory>
#include <vector>

#include "engine/frame_buffer.h"
#include "engine/frame_slot.h"
#include "tile_packet.h"

namespace hox_cluster {

struct ViewImageInfo {
    int width = 0;
    int height = 0;
    int samplingLevel = 0;
    int passCount = 0;
    int tiles = 0;  // 0: the view renders nothing this frame
};

// What view v of a prepared slot renders, as the local engine decides it.
ViewImageInfo viewImageInfo(const hox::engine::FrameSlot& slot, int v);

class ImageAssembly {
public:
    // Prepares a buffer for every view with tiles. False when one cannot be
    // had (memory).
    bool begin(const std::vector<ViewImageInfo>& views);
    // Writes a tile's samples into its view; tiles of unknown views, and
    // samples outside their tile, are dropped by the buffer's own checks.
    void addTile(const FinishedTile& tile);
    const hox::engine::FrameBuffer* buffer(int view) const;
    // Each view's buffer as a tile sink (null for views without tiles), for
    // the render threads of rank 0 to write into directly.
    std::vector<hox::engine::TileSink*> sinks();

private:
    std::vector<std::unique_ptr<hox::engine::FrameBuffer>> buffers_;
    std::vector<bool> used_;
};

}  // namespace hox_cluster
