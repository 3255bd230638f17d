#include "work_channel.h"

#include "master_log.h"
#include "rank_protocol.h"

namespace hox_cluster {

WorkChannel::WorkChannel(MPI_Comm world) {
    MPI_Comm_dup(world, &comm_);
    MPI_Comm_set_errhandler(comm_, MPI_ERRORS_RETURN);
}

WorkChannel::~WorkChannel() {
    // Sends still in flight at exit are cancelled: nobody will read them.
    for (auto& send : sends_) {
        if (send->request != MPI_REQUEST_NULL) {
            MPI_Cancel(&send->request);
            MPI_Request_free(&send->request);
        }
    }
    if (comm_ != MPI_COMM_NULL) MPI_Comm_free(&comm_);
}

std::vector<int> WorkChannel::exchangeThreadCounts(int mine) {
    int size = 1;
    MPI_Comm_size(comm_, &size);
    std::vector<int> counts(static_cast<std::size_t>(size), 1);
    if (MPI_Allgather(&mine, 1, MPI_INT, counts.data(), 1, MPI_INT, comm_) != MPI_SUCCESS) failed_ = true;
    return counts;
}

bool WorkChannel::post(std::unique_ptr<Send> send, int rank, int tag, bool wordsNotBytes) {
    const int status = wordsNotBytes
                           ? MPI_Isend(send->words.data(), static_cast<int>(send->words.size()), MPI_INT32_T,
                                       rank, tag, comm_, &send->request)
                           : MPI_Isend(send->bytes.data(), static_cast<int>(send->bytes.size()), MPI_BYTE, rank,
                                       tag, comm_, &send->request);
    if (status != MPI_SUCCESS) {
        failed_ = true;
        return false;
    }
    sends_.push_back(std::move(send));
    return true;
}

bool WorkChannel::sendGrant(int rank, const TileGrant& grant) {
    auto send = std::make_unique<Send>();
    send->words = {grant.session, grant.frame, grant.done ? 1 : 0, static_cast<int32_t>(grant.tiles.size())};
    for (const TileRef& t : grant.tiles) {
        send->words.push_back(t.view);
        send->words.push_back(t.tile);
    }
    return post(std::move(send), rank, kTagGrant, true);
}

bool WorkChannel::sendTile(std::vector<uint8_t>&& bytes) {
    auto send = std::make_unique<Send>();
    send->bytes = std::move(bytes);
    return post(std::move(send), 0, kTagTile, false);
}

bool WorkChannel::receiveTile(std::vector<uint8_t>& bytes, int& source) {
    int flag = 0;
    MPI_Status status;
    if (MPI_Iprobe(MPI_ANY_SOURCE, kTagTile, comm_, &flag, &status) != MPI_SUCCESS) {
        failed_ = true;
        return false;
    }
    if (!flag) return false;
    int count = 0;
    MPI_Get_count(&status, MPI_BYTE, &count);
    bytes.resize(static_cast<std::size_t>(count > 0 ? count : 0));
    source = status.MPI_SOURCE;
    if (MPI_Recv(bytes.data(), count, MPI_BYTE, status.MPI_SOURCE, kTagTile, comm_, MPI_STATUS_IGNORE) !=
        MPI_SUCCESS) {
        failed_ = true;
        return false;
    }
    return true;
}

bool WorkChannel::receiveGrant(TileGrant& grant) {
    int flag = 0;
    MPI_Status status;
    if (MPI_Iprobe(0, kTagGrant, comm_, &flag, &status) != MPI_SUCCESS) {
        failed_ = true;
        return false;
    }
    if (!flag) return false;
    int count = 0;
    MPI_Get_count(&status, MPI_INT32_T, &count);
    std::vector<int32_t> words(static_cast<std::size_t>(count > 0 ? count : 0));
    if (MPI_Recv(words.data(), count, MPI_INT32_T, 0, kTagGrant, comm_, MPI_STATUS_IGNORE) != MPI_SUCCESS) {
        failed_ = true;
        return false;
    }
    const int32_t tiles = count >= kGrantHeaderWords ? words[3] : -1;
    if (tiles < 0 || count != kGrantHeaderWords + 2 * tiles) {
        logError("a tile grant of %d words does not hold what it says", count);
        return false;
    }
    grant.session = words[0];
    grant.frame = words[1];
    grant.done = words[2] != 0;
    grant.tiles.clear();
    for (int32_t i = 0; i < tiles; ++i)
        grant.tiles.push_back({words[kGrantHeaderWords + 2 * i], words[kGrantHeaderWords + 2 * i + 1]});
    return true;
}

bool WorkChannel::progress() {
    while (!sends_.empty()) {
        int done = 0;
        if (MPI_Test(&sends_.front()->request, &done, MPI_STATUS_IGNORE) != MPI_SUCCESS) {
            failed_ = true;
            return false;
        }
        if (!done) break;
        sends_.pop_front();
    }
    return true;
}

}  // namespace hox_cluster
