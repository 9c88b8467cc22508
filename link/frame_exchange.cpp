#include "link/frame_exchange.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "console/interrupt.h"
#include "console/log.h"
#include "console/number_text.h"
#include "link/wall_clock.h"

FrameResult send_frame(int link, const uint8_t* frame, size_t length) {
    if (length == 0) return {FrameResult::FAILED, 0};
    // The send is tried first and waited for only when the link is full.
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(LINK_TIMEOUT_SECONDS);
    size_t sent = 0;
    while (sent < length) {
        if (interrupted()) return {FrameResult::FAILED, sent};
        ssize_t n = send(link, frame + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) return {FrameResult::FAILED, sent};
        int ready = wait_until_ready(link, POLLOUT, deadline);
        if (ready <= 0 && !(ready < 0 && errno == EINTR && !interrupted())) {
            return {FrameResult::FAILED, sent};
        }
    }
    return {FrameResult::FRAME, sent};
}

FrameResult send_request(int link, const pb_msgdesc_t* fields, const void* record,
                         FrameFormat format, FrameBuffer& frame_buffer) {
    FrameResult packed = pack_request(fields, record, format, frame_buffer);
    if (!packed.is_frame()) return packed;
    FrameResult sent = send_frame(link, frame_buffer.data(), packed.length);
    if (!sent.is_frame() && !interrupted()) log_error("%s\n", "tcp write failed.");
    return sent;
}

namespace {

using Clock = std::chrono::steady_clock;

// What one read gave: FRAME with the bytes read, CLOSED or FAILED; `again`
// when there was nothing to read yet.
FrameResult read_once(FrameStream& stream, bool& again) {
    const size_t room = stream.bytes.size() - stream.end;
    ssize_t n = read(stream.link, stream.bytes.data() + stream.end, room);
    stream.last_read_filled = n > 0 && static_cast<size_t>(n) == room;
    again = n < 0 && (errno == EINTR || errno == EAGAIN) && !interrupted();
    if (n < 0) return {FrameResult::FAILED, 0};
    if (n == 0) return {FrameResult::CLOSED, 0};
    stream.read_at_us = wall_clock_microseconds();
    return {FrameResult::FRAME, static_cast<size_t>(n)};
}

// One read into the free end of the stream's bytes, waiting no later than
// `deadline`: FRAME with the bytes read, CLOSED or FAILED.
FrameResult read_more(FrameStream& stream, Deadline deadline) {
    if (stream.begin > 0) {
        std::memmove(stream.bytes.data(), stream.bytes.data() + stream.begin,
                     stream.end - stream.begin);
        stream.end -= stream.begin;
        stream.begin = 0;
    }
    bool again = false;
    if (stream.try_read_first && stream.last_read_filled) {
        FrameResult ready = read_once(stream, again);
        if (!again) return ready;
    }
    for (;;) {
        int polled = wait_until_ready(stream.link, POLLIN, deadline);
        if (polled < 0 && errno == EINTR && !interrupted()) continue;
        if (polled <= 0) return {FrameResult::FAILED, 0};
        FrameResult read = read_once(stream, again);
        if (!again) return read;
    }
}

FrameResult hand_out(FrameStream& stream, FrameBuffer& buffer, size_t count,
                     FrameResult::Kind kind) {
    std::memcpy(buffer.data(), stream.bytes.data() + stream.begin, count);
    stream.begin += count;
    return {kind, count};
}

}  // namespace

FrameResult receive_frame(FrameStream& stream, FrameBuffer& buffer) {
    if (stream.framing_lost) return {FrameResult::FAILED, 0};
    const FrameFormat format = stream.format;
    Deadline deadline{};  // set at the first read: a frame already held needs no clock
    for (;;) {
        size_t held = stream.end - stream.begin;
        if (held >= format.header_size) {
            uint32_t payload = read_header(stream.bytes.data() + stream.begin, format);
            if (payload > format.max_payload) {
                // No buffer can hold this frame and its end cannot be found.
                stream.framing_lost = true;
                FrameResult lost = hand_out(stream, buffer, std::min(held, FRAME_BUFFER_SIZE),
                                            FrameResult::FRAMING_LOST);
                stream.begin = stream.end = 0;
                return lost;
            }
            size_t frame_length = format.header_size + payload;
            if (held >= frame_length) {
                return hand_out(stream, buffer, frame_length, FrameResult::FRAME);
            }
        }
        if (deadline == Deadline{}) {
            deadline = stream.timeout_seconds < 0
                           ? Deadline::max()
                           : Clock::now() + std::chrono::seconds(stream.timeout_seconds);
        }
        FrameResult more = read_more(stream, deadline);
        if (!more.is_frame()) return more;
        stream.end += more.length;
    }
}

void log_received(const FrameResult& received) {
    // log_info("rev len: %d \n", ...), formed without printf: the monitor logs it per report.
    thread_local std::string line;
    line.clear();
    append_line_prefix(line, "INFO");
    line += "rev len: ";
    append_decimal(line, logged_length(received));
    line += " \n";
    write_lines(line);
}

FrameResult receive_reply(FrameStream& stream, FrameBuffer& reply_buffer) {
    FrameResult received = receive_frame(stream, reply_buffer);
    log_received(received);
    return received;
}

bool take_answer(FrameStream& stream, FrameBuffer& reply_buffer) {
    FrameResult answer = receive_reply(stream, reply_buffer);
    if (answer.kind == FrameResult::FRAMING_LOST) {
        log_error("%s\n", "reply frame too long: the link has lost its framing.");
    } else if (!answer.is_frame() && !interrupted()) {
        log_error("%s\n", "tcp read failed.");
    }
    return answer.is_frame();
}

bool exchange_request(int link, const pb_msgdesc_t* request_fields, const void* request,
                      const pb_msgdesc_t* reply_fields, void* reply, FrameFormat format) {
    FrameBuffer frame_buffer{};
    FrameBuffer reply_buffer{};
    if (!send_request(link, request_fields, request, format, frame_buffer).is_frame()) return false;
    FrameStream replies(link, format);
    FrameResult answer = receive_reply(replies, reply_buffer);
    if (answer.kind != FrameResult::FRAME && answer.kind != FrameResult::FRAMING_LOST) return false;
    return unpack_reply(reply_buffer, answer.length, reply_fields, reply, format);
}
