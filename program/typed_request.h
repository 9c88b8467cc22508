// A request typed in the text format (prototext/text_reader.h) instead of
// walked through the menus, for the one-shot consoles:
//     --request TEXT [SERVER PORT]   send it, with nothing else changed
//     --encode TEXT                  print its frame, header included, as
//                                    lower-case hex on one line (as a record
//                                    file holds it) and connect to nothing
// TEXT is refused before any socket, with status 255 and an ERROR line
// naming the option, the line and column, and what was expected; so is a
// request whose frame would not fit the controller's buffer.
#pragma once

#include <pb.h>

#include "link/frame.h"
#include "program/command_line.h"

inline constexpr OptionForm REQUEST_OPTION{
    "--request",
    "TEXT",
    "send this request, in protobuf text format, instead of a menu choice",
    false,
    {ValueRule::TEXT}};
inline constexpr OptionForm ENCODE_OPTION{
    "--encode",
    "TEXT",
    "print the frame of this request as hex and connect to nothing",
    true,
    {ValueRule::TEXT},
    true};

struct TypedRequest {
    Outcome outcome;     // ends: --encode printed, or the text refused
    bool given = false;  // --request TEXT was read into the record
};

// Read --request or --encode of `command_line`, if given, into `record`
// (cleared) of the message `fields`, framed as `format` says.
TypedRequest read_typed_request(const CommandLine& command_line, const pb_msgdesc_t* fields,
                                void* record, FrameFormat format);
