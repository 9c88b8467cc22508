#include "program/program_start.h"

#include <cstring>

#include "console/interrupt.h"
#include "console/log.h"

extern const char VOSTREL_VERSION_TEXT[];  // written at build time (cmake/version.cmake)

std::string version_line(const char* program) {
    return std::string(program) + " " + VOSTREL_VERSION_TEXT + "\n";
}

void print_banner(const char* build_date) {
    log_info("Vostrel. Build date: %s\n", build_date);
}

namespace {

// True when the first argument is an option whose result is all the program prints.
bool quiet_option_first(int argc, const char* const* argv, const CommandLineForm& form) {
    if (argc < 2) return false;
    for (const OptionForm& option : form.options) {
        if (option.quiet && std::strcmp(option.name, argv[1]) == 0) return true;
    }
    return false;
}

}  // namespace

Start start_program(int argc, const char* const* argv, const CommandLineForm& form,
                    const char* build_date) {
    fail_writes_gently();
    Start start;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        write_console(version_line(form.program));
        start.outcome = end_with(STATUS_OK);
        return start;
    }
    if (!quiet_option_first(argc, argv, form)) print_banner(build_date);
    start.command_line = parse_command_line(argc, argv, form);
    start.outcome = start.command_line.outcome;
    return start;
}

int end_program(Start& start, int status) {
    start.link.reset();
    return status;
}
