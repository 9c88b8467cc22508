// The start every program makes, in order: writes that cannot be made fail
// instead of killing it, --version answered before anything else, the banner
// with the program's build date, then its command line.
#pragma once

#include "console/command_line.h"

// "board_console 1.1.0 (git 22728eb)": the program's name and the project's
// version (CMake's, with `git describe` where it was built in a checkout).
std::string version_line(const char* program);

// When --version is the only argument, write version_line() and give true:
// the program then ends with status 0, before its banner.
bool answered_version(int argc, const char* const* argv, const char* program);

// Log "Vostrel. Build date: %s" with the program's build date (__DATE__).
void print_banner(const char* build_date);

// fail_writes_gently(), --version, the banner (unless the first argument is
// a quiet option, such as --encode), then parse_command_line().
// `proceed` false: end the program now with `status`.
CommandLine begin_program(int argc, const char* const* argv, const CommandLineForm& form,
                          const char* build_date);
