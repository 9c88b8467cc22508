// Frames: requests out, replies in, both as length-prefixed frames.
//
// A frame is a header holding the payload length (never counting itself)
// followed by the payload, an encoded protocol-buffers message; no trailer, no
// checksum, no message type:
//
//     signal board   [len: u16 little-endian][payload: len <= 1022 bytes]
//     main arm       [len: u32 big-endian   ][payload: len <= 1020 bytes]
//
// A payload of 5 bytes has the header 05 00 or 00 00 00 05. The limits keep a
// frame within 1024 bytes, the size of the fixed buffers that requests are
// encoded into and replies decoded from; nothing is allocated per exchange.
#pragma once

#include <pb.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t FRAME_BUFFER_SIZE = 1024;
using FrameBuffer = std::array<uint8_t, FRAME_BUFFER_SIZE>;

struct FrameFormat {
    size_t header_size;
    bool big_endian;
    size_t max_payload;  // FRAME_BUFFER_SIZE - header_size
};

constexpr FrameFormat BOARD_FRAME{2, false, FRAME_BUFFER_SIZE - 2};
constexpr FrameFormat ARM_FRAME{4, true, FRAME_BUFFER_SIZE - 4};

// What one step of the frame layer gave: a frame (packed, sent or received),
// or why there is none.
struct FrameResult {
    enum Kind {
        FRAME,         // a whole frame of `length` bytes, header included
        NOT_ENCODED,   // the record did not encode within the payload limit: nothing to send
        FAILED,        // the write or read failed, timed out or was cut short by a signal
        CLOSED,        // the peer closed the link before a frame was complete
        FRAMING_LOST,  // a header declared more than the largest payload: the `length`
                       // bytes held so far are handed out, and no later frame can be found
        PENDING,       // no whole frame is held yet: the bytes so far stay held
    };
    Kind kind = FAILED;
    size_t length = 0;
    // A received frame: when the read that completed it came back, on the
    // steady clock and on the wall clock (microseconds since the epoch).
    std::chrono::steady_clock::time_point complete_at{};
    int64_t complete_at_wall_us = 0;

    bool is_frame() const { return kind == FRAME; }
};

// The number that "rev len: %d" shows for a received result: the bytes handed
// out, 0 when the link closed, -1 when the read failed.
int logged_length(const FrameResult& result);

// The payload length in the header at the start of `frame`.
uint32_t read_header(const uint8_t* frame, FrameFormat format);
void write_header(uint8_t* frame, uint32_t payload_length, FrameFormat format);

// Encode `record` behind the header in `frame_buffer` and write the header:
// FRAME with the frame length, or NOT_ENCODED.
FrameResult encode_frame(const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                         FrameBuffer& frame_buffer);

// encode_frame, logging "packing protobuf msg", the payload length, the frame
// length and the frame's hex text, or "pb_encode failed".
FrameResult pack_request(const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                         FrameBuffer& frame_buffer);

// How a received frame decoded.
enum class Unpacked {
    DECODED,
    WRONG_SIZE,   // its header does not declare the bytes that follow it
    UNDECODABLE,  // its payload is not the message
};

// Check the frame of `count` bytes against its header and decode its payload
// into `record`, without a line.
Unpacked decode_reply(const FrameBuffer& reply_buffer, size_t count, const pb_msgdesc_t* fields,
                      void* record, FrameFormat format);

// The lines of a frame that did not decode: "msg size err: total:%d, msg
// len:%u" or "pb_decode failed", then "decode failed!" (into `held` when
// given, see log_to()).
void log_undecoded(Unpacked why, const FrameBuffer& reply_buffer, size_t count, FrameFormat format,
                   std::string* held = nullptr);

// decode_reply(), then log_undecoded() when it failed: true when decoded.
bool unpack_reply(const FrameBuffer& reply_buffer, size_t count, const pb_msgdesc_t* fields,
                  void* record, FrameFormat format, std::string* held = nullptr);
