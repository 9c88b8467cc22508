// The one TCP connection of a tool to its controller, with 15-second receive
// and send time-outs (link_timeout.h), made after the program's start.
#pragma once

#include <string>

#include "console/command_line.h"
#include "console/exit_status.h"

// Fixed addresses of the two controllers on the robot's network.
extern const char* const BOARD_DEFAULT_ADDRESS;
extern const char* const ARM_DEFAULT_ADDRESS;

// Log the server line, create the socket with its 15-second receive and send
// time-outs and connect. Returns the connected socket, or -1 after the failure
// has been reported (the program then ends with STATUS_LINK_FAILED).
int connect_to_server(const CommandLine& command_line);

struct ToolStart {
    int link = -1;  // the connected link; -1: end the program now with `status`
    int status = STATUS_OK;
    CommandLine command_line;
};

// begin_program() (program_start.h), then the connection.
ToolStart start_tool(int argc, const char* const* argv, const CommandLineForm& form,
                     const char* build_date);
