// RankState: what every rank keeps — the mirrored scene and the renderer of
// its tiles — and how a control packet changes it. Rank 0 applies each
// packet right after broadcasting it, the other ranks when it arrives, so
// all of them go through the same states in the same order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/frame_slot_serialization.h"
#include "mirrored_scene.h"
#include "rank_protocol.h"
#include "tile_renderer.h"

namespace hox_cluster {

class RankState {
public:
    RankState(const std::string& shaderPath, int threads);

    // Applies a scene packet (session, create, destroy, record, abort).
    // 0, or an error code of error_codes.h.
    int applyScene(const ControlHeader& header, const std::vector<uint8_t>& body);
    // Starts a decoded frame: 0, or the status of its preparation (the
    // frame then has no tiles here; see failedFrame()).
    int startFrame(const hox::engine::DecodedFrame& frame);

    MirroredScene& scene() { return scene_; }
    TileRenderer& renderer() { return renderer_; }
    int32_t session() const { return session_; }
    // The last frame that could not be prepared, or -1.
    int32_t failedFrame() const { return failedFrame_; }

private:
    MirroredScene scene_;
    TileRenderer renderer_;
    int32_t session_ = 0;
    int32_t failedFrame_ = -1;
};

// Decodes a frame message's body. False when it does not decode.
bool decodeFrame(const uint8_t* data, std::size_t size, hox::engine::DecodedFrame& frame);

}  // namespace hox_cluster
