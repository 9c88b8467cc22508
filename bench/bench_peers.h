// The controllers' side of the benchmark, on 127.0.0.1: the reports a
// monitor is fed (through tests/support's FakePeer), and an answering board
// or arm for the consoles and the replay.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// `count` state reports whose values move from one to the next, as a stream of
// main-arm frames of `frame_length` bytes each.
std::string report_stream(size_t count, size_t& frame_length);

// Answers every frame on every connection with `answer`, until destroyed, and
// notes when each frame of the last connection arrived and when its answer
// went out.
class AnswerServer {
  public:
    AnswerServer(size_t header_size, std::string answer);
    ~AnswerServer();
    const std::string& port() const { return port_; }

    struct Timeline {
        std::vector<double> arrived;
        std::vector<double> answered;
    };
    Timeline timeline();

    // The last connection's frames per second, from the first frame's arrival
    // to the last answer's send: the exchanges alone, whatever the client did
    // before its first frame (loading a file) or after its last answer.
    double exchange_rate();

  private:
    void serve(int link);
    int listener_ = -1;
    std::string port_;
    size_t header_size_;
    std::string answer_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    Timeline timeline_;  // behind mutex_
    std::thread thread_;
};
