#include "program/program_start.h"

#include <cstring>

#include "console/interrupt.h"
#include "console/log.h"

extern const char VOSTREL_VERSION_TEXT[];  // written at build time (cmake/version.cmake)

const char* version_text() {
    return VOSTREL_VERSION_TEXT;
}

namespace {

// True when an option that shapes standard output (--json) is given anywhere.
bool output_shaped(int argc, const char* const* argv, const FormWords& words) {
    for (int i = 1; i < argc; ++i) {
        for (const OptionWords& option : words.options) {
            if (option.shapes_output && std::strcmp(option.name, argv[i]) == 0) return true;
        }
    }
    return false;
}

// True when the first argument is an option whose result is all the program prints.
bool quiet_option_first(int argc, const char* const* argv, const FormWords& words) {
    if (argc < 2) return false;
    for (const OptionWords& option : words.options) {
        if (option.alone == Alone::AND_QUIET && std::strcmp(option.name, argv[1]) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

Start begin_program(int argc, const char* const* argv, const FormWords& words,
                    const char* build_date) {
    fail_writes_gently();
    Start start;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        // "board_console 1.2.0 (git 22728eb)": the project's version, with
        // `git describe` where it was built in a checkout.
        write_console(std::string(words.program) + " " + version_text() + "\n");
        start.outcome = end_with(STATUS_OK);
        return start;
    }
    if (output_shaped(argc, argv, words)) console_to_stderr();
    if (!quiet_option_first(argc, argv, words)) {
        log_info("Vostrel. Build date: %s\n", build_date);
    }
    return start;
}
