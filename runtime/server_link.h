// Start-up shared by every program: banner, command line, exit statuses and
// the one TCP connection to the controller.
//
// Command lines (arguments after the program name):
//     board_console, board_recorder, arm_console, arm_monitor   [SERVER PORT]
//     board_replay                                              [SERVER PORT] RECORD_FILE
// SERVER is a dotted-decimal IPv4 address, never looked up; PORT a plain decimal
// number from 1 to 65535. Without them the compiled-in defaults are used.
// -h or --help as the only argument prints the usage.
#pragma once

#include <cstdint>
#include <string>

// Exit statuses of every program.
constexpr int STATUS_OK = 0;
constexpr int STATUS_LINK_FAILED = 1;      // socket, time-out options or connection
constexpr int STATUS_EXCHANGE_FAILED = 2;  // encoding, write, no reply, link closed, bad reply
constexpr int STATUS_RECORD_FILE_FAILED = 3;
constexpr int STATUS_INPUT_ENDED = 4;    // standard input ended before a command was complete
constexpr int STATUS_OUTPUT_FAILED = 5;  // standard output could not be written (arm_monitor)
constexpr int STATUS_INTERRUPTED = 130;  // Ctrl-C; SIGTERM gives 143 and SIGHUP 129
constexpr int STATUS_BAD_ARGUMENTS = 255;

// Fixed addresses of the two controllers on the robot's network.
extern const char* const BOARD_DEFAULT_ADDRESS;
extern const char* const ARM_DEFAULT_ADDRESS;

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

// Log "Vostrel. Build date: %s" with the program's build date (__DATE__).
void print_banner(const char* build_date);

// The usage text of a program, one line per form and argument.
std::string usage_text(const CommandLineForm& form);

// Read the arguments. A wrong count logs "err arg input", a bad port or address
// an ERROR line naming it; both then print the usage and give status 255. A
// lone -h or --help prints the usage and gives status 0.
CommandLine parse_command_line(int argc, const char* const* argv, const CommandLineForm& form);

// Log the server line, create the socket with its 15-second receive and send
// time-outs and connect. Returns the connected socket, or -1 after the failure
// has been reported (the program then ends with STATUS_LINK_FAILED).
int connect_to_server(const CommandLine& command_line);
