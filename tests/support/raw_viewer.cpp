#include "tests/support/raw_viewer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

int milliseconds_until(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

RawViewer::RawViewer(uint16_t port, int receive_buffer) {
    link_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receive_buffer > 0) {
        setsockopt(link_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    }
    timeval timeout = {15, 0};
    setsockopt(link_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connect(link_, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

RawViewer::~RawViewer() {
    close(link_);
}

std::string RawViewer::handshake(const std::string& protocol) {
    std::string request =
        "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n";
    if (!protocol.empty()) request += "Sec-WebSocket-Protocol: " + protocol + "\r\n";
    send_raw(request + "\r\n");
    const Clock::time_point until = Clock::now() + std::chrono::seconds(10);
    size_t end = std::string::npos;
    while ((end = buffered_.find("\r\n\r\n")) == std::string::npos &&
           fill(milliseconds_until(until))) {
    }
    if (end == std::string::npos) return "";
    std::string head = buffered_.substr(0, end + 4);
    buffered_.erase(0, end + 4);
    return head;
}

bool RawViewer::open_and_greeted() {
    return status_line(handshake()) == "HTTP/1.1 101 Switching Protocols" &&
           read_text_holding("\"op\":\"serverInfo\"") != "" &&
           read_text_holding("\"op\":\"advertise\"") != "";
}

void RawViewer::send_raw(const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = send(link_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

void RawViewer::send_frame(int opcode, const std::string& payload) {
    std::string frame(1, static_cast<char>(0x80 | opcode));
    const uint64_t size = payload.size();
    if (size < 126) {
        frame += static_cast<char>(0x80 | size);
    } else if (size < 65536) {
        frame += static_cast<char>(0x80 | 126);
        for (int shift = 8; shift >= 0; shift -= 8) frame += static_cast<char>(size >> shift);
    } else {
        frame += static_cast<char>(0x80 | 127);
        for (int shift = 56; shift >= 0; shift -= 8) frame += static_cast<char>(size >> shift);
    }
    const char mask[4] = {0x12, 0x34, 0x56, 0x78};
    frame.append(mask, 4);
    for (size_t i = 0; i < payload.size(); ++i)
        frame += static_cast<char>(payload[i] ^ mask[i % 4]);
    send_raw(frame);
}

bool RawViewer::fill(int milliseconds) {
    if (closed_) return false;
    pollfd ready = {link_, POLLIN, 0};
    if (poll(&ready, 1, milliseconds) <= 0) return false;
    char bytes[65536];
    const ssize_t n = recv(link_, bytes, sizeof bytes, 0);
    if (n <= 0) {
        closed_ = true;
        return false;
    }
    buffered_.append(bytes, static_cast<size_t>(n));
    return true;
}

WsFrame RawViewer::read_frame(int seconds) {
    const Clock::time_point until = Clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        // A server's frame: FIN and opcode, an unmasked length of 7, 16 or 64 bits, the payload.
        if (buffered_.size() >= 2) {
            uint64_t size = static_cast<uint8_t>(buffered_[1]) & 0x7f;
            size_t at = 2;
            const size_t extra = size == 126 ? 2 : size == 127 ? 8 : 0;
            if (buffered_.size() >= at + extra) {
                if (extra > 0) size = 0;
                for (size_t i = 0; i < extra; ++i)
                    size = size << 8 | static_cast<uint8_t>(buffered_[at + i]);
                at += extra;
                if (buffered_.size() >= at + size) {
                    WsFrame frame{static_cast<uint8_t>(buffered_[0]) & 0x0f,
                                  buffered_.substr(at, size)};
                    buffered_.erase(0, at + size);
                    return frame;
                }
            }
        }
        if (!fill(milliseconds_until(until))) return {};
    }
}

std::string RawViewer::read_text_holding(const std::string& text, int seconds) {
    const Clock::time_point until = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < until) {
        const WsFrame frame = read_frame(std::max(1, milliseconds_until(until) / 1000));
        if (frame.opcode < 0) return "";
        if (frame.opcode == 1 && frame.payload.find(text) != std::string::npos)
            return frame.payload;
    }
    return "";
}

bool RawViewer::closed_within(int seconds) {
    const Clock::time_point until = Clock::now() + std::chrono::seconds(seconds);
    while (fill(milliseconds_until(until))) buffered_.clear();
    return closed_;
}

std::string RawViewer::read_all(int seconds) {
    const Clock::time_point until = Clock::now() + std::chrono::seconds(seconds);
    while (fill(milliseconds_until(until))) {
    }
    std::string all;
    all.swap(buffered_);
    return all;
}

std::string status_line(const std::string& head) {
    return head.substr(0, head.find("\r\n"));
}
