#include "runtime/frame.h"

#include <pb_decode.h>
#include <pb_encode.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "runtime/interrupt.h"
#include "runtime/log.h"

uint32_t read_header(const uint8_t* frame, FrameFormat format) {
    if (format.big_endian) {
        return (uint32_t{frame[0]} << 24) | (uint32_t{frame[1]} << 16) | (uint32_t{frame[2]} << 8) |
               uint32_t{frame[3]};
    }
    return uint32_t{frame[0]} | (uint32_t{frame[1]} << 8);
}

void write_header(uint8_t* frame, uint32_t payload_length, FrameFormat format) {
    if (format.big_endian) {
        frame[0] = static_cast<uint8_t>(payload_length >> 24);
        frame[1] = static_cast<uint8_t>(payload_length >> 16);
        frame[2] = static_cast<uint8_t>(payload_length >> 8);
        frame[3] = static_cast<uint8_t>(payload_length);
    } else {
        frame[0] = static_cast<uint8_t>(payload_length);
        frame[1] = static_cast<uint8_t>(payload_length >> 8);
    }
}

int encode_frame(const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                 FrameBuffer& frame_buffer) {
    pb_ostream_t stream =
        pb_ostream_from_buffer(frame_buffer.data() + format.header_size, format.max_payload);
    if (!pb_encode(&stream, fields, record)) return -1;
    write_header(frame_buffer.data(), static_cast<uint32_t>(stream.bytes_written), format);
    return static_cast<int>(stream.bytes_written + format.header_size);
}

int pack_request(const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                 FrameBuffer& frame_buffer) {
    log_info("%s\n", "packing protobuf msg");
    int frame_length = encode_frame(fields, record, format, frame_buffer);
    if (frame_length < 0) {
        log_error("%s\n", "pb_encode failed");
        return -1;
    }
    log_info("pb encode len:%d\n", frame_length - static_cast<int>(format.header_size));
    log_info("total len:%d\n", frame_length);
    log_info("hex raw: %s\n", to_hex_text(frame_buffer.data(), frame_length).c_str());
    return frame_length;
}

ssize_t send_frame(int link, const uint8_t* frame, size_t length) {
    size_t sent = 0;
    while (sent < length) {
        int ready = wait_until_ready(link, POLLOUT, LINK_TIMEOUT_SECONDS * 1000);
        if (ready < 0 && errno == EINTR && !interrupted()) continue;
        if (ready <= 0) return -1;
        ssize_t n = send(link, frame + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EAGAIN) continue;
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR && !interrupted()) {
            continue;
        } else {
            return -1;
        }
    }
    return static_cast<ssize_t>(sent);
}

int send_request(int link, const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                 FrameBuffer& frame_buffer) {
    int frame_length = pack_request(fields, record, format, frame_buffer);
    if (frame_length < 0) return -1;
    if (send_frame(link, frame_buffer.data(), static_cast<size_t>(frame_length)) <= 0) {
        if (!interrupted()) log_error("%s\n", "tcp write failed.");
        return 0;
    }
    return frame_length;
}

bool exchange_request(int link, const pb_msgdesc_t* request_fields, const void* request,
                      const pb_msgdesc_t* reply_fields, void* reply, FrameFormat format) {
    FrameBuffer frame_buffer{};
    FrameBuffer reply_buffer{};
    if (send_request(link, request_fields, request, format, frame_buffer) <= 0) return false;
    ReplyStream replies = reply_stream(link, format);
    int count = receive_reply(replies, reply_buffer);
    return count > 0 && unpack_reply(reply_buffer, count, reply_fields, reply, format);
}

ReplyStream reply_stream(int link, FrameFormat format) {
    ReplyStream stream;
    stream.link = link;
    stream.format = format;
    return stream;
}

namespace {

using Clock = std::chrono::steady_clock;

// One read into the free end of the stream's bytes, waiting no later than
// `deadline`. Returns the read's result: > 0 bytes, 0 closed, -1 failed.
ssize_t read_more(ReplyStream& stream, Clock::time_point deadline) {
    if (stream.begin > 0) {
        std::memmove(stream.bytes.data(), stream.bytes.data() + stream.begin,
                     stream.end - stream.begin);
        stream.end -= stream.begin;
        stream.begin = 0;
    }
    for (;;) {
        int wait_ms = -1;
        if (deadline != Clock::time_point::max()) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return -1;
            wait_ms = static_cast<int>(left.count());
        }
        if (interrupted()) return -1;
        int polled = wait_until_ready(stream.link, POLLIN, wait_ms);
        if (polled < 0 && errno == EINTR && !interrupted()) continue;
        if (polled <= 0) return -1;
        ssize_t n =
            read(stream.link, stream.bytes.data() + stream.end, stream.bytes.size() - stream.end);
        if (n < 0 && (errno == EINTR || errno == EAGAIN) && !interrupted()) continue;
        return n < 0 ? -1 : n;
    }
}

int hand_out(ReplyStream& stream, FrameBuffer& buffer, size_t count) {
    std::memcpy(buffer.data(), stream.bytes.data() + stream.begin, count);
    stream.begin += count;
    return static_cast<int>(count);
}

}  // namespace

int receive_frame(ReplyStream& stream, FrameBuffer& buffer) {
    if (stream.lost_step) return -1;
    const FrameFormat format = stream.format;
    Clock::time_point deadline = stream.timeout_seconds < 0
                                     ? Clock::time_point::max()
                                     : Clock::now() + std::chrono::seconds(stream.timeout_seconds);
    for (;;) {
        size_t held = stream.end - stream.begin;
        if (held >= format.header_size) {
            uint32_t payload = read_header(stream.bytes.data() + stream.begin, format);
            if (payload > format.max_payload) {
                // No buffer can hold this frame and its end cannot be found.
                stream.lost_step = true;
                int count = hand_out(stream, buffer, std::min(held, FRAME_BUFFER_SIZE));
                stream.begin = stream.end = 0;
                return count;
            }
            size_t frame_length = format.header_size + payload;
            if (held >= frame_length) return hand_out(stream, buffer, frame_length);
        }
        ssize_t n = read_more(stream, deadline);
        if (n <= 0) return static_cast<int>(n);
        stream.end += static_cast<size_t>(n);
    }
}

int receive_reply(ReplyStream& stream, FrameBuffer& reply_buffer) {
    int count = receive_frame(stream, reply_buffer);
    log_info("rev len: %d \n", count);
    return count;
}

bool unpack_reply(const FrameBuffer& reply_buffer, int count, const pb_msgdesc_t* fields,
                  void* record, FrameFormat format) {
    uint32_t payload = read_header(reply_buffer.data(), format);
    int total = count & 0xffff;
    if (total < static_cast<int>(format.header_size) ||
        payload != static_cast<uint32_t>(total) - format.header_size) {
        log_error("msg size err: total:%d, msg len:%u\n", total, payload);
        log_error("%s\n", "decode failed!");
        return false;
    }
    pb_istream_t stream = pb_istream_from_buffer(reply_buffer.data() + format.header_size, payload);
    if (!pb_decode(&stream, fields, record)) {
        log_error("%s\n", "pb_decode failed");
        log_error("%s\n", "decode failed!");
        return false;
    }
    return true;
}
