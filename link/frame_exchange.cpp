#include "link/frame_exchange.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "console/log.h"
#include "link/wall_clock.h"

using Clock = std::chrono::steady_clock;

FrameResult send_frame(int link, const uint8_t* frame, size_t length, std::string* held,
                       int timeout_seconds) {
    if (length == 0) return {FrameResult::FAILED, 0};
    // The send is tried first and waited for only when the link is full.
    const Deadline deadline = Clock::now() + std::chrono::seconds(timeout_seconds);
    size_t sent = 0;
    while (sent < length) {
        if (interrupted()) return {FrameResult::FAILED, sent};
        ssize_t n = send(link, frame + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) return {FrameResult::FAILED, sent};
        if (held != nullptr) put_out(*held);  // no line is held while the link is awaited
        int ready = wait_until_ready(link, POLLOUT, deadline);
        if (ready <= 0 && !(ready < 0 && errno == EINTR && !interrupted())) {
            return {FrameResult::FAILED, sent};
        }
    }
    return {FrameResult::FRAME, sent};
}

FrameResult send_whole_frame(int link, const uint8_t* frame, size_t length, std::string* held,
                             int timeout_seconds) {
    FrameResult sent = send_frame(link, frame, length, held, timeout_seconds);
    if (held != nullptr) put_out(*held);
    if (!sent.is_frame() && !interrupted()) log_error("%s\n", "tcp write failed.");
    return sent;
}

FrameResult send_request(int link, const pb_msgdesc_t* fields, const void* record,
                         FrameFormat format, FrameBuffer& frame_buffer, int timeout_seconds) {
    FrameResult packed = pack_request(fields, record, format, frame_buffer);
    if (!packed.is_frame()) return packed;
    return send_whole_frame(link, frame_buffer.data(), packed.length, nullptr, timeout_seconds);
}

namespace {

FrameResult hand_out(FrameStream& stream, FrameBuffer& buffer, size_t count,
                     FrameResult::Kind kind) {
    std::memcpy(buffer.data(), stream.bytes.data() + stream.begin, count);
    stream.begin += count;
    return {kind, count, stream.last_read_at, stream.last_read_wall_us};
}

}  // namespace

ReadResult read_available(FrameStream& stream) {
    if (stream.begin > 0) {
        std::memmove(stream.bytes.data(), stream.bytes.data() + stream.begin,
                     stream.end - stream.begin);
        stream.end -= stream.begin;
        stream.begin = 0;
    }
    for (;;) {
        ssize_t n =
            read(stream.link, stream.bytes.data() + stream.end, stream.bytes.size() - stream.end);
        if (n < 0 && errno == EINTR && !interrupted()) continue;
        if (n < 0 && errno == EAGAIN) return {ReadResult::NOTHING, 0};
        if (n < 0) return {ReadResult::FAILED, 0};
        if (n == 0) return {ReadResult::CLOSED, 0};
        stream.end += static_cast<size_t>(n);
        stream.last_read_at = Clock::now();
        stream.last_read_wall_us = wall_clock_microseconds();
        return {ReadResult::BYTES, static_cast<size_t>(n)};
    }
}

FrameResult take_held_frame(FrameStream& stream, FrameBuffer& buffer) {
    if (stream.framing_lost) return {FrameResult::FAILED, 0};
    const FrameFormat format = stream.format;
    size_t held = stream.end - stream.begin;
    if (held < format.header_size) return {FrameResult::PENDING, 0};
    uint32_t payload = read_header(stream.bytes.data() + stream.begin, format);
    if (payload > format.max_payload) {
        // No buffer can hold this frame and its end cannot be found.
        stream.framing_lost = true;
        FrameResult lost =
            hand_out(stream, buffer, std::min(held, FRAME_BUFFER_SIZE), FrameResult::FRAMING_LOST);
        stream.begin = stream.end = 0;
        return lost;
    }
    if (held < format.header_size + payload) return {FrameResult::PENDING, 0};
    return hand_out(stream, buffer, format.header_size + payload, FrameResult::FRAME);
}

FrameResult receive_frame(FrameStream& stream, FrameBuffer& buffer) {
    // A frame already held needs no clock.
    FrameResult held = take_held_frame(stream, buffer);
    if (held.kind != FrameResult::PENDING) return held;
    const Deadline deadline = stream.timeout_seconds < 0
                                  ? Deadline::max()
                                  : Clock::now() + std::chrono::seconds(stream.timeout_seconds);
    for (;;) {
        int polled = wait_until_ready(stream.link, POLLIN, deadline);
        if (polled < 0 && errno == EINTR && !interrupted()) continue;
        if (polled <= 0) return {FrameResult::FAILED, 0};  // the time-out, or a signal
        ReadResult read = read_available(stream);
        if (read.kind == ReadResult::CLOSED) return {FrameResult::CLOSED, 0};
        if (read.kind == ReadResult::FAILED) return {FrameResult::FAILED, 0};
        held = take_held_frame(stream, buffer);
        if (held.kind != FrameResult::PENDING) return held;
    }
}

void log_received(const FrameResult& received, std::string* held) {
    log_to(held, "INFO", "rev len: %d \n", logged_length(received));
}

FrameResult receive_reply(FrameStream& stream, FrameBuffer& reply_buffer, std::string* held) {
    FrameResult received = receive_frame(stream, reply_buffer);
    log_received(received, held);
    return received;
}

FrameResult take_answer(FrameStream& stream, FrameBuffer& reply_buffer, std::string* held) {
    FrameResult answer = receive_reply(stream, reply_buffer, held);
    if (answer.kind == FrameResult::FRAMING_LOST) {
        log_to(held, "ERROR", "%s\n", "reply frame too long: the link has lost its framing.");
    } else if (!answer.is_frame() && !interrupted()) {
        log_to(held, "ERROR", "%s\n", "tcp read failed.");
    }
    return answer;
}
