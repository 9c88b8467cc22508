// Frame exchange: requests out, replies in, both as length-prefixed frames.
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
//
// TCP may split a frame over several reads or merge several into one read, so
// replies are taken from the byte stream: a header, then exactly the payload
// it declares. Bytes beyond that frame wait in the ReplyStream for the next
// call. A header that declares more than the largest payload cannot be waited
// for: the stream has lost its step and no later frame can be found in it.
#pragma once

#include <pb.h>
#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>

constexpr size_t FRAME_BUFFER_SIZE = 1024;
using FrameBuffer = std::array<uint8_t, FRAME_BUFFER_SIZE>;

// How long a reply may take to arrive whole, and a write to go out.
constexpr int LINK_TIMEOUT_SECONDS = 15;

struct FrameFormat {
    size_t header_size;
    bool big_endian;
    size_t max_payload;  // FRAME_BUFFER_SIZE - header_size
};

constexpr FrameFormat BOARD_FRAME{2, false, FRAME_BUFFER_SIZE - 2};
constexpr FrameFormat ARM_FRAME{4, true, FRAME_BUFFER_SIZE - 4};

// The payload length in the header at the start of `frame`.
uint32_t read_header(const uint8_t* frame, FrameFormat format);
void write_header(uint8_t* frame, uint32_t payload_length, FrameFormat format);

// Encode `record` behind the header in `frame_buffer`, write the header and
// log "packing protobuf msg", the payload length, the frame length and the
// frame's hex text. Returns the frame length, or -1 after logging
// "pb_encode failed" (nothing is then fit to send).
int pack_request(const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                 FrameBuffer& frame_buffer);

// What pack_request does, without its log lines (for a peer that answers).
int encode_frame(const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                 FrameBuffer& frame_buffer);

// Write the `length` bytes of `frame`, continuing partial writes. Returns
// `length`, 0 when there is nothing to write, or -1 when the link failed (closed,
// reset, send time-out, Ctrl-C). Never raises SIGPIPE.
ssize_t send_frame(int link, const uint8_t* frame, size_t length);

// pack_request, then send_frame: the whole request on its way. Returns the
// frame length; -1 when encoding failed (nothing sent); 0 when the write
// failed, after logging "tcp write failed." (unless Ctrl-C cut it short).
int send_request(int link, const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                 FrameBuffer& frame_buffer);

// One whole exchange of a one-shot console: send_request, one reply frame,
// unpack_reply into `reply` (prepared by the caller: cleared, strings bound).
// Returns false when any step failed (each failure logged where it happened).
bool exchange_request(int link, const pb_msgdesc_t* request_fields, const void* request,
                      const pb_msgdesc_t* reply_fields, void* reply, FrameFormat format);

// Bytes received from one link and not yet handed out as a frame.
struct ReplyStream {
    int link = -1;
    FrameFormat format = BOARD_FRAME;
    std::array<uint8_t, 8 * FRAME_BUFFER_SIZE> bytes{};
    size_t begin = 0;
    size_t end = 0;
    bool lost_step = false;                      // a header declared more than format.max_payload
    int timeout_seconds = LINK_TIMEOUT_SECONDS;  // for a whole frame; < 0: no limit
};

// A stream for the frames that come in on `link`.
ReplyStream reply_stream(int link, FrameFormat format);

// Take exactly one frame off the link into `reply_buffer` and log "rev len: %d"
// with its length, header included. Waits up to the stream's timeout_seconds
// for the frame to be complete. Returns:
//   > 0  the frame's length;
//   0    the link was closed before a frame was complete;
//   -1   read failure, time-out or Ctrl-C before a frame was complete;
// each logged as the result. A header that declares too long a payload gives
// the bytes held so far (at most 1024, a frame that fails unpack_reply's size
// check) and sets lost_step; every later call then returns -1 at once.
int receive_reply(ReplyStream& stream, FrameBuffer& reply_buffer);

// What receive_reply does, without its log line (for a peer that serves frames).
int receive_frame(ReplyStream& stream, FrameBuffer& buffer);

// Check the frame of `count` bytes against its header and decode its payload
// into `record`. On failure logs "msg size err: total:%d, msg len:%u" or
// "pb_decode failed", then "decode failed!", and returns false.
bool unpack_reply(const FrameBuffer& reply_buffer, int count, const pb_msgdesc_t* fields,
                  void* record, FrameFormat format);
