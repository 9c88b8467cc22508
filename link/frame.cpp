#include "link/frame.h"

#include <pb_decode.h>
#include <pb_encode.h>

#include "console/hex_text.h"
#include "console/log.h"

int logged_length(const FrameResult& result) {
    switch (result.kind) {
        case FrameResult::FRAME:
        case FrameResult::FRAMING_LOST:
            return static_cast<int>(result.length);
        case FrameResult::CLOSED:
            return 0;
        default:
            return -1;
    }
}

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

FrameResult encode_frame(const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                         FrameBuffer& frame_buffer) {
    pb_ostream_t stream =
        pb_ostream_from_buffer(frame_buffer.data() + format.header_size, format.max_payload);
    if (!pb_encode(&stream, fields, record)) return {FrameResult::NOT_ENCODED, 0};
    write_header(frame_buffer.data(), static_cast<uint32_t>(stream.bytes_written), format);
    return {FrameResult::FRAME, stream.bytes_written + format.header_size};
}

FrameResult pack_request(const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                         FrameBuffer& frame_buffer) {
    log_info("%s\n", "packing protobuf msg");
    FrameResult packed = encode_frame(fields, record, format, frame_buffer);
    if (!packed.is_frame()) {
        log_error("%s\n", "pb_encode failed");
        return packed;
    }
    log_info("pb encode len:%d\n", static_cast<int>(packed.length - format.header_size));
    log_info("total len:%d\n", static_cast<int>(packed.length));
    log_info("hex raw: %s\n", to_hex_text(frame_buffer.data(), packed.length).c_str());
    return packed;
}

Unpacked decode_reply(const FrameBuffer& reply_buffer, size_t count, const pb_msgdesc_t* fields,
                      void* record, FrameFormat format) {
    uint32_t payload = read_header(reply_buffer.data(), format);
    if (count < format.header_size || payload != count - format.header_size) {
        return Unpacked::WRONG_SIZE;
    }
    pb_istream_t stream = pb_istream_from_buffer(reply_buffer.data() + format.header_size, payload);
    return pb_decode(&stream, fields, record) ? Unpacked::DECODED : Unpacked::UNDECODABLE;
}

void log_undecoded(Unpacked why, const FrameBuffer& reply_buffer, size_t count, FrameFormat format,
                   std::string* held) {
    if (why == Unpacked::DECODED) return;
    if (why == Unpacked::WRONG_SIZE) {
        log_to(held, "ERROR", "msg size err: total:%d, msg len:%u\n", static_cast<int>(count),
               read_header(reply_buffer.data(), format));
    } else {
        log_to(held, "ERROR", "%s\n", "pb_decode failed");
    }
    log_to(held, "ERROR", "%s\n", "decode failed!");
}

bool unpack_reply(const FrameBuffer& reply_buffer, size_t count, const pb_msgdesc_t* fields,
                  void* record, FrameFormat format, std::string* held) {
    const Unpacked why = decode_reply(reply_buffer, count, fields, record, format);
    log_undecoded(why, reply_buffer, count, format, held);
    return why == Unpacked::DECODED;
}
