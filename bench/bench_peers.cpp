#include "bench/bench_peers.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>

#include "bench/bench_process.h"
#include "link/frame.h"
#include "tests/support/arm_reports.h"
#include "tests/support/fake_peer.h"

std::string report_stream(size_t count, size_t& frame_length) {
    std::string stream;
    for (size_t i = 0; i < count; ++i) {
        const std::string frame = report_frame([i](MainArmStateMsg& report) {
            report.has_angles = true;
            report.angles.angle_count = 6;
            report.poses_count = 6;
            for (int j = 0; j < 6; ++j) {
                report.angles.angle[j] = std::sin(0.001 * static_cast<double>(i) + j);
                report.poses[j] = 0.3 * std::cos(0.0007 * static_cast<double>(i) * (j + 1));
            }
            report.timestamp = 1784624703123 + static_cast<int64_t>(i);
            report.state = 7;
            report.enable = report.force = true;
        });
        frame_length = frame.size();
        stream += frame;
    }
    return stream;
}

AnswerServer::AnswerServer(size_t header_size, std::string answer)
    : header_size_(header_size), answer_(std::move(answer)) {
    uint16_t port = 0;
    listener_ = listen_on_loopback(port);
    port_ = std::to_string(port);
    thread_ = std::thread([this] {
        while (!stop_) {
            pollfd ready = {listener_, POLLIN, 0};
            if (poll(&ready, 1, 50) <= 0) continue;
            int link = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            serve(link);
            close(link);
        }
    });
}

AnswerServer::~AnswerServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
}

void AnswerServer::serve(int link) {
    int yes = 1;
    setsockopt(link, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    uint8_t frame[1 << 16];
    {
        std::lock_guard<std::mutex> lock(mutex_);
        timeline_ = Timeline{};
    }
    for (;;) {
        if (recv(link, frame, header_size_, MSG_WAITALL) != static_cast<ssize_t>(header_size_)) {
            break;
        }
        size_t payload = read_header(frame, header_size_ == 2 ? BOARD_FRAME : ARM_FRAME);
        if (payload > sizeof frame || (payload > 0 && recv(link, frame, payload, MSG_WAITALL) !=
                                                          static_cast<ssize_t>(payload))) {
            break;
        }
        // Held through the answer's send: once the client has its answer,
        // timeline() finds it noted.
        std::lock_guard<std::mutex> lock(mutex_);
        const double arrived = now_seconds();
        if (send(link, answer_.data(), answer_.size(), MSG_NOSIGNAL) <= 0) break;
        timeline_.arrived.push_back(arrived);
        timeline_.answered.push_back(now_seconds());
    }
}

AnswerServer::Timeline AnswerServer::timeline() {
    std::lock_guard<std::mutex> lock(mutex_);
    return timeline_;
}

double AnswerServer::exchange_rate() {
    const Timeline last = timeline();
    if (last.answered.size() < 2) return 0;
    const double seconds = last.answered.back() - last.arrived.front();
    return seconds > 0 ? static_cast<double>(last.answered.size() - 1) / seconds : 0;
}
