// The controllers' side of the benchmark, on 127.0.0.1: a report stream for
// the monitors and an answering board or arm for the consoles and the replay.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

// A listening socket on 127.0.0.1 at a free port.
struct Listener {
    Listener();
    ~Listener();
    int fd = -1;
    std::string port;
};

// Accept one connection within `seconds` (-1: none came).
int accept_within(int listener, double seconds);

// `count` state reports whose values move from one to the next, as a stream of
// main-arm frames of `frame_length` bytes each.
std::string report_stream(size_t count, size_t& frame_length);

// Take the monitor's request off `link`, then send `stream` (frames of
// `frame_length` bytes) as fast as the link takes it (rate_hz 0) or paced at
// rate_hz, and close the link. False when the monitor went away.
bool feed_reports(int link, const std::string& stream, size_t frame_length, double rate_hz);

// Answers every frame on every connection with `answer`, until destroyed.
class AnswerServer {
  public:
    AnswerServer(size_t header_size, std::string answer);
    ~AnswerServer();
    const std::string& port() const { return listener_.port; }

  private:
    void serve(int link);
    Listener listener_;
    size_t header_size_;
    std::string answer_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
