// A loopback peer for the connection tests: listens on an ephemeral port of
// 127.0.0.1 (or another numeric address) and runs a body on its own thread
// with the accepted connection.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <utility>

#include "platform/vu_connection.h"

namespace vu_connection_test {

using vu_connection::vuGreeting;
using vu_connection::vuSocketConnection;
using vu_connection::vuSocketListener;

class LoopbackPeer {
public:
    using Body = std::function<void(vuSocketConnection&)>;

    LoopbackPeer(vuGreeting greeting, Body body, const char* address = "127.0.0.1", int bufferSize = 256)
        : connection_(bufferSize) {
        listening_ = listener_.listen(address, 0) == 0;
        if (!listening_) return;
        thread_ = std::thread([this, greeting, body = std::move(body)] {
            accepted_ = listener_.accept(connection_, 5.0, greeting);
            if (accepted_ == 0 && body) body(connection_);
            connection_.close();
        });
    }
    ~LoopbackPeer() { join(); }

    bool listening() const { return listening_; }
    int port() const { return listener_.port(); }
    // The accept result; valid after join().
    int accepted() const { return accepted_; }
    void join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    vuSocketListener listener_;
    vuSocketConnection connection_;
    std::thread thread_;
    bool listening_ = false;
    int accepted_ = -1;
};

// A client with a short connect limit, so that a test that goes wrong fails
// in a second instead of hanging.
inline int connectClient(vuSocketConnection& client, int port, const char* host = "127.0.0.1") {
    client.setConnectTimeout(2.0);
    return client.connect(host, port);
}

}  // namespace vu_connection_test
