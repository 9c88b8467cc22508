// Command lines of the seven programs (the arguments after the program name),
// each read by parse_command_line() from a small table of its own:
//     board_console, arm_console   [--request TEXT] [SERVER PORT]
//                                  --encode TEXT
//     board_recorder               [SERVER PORT]
//     board_replay                 [SERVER PORT] RECORD_FILE
//                                  --check RECORD_FILE
//     arm_monitor                  [--csv FILE] [SERVER PORT]
//     board_sim     [--listen ADDR] [--port N]
//     arm_sim       [--listen ADDR] [--command-port N] [--report-port N] [--rate HZ]
// SERVER is a dotted-decimal IPv4 address, never looked up; PORT a plain decimal
// number from 1 to 65535. Without them the compiled-in defaults are used.
// -h or --help as the only argument prints the usage, --version the program's
// name and the project's version (see program_start.h).
//
// An argument that starts with "-" is an option, never a file, an address or
// a port: one the program does not know is refused before any connection is
// tried (a file named "-x" is given as "./-x"). An option's value is the next
// argument, which may not start with "-" either, but for a tool's number
// ("--rate -2" is refused as a bad rate, naming -2).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "console/exit_status.h"

// What an option's value must be, and how a value that is not is refused:
// "bad rate: VALUE (1 to 10000 Hz)" is {WHOLE_NUMBER, 1, 10000, "bad rate: ", " (1 to 10000 Hz)"}.
struct ValueRule {
    enum Kind {
        NAME,  // a file's name or any text; one that starts with "-" is given as "./-name"
        TEXT,  // a request's text, which cannot begin with "-"
        IPV4_ADDRESS,
        WHOLE_NUMBER,
        CHECKED,  // whatever `check` takes
    };
    Kind kind = NAME;
    long low = 0;  // WHOLE_NUMBER: the range
    long high = 0;
    const char* refusal = "";
    const char* hint = "";
    bool (*check)(const char* value) = nullptr;  // CHECKED
};

// An option that a program knows: with a value, "--check FILE", or a flag
// without one, "--confirm".
struct OptionForm {
    const char* name = "";      // "--check"
    const char* value = "";     // "FILE", as the usage names it; "" for a flag
    const char* meaning = "";   // one line for the usage
    bool stands_alone = false;  // nothing else may be given with it: a form of its own
    ValueRule rule = {};
    bool quiet = false;  // given first, it prints its result alone: no banner before it
};

// A positional argument every run must give, after SERVER PORT.
struct ArgumentForm {
    const char* name = "";     // "RECORD_FILE"
    const char* meaning = "";  // one line for the usage
};

// How a program words its refusals. The tools count their positional
// arguments at the end ("err arg input") and refuse an option given twice;
// the simulators take none, refuse a stray argument where it stands and take
// an option's last value.
enum class Wording { TOOL, SIMULATOR };

struct CommandLineForm {
    const char* program = "";
    const char* default_address = "";  // "" : no [SERVER PORT]
    int32_t default_port = 0;
    std::vector<ArgumentForm> arguments;
    std::vector<OptionForm> options;
    Wording wording = Wording::TOOL;
    const char* usage = nullptr;  // a usage text of its own; nullptr: formed from the table
    // The word the usage line shows for the options that do not stand alone
    // ("OPTIONS"); nullptr: each of them in brackets.
    const char* options_word = nullptr;
};

struct CommandLine {
    Outcome outcome;  // ends: --help, or a refusal (255)
    std::string server_address;
    int32_t server_port = 0;
    // The options given and the positional arguments, by name ("--csv", "RECORD_FILE").
    std::map<std::string, std::string> values;

    bool has(const std::string& name) const { return values.count(name) != 0; }
    // The value given for `name`, or `fallback` when none was.
    std::string value(const std::string& name, const std::string& fallback = "") const;
    long number(const std::string& name, long fallback) const;
};

// The usage text of a program: a line for each form (the stand-alone options
// each have one of their own), then a line for each argument and option.
std::string usage_text(const CommandLineForm& form);

// Read the arguments. A wrong count logs "err arg input"; an unknown or
// misplaced option, an option without its value or with a bad one, a bad
// port or address an ERROR line naming it; all then print the usage and end
// with status 255. A lone -h or --help prints the usage and ends with status
// 0. An option that stands alone gives a line with that option and nothing
// else.
CommandLine parse_command_line(int argc, const char* const* argv, const CommandLineForm& form);

// A plain decimal number from `low` to `high`: digits only, no sign, no
// blanks (ports, rates). False, `value` untouched, for anything else.
bool parse_whole_number(const char* text, long low, long high, long& value);

// True for a dotted-decimal IPv4 address ("127.0.0.1"; no names, no shorthand).
bool is_ipv4_address(const char* text);
