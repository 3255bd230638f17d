#include "image_assembly.h"

#include "engine/tile_sampler.h"
#include "hox/framebuffer.h"

namespace hox_cluster {

ViewImageInfo viewImageInfo(const hox::engine::FrameSlot& slot, int v) {
    ViewImageInfo info;
    if (v < 0 || v >= slot.viewCount()) return info;
    const hox::accel::PreparedView& view = slot.view(v);
    if (!view.camera) return info;
    info.width = view.camera->width;
    info.height = view.camera->height;
    info.samplingLevel = hox::engine::clampSamplingLevel(view.renderOptions().samplingRate);
    info.passCount = view.passCount;
    if (!view.isStatic && info.width > 0 && info.height > 0) {
        const int size = hox::engine::kTileSize;
        info.tiles = ((info.width + size - 1) / size) * ((info.height + size - 1) / size);
    }
    return info;
}

bool ImageAssembly::begin(const std::vector<ViewImageInfo>& views) {
    while (buffers_.size() < views.size()) buffers_.push_back(std::make_unique<hox::engine::FrameBuffer>());
    used_.assign(buffers_.size(), false);
    for (std::size_t v = 0; v < views.size(); ++v) {
        const ViewImageInfo& info = views[v];
        if (info.tiles <= 0) continue;
        if (!buffers_[v]->prepare(info.width, info.height, hox::engine::kTileSize, hox::FRAMEBUFFER_FORMAT_RGBA32F,
                                  info.samplingLevel, info.passCount))
            return false;
        used_[v] = true;
    }
    return true;
}

void ImageAssembly::addTile(const FinishedTile& tile) {
    if (tile.assembled) return;
    if (tile.view < 0 || static_cast<std::size_t>(tile.view) >= used_.size() || !used_[tile.view]) return;
    const int count = static_cast<int>(tile.records.size());
    buffers_[static_cast<std::size_t>(tile.view)]->writeTile(tile.tileX, tile.tileY, count, true,
                                                             tile.records.data(), tile.colours.data());
}

std::vector<hox::engine::TileSink*> ImageAssembly::sinks() {
    std::vector<hox::engine::TileSink*> out;
    for (std::size_t v = 0; v < used_.size(); ++v) out.push_back(used_[v] ? buffers_[v].get() : nullptr);
    return out;
}

const hox::engine::FrameBuffer* ImageAssembly::buffer(int view) const {
    if (view < 0 || static_cast<std::size_t>(view) >= used_.size() || !used_[view]) return nullptr;
    return buffers_[static_cast<std::size_t>(view)].get();
}

}  // namespace hox_cluster
