// What the ranks of the master tell each other over MPI.
//
// Control packets go from rank 0 to every rank as broadcasts, in the order
// the host's commands arrived, so every rank's mirrored scene passes through
// the same states: a fixed header, then (when size > 0) a body of `size`
// bytes in a second broadcast.
//
// Tile work is point to point on its own communicator: rank 0 grants tiles
// (kTagGrant), a rank returns each finished tile with its samples
// (kTagTile).
#pragma once

#include <cstdint>

namespace hox_cluster {

enum ControlKind : int32_t {
    kControlSession = 1,  // a = session number: forget the scene and any frame
    kControlCreate = 2,   // a = class, b = instance
    kControlDestroy = 3,  // a = class, b = instance
    kControlRecord = 4,   // a = class, b = instance, c = frame field; body: the record
    kControlFrame = 5,    // a = frame number; body: the frame slot's stream form
    kControlAbort = 6,    // a = frame number: drop the frame if it is not newer
    kControlQuit = 7,     // leave the render loop
};

struct ControlHeader {
    int32_t kind = 0;
    int32_t a = 0;
    int32_t b = 0;
    int32_t c = 0;
    int32_t size = 0;
};

constexpr int kTagGrant = 11;
constexpr int kTagTile = 12;

// A grant: int32 session, frame, done flag, count, then count pairs of
// (view, tile index). done = 1 says no further tiles of the frame will come.
constexpr int kGrantHeaderWords = 4;

}  // namespace hox_cluster
