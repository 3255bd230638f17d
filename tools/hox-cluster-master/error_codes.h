// The error codes the master reports to a host (message type 13 on the
// image connection). The host logs "cluster error code: %d" and carries on;
// docs/cluster.md lists them for users.
#pragma once

#include <cstdint>

namespace hox_cluster {

enum ErrorCode : int32_t {
    // The hello message named an interface version other than 50. The
    // connection is dropped after the report.
    kErrorProtocolVersion = 1,
    // A message of an unknown type, with an impossible length, or whose body
    // does not decode. The connection is dropped after the report: the
    // stream can no longer be trusted to be at a message boundary.
    kErrorMalformedMessage = 2,
    // A scene record that could not be applied: an unknown class, an
    // instance out of range, a body that does not read, or an edit of an
    // object that does not exist. The object keeps its previous state.
    kErrorBadRecord = 3,
    // A shader whose plug-in library or shader could not be loaded on the
    // render side (check --shader-path). Objects using it render without it.
    kErrorShaderLoad = 4,
    // A frame whose views could not be prepared from the mirrored scene (a
    // render view without camera or framebuffer). Its views are answered
    // with black images so that the host's frame still completes.
    kErrorFramePreparation = 5,
    // A render rank stopped answering or MPI reported a failure; the master
    // exits after the report.
    kErrorRenderRankLost = 6,
    // A view image could not be assembled or encoded (memory).
    kErrorImage = 7,
};

}  // namespace hox_cluster
