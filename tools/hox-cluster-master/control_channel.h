// ControlChannel: rank 0's ordered broadcasts of the host's scene changes,
// frames and aborts to every rank.
//
// A packet is a fixed header broadcast, then its body broadcast when it has
// one. Ranks above 0 keep one header broadcast posted at all times and test
// it in their loop, so a packet is taken as soon as the rank looks, whatever
// it was doing. Broadcasts on one communicator match in order, which keeps
// every rank's mirrored scene in step with rank 0's.
#pragma once

#include <mpi.h>

#include <cstdint>
#include <vector>

#include "rank_protocol.h"

namespace hox_cluster {

class ControlChannel {
public:
    // Duplicates `world`, so these broadcasts never meet other traffic.
    explicit ControlChannel(MPI_Comm world);
    ~ControlChannel();
    ControlChannel(const ControlChannel&) = delete;
    ControlChannel& operator=(const ControlChannel&) = delete;

    int rank() const { return rank_; }
    int size() const { return size_; }

    // Rank 0: sends one packet to every other rank. False when MPI failed.
    bool broadcast(const ControlHeader& header, const std::vector<uint8_t>& body);
    bool broadcast(const ControlHeader& header) { return broadcast(header, std::vector<uint8_t>()); }

    // Ranks above 0: true when a packet arrived (`header` and `body` hold
    // it; the next header is posted); false when none has yet, or when MPI
    // failed (failed() then tells).
    bool poll(ControlHeader& header, std::vector<uint8_t>& body);
    bool failed() const { return failed_; }

private:
    void postHeader();

    MPI_Comm comm_ = MPI_COMM_NULL;
    int rank_ = 0;
    int size_ = 1;
    bool failed_ = false;
    int32_t incoming_[5] = {0, 0, 0, 0, 0};
    MPI_Request pending_ = MPI_REQUEST_NULL;
};

}  // namespace hox_cluster
