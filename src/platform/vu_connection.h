// The connection layer of the library, in one include.
//
//   vuConnection          typed reads and writes over two byte operations
//   vuBufferedConnection  block buffering in both directions
//   vuEndianConnection    byte swapping for a peer of the other byte order
//   vuSocketConnection    TCP: resolve, connect, greeting, send, receive
//   vuSocketListener      the accepting side, for peers and tests
//
// Where the POSIX version differs from a Windows Sockets one:
//   - Address resolution is the C library's getaddrinfo(); there is no
//     run-time lookup of the resolver functions and no IPv4-only fallback
//     for systems without them.
//   - Waits use poll() instead of select(), which cannot watch descriptors
//     above 1023 (see socket_calls.h).
//   - connect() and the greeting have a time limit (vu_socket_connection.h)
//     instead of a blocking connect.
//   - Sends use MSG_NOSIGNAL: a peer that went away is a status, not a
//     signal that ends the process.
#pragma once

#include "platform/vu_buffered_connection.h"
#include "platform/vu_connection_base.h"
#include "platform/vu_endian_connection.h"
#include "platform/vu_socket_connection.h"
#include "platform/vu_socket_listener.h"
