#include "tests/support/fake_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

PeerStep receive_bytes(size_t count) {
    PeerStep step;
    step.kind = PeerStep::RECEIVE;
    step.count = count;
    return step;
}

PeerStep receive_board_frame() {
    PeerStep step;
    step.kind = PeerStep::RECEIVE_FRAME;
    step.count = 2;
    return step;
}

PeerStep receive_arm_frame() {
    PeerStep step;
    step.kind = PeerStep::RECEIVE_FRAME;
    step.count = 4;
    return step;
}

PeerStep send_bytes(const std::string& bytes) {
    PeerStep step;
    step.kind = PeerStep::SEND;
    step.bytes = bytes;
    return step;
}

PeerStep send_paced(const std::string& frames, size_t frame_length, double rate_hz) {
    PeerStep step = send_bytes(frames);
    step.kind = PeerStep::SEND_PACED;
    step.count = frame_length;
    step.rate_hz = rate_hz;
    return step;
}

PeerStep pause_for(int milliseconds) {
    PeerStep step;
    step.kind = PeerStep::PAUSE;
    step.milliseconds = milliseconds;
    return step;
}

PeerStep close_link() {
    PeerStep step;
    step.kind = PeerStep::CLOSE;
    return step;
}

PeerStep reset_link() {
    PeerStep step;
    step.kind = PeerStep::RESET;
    return step;
}

PeerStep gate() {
    PeerStep step;
    step.kind = PeerStep::GATE;
    return step;
}

int listen_on_loopback(uint16_t& port) {
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 64);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return listener;
}

FakePeer::FakePeer(std::vector<PeerStep> script)
    : script_(std::move(script)), listener_(listen_on_loopback(port_)) {
    thread_ = std::thread([this] { serve(); });
}

FakePeer::~FakePeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
}

bool FakePeer::wait_readable(int fd, int milliseconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!stop_) {
        pollfd ready = {fd, POLLIN, 0};
        if (poll(&ready, 1, 20) > 0) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
    }
    return false;
}

std::string FakePeer::read_exactly(int link, size_t count) {
    std::string got;
    char chunk[4096];
    while (got.size() < count && wait_readable(link, 30000)) {
        ssize_t n = read(link, chunk, std::min(sizeof chunk, count - got.size()));
        if (n <= 0) break;
        got.append(chunk, static_cast<size_t>(n));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    received_ += got;
    return got;
}

void FakePeer::note_arrival() {
    std::lock_guard<std::mutex> lock(mutex_);
    arrivals_.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - accepted_at_).count());
}

bool FakePeer::send_paced(int link, const PeerStep& step) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (size_t at = 0, frame = 0; !stop_ && at < step.bytes.size(); at += step.count, ++frame) {
        std::this_thread::sleep_until(
            start + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(static_cast<double>(frame) / step.rate_hz)));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            departures_.push_back(
                std::chrono::duration<double>(Clock::now().time_since_epoch()).count());
        }
        if (send(link, step.bytes.data() + at, step.count, MSG_NOSIGNAL) <= 0) return false;
    }
    return true;
}

// A pause ends early when the client has gone away.
void FakePeer::pause(int link, int milliseconds) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!stop_ && std::chrono::steady_clock::now() < until) {
        pollfd gone = {link, POLLRDHUP, 0};
        if (poll(&gone, 1, 5) > 0 && (gone.revents & (POLLRDHUP | POLLHUP | POLLERR))) return;
    }
}

bool FakePeer::play(int link, const PeerStep& step) {
    switch (step.kind) {
        case PeerStep::RECEIVE:
            read_exactly(link, step.count);
            note_arrival();
            return true;
        case PeerStep::RECEIVE_FRAME: {
            std::string header = read_exactly(link, step.count);
            if (header.size() < step.count) return true;
            const auto* h = reinterpret_cast<const unsigned char*>(header.data());
            size_t payload = step.count == 2 ? size_t{h[0]} | size_t{h[1]} << 8
                                             : size_t{h[0]} << 24 | size_t{h[1]} << 16 |
                                                   size_t{h[2]} << 8 | size_t{h[3]};
            read_exactly(link, payload);
            note_arrival();
            return true;
        }
        case PeerStep::SEND_PACED:
            if (step.count > 0 && step.rate_hz > 0) {
                send_paced(link, step);
                return true;
            }
            [[fallthrough]];  // nothing to pace: all at once
        case PeerStep::SEND:
            send(link, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL);
            return true;
        case PeerStep::PAUSE:
            pause(link, step.milliseconds);
            return true;
        case PeerStep::CLOSE:
            close(link);
            return false;
        case PeerStep::GATE: {
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!stop_ && gates_opened_ <= gates_passed_ &&
                   std::chrono::steady_clock::now() < until) {
                usleep(2000);
            }
            ++gates_passed_;
            return true;
        }
        case PeerStep::RESET: {
            linger hard = {1, 0};
            setsockopt(link, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            close(link);
            return false;
        }
    }
    return true;
}

void FakePeer::serve() {
    if (!wait_readable(listener_, 30000)) {
        done_ = true;
        return;
    }
    int link = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    int yes = 1;
    setsockopt(link, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    accepted_at_ = std::chrono::steady_clock::now();
    bool open = true;
    for (const PeerStep& step : script_) {
        if (stop_ || !open) break;
        open = play(link, step);
    }
    if (open) {
        // Keep what the client still sends, until it closes.
        while (read_exactly(link, 4096).size() == 4096) {
        }
        close(link);
    }
    done_ = true;
}

std::string FakePeer::received(int seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done_ && std::chrono::steady_clock::now() < deadline) usleep(5000);
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

std::vector<double> FakePeer::arrivals() {
    std::lock_guard<std::mutex> lock(mutex_);
    return arrivals_;
}

std::vector<double> FakePeer::departures() {
    std::lock_guard<std::mutex> lock(mutex_);
    return departures_;
}

int connect_loopback(uint16_t port) {
    int link = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval timeout = {15, 0};
    setsockopt(link, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(link, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connect(link, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return link;
}
