#include "control_channel.h"

#include "master_log.h"
#include "mpi_wait.h"

namespace hox_cluster {

namespace {

constexpr int kHeaderWords = 5;

}  // namespace

ControlChannel::ControlChannel(MPI_Comm world) {
    MPI_Comm_dup(world, &comm_);
    MPI_Comm_set_errhandler(comm_, MPI_ERRORS_RETURN);
    MPI_Comm_rank(comm_, &rank_);
    MPI_Comm_size(comm_, &size_);
    if (rank_ != 0) postHeader();
}

ControlChannel::~ControlChannel() {
    // A posted collective cannot be cancelled, and a communicator with one
    // outstanding must not be freed; that only happens when the process ends
    // on an MPI failure, and MPI takes both with it.
    if (pending_ == MPI_REQUEST_NULL && comm_ != MPI_COMM_NULL) MPI_Comm_free(&comm_);
}

void ControlChannel::postHeader() {
    if (MPI_Ibcast(incoming_, kHeaderWords, MPI_INT32_T, 0, comm_, &pending_) != MPI_SUCCESS) failed_ = true;
}

bool ControlChannel::broadcast(const ControlHeader& header, const std::vector<uint8_t>& body) {
    if (size_ <= 1) return true;
    int32_t words[kHeaderWords] = {header.kind, header.a, header.b, header.c,
                                   static_cast<int32_t>(body.size())};
    MPI_Request request;
    if (MPI_Ibcast(words, kHeaderWords, MPI_INT32_T, 0, comm_, &request) != MPI_SUCCESS ||
        !waitPolitely(request)) {
        logError("MPI broadcast of a control header failed");
        return false;
    }
    if (body.empty()) return true;
    if (MPI_Ibcast(const_cast<uint8_t*>(body.data()), static_cast<int>(body.size()), MPI_BYTE, 0, comm_,
                   &request) != MPI_SUCCESS ||
        !waitPolitely(request)) {
        logError("MPI broadcast of %zu bytes failed", body.size());
        return false;
    }
    return true;
}

bool ControlChannel::poll(ControlHeader& header, std::vector<uint8_t>& body) {
    if (failed_ || pending_ == MPI_REQUEST_NULL) return false;
    int done = 0;
    if (MPI_Test(&pending_, &done, MPI_STATUS_IGNORE) != MPI_SUCCESS) {
        failed_ = true;
        return false;
    }
    if (!done) return false;
    header.kind = incoming_[0];
    header.a = incoming_[1];
    header.b = incoming_[2];
    header.c = incoming_[3];
    header.size = incoming_[4];
    body.clear();
    if (header.size > 0) {
        // Rank 0 announced exactly this many bytes and is sending them now.
        body.resize(static_cast<std::size_t>(header.size));
        MPI_Request request;
        if (MPI_Ibcast(body.data(), header.size, MPI_BYTE, 0, comm_, &request) != MPI_SUCCESS ||
            !waitPolitely(request)) {
            failed_ = true;
            return false;
        }
    }
    // After the last packet nothing more is broadcast.
    if (header.kind != kControlQuit) postHeader();
    return !failed_;
}

}  // namespace hox_cluster
