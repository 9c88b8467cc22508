// The one TCP connection of a tool to its controller, with 15-second receive
// and send time-outs (link_timeout.h), made after the program's start. It is
// non-blocking, so every wait on it goes through wait_until_ready().
#pragma once

#include "console/exit_status.h"
#include "program/program_start.h"

// Fixed addresses of the two controllers on the robot's network.
extern const char* const BOARD_DEFAULT_ADDRESS;
extern const char* const ARM_DEFAULT_ADDRESS;

// Log the server line of the start's command line, create the socket with
// its 15-second receive and send time-outs and connect: start.link. Ends with
// STATUS_LINK_FAILED after the failure has been reported.
Outcome connect_to_controller(Start& start);
