// The signal board's answer: its record and the buffers its two strings
// arrive in (`version` of version_info, `message` of error_info), bound when
// the answer is made. It is not copied: the record points at its buffers.
#pragma once

#include <cstddef>
#include <string>

#include "board.pb.h"
#include "link/frame.h"
#include "proto/text_buffer.h"

struct BoardReply {
    BoardReply();
    BoardReply(const BoardReply&) = delete;
    BoardReply& operator=(const BoardReply&) = delete;

    CleaningComponentResponse record{};
    text_buffer version;
    text_buffer error;
};

// Check the answer frame of `length` bytes and decode it into `reply`, whose
// texts are emptied first. On failure logs as unpack_reply() does and
// returns false.
bool unpack_board_reply(BoardReply& reply, const FrameBuffer& frame, size_t length);

// The same without a line: for an answer that is only compared or described.
bool decode_board_reply(BoardReply& reply, const FrameBuffer& frame, size_t length);

// The answer on one line of the text format, strings included, as the
// simulators show requests: "resp_id: 3 version_info { version: \"1.0\" }";
// "(empty answer)" when nothing is set.
std::string board_reply_text(const BoardReply& reply);

// True when the answer reports an error: error_info with a non-zero code or
// a message.
bool board_reply_reports_error(const BoardReply& reply);

// Log "resp_id:%d \n", then "version: %s\n\n" when version_info is present and
// "error: %s\n" (at INFO) when error_info is present, each text made safe to
// print.
void print_board_reply(const BoardReply& reply);
