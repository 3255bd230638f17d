#include "rank_state.h"

#include "error_codes.h"
#include "hox/status.h"
#include "master_log.h"
#include "util/memory_stream.h"

namespace hox_cluster {

RankState::RankState(const std::string& shaderPath, int threads) : scene_(shaderPath), renderer_(threads) {}

bool decodeFrame(const uint8_t* data, std::size_t size, hox::engine::DecodedFrame& frame) {
    hox::util::MemorySource source(data, size);
    hox::util::InputStream in(&source);
    return hox::engine::readFrameSlot(in, frame);
}

int RankState::applyScene(const ControlHeader& header, const std::vector<uint8_t>& body) {
    switch (header.kind) {
        case kControlSession:
            // A new host, or none: nothing of the old scene may survive.
            renderer_.abort();
            scene_.reset();
            session_ = header.a;
            failedFrame_ = -1;
            return 0;
        case kControlCreate: return scene_.create(header.a, header.b);
        case kControlDestroy: return scene_.destroy(header.a, header.b);
        case kControlRecord: return scene_.applyRecord(header.c, header.a, header.b, body.data(), body.size());
        case kControlAbort:
            if (renderer_.frameActive() && renderer_.frameNumber() <= header.a) renderer_.abort();
            return 0;
        default:
            logError("control packet of unknown kind %d ignored", header.kind);
            return 0;
    }
}

int RankState::startFrame(const hox::engine::DecodedFrame& frame) {
    const int unloaded = scene_.prepareForFrame(frame.frameNumber, frame.settings);
    if (unloaded > 0) logVerboseLine("frame %d: %d shaders without their plug-in", frame.frameNumber, unloaded);
    const int status = renderer_.beginFrame(session_, frame, scene_.table());
    failedFrame_ = status == hox::RESULT_OK ? -1 : frame.frameNumber;
    return status;
}

}  // namespace hox_cluster
