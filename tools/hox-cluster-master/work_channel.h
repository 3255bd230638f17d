// WorkChannel: tile grants from rank 0 to the render ranks and finished
// tiles back, point to point on a communicator of their own.
//
// Every send is non-blocking; its buffer stays here until MPI is done with
// it (progress() lets go of finished ones), so neither side ever blocks on
// the other while the other waits for a broadcast.
#pragma once

#include <mpi.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace hox_cluster {

struct TileRef {
    int32_t view;
    int32_t tile;
};

struct TileGrant {
    int32_t session = 0;
    int32_t frame = 0;
    bool done = false;  // no more tiles of this frame for the rank
    std::vector<TileRef> tiles;
};

class WorkChannel {
public:
    explicit WorkChannel(MPI_Comm world);
    ~WorkChannel();
    WorkChannel(const WorkChannel&) = delete;
    WorkChannel& operator=(const WorkChannel&) = delete;

    // Every rank, once at start-up (collective): the render thread count of
    // each rank, by rank.
    std::vector<int> exchangeThreadCounts(int mine);

    // Rank 0.
    bool sendGrant(int rank, const TileGrant& grant);
    // A finished tile's bytes and the rank that sent them; false when none
    // waits.
    bool receiveTile(std::vector<uint8_t>& bytes, int& source);

    // Ranks above 0.
    bool receiveGrant(TileGrant& grant);
    bool sendTile(std::vector<uint8_t>&& bytes);

    // Frees the buffers of completed sends. False when MPI reported an error.
    bool progress();
    // Sends not yet completed.
    std::size_t pendingSends() const { return sends_.size(); }
    bool failed() const { return failed_; }

private:
    struct Send {
        std::vector<uint8_t> bytes;
        std::vector<int32_t> words;
        MPI_Request request = MPI_REQUEST_NULL;
    };
    bool post(std::unique_ptr<Send> send, int rank, int tag, bool wordsNotBytes);

    MPI_Comm comm_ = MPI_COMM_NULL;
    std::deque<std::unique_ptr<Send>> sends_;
    bool failed_ = false;
};

}  // namespace hox_cluster
