#include "cluster/command_messages.h"

#include <cstring>

#include "cluster/cluster_protocol.h"
#include "platform/vu_buffered_connection.h"

namespace hox {
namespace cluster {

void writeWords(vu_connection::vuBufferedConnection& connection, const int32_t* words, int count) {
    // Raw block write: the framing is not byte-swapped for the peer's order.
    connection.write(words, count * static_cast<int>(sizeof(int32_t)));
}

namespace {

void sendMessage(vu_connection::vuBufferedConnection& connection, const int32_t* words, int count) {
    writeWords(connection, words, count);
    connection.flush();
}

}  // namespace

void sendHello(vu_connection::vuBufferedConnection& connection, int32_t setting8, int32_t setting7) {
    const int32_t words[] = {kMessageHello, 12, setting8, setting7, kHelloVersion};
    sendMessage(connection, words, 5);
}

void sendCreate(vu_connection::vuBufferedConnection& connection, int32_t frame, int32_t type, int32_t instance) {
    const int32_t words[] = {kMessageCreate, 12, frame, type, instance};
    sendMessage(connection, words, 5);
}

void sendDestroy(vu_connection::vuBufferedConnection& connection, int32_t frame, uint32_t handle) {
    const int32_t words[] = {kMessageDestroy, 12, frame, handleClass(handle), handleInstance(handle)};
    sendMessage(connection, words, 5);
}

void sendAbort(vu_connection::vuBufferedConnection& connection, int32_t frame) {
    const int32_t words[] = {kMessageAbort, 4, frame};
    sendMessage(connection, words, 3);
}

void sendShutdown(vu_connection::vuBufferedConnection& connection) {
    const int32_t words[] = {kMessageShutdown, 0};
    sendMessage(connection, words, 2);
}

}  // namespace cluster
}  // namespace hox
