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
    enum Kind { RECEIVE, RECEIVE_FRAME, SEND, SEND_PACED, PAUSE, CLOSE, RESET, GATE };
    Kind kind = PAUSE;
    std::string bytes;     // SEND, SEND_PACED
    size_t count = 0;      // RECEIVE: bytes to read; RECEIVE_FRAME: header size (2 or 4);
                           // SEND_PACED: the length of each frame
    int milliseconds = 0;  // PAUSE
    double rate_hz = 0;    // SEND_PACED
};

PeerStep receive_bytes(size_t count);
// One whole request frame: a 2-byte little-endian or 4-byte big-endian header and its payload.
PeerStep receive_board_frame();
PeerStep receive_arm_frame();
PeerStep send_bytes(const std::string& bytes);
// `frames` (each `frame_length` bytes) one by one at `rate_hz` from the step's
// start, each when it is due (never early), as a controller sends its reports.
PeerStep send_paced(const std::string& frames, size_t frame_length, double rate_hz);
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

    // When each frame of a SEND_PACED step went out, in seconds of the
    // steady clock since its epoch.
    std::vector<double> departures();

    // Let the script go on past its next GATE step.
    void open_gate() { ++gates_opened_; }

  private:
    void serve();
    bool wait_readable(int fd, int milliseconds);
    std::string read_exactly(int link, size_t count);
    bool play(int link, const PeerStep& step);  // false once the link is closed
    bool send_paced(int link, const PeerStep& step);
    void pause(int link, int milliseconds);
    void note_arrival();

    std::vector<PeerStep> script_;
    uint16_t port_ = 0;  // set with listener_, so declared before it
    int listener_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> gates_opened_{0};
    int gates_passed_ = 0;  // the peer's thread only
    std::chrono::steady_clock::time_point accepted_at_;
    std::mutex mutex_;
    std::string received_;
    std::vector<double> arrivals_;
    std::vector<double> departures_;
};

// A listening socket on 127.0.0.1 at a free port, which `port` receives.
int listen_on_loopback(uint16_t& port);

// Connect a client socket to 127.0.0.1:port (with the programs' time-outs).
int connect_loopback(uint16_t port);
