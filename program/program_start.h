// How every program starts. In order: writes that cannot be made fail
// instead of killing it, --version answered before anything else, the banner
// with the program's build date, then its command line read into the
// program's options. A tool then connects to its controller (connection.h)
// and runs; the link closes with the Start. Every main reads as these steps:
//
//     int main(int argc, char** argv) {
//         RecorderOptions options;
//         Start start = start_program(argc, argv, BOARD_RECORDER_FORM, options, __DATE__);
//         if (!start.outcome.goes_on) return start.outcome.status;
//         return run_board_recorder(start, options);
//     }
#pragma once

#include "files/file_writing.h"
#include "program/command_line.h"

// What a run starts from: the controller to reach and, once connected, its link.
struct Start {
    Outcome outcome;  // ends: --version, --help or a refusal
    Endpoint server;
    std::string options;  // as given (CommandLine::options)
    OwnedFd link;         // open once the tool has connected
};

// The project's version, as --version prints it after the program's name:
// "1.2.0", with `git describe` where it was built in a checkout.
const char* version_text();

// fail_writes_gently(), --version alone (its line, then the end with status
// 0), and the banner unless the first argument is a quiet option (such as
// --encode): what comes before the command line is read.
Start begin_program(int argc, const char* const* argv, const FormWords& words,
                    const char* build_date);

// begin_program(), then the command line read into `options`.
template <typename Options>
Start start_program(int argc, const char* const* argv, const CommandLineForm<Options>& form,
                    Options& options, const char* build_date) {
    Start start = begin_program(argc, argv, words_of(form), build_date);
    if (!start.outcome.goes_on) return start;
    CommandLine line = parse_command_line(argc, argv, form, options);
    start.outcome = line.outcome;
    start.server = line.server;
    start.options = line.options;
    return start;
}
