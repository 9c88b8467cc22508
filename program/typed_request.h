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

#include <optional>
#include <string>

#include "link/frame.h"
#include "program/command_line.h"

// The options of a one-shot console.
struct ConsoleOptions {
    std::optional<std::string> request;  // --request TEXT
    std::optional<std::string> encode;   // --encode TEXT
    bool describe = false;               // --describe
    bool fail_on_error = false;          // --fail-on-error: status 7 for an error answer
};

// The command line of a one-shot console: [--request TEXT] [--fail-on-error]
// [SERVER PORT], --encode TEXT, --describe.
CommandLineForm<ConsoleOptions> console_form(const char* program, const char* default_address,
                                             int32_t default_port);

struct TypedRequest {
    Outcome outcome;     // ends: --encode printed, or the text refused
    bool given = false;  // --request TEXT was read into the record
};

// Read --request or --encode, if given, into `record` (cleared) of the
// message `fields`, framed as `format` says.
TypedRequest read_typed_request(const ConsoleOptions& options, const pb_msgdesc_t* fields,
                                void* record, FrameFormat format);
