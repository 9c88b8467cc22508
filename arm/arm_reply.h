// The main arm's answer to a command: its record, with `id` held in it (a
// text of at most 1023 bytes), and the buffer its `error` text arrives in,
// bound when the answer is made. It is not copied: the record points at its
// buffer.
#pragma once

#include <cstddef>

#include "arm.pb.h"
#include "link/frame.h"
#include "proto/text_buffer.h"

struct ArmReply {
    ArmReply();
    ArmReply(const ArmReply&) = delete;
    ArmReply& operator=(const ArmReply&) = delete;

    MainArmResponseMsg record{};
    text_buffer error;
};

// Check the answer frame of `length` bytes and decode it into `reply`, its
// error text emptied first. On failure logs as unpack_reply() does and
// returns false.
bool unpack_arm_reply(ArmReply& reply, const FrameBuffer& frame, size_t length);

// True when the answer reports an error: an error text, or a result of
// success: false.
bool arm_reply_reports_error(const ArmReply& reply);

// Log "req type: %u\n\n", then "id: %s\n\n" or "success: %d\n\n" (whichever
// came last) and "error: %s\n\n" when the error text is not empty, each text
// made safe to print.
void print_arm_reply(const ArmReply& reply);
