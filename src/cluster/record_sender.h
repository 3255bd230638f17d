// RecordSender: scene records (message type 8) and frames (type 4) on the
// command connection.
//
// A body is first written through an OutputStream into a GrowingByteSink,
// so that its size n is known; then the header words and the n bytes go to
// the connection, which is flushed. Used from the device's thread only.
#pragma once

#include <cstdint>

#include "cluster/growing_byte_sink.h"
#include "util/byte_stream.h"

namespace vu_connection {
class vuBufferedConnection;
}

namespace hox {
namespace scene {
class ObjectTable;
}
namespace engine {
class FrameSlot;
}

namespace cluster {

class RecordSender {
public:
    // Both must outlive the sender; the table may be null (records are then
    // not sent).
    RecordSender(vu_connection::vuBufferedConnection& connection, const scene::ObjectTable* table);
    virtual ~RecordSender();
    RecordSender(const RecordSender&) = delete;
    RecordSender& operator=(const RecordSender&) = delete;

    // Message type 8 for one object: header (type, 16 + n, frame field,
    // class, instance, n) and the record. Returns the bytes sent, 0 when the
    // object does not exist (nothing is sent).
    virtual int sendRecord(int32_t frame, int32_t type, int32_t instance);
    // Message type 4: header (type, 8 + n, frame number, n) and the
    // serialised slot. Returns the bytes sent.
    virtual int sendFrame(const engine::FrameSlot& slot);

    // Type 8 for every live object, class by class in the table's order and
    // by instance within a class, all with the same frame field. Returns the
    // number of records sent.
    int sendAllRecords(int32_t frame);

    // Capacity of the in-memory sink, for tests of its growth.
    int bufferCapacity() const { return sink_.capacity(); }

private:
    // Sends the header words and the body collected in the sink.
    int sendBody(const int32_t* header, int headerWords);

    vu_connection::vuBufferedConnection& connection_;
    const scene::ObjectTable* table_;
    GrowingByteSink sink_;
    util::OutputStream stream_;
};

}  // namespace cluster
}  // namespace hox
