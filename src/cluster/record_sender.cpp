#include "cluster/record_sender.h"

#include "cluster/cluster_protocol.h"
#include "cluster/command_messages.h"
#include "engine/frame_slot.h"
#include "engine/frame_slot_serialization.h"
#include "platform/vu_buffered_connection.h"
#include "scene/object_table.h"

namespace hox {
namespace cluster {

RecordSender::RecordSender(vu_connection::vuBufferedConnection& connection, const scene::ObjectTable* table)
    : connection_(connection), table_(table), stream_(&sink_) {}

RecordSender::~RecordSender() {}

int RecordSender::sendBody(const int32_t* header, int headerWords) {
    writeWords(connection_, header, headerWords);
    connection_.write(sink_.data(), sink_.size());
    connection_.flush();
    return headerWords * 4 + sink_.size();
}

int RecordSender::sendRecord(int32_t frame, int32_t type, int32_t instance) {
    if (!table_ || !table_->lookup(type, instance)) return 0;
    sink_.clear();
    table_->writeObject(type, instance, stream_);
    stream_.flush();
    const int32_t n = sink_.size();
    const int32_t header[] = {kMessageRecord, 16 + n, frame, type, instance, n};
    return sendBody(header, 6);
}

int RecordSender::sendFrame(const engine::FrameSlot& slot) {
    sink_.clear();
    engine::writeFrameSlot(stream_, slot);
    stream_.flush();
    const int32_t n = sink_.size();
    const int32_t header[] = {kMessageFrame, 8 + n, slot.frameNumber, n};
    return sendBody(header, 4);
}

namespace {

struct SendAll {
    RecordSender* sender;
    int32_t frame;
    int sent;
};

void sendOne(void* context, const scene::ObjectTable&, int type, int instance) {
    SendAll& all = *static_cast<SendAll*>(context);
    if (all.sender->sendRecord(all.frame, type, instance) > 0) ++all.sent;
}

}  // namespace

int RecordSender::sendAllRecords(int32_t frame) {
    if (!table_) return 0;
    SendAll all{this, frame, 0};
    table_->forEachObject(&sendOne, &all);
    return all.sent;
}

}  // namespace cluster
}  // namespace hox
