// The controllers' side of the benchmark, on 127.0.0.1: a report stream for
// the monitors and an answering board or arm for the consoles and the replay.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// Take the monitor's request (4 bytes) off `link`, waiting at most 10 s.
bool take_request(int link);

// Send `stream` (frames of `frame_length` bytes) as fast as the link takes it
// (rate_hz 0) or paced at rate_hz, noting when each frame went out in
// `sent_at` (paced, when given). False when the monitor went away.
bool send_reports(int link, const std::string& stream, size_t frame_length, double rate_hz,
                  std::vector<double>* sent_at = nullptr);

// take_request(), send_reports(), and close the link's sending side.
bool feed_reports(int link, const std::string& stream, size_t frame_length, double rate_hz);

// Answers every frame on every connection with `answer`, until destroyed.
class AnswerServer {
  public:
    AnswerServer(size_t header_size, std::string answer);
    ~AnswerServer();
    const std::string& port() const { return listener_.port; }

    // The last connection's frames per second, from the first frame's arrival
    // to the last answer's send: the exchanges alone, whatever the client did
    // before its first frame (loading a file) or after its last answer.
    double exchange_rate() const;

    // The last connection's frames: when each arrived, and when its answer went out.
    struct Timeline {
        std::vector<double> arrived;
        std::vector<double> answered;
    };
    Timeline timeline();

  private:
    void serve(int link);
    Listener listener_;
    size_t header_size_;
    std::string answer_;
    std::atomic<bool> stop_{false};
    std::atomic<double> first_frame_at_{0};
    std::atomic<double> last_answer_at_{0};
    std::atomic<long> frames_{0};
    std::mutex mutex_;
    Timeline timeline_;  // behind mutex_
    std::thread thread_;
};
