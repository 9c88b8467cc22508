// What a controller on this machine does with a request frame: decode it, and
// send the answer back as a frame of its own.
#pragma once

#include <pb.h>

#include <cstddef>

#include "link/frame.h"

// Decode the payload of the request frame of `length` bytes into `record`
// (cleared first). Logs "undecodable request: WHY" when it does not decode.
bool decode_request(const FrameBuffer& frame, size_t length, FrameFormat format,
                    const pb_msgdesc_t* fields, void* record);

// Encode `record` as a frame and send it whole; with `show`, log it first as
// "answer: HEX". Logs "the answer could not be sent" when it could not.
bool send_answer(int client, const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                 bool show);
