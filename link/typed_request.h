// A request typed in the text format (proto/text_format.h) instead of walked
// through the menus, for the one-shot consoles:
//     --request TEXT [SERVER PORT]   send it, with nothing else changed
//     --encode TEXT                  print its frame, header included, as
//                                    lower-case hex on one line (as a record
//                                    file holds it) and connect to nothing
// TEXT is refused before any socket, with status 255 and an ERROR line
// naming the option, the line and column, and what was expected; so is a
// request whose frame would not fit the controller's buffer.
#pragma once

#include <pb.h>

#include "console/command_line.h"
#include "link/frame.h"

extern const OptionForm REQUEST_OPTION;
extern const OptionForm ENCODE_OPTION;

struct TypedRequest {
    bool given = false;  // --request TEXT was read into the record
    bool done = false;   // end the program now with `status` (--encode, or a refusal)
    int status = STATUS_OK;
};

// Read --request or --encode of `command_line`, if given, into `record`
// (cleared) of the message `fields`, framed as `format` says.
TypedRequest read_typed_request(const CommandLine& command_line, const pb_msgdesc_t* fields,
                                void* record, FrameFormat format);

// The start of a one-shot console that takes a typed request: the program's
// start (begin_program), --request or --encode, then the connection. `link`
// is the connected link, or -1: end the program now with `status`. `typed`
// tells that `record` holds the request typed with --request.
struct ConsoleStart {
    int link = -1;
    int status = STATUS_OK;
    bool typed = false;
};
ConsoleStart start_console(int argc, const char* const* argv, const CommandLineForm& form,
                           const char* build_date, const pb_msgdesc_t* fields, void* record,
                           FrameFormat format);
