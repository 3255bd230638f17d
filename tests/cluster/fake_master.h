// A scripted stand-in cluster master for the engine tests, on test_socket.h.
// Its thread plays the master's side of the set-up (greeting, read the
// request, answer acceptance and ports as scripted, then accept and greet
// the command and image connections); the test talks over command() and
// image() afterwards.
#pragma once

#include <cstring>
#include <thread>
#include <vector>

#include "test_socket.h"

namespace cluster_test {

struct MasterScript {
    bool reversed = false;         // greet and answer in the other byte order
    uint32_t magic = 0x5F0A347Cu;  // the greeting's first word
    uint32_t acceptance = 1;
    bool zeroCommandPort = false;
};

class FakeMaster {
public:
    explicit FakeMaster(MasterScript script = MasterScript()) : script_(script) {
        thread_ = std::thread([this] { play(); });
    }
    ~FakeMaster() { join(); }

    int port() const { return master_.port(); }
    // Waits for the set-up to end; request() and the connections are valid after.
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    uint32_t request() const { return request_; }
    TestSocket& command() { return command_; }
    TestSocket& image() { return image_; }

    // A command message: type, length (-1 on time-out; type -2 when the
    // payload is cut short) and payload.
    struct Message {
        int32_t type = -1;
        int32_t length = -1;
        std::vector<uint8_t> payload;
        int32_t word(int i) const {
            int32_t w = 0;
            if (payload.size() >= static_cast<std::size_t>(4 * i + 4)) std::memcpy(&w, payload.data() + 4 * i, 4);
            return w;
        }
        // Type, length and the first `n` payload words.
        std::vector<int32_t> head(int n) const {
            std::vector<int32_t> out = {type, length};
            for (int i = 0; i < n; ++i) out.push_back(word(i));
            return out;
        }
    };
    Message readCommand(int milliseconds = 3000) {
        Message m;
        int32_t header[2];
        if (!command_.receive(header, 8, milliseconds)) return m;
        m.type = header[0];
        m.length = header[1];
        if (m.length > 0 && m.length < (64 << 20)) {
            m.payload.resize(static_cast<std::size_t>(m.length));
            if (!command_.receive(m.payload.data(), m.payload.size(), milliseconds)) m.type = -2;
        }
        return m;
    }
    // Skips messages until one of `type` (or a failed read) arrives.
    Message awaitCommand(int type) {
        for (int i = 0; i < 64; ++i) {
            Message m = readCommand();
            if (m.type == type || m.type < 0) return m;
        }
        return Message();
    }

private:
    void play() {
        TestSocket handshake(master_.accept());
        if (!handshake.valid() || !handshake.greet(script_.reversed, script_.magic)) return;
        const std::vector<uint32_t> request = handshake.words(1);
        if (request.empty()) return;
        auto order = [this](uint32_t v) { return script_.reversed ? swapped(v) : v; };
        request_ = order(request[0]);
        if (script_.acceptance == 0) {
            handshake.sendWords({0u});
            return;
        }
        const uint32_t commandPort = script_.zeroCommandPort ? 0u : static_cast<uint32_t>(commandListener_.port());
        handshake.sendWords({order(script_.acceptance), order(commandPort), order(imageListener_.port())});
        if (script_.zeroCommandPort) return;
        command_ = TestSocket(commandListener_.accept());
        if (command_.valid()) command_.greet(script_.reversed);
        image_ = TestSocket(imageListener_.accept());
        if (image_.valid()) image_.greet(script_.reversed);
    }

    MasterScript script_;
    Listener master_, commandListener_, imageListener_;
    TestSocket command_, image_;
    uint32_t request_ = 0;
    std::thread thread_;
};

// A view-image message's header words: type, length, then frame, view,
// width, height, sampling level, passes.
inline std::vector<uint32_t> viewImageHeader(int frame, int view, int width, int height) {
    return {12u, 24u, static_cast<uint32_t>(frame), static_cast<uint32_t>(view), static_cast<uint32_t>(width),
            static_cast<uint32_t>(height), 0u, 0u};
}

// Uncompressed image data: flag 0, colour bytes, then the per-pixel plane
// (each pixel's fourth component).
inline std::vector<uint32_t> rawImageData(const std::vector<float>& rgba) {
    const std::size_t pixels = rgba.size() / 4;
    std::vector<uint32_t> words(3 + 5 * pixels);
    words[1] = static_cast<uint32_t>(pixels * 16);
    std::memcpy(&words[2], rgba.data(), pixels * 16);
    words[2 + 4 * pixels] = static_cast<uint32_t>(pixels * 4);
    for (std::size_t i = 0; i < pixels; ++i) std::memcpy(&words[3 + 4 * pixels + i], &rgba[4 * i + 3], 4);
    return words;
}

}  // namespace cluster_test
