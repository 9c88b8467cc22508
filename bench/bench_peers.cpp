#include "bench/bench_peers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>

#include "arm.pb.h"
#include "bench/bench_process.h"
#include "link/frame.h"

Listener::Listener() {
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd, 64);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = std::to_string(ntohs(address.sin_port));
}

Listener::~Listener() {
    close(fd);
}

int accept_within(int listener, double seconds) {
    pollfd ready = {listener, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(seconds * 1000)) <= 0) return -1;
    return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

std::string report_stream(size_t count, size_t& frame_length) {
    std::string stream;
    for (size_t i = 0; i < count; ++i) {
        MainArmStateMsg report{};
        report.has_angles = true;
        report.angles.angle_count = 6;
        report.poses_count = 6;
        for (int j = 0; j < 6; ++j) {
            report.angles.angle[j] = std::sin(0.001 * static_cast<double>(i) + j);
            report.poses[j] = 0.3 * std::cos(0.0007 * static_cast<double>(i) * (j + 1));
        }
        report.timestamp = 1784624703123 + static_cast<int64_t>(i);
        report.state = 7;
        report.enable = true;
        report.force = true;
        FrameBuffer frame{};
        FrameResult encoded = encode_frame(MainArmStateMsg_fields, &report, ARM_FRAME, frame);
        frame_length = encoded.length;
        stream.append(reinterpret_cast<const char*>(frame.data()), encoded.length);
    }
    return stream;
}

namespace {

bool send_all(int link, const char* bytes, size_t length) {
    for (size_t at = 0; at < length;) {
        ssize_t n = send(link, bytes + at, length - at, MSG_NOSIGNAL);
        if (n <= 0) return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool take_request(int link) {
    char request[4];
    size_t got = 0;
    while (got < sizeof request) {
        pollfd ready = {link, POLLIN, 0};
        if (poll(&ready, 1, 10000) <= 0) return false;
        ssize_t n = read(link, request + got, sizeof request - got);
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool send_reports(int link, const std::string& stream, size_t frame_length, double rate_hz,
                  std::vector<double>* sent_at) {
    if (rate_hz <= 0) return send_all(link, stream.data(), stream.size());
    bool sent = true;
    double start = now_seconds();
    for (size_t at = 0, frame = 0; sent && at < stream.size(); at += frame_length, ++frame) {
        double wait = start + static_cast<double>(frame) / rate_hz - now_seconds();
        if (wait > 0) usleep(static_cast<useconds_t>(wait * 1e6));
        if (sent_at != nullptr) sent_at->push_back(now_seconds());
        sent = send_all(link, stream.data() + at, frame_length);
    }
    return sent;
}

bool feed_reports(int link, const std::string& stream, size_t frame_length, double rate_hz) {
    if (!take_request(link)) return false;
    bool sent = send_reports(link, stream, frame_length, rate_hz);
    shutdown(link, SHUT_WR);
    return sent;
}

AnswerServer::AnswerServer(size_t header_size, std::string answer)
    : header_size_(header_size), answer_(std::move(answer)) {
    thread_ = std::thread([this] {
        while (!stop_) {
            int link = accept_within(listener_.fd, 0.05);
            if (link < 0) continue;
            serve(link);
            close(link);
        }
    });
}

AnswerServer::~AnswerServer() {
    stop_ = true;
    thread_.join();
}

void AnswerServer::serve(int link) {
    int yes = 1;
    setsockopt(link, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    uint8_t frame[1 << 16];
    frames_ = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        timeline_ = Timeline{};
    }
    for (;;) {
        if (recv(link, frame, header_size_, MSG_WAITALL) != static_cast<ssize_t>(header_size_)) {
            return;
        }
        size_t payload = read_header(frame, header_size_ == 2 ? BOARD_FRAME : ARM_FRAME);
        if (payload > sizeof frame || (payload > 0 && recv(link, frame, payload, MSG_WAITALL) !=
                                                          static_cast<ssize_t>(payload))) {
            return;
        }
        const double arrived = now_seconds();
        if (frames_ == 0) first_frame_at_ = arrived;
        if (send(link, answer_.data(), answer_.size(), MSG_NOSIGNAL) <= 0) return;
        last_answer_at_ = now_seconds();
        ++frames_;
        std::lock_guard<std::mutex> lock(mutex_);
        timeline_.arrived.push_back(arrived);
        timeline_.answered.push_back(last_answer_at_);
    }
}

double AnswerServer::exchange_rate() const {
    double seconds = last_answer_at_ - first_frame_at_;
    return frames_ > 1 && seconds > 0 ? static_cast<double>(frames_ - 1) / seconds : 0;
}

AnswerServer::Timeline AnswerServer::timeline() {
    std::lock_guard<std::mutex> lock(mutex_);
    return timeline_;
}
