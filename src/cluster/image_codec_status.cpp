#include "cluster/image_codec_status.h"

namespace hox {
namespace cluster {

const char* imageCodecStatusName(ImageCodecStatus status) {
    switch (status) {
        case ImageCodecStatus::Ok: return "ok";
        case ImageCodecStatus::BadImage: return "bad image size";
        case ImageCodecStatus::Truncated: return "truncated block stream";
        case ImageCodecStatus::TrailingBytes: return "bytes after the last block";
        case ImageCodecStatus::WrongByteCount: return "wrong byte count";
        case ImageCodecStatus::ByteCountTooLarge: return "byte count too large";
        case ImageCodecStatus::ConnectionLost: return "connection lost";
        case ImageCodecStatus::OutOfMemory: return "out of memory";
    }
    return "unknown";
}

}  // namespace cluster
}  // namespace hox
