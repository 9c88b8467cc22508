// A request message as it is typed in the text format (text_reader.h), from
// the same field tables the reader uses: each field with its type, the names
// an enumerated field takes, sub-messages indented in braces, repeated
// fields and oneof members marked. What `--describe` prints:
//
//     MainArmRequestMsg:
//       req_type: uint32 (GET_ID, ARM_INIT, ARM_ENABLE, ...)
//       angles {
//         angle: double, repeated (at most 6)
//       }
//       enable: bool
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
