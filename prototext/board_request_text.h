// A signal-board request in words, as board_sim logs each request it
// receives and board_replay --check shows each step of a record file: on one
// line of the text format (text_writer.h), which --request and --encode read
// back:
//
//     power_cmd { channel: POWER_CHASSIS on_off: POWER_ON }
#pragma once

#include <cstdint>
#include <string>

#include "board.pb.h"

// True when the request carries fields that no console sets (spare_1, the
// motor_3 ... motor_20 fields, spare_14, spare_15).
bool has_unused_fields(const CleaningComponentRequest& request);

// The whole request in the text format, "(empty request)" when nothing is
// set; a request with fields that no console sets ends in the comment
// "# with fields no console sends".
std::string describe_request(const CleaningComponentRequest& request);
