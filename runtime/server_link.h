// Start-up shared by every tool: banner, command line and the one TCP
// connection to the controller, with 15-second receive and send time-outs.
#pragma once

#include <string>

#include "runtime/command_line.h"
#include "runtime/exit_status.h"

// Fixed addresses of the two controllers on the robot's network.
extern const char* const BOARD_DEFAULT_ADDRESS;
extern const char* const ARM_DEFAULT_ADDRESS;

// Log "Vostrel. Build date: %s" with the program's build date (__DATE__).
void print_banner(const char* build_date);

// Log the server line, create the socket with its 15-second receive and send
// time-outs and connect. Returns the connected socket, or -1 after the failure
// has been reported (the program then ends with STATUS_LINK_FAILED).
int connect_to_server(const CommandLine& command_line);

// The start of every tool, in order: fail_writes_gently(), the banner with the
// program's build date, the command line.
CommandLine begin_tool(int argc, const char* const* argv, const CommandLineForm& form,
                       const char* build_date);

struct ToolStart {
    int link = -1;  // the connected link; -1: end the program now with `status`
    int status = STATUS_OK;
    CommandLine command_line;
};

// begin_tool, then the connection.
ToolStart start_tool(int argc, const char* const* argv, const CommandLineForm& form,
                     const char* build_date);
