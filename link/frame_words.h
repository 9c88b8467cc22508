// A signal-board request frame in words, as board_sim, board_replay --check
// and the stand-in (board_sim --play) show it: its payload (the bytes after
// the 2-byte header) in the text format (prototext/board_request_text.h),
// or, when the frame is too short or its payload does not decode as a
// request, its bytes as hex:
//
//     chassis { cmd: UNLOCK }
//     hex 0500920102
//     (no bytes)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::string board_frame_words(const uint8_t* frame, size_t length);
