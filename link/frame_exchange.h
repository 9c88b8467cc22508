// Frame exchange over a link: requests sent whole, replies taken frame by
// frame from the byte stream.
//
// TCP may split a frame over several reads or merge several into one read, so
// replies are taken from the byte stream: a header, then exactly the payload
// it declares. Bytes beyond that frame wait in the FrameStream for the next
// call. A header that declares more than the largest payload cannot be waited
// for: the stream has lost its framing and no later frame can be found in it.
// Every wait goes through wait_until_ready(), bounded by the link time-out.
//
// A read is made only when no whole frame is held, so every frame handed out
// was completed by the stream's last read: its FrameResult carries that
// read's time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "console/interrupt.h"
#include "link/frame.h"
#include "link/link_timeout.h"

// Write the `length` bytes of `frame`, continuing partial writes, within
// `timeout_seconds`: FRAME, or FAILED when the link failed (closed, reset,
// the time-out, a signal) or there was nothing to write. Never raises
// SIGPIPE. The lines in `held`, when given, are written out before it waits
// for room on the link.
FrameResult send_frame(int link, const uint8_t* frame, size_t length, std::string* held = nullptr,
                       int timeout_seconds = LINK_TIMEOUT_SECONDS);

// send_frame, then the lines in `held` (when given) written out, then
// "tcp write failed." logged when it failed (unless a signal cut it short).
// A request goes out before the lines that tell of it, so that the peer
// works on it while they are written.
FrameResult send_whole_frame(int link, const uint8_t* frame, size_t length,
                             std::string* held = nullptr,
                             int timeout_seconds = LINK_TIMEOUT_SECONDS);

// pack_request, then send_whole_frame: the whole request on its way. FRAME,
// NOT_ENCODED (nothing sent) or FAILED (logged).
FrameResult send_request(int link, const pb_msgdesc_t* fields, const void* record,
                         FrameFormat format, FrameBuffer& frame_buffer,
                         int timeout_seconds = LINK_TIMEOUT_SECONDS);

// The frames that come in on one link (replies, reports, or a simulator's
// requests): bytes received and not yet handed out as a frame. It holds its
// buffer, 64 KiB: made where it is used, never copied.
struct FrameStream {
    FrameStream() = default;
    FrameStream(int link_, FrameFormat format_) : link(link_), format(format_) {}
    FrameStream(const FrameStream&) = delete;
    FrameStream& operator=(const FrameStream&) = delete;

    int link = -1;
    FrameFormat format = BOARD_FRAME;
    std::array<uint8_t, 64 * FRAME_BUFFER_SIZE> bytes{};  // room for a burst of frames per read
    size_t begin = 0;
    size_t end = 0;
    bool framing_lost = false;                   // once set, every later call fails at once
    int timeout_seconds = LINK_TIMEOUT_SECONDS;  // for a whole frame; < 0: no limit
    // When the last read that brought bytes came back (see FrameResult).
    std::chrono::steady_clock::time_point last_read_at{};
    int64_t last_read_wall_us = 0;
};

// What one read of a link gave.
struct ReadResult {
    enum Kind {
        BYTES,    // `count` bytes, now held in the stream
        NOTHING,  // nothing to read after all
        CLOSED,   // the peer closed the link
        FAILED,   // the read failed (reset, say)
    };
    Kind kind = FAILED;
    size_t count = 0;
};

// One read of what the link holds now, without waiting, into the free end of
// the stream's bytes (the caller has seen it ready); take_held_frame() finds
// the frames in them.
ReadResult read_available(FrameStream& stream);

// A frame from the bytes held already, without reading or waiting: FRAME,
// FRAMING_LOST (with the bytes held so far, at most 1024, a frame that fails
// unpack_reply's size check), PENDING when no whole frame is held, or FAILED
// once the framing is lost.
FrameResult take_held_frame(FrameStream& stream, FrameBuffer& buffer);

// Take exactly one frame off the link into `buffer`, reading and waiting up to
// the stream's timeout_seconds for it to be complete: what take_held_frame()
// gives but PENDING, CLOSED, or FAILED (a frame not complete by then too).
FrameResult receive_frame(FrameStream& stream, FrameBuffer& buffer);

// Log "rev len: %d" with logged_length() (into `held` when given, see log_to()).
void log_received(const FrameResult& received, std::string* held = nullptr);

// receive_frame, then log_received() (into `held` when given).
FrameResult receive_reply(FrameStream& stream, FrameBuffer& reply_buffer,
                          std::string* held = nullptr);

// receive_reply for a run that cannot go on without its answer (recording,
// replaying): logs "tcp read failed." when none came (unless a signal cut
// the wait short) and "reply frame too long: the link has lost its framing."
// when its header was impossible (into `held` when given). FRAME when a
// whole frame is in the buffer.
FrameResult take_answer(FrameStream& stream, FrameBuffer& reply_buffer,
                        std::string* held = nullptr);
