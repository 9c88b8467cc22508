#include "console/program_start.h"

#include <cstring>

#include "console/interrupt.h"
#include "console/log.h"

extern const char VOSTREL_VERSION_TEXT[];  // written at build time (cmake/version.cmake)

std::string version_line(const char* program) {
    return std::string(program) + " " + VOSTREL_VERSION_TEXT + "\n";
}

bool answered_version(int argc, const char* const* argv, const char* program) {
    if (argc != 2 || std::strcmp(argv[1], "--version") != 0) return false;
    write_console(version_line(program));
    return true;
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

CommandLine begin_program(int argc, const char* const* argv, const CommandLineForm& form,
                          const char* build_date) {
    fail_writes_gently();
    if (answered_version(argc, argv, form.program)) return CommandLine{};
    if (!quiet_option_first(argc, argv, form)) print_banner(build_date);
    return parse_command_line(argc, argv, form);
}
