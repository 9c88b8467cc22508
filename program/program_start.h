// How every program starts and ends. The start, in order: writes that cannot
// be made fail instead of killing it, --version answered before anything
// else, the banner with the program's build date, then its command line. A
// tool then connects to its controller (connection.h) and runs; its end
// closes the link. Every main reads as these steps:
//
//     int main(int argc, char** argv) {
//         Start start = start_program(argc, argv, BOARD_RECORDER_FORM, __DATE__);
//         if (!start.outcome.goes_on) return start.outcome.status;
//         int status = run_board_recorder(start);
//         return end_program(start, status);
//     }
#pragma once

#include "files/file_writing.h"
#include "program/command_line.h"

// What a run starts from: its command line and, once connected, its link.
struct Start {
    Outcome outcome;  // ends: --version, --help or a refusal
    CommandLine command_line;
    OwnedFd link;  // open once the tool has connected
};

// "board_console 1.1.0 (git 22728eb)": the program's name and the project's
// version (CMake's, with `git describe` where it was built in a checkout).
std::string version_line(const char* program);

// Log "Vostrel. Build date: %s" with the program's build date (__DATE__).
void print_banner(const char* build_date);

// fail_writes_gently(), --version alone (its line, then the end with status
// 0), the banner (unless the first argument is a quiet option, such as
// --encode), then parse_command_line().
Start start_program(int argc, const char* const* argv, const CommandLineForm& form,
                    const char* build_date);

// The end of a run: the link closed. Returns `status`, the program's.
int end_program(Start& start, int status);
