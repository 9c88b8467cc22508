// A message as it is typed in the text format (text_reader.h) and shown, from
// the same field tables the reader uses: each field with its number and its
// type, the names an enumerated field takes, sub-messages indented in
// braces, repeated fields and oneof members marked (an answer's strings,
// which arrive through a callback, are listed too). What `--describe` prints:
//
//     MainArmRequestMsg:
//       req_type = 1: uint32 (GET_ID, ARM_INIT, ARM_ENABLE, ...)
//       angles = 3 {  [oneof payload]
//         angle = 1: double, repeated (at most 6)
//       }
//       enable = 2: bool  [oneof payload]
#pragma once

#include <pb.h>

#include <string>

// The fields of the message `descriptor`, one line each, with what the
// message is called on the first line. `record` is a cleared record of the
// message's type, only for the addresses of its sub-messages.
std::string describe_message(const pb_msgdesc_t* descriptor, const void* record);

// "spare_1, platform_cmd, motor_3, ...": the fields the text format sets in
// the message `descriptor`, for an error.
std::string field_list(const pb_msgdesc_t* descriptor);
