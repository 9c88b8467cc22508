// Command lines of the tools (arguments after the program name):
//     board_console, board_recorder, arm_console, arm_monitor   [SERVER PORT]
//     board_replay                                              [SERVER PORT] RECORD_FILE
// SERVER is a dotted-decimal IPv4 address, never looked up; PORT a plain decimal
// number from 1 to 65535. Without them the compiled-in defaults are used.
// -h or --help as the only argument prints the usage.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/exit_status.h"

struct CommandLineForm {
    const char* program = "";
    const char* default_address = "";
    int32_t default_port = 0;
    bool takes_record_path = false;
};

struct CommandLine {
    std::string server_address;
    int32_t server_port = 0;
    std::string record_path;  // board_replay only
    bool proceed = false;     // false: end the program now with `status`
    int status = STATUS_OK;
};

// The usage text of a program, one line per form and argument.
std::string usage_text(const CommandLineForm& form);

// Read the arguments. A wrong count logs "err arg input", a bad port or address
// an ERROR line naming it; both then print the usage and give status 255. A
// lone -h or --help prints the usage and gives status 0.
CommandLine parse_command_line(int argc, const char* const* argv, const CommandLineForm& form);

// A plain decimal number from `low` to `high`: digits only, no sign, no
// blanks (ports, rates). False, `value` untouched, for anything else.
bool parse_whole_number(const char* text, long low, long high, long& value);

// True for a dotted-decimal IPv4 address ("127.0.0.1"; no names, no shorthand).
bool is_ipv4_address(const char* text);
