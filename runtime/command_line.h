// Command lines of the tools (arguments after the program name):
//     board_console, board_recorder, arm_console   [SERVER PORT]
//     arm_monitor                                  [--csv FILE] [SERVER PORT]
//     board_replay                                 [SERVER PORT] RECORD_FILE
//     board_replay                                 --check RECORD_FILE
// SERVER is a dotted-decimal IPv4 address, never looked up; PORT a plain decimal
// number from 1 to 65535. Without them the compiled-in defaults are used.
// -h or --help as the only argument prints the usage, --version the program's
// name and the project's version.
//
// An argument that starts with "-" is an option, never a file, an address or
// a port: one the program does not know is refused before any connection is
// tried (a file named "-x" is given as "./-x"). An option's value is the next
// argument, which may not start with "-" either.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runtime/exit_status.h"

// An option with a value that a program knows, "--check FILE".
struct OptionForm {
    const char* name = "";      // "--check"
    const char* value = "";     // "FILE", as the usage names it
    const char* meaning = "";   // one line for the usage
    bool stands_alone = false;  // nothing else may be given with it
};

struct CommandLineForm {
    const char* program = "";
    const char* default_address = "";
    int32_t default_port = 0;
    bool takes_record_path = false;
    std::vector<OptionForm> options;
};

struct CommandLine {
    std::string server_address;
    int32_t server_port = 0;
    std::string record_path;                     // board_replay only
    std::map<std::string, std::string> options;  // the options given, with their values
    bool proceed = false;                        // false: end the program now with `status`
    int status = STATUS_OK;

    bool has(const std::string& option) const { return options.count(option) != 0; }
};

// The usage text of a program, one line per form and argument.
std::string usage_text(const CommandLineForm& form);

// "board_console 1.1.0 (git 22728eb)": the program's name and the project's
// version (CMake's, with `git describe` where it was built in a checkout).
std::string version_line(const char* program);

// When --version is the only argument, write version_line() and give true:
// the program then ends with status 0, before its banner.
bool answered_version(int argc, const char* const* argv, const char* program);

// Read the arguments. A wrong count logs "err arg input"; an unknown or
// misplaced option, an option without its value, a bad port or address an
// ERROR line naming it; all then print the usage and give status 255. A lone
// -h or --help prints the usage and gives status 0. An option that stands
// alone gives a line with that option and nothing else.
CommandLine parse_command_line(int argc, const char* const* argv, const CommandLineForm& form);

// A plain decimal number from `low` to `high`: digits only, no sign, no
// blanks (ports, rates). False, `value` untouched, for anything else.
bool parse_whole_number(const char* text, long low, long high, long& value);

// True for a dotted-decimal IPv4 address ("127.0.0.1"; no names, no shorthand).
bool is_ipv4_address(const char* text);
