// A scripted controller on 127.0.0.1 for tests: it listens on a free port,
// accepts one connection and plays its script, which can answer whole, split,
// merged, late or not at all, and close or reset the link.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct PeerStep {
    enum Kind { RECEIVE, RECEIVE_FRAME, SEND, PAUSE, CLOSE, RESET, GATE };
    Kind kind = PAUSE;
    std::string bytes;     // SEND
    size_t count = 0;      // RECEIVE: bytes to read; RECEIVE_FRAME: header size (2 or 4)
    int milliseconds = 0;  // PAUSE
};

PeerStep receive_bytes(size_t count);
// One whole request frame: a 2-byte little-endian or 4-byte big-endian header and its payload.
PeerStep receive_board_frame();
PeerStep receive_arm_frame();
PeerStep send_bytes(const std::string& bytes);
PeerStep pause_for(int milliseconds);
PeerStep close_link();
PeerStep reset_link();
// Wait until the test opens the next gate (FakePeer::open_gate(), at most 30 s).
PeerStep gate();

class FakePeer {
  public:
    // Plays `script` on the first connection; after the script it keeps reading
    // what the client sends until the client closes (or the peer is destroyed).
    explicit FakePeer(std::vector<PeerStep> script);
    ~FakePeer();
    FakePeer(const FakePeer&) = delete;
    FakePeer& operator=(const FakePeer&) = delete;

    uint16_t port() const { return port_; }
    std::string port_text() const { return std::to_string(port_); }

    // Wait for the peer to finish (client closed, or at most `seconds`) and
    // return every byte the client sent.
    std::string received(int seconds = 30);

    // When each RECEIVE or RECEIVE_FRAME step completed, in seconds since the
    // connection was accepted (after received() has returned).
    std::vector<double> arrivals();

    // Let the script go on past its next GATE step.
    void open_gate() { ++gates_opened_; }

  private:
    void serve();
    bool wait_readable(int fd, int milliseconds);
    std::string read_exactly(int link, size_t count);
    bool play(int link, const PeerStep& step);  // false once the link is closed
    void pause(int link, int milliseconds);
    void note_arrival();

    std::vector<PeerStep> script_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> gates_opened_{0};
    int gates_passed_ = 0;  // the peer's thread only
    std::chrono::steady_clock::time_point accepted_at_;
    std::mutex mutex_;
    std::string received_;
    std::vector<double> arrivals_;
};

// Connect a client socket to 127.0.0.1:port (with the programs' time-outs).
int connect_loopback(uint16_t port);
