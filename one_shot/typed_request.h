// A request typed instead of walked through the menus, for the one-shot
// consoles, in the text format (prototext/text_reader.h) or, when the text
// begins with "{", in the JSON mapping (protojson/json_reader.h): both make
// the same bytes.
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
#include <vector>

#include "link/frame.h"
#include "link/link_timeout.h"
#include "program/command_line.h"

struct MessageKind;

// The options of a one-shot console.
struct ConsoleOptions {
    std::optional<std::string> request;          // --request TEXT
    std::optional<std::string> encode;           // --encode TEXT
    bool describe = false;                       // --describe
    bool fail_on_error = false;                  // --fail-on-error: status 7 for an error answer
    bool json = false;                           // --json: the answer as JSON on standard output
    std::optional<std::string> decode;           // --decode HEX (or another kind's option)
    size_t decode_kind = 0;                      // ... of which kind (message_kinds.h)
    int timeout_seconds = LINK_TIMEOUT_SECONDS;  // --timeout
};

// The command line of a one-shot console: [--request TEXT] [--fail-on-error]
// [--json] [--timeout SECONDS] [SERVER PORT], --encode TEXT, --describe, and
// an option to decode each of `kinds`.
CommandLineForm<ConsoleOptions> console_form(const char* program, const char* default_address,
                                             int32_t default_port,
                                             const std::vector<MessageKind>& kinds);

struct TypedRequest {
    Outcome outcome;     // ends: --encode printed, or the text refused
    bool given = false;  // --request TEXT was read into the record
};

// Read --request or --encode, if given, into `record` (cleared) of the
// message `fields`, framed as `format` says.
TypedRequest read_typed_request(const ConsoleOptions& options, const pb_msgdesc_t* fields,
                                void* record, FrameFormat format);
