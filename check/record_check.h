// What a record file will do to the signal board, read before it gets there:
// `board_replay --check FILE`.
//
// The file is loaded with the replayer's own rules and limits; nothing is
// sent and no socket is made. Each step is shown in the text format that
// board_sim logs and --request reads, and flagged when it would throw the
// board off; a summary follows:
//
//     step 1: delay 2 s, 4 bytes: platform_cmd: GET_FIRMWARE_VERSION
//     step 2: delay 0 s, 7 bytes: chassis { cmd: UNLOCK } FLAGGED: the header
//             declares 7 bytes where 5 follow          (one line)
//     step 3: delay -1 s, 2 bytes: (empty request)
//     steps: 3
//     replay time: 2 s, the sum of the delays up to the end
//     flagged: 1
//
// A step is flagged when its header does not equal the bytes that follow it,
// when the frame is longer than the board's 1024-byte buffer, when the payload
// does not decode as a CleaningComponentRequest, or when it carries a field
// that the schema does not know. An empty request (what an invalid menu choice
// sends) is shown as such, not flagged. Steps after the one with a negative
// delay are shown and checked too, marked as not sent. An answer kept with a
// step is shown on a line of its own after it, in the text format, and the
// step is flagged when that answer cannot be read, fails the size check or
// does not decode:
//
//     step 1: delay 2 s, 4 bytes: platform_cmd: GET_FIRMWARE_VERSION
//       answer: resp_id: 1 version_info { version: "VOSTREL-SIM signal board 1.0.0" }
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "record/record_format.h"

struct StepCheck {
    std::string words;    // the request in words, or "hex ..." when it does not decode
    std::string flagged;  // why the step would throw the board off ("" when it would not)
};

// Check one recorded frame.
StepCheck check_step(const Action& action);

// Why the frame's 2-byte header does not declare the bytes that follow it
// ("the header declares 7 bytes where 5 follow", "shorter than its 2-byte
// header"), or "" when it does. An empty frame has no header to be wrong.
std::string header_fault(const std::vector<uint8_t>& frame);

// Check the answer kept with a step (board_recorder --keep-answers): the
// answer in the text format, or flagged when it cannot be read, fails the
// size check or does not decode as a CleaningComponentResponse.
StepCheck check_answer(const Action& action);

// What --check shows of step `number` (from 1): its line, `suffix` before the
// line break, and for an entry with an answer the line "  answer: TEXT";
// `flagged` tells whether either is flagged.
std::string step_lines(const Action& action, size_t number, const std::string& suffix,
                       bool& flagged);

// Load `path`, print the steps and the summary on standard output and give
// the exit status: 0 when no step is flagged; 3 when the file cannot be
// loaded (its reason logged as for a replay) or a step is flagged.
int check_record_file(const std::string& path);
